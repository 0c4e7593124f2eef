#pragma once
// What the full-text search covers: every newsletter folder of the archive, whether or not
// the archive index lists it, so a missing or damaged index hides no stored issue; their
// stored issue files come from ScanTextFilesWithTimes. Both the index and the search
// without it walk the archive through these.

#include <filesystem>
#include <string>
#include <vector>

struct SearchedNewsletter {
  std::string id;     // Shift-JIS; a plain folder name
  std::string title;  // the title field of its index line; the ID when the index has no line for it
  std::filesystem::path folder;
};

// The index lines whose ID is a plain name, each ID once and in the index's order, then the
// plain-named folders it does not list, by ID.
std::vector<SearchedNewsletter> SearchedNewsletters(const std::filesystem::path& archiveRoot);
