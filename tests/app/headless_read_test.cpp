// The program run as a script runs it: `yomitoru --read URL --quit` without a window,
// its exit status and output, signals, and reads killed at random moments.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/program_run.h"
#include "archive/issue_naming.h"
#include "platform/cp932.h"
#include "platform/ini.h"
#include "platform/text_lines.h"
#include "sample_site/sample_site.h"
#include "support/test_support.h"

namespace fs = std::filesystem;
using sample_site::SampleNewsletter;
using sample_site::SampleSite;

namespace {

class HeadlessReadTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::vector<SampleNewsletter> newsletters = sample_site::DefaultNewsletters();
    SampleNewsletter gappy = newsletters.front();
    gappy.id = "0000200002";
    gappy.issueCount = 6;
    gappy.missingIssues = {2};
    newsletters.push_back(gappy);
    site_ = new SampleSite(newsletters);
    site_->Start();
  }
  static void TearDownTestSuite() {
    delete site_;
    site_ = nullptr;
  }

  std::vector<std::string> ReadArguments(const std::string& address, const fs::path& archive) const {
    return {"--archive", archive.string(), "--service-root", site_->Root(),
            "--read",    address,          "--all",          "--quit"};
  }

  static inline SampleSite* site_ = nullptr;
  TempFolder scratch_;
};

TEST_F(HeadlessReadTest, ExitStatusSaysWhetherEveryQueuedIssueWasStored) {
  WriteFileBytes(scratch_.path() / "plain-file", "not a folder");
  const struct {
    const char* name;
    std::string address;
    fs::path archive;
    int exitStatus;
    std::string out;  // the status line printed (UTF-8)
    std::string err;  // a text standard error holds
  } rows[] = {
      {"complete", site_->NewsletterAddress("0000100002"), scratch_.path() / "a", 0,
       "*** 12件取得しました ***", ""},
      {"an issue page missing", site_->NewsletterAddress("0000200002"), scratch_.path() / "b", 1,
       "*** 5件取得しました ***",
       "*** 取得できませんでした(" + cp932::ToUtf8(site_->Issues("0000200002").at(2).key) +
           "): HTTP 404 ***\n"},
      {"archive is a file", site_->NewsletterAddress("0000100002"), scratch_.path() / "plain-file", 1,
       "*** エラーが発生しました ***", "ファイルに書き込めません。"},
      {"no newsletter", "http://example.invalid/m/log/0000100002", scratch_.path() / "c", 1,
       "URLが間違っています。", ""},
      {"HTML format", site_->NewsletterAddress("0000100005"), scratch_.path() / "e", 1,
       "(このメールマガジンはHTML形式です)", "HTML形式のメールマガジンは、今後対応予定です"},
      {"the melma service", "http://www.melma.com/backnumber_12345", scratch_.path() / "d", 1, "", "メルマ"},
  };
  for (const auto& row : rows) {
    const ProgramRun run = RunProgram(ReadArguments(row.address, row.archive), scratch_);
    EXPECT_FALSE(run.timedOut) << row.name;
    EXPECT_EQ(run.exitStatus, row.exitStatus) << row.name << "\n" << run.err;
    EXPECT_EQ(run.out, row.out + "\n") << row.name;
    EXPECT_NE(run.err.find(row.err), std::string::npos) << row.name << "\n" << run.err;
  }
  EXPECT_EQ(ReadFileBytes(scratch_.path() / "plain-file"), "not a folder");
}

TEST_F(HeadlessReadTest, AnIssueNameTakenByAPipeIsPassedOverAndSigtermEndsTheReadAtAnyMoment) {
  // The newest issue's name is a pipe: the first file of the read.
  const std::string id = "0000900000";
  const auto prepare = [&](const fs::path& archive) {
    const fs::path folder = archive / "magumagu" / id;
    fs::create_directories(folder);
    ASSERT_EQ(
        ::mkfifo((folder / cp932::ToUtf8(IssueFileName(site_->Issues(id).front().key, 0))).c_str(), 0644), 0);
  };
  const fs::path whole = scratch_.path() / "pipe";
  prepare(whole);
  const ProgramRun read = RunProgram(ReadArguments(site_->NewsletterAddress(id), whole), scratch_);
  EXPECT_FALSE(read.timedOut);
  EXPECT_EQ(read.exitStatus, 1);
  EXPECT_EQ(read.out, "*** 999件取得しました ***\n");
  EXPECT_NE(read.err.find("): 保存先がファイルではありません ***"), std::string::npos) << read.err;

  for (const int at : {30, 150, 400, 800, 1500}) {
    const fs::path archive = scratch_.path() / ("pipe-" + std::to_string(at));
    prepare(archive);
    std::chrono::steady_clock::time_point sent;
    const ProgramRun run = RunProgram(ReadArguments(site_->NewsletterAddress(id), archive), scratch_,
                                      [&](pid_t pid, std::chrono::milliseconds elapsed) {
                                        if (elapsed.count() < at || sent != decltype(sent)()) return;
                                        kill(pid, SIGTERM);
                                        sent = std::chrono::steady_clock::now();
                                      });
    EXPECT_FALSE(run.timedOut) << at;
    if (sent == decltype(sent)()) continue;  // it ended before the signal
    EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(2)) << at << " ms";
    // Cancelled; or, before the program listens for signals, ended by the signal itself.
    EXPECT_TRUE(run.exitStatus == 1 || run.exitStatus == 128 + SIGTERM) << at << ": " << run.exitStatus;
  }
}

TEST_F(HeadlessReadTest, HelpVersionAndRefusalsNeedNoDisplay) {
  // The display platform with no display to show on: a window could not even be made.
  const std::vector<std::string> noDisplay = {"QT_QPA_PLATFORM=xcb", "DISPLAY", "WAYLAND_DISPLAY"};
  const struct {
    std::vector<std::string> arguments;
    int exitStatus;
    std::string out;  // what standard output starts with (UTF-8)
    std::string err;  // a text standard error holds
  } rows[] = {
      {{"--version"}, 0, "Yomitoru " YOMITORU_PROJECT_VERSION "\n", ""},
      {{"--help"}, 0, "使い方: yomitoru [--archive フォルダ]", ""},
      {{"-h"}, 0, "使い方: yomitoru", ""},
      {{"stray"}, 2, "", "不明な引数です: stray\n使い方: yomitoru"},
      {{"--bogus"}, 2, "", "不明な引数です: --bogus"},
      {{"--search="}, 2, "", "オプション --search の値が空です。"},
      {{"--archive"}, 2, "", "オプション --archive の値がありません。"},
  };
  for (const auto& row : rows) {
    const ProgramRun run = RunProgram(row.arguments, scratch_, {}, noDisplay);
    EXPECT_EQ(run.exitStatus, row.exitStatus) << row.arguments.front() << "\n" << run.err;
    EXPECT_EQ(run.out.rfind(row.out, 0), 0u) << row.arguments.front() << "\n" << run.out;
    EXPECT_NE(run.err.find(row.err), std::string::npos) << row.arguments.front() << "\n" << run.err;
  }
}

TEST_F(HeadlessReadTest, SigtermAndSigintCancelTheRead) {
  for (const int signalNumber : {SIGTERM, SIGINT}) {
    const fs::path archive = scratch_.path() / ("signal-" + std::to_string(signalNumber));
    const fs::path folder = archive / "magumagu" / "0000900000";
    bool sent = false;
    const ProgramRun run = RunProgram(ReadArguments(site_->NewsletterAddress("0000900000"), archive),
                                      scratch_, [&](pid_t pid, std::chrono::milliseconds) {
                                        std::error_code error;
                                        std::size_t issues = 0;
                                        for (const auto& entry : fs::directory_iterator(folder, error))
                                          issues += entry.path().extension() == ".txt";
                                        if (!sent && issues > 5) {
                                          kill(pid, signalNumber);
                                          sent = true;
                                        }
                                      });
    ASSERT_TRUE(sent) << signalNumber;
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitStatus, 1) << run.err;
    EXPECT_EQ(run.out, "*** キャンセルしました ***\n");
    // The index still holds what the identification wrote before the read: no stored issue.
    const std::string line = ReadIniValue(archive / "log_all.ini", "magumagu", "0000900000");
    EXPECT_EQ(line.substr(line.rfind(',')), ",0") << line;
  }
}

// Every issue file of the folder holds exactly the issue it names; log files that exist read.
void ExpectArchiveWhole(const fs::path& archive, const SampleSite& site, const std::string& id, int kill) {
  std::map<std::string, std::string> expected;
  for (const auto& issue : site.Issues(id)) {
    expected[cp932::ToUtf8(IssueFileName(issue.key, 0))] =
        issue.key + " " + site.NewsletterAddress(id) + "/" + issue.pathTail + "\r\n" +
        NormalizeLineBreaks("<pre><tt>" + issue.bodyShiftJis) + "\r\n";
  }
  const fs::path folder = archive / "magumagu" / id;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    if (entry.path().extension() != ".txt") continue;
    ASSERT_EQ(expected.count(name), 1u) << "kill " << kill << ": " << name;
    EXPECT_EQ(ReadFileBytes(entry.path()), expected[name]) << "kill " << kill << ": " << name;
  }
  if (fs::exists(folder / "log.ini")) {
    EXPECT_EQ(ReadIniValue(folder / "log.ini", id, "Url"), site.NewsletterAddress(id)) << "kill " << kill;
  }
  if (fs::exists(archive / "log_all.ini")) {
    const std::string line = ReadIniValue(archive / "log_all.ini", "magumagu", id);
    EXPECT_EQ(std::count(line.begin(), line.end(), ','), 5) << "kill " << kill << ": " << line;
  }
}

TEST_F(HeadlessReadTest, ReadsKilledAtRandomMomentsLeaveWholeFilesAndTheNextReadRepairs) {
  const char* configured = std::getenv("YOMITORU_TORTURE_KILLS");
  const int kills = configured != nullptr ? std::atoi(configured) : 10;
  const std::string id = "0000900000";
  const fs::path archive = scratch_.path() / "torture";
  std::mt19937 random(std::random_device{}());
  std::uniform_int_distribution<int> moment(50, 8000);
  for (int kill = 0; kill < kills; ++kill) {
    const std::chrono::milliseconds at(moment(random));
    const ProgramRun run = RunProgram(ReadArguments(site_->NewsletterAddress(id), archive), scratch_,
                                      [at](pid_t pid, std::chrono::milliseconds elapsed) {
                                        if (elapsed >= at) ::kill(pid, SIGKILL);
                                      });
    EXPECT_FALSE(run.timedOut);
    ExpectArchiveWhole(archive, *site_, id, kill);
    if (HasFailure()) return;
  }
  const ProgramRun repair = RunProgram(ReadArguments(site_->NewsletterAddress(id), archive), scratch_);
  EXPECT_EQ(repair.exitStatus, 0) << repair.err;
  EXPECT_EQ(repair.out, "*** 1000件取得しました ***\n");
  ExpectArchiveWhole(archive, *site_, id, kills);
  std::size_t files = 0;
  for (const auto& entry : fs::directory_iterator(archive / "magumagu" / id)) {
    EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();  // no temporary left
    files += entry.path().extension() == ".txt";
  }
  EXPECT_EQ(files, 1000u);
}

}  // namespace
