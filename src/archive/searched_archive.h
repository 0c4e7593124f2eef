#pragma once
// What the full-text search covers: the newsletters listed in the archive index, in its
// order, and the stored issue files of each, by name, size and modification time. Both the
// index and the search without it walk the archive through these.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

struct SearchedNewsletter {
  std::string id;     // Shift-JIS; a plain folder name
  std::string title;  // the title field of its index line
  std::filesystem::path folder;
};

// The index lines whose ID is a plain name, each ID once.
std::vector<SearchedNewsletter> SearchedNewsletters(const std::filesystem::path& archiveRoot);

struct SearchedFile {
  std::string name;  // Shift-JIS
  std::int64_t size = 0;
  std::int64_t modified = 0;  // nanoseconds since the epoch
};

// The issue files of a newsletter's folder, sorted by name; a file gone meanwhile is left out.
std::vector<SearchedFile> SearchedFiles(const std::filesystem::path& folder);
