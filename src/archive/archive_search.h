#pragma once
// A search of the archive as the search window and the command line run it: through the
// index when it can be opened, else by reading every issue file, with the same hits in the
// same order either way.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/search_index.h"
#include "archive/search_query.h"

// What the user is told when the index cannot be made or kept (UTF-8).
inline constexpr std::string_view kIndexUnavailableUtf8 =
    "検索用の索引を作れません。ファイルを直接検索します。";

struct SearchHit {
  IndexedIssue issue;
  std::string excerpt;  // Shift-JIS, one line around the first hit
};

// What one query found; hits are read on first use. Valid while its ArchiveSearch lives.
class SearchResults {
 public:
  std::size_t Count() const { return count_; }
  // Hit `i` (below Count()) in the order of hits.
  const SearchHit& Hit(std::size_t i);

 private:
  friend class ArchiveSearch;

  std::filesystem::path archiveRoot_;
  SearchQuery query_;
  SearchIndex* index_ = nullptr;  // null: every hit below was found by reading the files
  std::size_t count_ = 0;
  std::vector<std::int64_t> numbers_;  // the index's hit numbers read so far
  std::vector<std::optional<SearchHit>> hits_;
};

class ArchiveSearch {
 public:
  // Opens, or creates, the index of `archiveRoot`; without it, searches read the files.
  explicit ArchiveSearch(const std::filesystem::path& archiveRoot);

  // The index could not be opened (or was given up): searches read the files.
  bool ReadsFiles() const { return index_ == nullptr; }
  void GiveUpIndex() { index_.reset(); }

  SearchResults Run(const SearchQuery& query);

 private:
  std::filesystem::path archiveRoot_;
  std::unique_ptr<SearchIndex> index_;
};
