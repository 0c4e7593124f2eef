// The archive lock: processes updating one archive at once keep every index line and leave
// both log files whole; a lock that cannot be had never stops an update.

#include "archive/archive_lock.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <set>

#include "archive/magazine_log.h"
#include "platform/ini.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

constexpr int kProcesses = 4;
constexpr int kRounds = 20;
const std::string kSharedId = "0000000000";
const std::string kLogBase = "http://blog.example/m/log";

std::string NewsletterId(int process, int round) {
  char id[32];
  std::snprintf(id, sizeof id, "%05d%05d", process + 1, round);
  return id;
}

std::string Title(int process, int round) {
  return Sj("通信") + std::to_string(process) + "-" + std::to_string(round);
}

SharedState Newsletter(const fs::path& root, const std::string& id, const std::string& title) {
  SharedState state;
  state.ArchiveRoot = root;
  state.MagazineId = id;
  state.MagazineTitle = title;
  state.ServiceLogBase = kLogBase;
  return state;
}

// One process's share of the work, once the start pipe closes: each round a newsletter of
// its own, and the one every process updates. Returns the number of failed updates.
int UpdateRounds(const fs::path& root, int process, int startPipe) {
  char byte = 0;
  while (::read(startPipe, &byte, 1) > 0) {
  }
  RecordingDialogs dialogs;
  int failures = 0;
  for (int round = 0; round < kRounds; ++round) {
    SharedState own = Newsletter(root, NewsletterId(process, round), Title(process, round));
    failures += UpdateMagazineLog(own, "x", false).empty() ? 0 : 1;
    SharedState shared = Newsletter(root, kSharedId, Title(process, round));
    failures += UpdateMagazineLog(shared, "x", false).empty() ? 0 : 1;
  }
  return failures;
}

// The newsletter log holds its one section with the four keys, in order; the name begins
// with `name`.
void ExpectWholeLog(const fs::path& root, const std::string& id, const std::string& name) {
  const StringList lines = ReadIniSection(root / "magumagu" / id / "log.ini", id);
  ASSERT_EQ(lines.size(), 4u) << id;
  EXPECT_EQ(lines[0].rfind("Name=" + name, 0), 0u) << id;
  EXPECT_EQ(lines[1], "Type1=magumagu") << id;
  EXPECT_EQ(lines[2], "Url=" + kLogBase + "/" + id) << id;
  EXPECT_EQ(lines[3].rfind("Date1=", 0), 0u) << id;
}

TEST(ArchiveLock, ProcessesUpdatingOneArchiveAtOnceKeepEveryIndexLine) {
  TempFolder temp;
  const fs::path root = temp.path() / "log";
  fs::create_directories(root);

  int start[2];
  ASSERT_EQ(::pipe(start), 0);
  std::vector<pid_t> children;
  for (int process = 0; process < kProcesses; ++process) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(start[1]);
      ::_exit(UpdateRounds(root, process, start[0]));
    }
    children.push_back(child);
  }
  ::close(start[0]);
  ::close(start[1]);  // every child starts now
  for (const pid_t child : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "failed updates";
  }

  const fs::path index = root / "log_all.ini";
  EXPECT_EQ(ReadIniSection(index, "magumagu").size(), static_cast<std::size_t>(kProcesses * kRounds + 1));
  for (int process = 0; process < kProcesses; ++process) {
    for (int round = 0; round < kRounds; ++round) {
      const std::string id = NewsletterId(process, round);
      EXPECT_EQ(ReadIniValue(index, "magumagu", id).rfind(Title(process, round) + ",", 0), 0u) << id;
      ExpectWholeLog(root, id, Title(process, round));
    }
  }
  EXPECT_EQ(ReadIniValue(index, "magumagu", kSharedId).rfind(Sj("通信"), 0), 0u);
  ExpectWholeLog(root, kSharedId, Sj("通信"));
  // The lock file lives in the archive root only.
  std::set<std::string> rootNames;
  for (const auto& entry : fs::directory_iterator(root)) rootNames.insert(entry.path().filename());
  EXPECT_EQ(rootNames, (std::set<std::string>{ArchiveLock::kFileName, "log_all.ini", "magumagu"}));
  EXPECT_FALSE(fs::exists(root / "magumagu" / kSharedId / ArchiveLock::kFileName));
}

TEST(ArchiveLock, ASecondHolderWaitsUntilTheFirstLetsGo) {
  TempFolder temp;
  {
    const ArchiveLock first(temp.path());
    ASSERT_TRUE(first.Held());
    EXPECT_FALSE(ArchiveLock(temp.path(), milliseconds(30)).Held());
  }
  EXPECT_TRUE(ArchiveLock(temp.path(), milliseconds(30)).Held());
}

TEST(ArchiveLock, ALockThatCannotBeHadNeverStopsTheUpdate) {
  struct Case {
    const char* what;
    std::function<void(const fs::path& lockFile, const fs::path& outside)> plant;
    bool held;
  };
  const Case cases[] = {
      {"a symbolic link out of the archive",
       [](const fs::path& lockFile, const fs::path& outside) { fs::create_symlink(outside, lockFile); },
       false},
      {"a pipe",
       [](const fs::path& lockFile, const fs::path&) { ASSERT_EQ(::mkfifo(lockFile.c_str(), 0644), 0); },
       true},
      {"a folder", [](const fs::path& lockFile, const fs::path&) { fs::create_directory(lockFile); }, true},
  };
  for (const Case& c : cases) {
    TempFolder temp;
    const fs::path root = temp.path() / "log";
    const fs::path outside = temp.path() / "outside";
    fs::create_directories(root);
    c.plant(root / ArchiveLock::kFileName, outside);
    EXPECT_EQ(ArchiveLock(root, milliseconds(30)).Held(), c.held) << c.what;

    RecordingDialogs dialogs;
    SharedState state = Newsletter(root, "0000123456", Sj("週刊サンプル通信"));
    EXPECT_EQ(UpdateMagazineLog(state, "x", false), "") << c.what;
    EXPECT_EQ(ReadIniValue(root / "log_all.ini", "magumagu", "0000123456").rfind(Sj("週刊サンプル通信,"), 0),
              0u)
        << c.what;
    ExpectWholeLog(root, "0000123456", Sj("週刊サンプル通信"));
    EXPECT_FALSE(fs::exists(outside)) << c.what;
    EXPECT_TRUE(dialogs.messages.empty()) << c.what;
  }
}

}  // namespace
