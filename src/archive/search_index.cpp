#include "archive/search_index.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <set>

#include "archive/issue_body_text.h"
#include "archive/issue_naming.h"
#include "archive/search_grams.h"
#include "archive/search_order.h"
#include "archive/text_normalisation.h"
#include "platform/fs.h"

namespace fs = std::filesystem;

namespace {

constexpr int kSchemaVersion = 1;
// A hit number is the issue's rank (search_order.h) followed by this many bits that tell
// issues of one rank apart, so the index hands out hits in their order.
constexpr int kSequenceBits = 20;
// A writer commits this often: a search meanwhile sees the progress, other writers get a turn.
constexpr auto kBatchTime = std::chrono::milliseconds(500);
constexpr int kBusyTimeoutMs = 2000;

// Bodies are kept in two FTS5 tables without content; the rows of `docs` say which file each
// entry came from. An entry whose file changed or went cannot be taken out of such a table
// without its old text: its number moves to `dead` and is left out of every search.
constexpr std::string_view kSchema = R"(
CREATE TABLE meta(key TEXT PRIMARY KEY, value BLOB);
CREATE TABLE magazines(id BLOB PRIMARY KEY, title BLOB NOT NULL);
CREATE TABLE docs(id INTEGER PRIMARY KEY, magazine BLOB NOT NULL, file BLOB NOT NULL, listkey BLOB NOT NULL,
                  size INTEGER NOT NULL, modified INTEGER NOT NULL);
CREATE INDEX docs_by_file ON docs(magazine, file);
CREATE TABLE dead(id INTEGER PRIMARY KEY);
CREATE VIRTUAL TABLE tri USING fts5(body, content='', columnsize=0, tokenize='trigram case_sensitive 1');
CREATE VIRTUAL TABLE grams USING fts5(body, content='', columnsize=0, detail=none, tokenize='ascii');
)";

fs::path CacheFolder() {
  // A relative XDG_CACHE_HOME is to be ignored.
  const char* cache = std::getenv("XDG_CACHE_HOME");
  if (cache != nullptr && cache[0] == '/') return fs::path(cache) / "yomitoru";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0') return fs::path(home) / ".cache" / "yomitoru";
  return {};
}

enum class Readiness { kReady, kStale, kFailed };

void RemoveIndexFiles(const fs::path& file) {
  std::error_code ignored;
  for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(fs::path(file.native() + suffix), ignored);
}

// Tells whether an index file belongs to this archive. It is only read, so opening an index
// in use never waits for its writer.
Readiness Prepare(SqliteDatabase& database, const fs::path& archiveRoot) {
  SqliteStatement version(database, "PRAGMA user_version");
  if (!version.Step()) return database.FoundDamage() ? Readiness::kStale : Readiness::kFailed;
  if (version.Integer(0) != kSchemaVersion) return Readiness::kStale;
  SqliteStatement root(database, "SELECT value FROM meta WHERE key = 'root'");
  const bool ours = root.Step() && root.Bytes(0) == archiveRoot.native();
  return ours && database.Execute("PRAGMA synchronous=NORMAL") ? Readiness::kReady : Readiness::kStale;
}

// A new index is made whole under a name of its own and then linked to its place, so an
// index file is always complete: two programs (or threads) creating one at once never
// see each other's half-made file, and the one that comes second takes the first's.
bool CreateIndexFile(const fs::path& file, const fs::path& archiveRoot, std::string& error) {
  static std::atomic<unsigned> counter{0};
  const fs::path fresh = file.native() + ".new-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
  bool made = false;
  {
    SqliteDatabase database = SqliteDatabase::Open(fresh, true, error);
    // Nothing waits for the disk here: a file cut short by a crash is damaged, and begun afresh.
    made = database && database.Execute("PRAGMA journal_mode=WAL; PRAGMA synchronous=OFF; BEGIN") &&
           database.Execute(kSchema) &&
           SqliteStatement(database, "INSERT INTO meta(key, value) VALUES('root', ?1)")
               .Bind(1, archiveRoot.native())
               .Run() &&
           database.Execute("PRAGMA user_version=" + std::to_string(kSchemaVersion) + "; COMMIT");
    if (database && !made) error = database.ErrorMessage();
  }
  if (made && ::link(fresh.c_str(), file.c_str()) != 0 && errno != EEXIST) {
    error = std::strerror(errno);
    made = false;
  }
  RemoveIndexFiles(fresh);
  return made;
}

// A term as one FTS5 phrase: in double quotes, its own quotes doubled.
std::string Phrase(std::string_view text) {
  std::string phrase = "\"";
  for (const char c : text) phrase += c == '"' ? std::string("\"\"") : std::string(1, c);
  return phrase + "\"";
}

struct MatchExpressions {
  std::string trigrams;  // terms of three characters and more
  std::string grams;     // shorter terms
};

MatchExpressions ExpressionsOf(const SearchQuery& query) {
  MatchExpressions expressions;
  for (const std::u16string& term : query.terms) {
    const bool shortTerm = CharacterCount(term) < 3;
    std::string& expression = shortTerm ? expressions.grams : expressions.trigrams;
    if (!expression.empty()) expression += " AND ";
    expression += Phrase(shortTerm ? GramToken(term) : Utf16ToUtf8(term));
  }
  return expressions;
}

using Clock = std::chrono::steady_clock;

}  // namespace

fs::path SearchIndexFile(const fs::path& archiveRoot) {
  const fs::path folder = CacheFolder();
  if (folder.empty()) return {};
  // FNV-1a of the root's path names the file; the file itself records the root it serves.
  std::uint64_t hash = 0xCBF29CE484222325ULL;
  for (const char c : archiveRoot.native()) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001B3ULL;
  }
  char name[40];
  std::snprintf(name, sizeof name, "archive-%016llx.sqlite", static_cast<unsigned long long>(hash));
  return folder / name;
}

SearchIndex::SearchIndex(SqliteDatabase database, fs::path archiveRoot)
    : database_(std::move(database)), archiveRoot_(std::move(archiveRoot)) {}

std::unique_ptr<SearchIndex> SearchIndex::Open(const fs::path& archiveRoot, bool create, std::string& error) {
  const fs::path file = SearchIndexFile(archiveRoot);
  if (file.empty()) {
    error = "no cache folder (HOME is not set)";
    return nullptr;
  }
  if (create && !CreateFolders(file.parent_path())) {
    error = "cannot create " + file.parent_path().string();
    return nullptr;
  }
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (create && !IsRegularFile(file) && !CreateIndexFile(file, archiveRoot, error)) return nullptr;
    SqliteDatabase database = SqliteDatabase::Open(file, false, error);
    if (!database) return nullptr;
    database.SetBusyTimeout(kBusyTimeoutMs);
    switch (Prepare(database, archiveRoot)) {
      case Readiness::kReady:
        return std::unique_ptr<SearchIndex>(new SearchIndex(std::move(database), archiveRoot));
      case Readiness::kStale:
        if (!create) break;
        // A cache: what cannot be used is begun afresh.
        database = SqliteDatabase();
        RemoveIndexFiles(file);
        continue;
      case Readiness::kFailed:
        break;
    }
    error = database.ErrorMessage();
    return nullptr;
  }
  error = "cannot begin " + file.string();
  return nullptr;
}

bool SearchIndex::Update(const std::atomic<bool>& stop, const std::string& onlyNewsletter) {
  // An update runs in the background: it waits for another program's writes to the index
  // rather than fail, unless it is told to stop.
  database_.WaitForWritersUnless(stop);
  struct TimeoutAgain {
    SqliteDatabase& database;
    ~TimeoutAgain() { database.SetBusyTimeout(kBusyTimeoutMs); }
  } timeoutAgain{database_};
  if (!CollectGarbage()) return false;
  const std::vector<SearchedNewsletter> newsletters = SearchedNewsletters(archiveRoot_);
  std::set<std::string> searched;
  for (const SearchedNewsletter& newsletter : newsletters) searched.insert(newsletter.id);
  std::vector<std::string> known;
  SqliteStatement magazines(database_, "SELECT id FROM magazines");
  while (magazines.Step()) known.push_back(magazines.Bytes(0));
  if (magazines.Failed()) return false;
  for (const std::string& id : known) {
    if (searched.count(id) == 0 && !DropNewsletter(id)) return false;
  }
  for (const SearchedNewsletter& newsletter : newsletters) {
    if (stop) return true;
    if (!onlyNewsletter.empty() && newsletter.id != onlyNewsletter) continue;
    if (!UpdateNewsletter(newsletter, stop)) return false;
  }
  database_.Execute("PRAGMA wal_checkpoint(PASSIVE)");
  return true;
}

bool SearchIndex::UpdateNewsletter(const SearchedNewsletter& newsletter, const std::atomic<bool>& stop) {
  struct Stamp {
    std::int64_t hit, size, modified;
  };
  std::map<std::string, Stamp> stored;
  SqliteStatement entries(database_, "SELECT id, file, size, modified FROM docs WHERE magazine = ?1");
  entries.Bind(1, newsletter.id);
  while (entries.Step())
    stored[entries.Bytes(1)] = {entries.Integer(0), entries.Integer(2), entries.Integer(3)};
  SqliteStatement title(database_, "SELECT title FROM magazines WHERE id = ?1");
  const bool titleKnown = title.Bind(1, newsletter.id).Step() && title.Bytes(0) == newsletter.title;
  if (entries.Failed() || title.Failed()) return false;
  // A statement left on a row keeps a read open, and a read cannot wait to become a write.
  title.Reset();

  const std::vector<TextFile> files = ScanTextFilesWithTimes(newsletter.folder);
  std::vector<const TextFile*> changed;
  for (const TextFile& file : files) {
    const auto entry = stored.find(file.name);
    if (entry == stored.end() || entry->second.size != file.size || entry->second.modified != file.modified) {
      changed.push_back(&file);
    }
    if (entry != stored.end()) stored.erase(entry);
  }
  if (changed.empty() && stored.empty() && titleKnown) return true;

  auto transaction = std::make_unique<SqliteTransaction>(database_);
  if (!transaction->Begun()) return false;
  SqliteStatement setTitle(database_, "INSERT OR REPLACE INTO magazines(id, title) VALUES(?1, ?2)");
  if (!setTitle.Bind(1, newsletter.id).Bind(2, newsletter.title).Run()) return false;
  // What is left of the stored entries has no file any more.
  for (const auto& [name, stamp] : stored) {
    if (!Forget(stamp.hit)) return false;
  }
  Clock::time_point batchEnd = Clock::now() + kBatchTime;
  for (const TextFile* file : changed) {
    if (stop) break;
    if (!IndexFile(newsletter, *file)) return false;
    if (Clock::now() < batchEnd) continue;
    if (!transaction->Commit()) return false;
    transaction = std::make_unique<SqliteTransaction>(database_);
    if (!transaction->Begun()) return false;
    batchEnd = Clock::now() + kBatchTime;
  }
  return transaction->Commit();
}

bool SearchIndex::DropNewsletter(const std::string& id) {
  SqliteTransaction transaction(database_);
  SqliteStatement bury(database_, "INSERT OR IGNORE INTO dead(id) SELECT id FROM docs WHERE magazine = ?1");
  SqliteStatement remove(database_, "DELETE FROM docs WHERE magazine = ?1");
  SqliteStatement forget(database_, "DELETE FROM magazines WHERE id = ?1");
  return transaction.Begun() && bury.Bind(1, id).Run() && remove.Bind(1, id).Run() &&
         forget.Bind(1, id).Run() && transaction.Commit();
}

bool SearchIndex::IndexFile(const SearchedNewsletter& newsletter, const TextFile& file) {
  // Another writer (a second program on the same archive) may have been here first.
  SqliteStatement current(database_, "SELECT id, size, modified FROM docs WHERE magazine = ?1 AND file = ?2");
  if (current.Bind(1, newsletter.id).Bind(2, file.name).Step()) {
    if (current.Integer(1) == file.size && current.Integer(2) == file.modified) return true;
    if (!Forget(current.Integer(0))) return false;
  }
  if (current.Failed()) return false;

  // A file removed since the folder was read is left out.
  std::optional<std::string> bytes = ReadWholeFile(JoinSjis(newsletter.folder, file.name));
  if (!bytes) return true;
  const std::u16string folded = FoldForSearch(DecodeForSearch(SearchableBody(*bytes)));
  const std::string listKey = IssueListKey(file.name, 0);
  const std::optional<std::int64_t> hit = FreeHitNumber(IssueRank(listKey));
  if (!hit) return true;

  SqliteStatement entry(
      database_,
      "INSERT INTO docs(id, magazine, file, listkey, size, modified) VALUES(?1, ?2, ?3, ?4, ?5, ?6)");
  SqliteStatement trigrams(database_, "INSERT INTO tri(rowid, body) VALUES(?1, ?2)");
  SqliteStatement grams(database_, "INSERT INTO grams(rowid, body) VALUES(?1, ?2)");
  return entry.Bind(1, *hit)
             .Bind(2, newsletter.id)
             .Bind(3, file.name)
             .Bind(4, listKey)
             .Bind(5, file.size)
             .Bind(6, file.modified)
             .Run() &&
         trigrams.Bind(1, *hit).BindText(2, Utf16ToUtf8(folded)).Run() &&
         grams.Bind(1, *hit).BindText(2, GramTokens(folded)).Run();
}

bool SearchIndex::Forget(std::int64_t hit) {
  SqliteStatement bury(database_, "INSERT OR IGNORE INTO dead(id) SELECT id FROM docs WHERE id = ?1");
  SqliteStatement remove(database_, "DELETE FROM docs WHERE id = ?1");
  return bury.Bind(1, hit).Run() && remove.Bind(1, hit).Run();
}

std::optional<std::int64_t> SearchIndex::FreeHitNumber(std::int64_t rank) {
  const std::int64_t first = rank << kSequenceBits;
  const std::int64_t last = first + (std::int64_t{1} << kSequenceBits) - 1;
  // Numbers are never used twice: a given-up entry keeps its number until the next fresh start.
  SqliteStatement highest(
      database_,
      "SELECT max(coalesce((SELECT max(id) FROM docs WHERE id BETWEEN ?1 AND ?2), ?1 - 1),"
      "           coalesce((SELECT max(id) FROM dead WHERE id BETWEEN ?1 AND ?2), ?1 - 1))");
  if (!highest.Bind(1, first).Bind(2, last).Step()) return std::nullopt;
  const std::int64_t next = highest.Integer(0) + 1;
  if (next > last) return std::nullopt;
  return next;
}

bool SearchIndex::CollectGarbage() {
  SqliteStatement balance(database_, "SELECT (SELECT count(*) FROM dead) > (SELECT count(*) FROM docs)");
  if (!balance.Step()) return false;
  if (balance.Integer(0) == 0) return true;
  balance.Reset();
  SqliteTransaction transaction(database_);
  return transaction.Begun() &&
         database_.Execute(
             "DELETE FROM docs; DELETE FROM dead; DELETE FROM magazines;"
             "INSERT INTO tri(tri) VALUES('delete-all'); INSERT INTO grams(grams) VALUES('delete-all')") &&
         transaction.Commit();
}

SearchIndex::HitsStatement SearchIndex::HitsSql(const SearchQuery& query, bool page) {
  const MatchExpressions expressions = ExpressionsOf(query);
  HitsStatement statement;
  if (!expressions.trigrams.empty()) {
    statement.sql = "SELECT rowid FROM tri WHERE tri MATCH ?1";
    statement.matches.push_back(expressions.trigrams);
    if (!expressions.grams.empty()) {
      statement.sql += " AND rowid IN (SELECT rowid FROM grams WHERE grams MATCH ?2)";
      statement.matches.push_back(expressions.grams);
    }
  } else if (!expressions.grams.empty()) {
    statement.sql = "SELECT rowid FROM grams WHERE grams MATCH ?1";
    statement.matches.push_back(expressions.grams);
  } else {
    return statement;
  }
  SqliteStatement given(database_, "SELECT EXISTS(SELECT 1 FROM dead)");
  if (!given.Step() || given.Integer(0) != 0) statement.sql += " AND rowid NOT IN (SELECT id FROM dead)";
  if (page) {
    const std::size_t after = statement.matches.size() + 1;
    statement.sql +=
        " AND rowid < ?" + std::to_string(after) + " ORDER BY rowid DESC LIMIT ?" + std::to_string(after + 1);
  }
  return statement;
}

std::int64_t SearchIndex::Count(const SearchQuery& query) {
  const HitsStatement hits = HitsSql(query, false);
  if (hits.sql.empty()) return 0;
  SqliteStatement count(database_, "SELECT count(*) FROM (" + hits.sql + ")");
  for (std::size_t i = 0; i < hits.matches.size(); ++i)
    count.BindText(static_cast<int>(i) + 1, hits.matches[i]);
  return count.Step() ? count.Integer(0) : 0;
}

std::vector<std::int64_t> SearchIndex::Hits(const SearchQuery& query, std::optional<std::int64_t> after,
                                            int limit) {
  std::vector<std::int64_t> hits;
  const HitsStatement statement = HitsSql(query, true);
  if (statement.sql.empty()) return hits;
  SqliteStatement page(database_, statement.sql);
  int parameter = 1;
  for (const std::string& match : statement.matches) page.BindText(parameter++, match);
  page.Bind(parameter++, after.value_or(std::numeric_limits<std::int64_t>::max()));
  page.Bind(parameter, std::int64_t{limit});
  while (page.Step()) hits.push_back(page.Integer(0));
  return hits;
}

std::optional<IndexedIssue> SearchIndex::Describe(std::int64_t hit) {
  // The window describes its rows one by one: the statement is made once.
  if (!describe_) {
    describe_ = std::make_unique<SqliteStatement>(
        database_,
        "SELECT d.magazine, coalesce(m.title, x''), d.file, d.listkey FROM docs d "
        "LEFT JOIN magazines m ON m.id = d.magazine WHERE d.id = ?1");
  }
  SqliteStatement& issue = *describe_;
  std::optional<IndexedIssue> described;
  if (issue.Bind(1, hit).Step())
    described = IndexedIssue{issue.Bytes(0), issue.Bytes(1), issue.Bytes(2), issue.Bytes(3)};
  // A statement left on its row would hold the connection's view of the index as it was.
  issue.Reset();
  return described;
}

std::int64_t SearchIndex::IssueCount() {
  SqliteStatement count(database_, "SELECT count(*) FROM docs");
  return count.Step() ? count.Integer(0) : 0;
}
