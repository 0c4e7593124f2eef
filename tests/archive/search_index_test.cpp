// The search index over archives written with the archive's own INI code and issue files
// in the form a read stores them: what it finds after the files change, every newsletter
// folder whatever the archive index says, with the index and without it, index files it
// cannot use, and the keeper that runs its updates.

#include "archive/search_index.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "archive/archive_search.h"
#include "archive/magazine_log.h"
#include "archive/search_index_keeper.h"
#include "archive/text_normalisation.h"
#include "platform/cp932.h"
#include "platform/ini.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

class SearchIndexTest : public ::testing::Test {
 protected:
  SearchIndexTest() { setenv("XDG_CACHE_HOME", cache_.path().c_str(), 1); }

  fs::path Root() const { return archive_.path() / "log"; }
  // `name` as the file system spells it (UTF-8).
  fs::path File(const std::string& id, const std::string& name) const {
    return Root() / "magumagu" / id / name;
  }
  void AddNewsletter(const std::string& id, const std::string& titleUtf8) {
    fs::create_directories(Root() / "magumagu" / id);
    ASSERT_FALSE(
        WriteIniValue(ArchiveIndexFile(Root()), "magumagu", id, Sj(titleUtf8) + ",2026/12/07 10:00:00,,,,1"));
  }
  // An issue as a read stores it: the key and the address, then the text, CR LF after each line.
  void WriteIssue(const std::string& id, const std::string& name, const std::string& bodyUtf8) {
    WriteFileBytes(File(id, name),
                   "2026/12/07 10:00 http://x/m/log/" + id + "/1.html\r\n<pre><tt>" + Sj(bodyUtf8) + "\r\n");
  }
  std::int64_t Count(const std::string& wordsUtf8) {
    std::string error;
    const std::unique_ptr<SearchIndex> index = SearchIndex::Open(Root(), true, error);
    EXPECT_TRUE(index) << error;
    if (!index || !index->Update(stop_)) return -1;
    return index->Count(ParseSearchQuery(Utf8ToUtf16(wordsUtf8)));
  }

  TempFolder cache_;
  TempFolder archive_;
  std::atomic<bool> stop_{false};
};

TEST_F(SearchIndexTest, FindsWhatTheFilesHoldAfterEveryChange) {
  AddNewsletter("0000000001", "一号誌");
  AddNewsletter("0000000002", "二号誌");
  WriteIssue("0000000001", "20261207-1000.txt", "春の散歩道");
  WriteIssue("0000000001", "20261130-1000.txt", "秋の夜長");
  WriteIssue("0000000002", "第3号.txt", "散歩の記録");
  struct Step {
    const char* what;
    std::function<void()> change;
    std::vector<std::pair<const char*, std::int64_t>> counts;
  };
  const std::vector<Step> steps = {
      {"as read", [] {}, {{"散歩", 2}, {"秋の夜長", 1}, {"一号誌", 0}, {"http", 0}}},
      {"a changed issue",
       [&] { WriteIssue("0000000001", "20261130-1000.txt", "秋の散歩"); },
       {{"散歩", 3}, {"夜長", 0}}},
      {"same size, new time",
       [&] {
         WriteIssue("0000000001", "20261130-1000.txt", "冬の散歩");
         fs::last_write_time(File("0000000001", "20261130-1000.txt"),
                             fs::file_time_type::clock::now() + std::chrono::hours(1));
       },
       {{"冬", 1}, {"秋", 0}}},
      {"a removed issue",
       [&] { fs::remove(File("0000000001", "20261207-1000.txt")); },
       {{"散歩", 2}, {"春", 0}}},
      {"a new issue", [&] { WriteIssue("0000000002", "第4号.txt", "散歩と春"); }, {{"散歩 春", 1}}},
      {"a newsletter gone from the index, its folder kept",
       [&] { ASSERT_FALSE(RemoveIniKey(ArchiveIndexFile(Root()), "magumagu", "0000000002")); },
       {{"散歩", 3}, {"記録", 1}}},
      {"its folder gone too",
       [&] { fs::rename(Root() / "magumagu" / "0000000002", archive_.path() / "moved"); },
       {{"散歩", 1}, {"記録", 0}}},
      {"the folder back, unlisted",
       [&] { fs::rename(archive_.path() / "moved", Root() / "magumagu" / "0000000002"); },
       {{"散歩", 3}, {"記録", 1}}},
      {"listed again", [&] { AddNewsletter("0000000002", "二号誌"); }, {{"散歩", 3}, {"記録", 1}}},
      {"undecodable bytes",
       [&] {
         WriteFileBytes(File("0000000002", "第5号.txt"),
                        "key\r\nabc\x85\x40"
                        "def\x81\xAD\r\n");
       },
       {{"abc", 1}, {"def", 1}, {"cde", 0}, {"・", 0}}},
  };
  for (const Step& step : steps) {
    step.change();
    for (const auto& [words, count] : step.counts)
      EXPECT_EQ(Count(words), count) << step.what << ": " << words;
  }
}

TEST_F(SearchIndexTest, EveryNewsletterFolderIsSearchedWhateverTheArchiveIndexSays) {
  AddNewsletter("0000000001", "一号誌");
  AddNewsletter("0000000002", "二号誌");
  // Issues of one rank: the later a file is met, the earlier its hit.
  WriteIssue("0000000001", "第3号.txt", "春の散歩道");
  WriteIssue("0000000002", "第3号.txt", "散歩の記録");
  WriteIssue("0000000002", "第1号.txt", "秋の夜長");
  // Folders that are no newsletter's: hidden, or no plain name.
  for (const std::string id : {".trash", "bad\x01name"}) {
    fs::create_directories(Root() / "magumagu" / id);
    WriteIssue(id, "第9号.txt", "散歩");
  }
  const std::string listingBoth = ReadFileBytes(ArchiveIndexFile(Root()));
  ASSERT_FALSE(RemoveIniKey(ArchiveIndexFile(Root()), "magumagu", "0000000001"));
  const std::string listingOnlySecond = ReadFileBytes(ArchiveIndexFile(Root()));

  struct Case {
    const char* what;
    std::optional<std::string> indexFile;  // nullopt: none
    std::vector<std::string> hits;         // "ID title key", UTF-8
  };
  const std::vector<Case> cases = {
      {"both listed", listingBoth, {"0000000002 二号誌 第3号", "0000000001 一号誌 第3号"}},
      {"no index file", std::nullopt, {"0000000002 0000000002 第3号", "0000000001 0000000001 第3号"}},
      {"an empty index file", "", {"0000000002 0000000002 第3号", "0000000001 0000000001 第3号"}},
      {"random bytes", RandomBytes(4096, 7), {"0000000002 0000000002 第3号", "0000000001 0000000001 第3号"}},
      // The unlisted folder is met after the listed one.
      {"only the second listed",
       listingOnlySecond,
       {"0000000001 0000000001 第3号", "0000000002 二号誌 第3号"}},
  };
  for (const Case& c : cases) {
    fs::remove(ArchiveIndexFile(Root()));
    if (c.indexFile) WriteFileBytes(ArchiveIndexFile(Root()), *c.indexFile);
    // An index begun afresh numbers the files in the order the search without it meets them.
    TempFolder cache;
    setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
    ASSERT_EQ(Count("夜長"), 1) << c.what;
    ArchiveSearch search(Root());
    ASSERT_FALSE(search.ReadsFiles()) << c.what;
    for (const bool readsFiles : {false, true}) {
      if (readsFiles) search.GiveUpIndex();
      SearchResults results = search.Run(ParseSearchQuery(u"散歩"));
      std::vector<std::string> hits;
      for (std::size_t i = 0; i < results.Count(); ++i) {
        const IndexedIssue& issue = results.Hit(i).issue;
        hits.push_back(cp932::ToUtf8(issue.magazineId + " " + issue.title + " " + issue.listKey));
        EXPECT_FALSE(results.Hit(i).excerpt.empty()) << c.what;
      }
      EXPECT_EQ(hits, c.hits) << c.what << (readsFiles ? ", reading the files" : ", through the index");
    }
    if (c.indexFile) {
      EXPECT_EQ(ReadFileBytes(ArchiveIndexFile(Root())), *c.indexFile) << c.what;
    }
  }
}

TEST_F(SearchIndexTest, AnIndexFileItCannotUseIsBegunAfresh) {
  AddNewsletter("0000000001", "一号誌");
  WriteIssue("0000000001", "20261207-1000.txt", "散歩");
  const fs::path file = SearchIndexFile(Root());
  fs::create_directories(file.parent_path());
  TempFolder other;
  const std::vector<std::pair<const char*, std::function<void()>>> damages = {
      {"no database",
       [&] { WriteFileBytes(file, "this is no database at all, but a text file of some length"); }},
      {"an empty file", [&] { WriteFileBytes(file, ""); }},
      {"another archive's index",
       [&] {
         // The index of another root, under this root's name.
         std::string opened;
         ASSERT_TRUE(SearchIndex::Open(other.path(), true, opened));
         fs::copy_file(SearchIndexFile(other.path()), file, fs::copy_options::overwrite_existing);
       }},
  };
  for (const auto& [what, damage] : damages) {
    for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(file.string() + suffix);
    damage();
    std::string error;
    EXPECT_FALSE(SearchIndex::Open(Root(), false, error)) << what;
    EXPECT_EQ(Count("散歩"), 1) << what;
  }
}

TEST_F(SearchIndexTest, KeeperMakesAnIndexOnlyWhenOneIsWanted) {
  AddNewsletter("0000000001", "一号誌");
  WriteIssue("0000000001", "20261207-1000.txt", "散歩");
  SearchIndexKeeper keeper;
  keeper.RequestUpdate(Root(), SearchIndexKeeper::Need::kIfPresent, "0000000001");
  keeper.WaitUntilIdle();
  EXPECT_FALSE(fs::exists(SearchIndexFile(Root())));
  EXPECT_FALSE(keeper.Failed(Root()));
  keeper.RequestUpdate(Root(), SearchIndexKeeper::Need::kCreate);
  keeper.WaitUntilIdle();
  EXPECT_FALSE(keeper.Failed(Root()));
  EXPECT_EQ(Count("散歩"), 1);

  // A plain file where the index folder belongs.
  TempFolder blocked;
  WriteFileBytes(blocked.path() / "yomitoru", "x");
  setenv("XDG_CACHE_HOME", blocked.path().c_str(), 1);
  keeper.RequestUpdate(Root(), SearchIndexKeeper::Need::kCreate);
  keeper.WaitUntilIdle();
  EXPECT_TRUE(keeper.Failed(Root()));
  EXPECT_TRUE(ReadFileBytes(blocked.path() / "yomitoru") == "x");
}

}  // namespace
