#pragma once
// The full-text index of one archive: a cache file outside the archive, in
// $XDG_CACHE_HOME/yomitoru/ (else ~/.cache/yomitoru/), one per archive root. It holds, per
// stored issue file, the newsletter's ID and title, the issue key, the file's name, size and
// time, and the folded issue body in two SQLite FTS5 tables that keep no copy of the text:
// trigrams for terms of three characters and more, single characters and pairs for shorter
// ones. Deleting it loses nothing; it is built again from the files. The archive is only read.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/search_query.h"
#include "archive/searched_archive.h"
#include "archive/sqlite_handles.h"
#include "platform/fs.h"

// One stored issue as the index knows it; texts Shift-JIS.
struct IndexedIssue {
  std::string magazineId;
  std::string title;     // the newsletter's title in the archive index, else its ID
  std::string fileName;  // the issue file's name
  std::string listKey;   // IssueListKey of the file name
};

// The cache file of an archive root; empty when neither XDG_CACHE_HOME nor HOME is set.
std::filesystem::path SearchIndexFile(const std::filesystem::path& archiveRoot);

class SearchIndex {
 public:
  // Opens the index of `archiveRoot`, creating its folder and file when `create` is set. A
  // file that is no index, or one of another version or another archive, is begun afresh.
  // Null, with the reason in `error`, when it cannot be opened.
  static std::unique_ptr<SearchIndex> Open(const std::filesystem::path& archiveRoot, bool create,
                                           std::string& error);

  // Brings the index up to date with the archive: new, changed and removed issue files
  // found by name, size and modification time, newsletters that neither the archive index
  // lists nor a folder holds any more dropped (searched_archive.h). With `onlyNewsletter`
  // (an ID) the files of the other newsletters are not looked at. Works in short
  // transactions, so a search meanwhile sees what is done; returns early when `stop` is set.
  // False when the index cannot be written.
  bool Update(const std::atomic<bool>& stop, const std::string& onlyNewsletter = {});

  // The issues that hold every term: their number, and up to `limit` of them in the order
  // of hits (search_order.h), after the hit `after` when one is given. A query without
  // terms finds nothing.
  std::int64_t Count(const SearchQuery& query);
  std::vector<std::int64_t> Hits(const SearchQuery& query, std::optional<std::int64_t> after, int limit);
  std::optional<IndexedIssue> Describe(std::int64_t hit);

  // Issue files indexed.
  std::int64_t IssueCount();

 private:
  SearchIndex(SqliteDatabase database, std::filesystem::path archiveRoot);

  bool UpdateNewsletter(const SearchedNewsletter& newsletter, const std::atomic<bool>& stop);
  bool DropNewsletter(const std::string& id);
  // Within a write transaction: the file's earlier entry (if any) given up, its body indexed.
  bool IndexFile(const SearchedNewsletter& newsletter, const TextFile& file);
  bool Forget(std::int64_t hit);
  std::optional<std::int64_t> FreeHitNumber(std::int64_t rank);
  // Starts afresh when more entries have been given up than are in use.
  bool CollectGarbage();
  // The hits of a query; the match expressions bind to ?1 and ?2, a page's "after" and
  // "limit" to the two parameters that follow.
  struct HitsStatement {
    std::string sql;
    std::vector<std::string> matches;
  };
  HitsStatement HitsSql(const SearchQuery& query, bool page);

  SqliteDatabase database_;
  std::filesystem::path archiveRoot_;
  std::unique_ptr<SqliteStatement> describe_;
};
