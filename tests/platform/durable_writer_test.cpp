#include "platform/durable_writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "platform/fs.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> HiddenEntries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().filename().string()[0] == '.') names.push_back(entry.path().filename().string());
  }
  return names;
}

TEST(DurableWriter, FilesStandCompleteInOrderAndAFailureGivesUpWhatFollows) {
  const struct {
    const char* name;
    // "" keeps a place without writing; "dir" and "fifo" are passed over (not files);
    // "ro.txt" is a stored file nobody may write, which fails
    std::vector<std::string> files;
    std::vector<bool> written;
  } rows[] = {
      {"all written", {"a.txt", "", "b.txt", "c.txt"}, {true, true, true, true}},
      {"a folder and a pipe in the way",
       {"a.txt", "dir", "fifo", "b.txt", ""},
       {true, false, false, true, true}},
      {"a write refused", {"a.txt", "ro.txt", "b.txt", ""}, {true, false, false, false}},
      {"the first fails", {"ro.txt", "a.txt"}, {false, false}},
  };
  for (const auto& row : rows) {
    TempFolder folder;
    fs::create_directory(folder.path() / "dir");
    ASSERT_EQ(::mkfifo((folder.path() / "fifo").c_str(), 0644), 0);
    WriteFileBytes(folder.path() / "ro.txt", "kept");
    fs::permissions(folder.path() / "ro.txt", fs::perms::owner_read | fs::perms::group_read);
    WriteFileBytes(folder.path() / "b.txt", "old");
    std::vector<DurableWriter::Result> results;
    {
      DurableWriter writer(folder.path());
      for (const std::string& file : row.files) {
        writer.Submit(file.empty() ? fs::path() : folder.path() / file, "bytes of " + file);
      }
      writer.Finish([] {});
      EXPECT_TRUE(writer.Idle()) << row.name;
      results = writer.TakeResults();
      EXPECT_TRUE(writer.TakeResults().empty()) << row.name;
    }
    ASSERT_EQ(results.size(), row.files.size()) << row.name;
    for (std::size_t i = 0; i < row.files.size(); ++i) {
      const std::string& file = row.files[i];
      const bool passedOver = file == "dir" || file == "fifo";
      EXPECT_EQ(results[i].notAFile, passedOver) << row.name << " " << i;
      EXPECT_EQ(!results[i].error, row.written[i] || passedOver) << row.name << " " << i;
      if (file.empty() || passedOver) continue;
      const std::string before = file == "b.txt" ? "old" : file == "ro.txt" ? "kept" : "";
      EXPECT_EQ(ReadFileBytes(folder.path() / file), row.written[i] ? "bytes of " + file : before)
          << row.name << " " << file;
    }
    EXPECT_TRUE(fs::is_directory(folder.path() / "dir")) << row.name;
    EXPECT_TRUE(fs::is_fifo(folder.path() / "fifo")) << row.name;
    EXPECT_TRUE(HiddenEntries(folder.path()).empty()) << row.name;  // no temporary file left
  }
}

TEST(DurableWriter, ALaterBatchAfterAFailureWritesNothing) {
  TempFolder folder;
  WriteFileBytes(folder.path() / "ro.txt", "kept");
  fs::permissions(folder.path() / "ro.txt", fs::perms::owner_read);
  DurableWriter writer(folder.path());
  writer.Submit(folder.path() / "ro.txt", "x");
  writer.Finish([] {});
  writer.Submit(folder.path() / "late.txt", "x");
  writer.Finish([] {});
  const auto results = writer.TakeResults();
  ASSERT_EQ(results.size(), 2u);
  EXPECT_TRUE(results[1].error);
  EXPECT_FALSE(fs::exists(folder.path() / "late.txt"));
}

TEST(DurableWriter, AStoredFileIsReplacedOnlyAsTheCheckAllows) {
  const struct {
    const char* name;
    const char* stored;  // nullptr: no file yet
    bool allowed;
    bool kept;
    const char* after;
  } rows[] = {
      {"no file yet", nullptr, false, false, "new"},
      {"the same bytes", "new", false, false, "new"},
      {"different, refused", "old text", false, true, "old text"},
      {"different, allowed", "old", true, false, "new"},
  };
  for (const auto& row : rows) {
    TempFolder folder;
    const fs::path file = folder.path() / "a.txt";
    if (row.stored != nullptr) WriteFileBytes(file, row.stored);
    const auto before = row.stored != nullptr ? fs::last_write_time(file) : fs::file_time_type();
    std::string seen;
    DurableWriter writer(folder.path());
    writer.Submit(file, "new", [&row, &seen](const std::string& stored, const std::string& bytes) {
      seen = stored + "|" + bytes;
      return row.allowed;
    });
    writer.Finish([] {});
    const auto results = writer.TakeResults();
    ASSERT_EQ(results.size(), 1u) << row.name;
    EXPECT_FALSE(results[0].error) << row.name;
    EXPECT_EQ(results[0].kept, row.kept) << row.name;
    EXPECT_EQ(ReadFileBytes(file), row.after) << row.name;
    // The check is asked only about a different stored file; the same bytes stay untouched.
    const bool different = row.stored != nullptr && std::string(row.stored) != "new";
    EXPECT_EQ(seen, different ? std::string(row.stored) + "|new" : "") << row.name;
    if (row.stored != nullptr && !different) {
      EXPECT_EQ(fs::last_write_time(file), before) << row.name;
    }
  }
}

TEST(DurableWriter, FilesReachTheDiskBeforeTheirNamesAndAFailedSyncRenamesNothing) {
  for (const bool syncFails : {false, true}) {
    TempFolder folder;
    WriteFileBytes(folder.path() / "a.txt", "old a");
    std::vector<std::string> steps;
    SetDurabilityStepHook([&](DurabilityStep step, const fs::path& path) -> std::error_code {
      // Every temporary file is complete when the sync is asked for.
      if (step == DurabilityStep::kSync) {
        for (const std::string& name : HiddenEntries(folder.path())) {
          if (ReadFileBytes(folder.path() / name).rfind("new ", 0) != 0) steps.push_back("torn " + name);
        }
      }
      steps.push_back(step == DurabilityStep::kSync ? "sync" : "rename " + path.filename().string());
      if (step == DurabilityStep::kSync && syncFails) return std::make_error_code(std::errc::io_error);
      return {};
    });
    std::vector<DurableWriter::Result> results;
    {
      DurableWriter writer(folder.path());
      writer.Submit(folder.path() / "a.txt", "new a");
      writer.Submit(folder.path() / "b.txt", "new b");
      writer.Finish([] {});
      results = writer.TakeResults();
    }
    SetDurabilityStepHook({});
    ASSERT_EQ(results.size(), 2u);
    // One batch or two: each sync comes before the renames of what it made durable.
    const std::vector<std::string> oneBatch = {"sync", "rename a.txt", "rename b.txt"};
    const std::vector<std::string> twoBatches = {"sync", "rename a.txt", "sync", "rename b.txt"};
    if (syncFails) {
      EXPECT_EQ(steps, std::vector<std::string>{"sync"});
      EXPECT_TRUE(results[0].error && results[1].error);
      EXPECT_EQ(ReadFileBytes(folder.path() / "a.txt"), "old a");
      EXPECT_FALSE(fs::exists(folder.path() / "b.txt"));
    } else {
      EXPECT_TRUE(steps == oneBatch || steps == twoBatches) << ::testing::PrintToString(steps);
      EXPECT_FALSE(results[0].error || results[1].error);
      EXPECT_EQ(ReadFileBytes(folder.path() / "a.txt"), "new a");
      EXPECT_EQ(ReadFileBytes(folder.path() / "b.txt"), "new b");
    }
    EXPECT_TRUE(HiddenEntries(folder.path()).empty()) << syncFails;
  }
}

}  // namespace
