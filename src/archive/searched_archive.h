#pragma once
// What the full-text search covers: the newsletters listed in the archive index, in its
// order; their stored issue files come from ScanTextFilesWithTimes. Both the index and the
// search without it walk the archive through these.

#include <filesystem>
#include <string>
#include <vector>

struct SearchedNewsletter {
  std::string id;     // Shift-JIS; a plain folder name
  std::string title;  // the title field of its index line
  std::filesystem::path folder;
};

// The index lines whose ID is a plain name, each ID once.
std::vector<SearchedNewsletter> SearchedNewsletters(const std::filesystem::path& archiveRoot);
