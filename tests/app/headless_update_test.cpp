// `yomitoru --update-all --quit` as a timer runs it: no display, one line a newsletter,
// the summary, the exit status, signals, and one run per archive.

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "app/program_run.h"
#include "platform/cp932.h"
#include "platform/ini.h"
#include "sample_site/sample_site.h"
#include "support/service_requests.h"
#include "support/test_support.h"

namespace fs = std::filesystem;
using sample_site::Fault;
using sample_site::SampleSite;

namespace {

const std::vector<std::string> kIds = {"0000100001", "0000100002", "0000100003"};

class HeadlessUpdateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    site_.Start();
    for (const std::string& id : kIds) {
      const ProgramRun read = RunProgram({"--archive", Archive().string(), "--service-root", site_.Root(),
                                          "--read", site_.NewsletterAddress(id), "--quit"},
                                         scratch_);
      ASSERT_EQ(read.exitStatus, 0) << read.err;
    }
    site_.ClearRequests();
  }
  fs::path Archive() const { return scratch_.path() / "archive"; }
  std::vector<std::string> UpdateArguments() const {
    return {"--archive", Archive().string(), "--service-root", site_.Root(), "--update-all", "--quit"};
  }

  SampleSite site_;
  TempFolder scratch_;
};

TEST_F(HeadlessUpdateTest, OneLineANewsletterThenTheSummaryInIdOrder) {
  ASSERT_TRUE(site_.AddNewerIssue(kIds[2]));
  const sample_site::IssueInfo fresh = site_.Issues(kIds[2]).front();
  // The display platform with no display: the run must not need one.
  const ProgramRun run =
      RunProgram(UpdateArguments(), scratch_, {}, {"QT_QPA_PLATFORM=xcb", "DISPLAY", "WAYLAND_DISPLAY"});
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_EQ(run.out,
            "0000100001\t週刊サンプル通信\t*** 0件取得しました ***\n"
            "0000100002\t季節のレシピ便り\t*** 0件取得しました ***\n"
            "0000100003\tプログラミング入門講座\t*** 1件取得しました ***\n"
            "一括読取完了: 3件中 3件読取, 新着 1号, 取得できなかった号 0, エラー 0\n");
  const std::vector<std::string> expected = {
      "/m/log/0000100001",         "/m/log/0000100001/?page=2",          "/m/log/0000100001/?page=3",
      "/m/log/0000100002",         "/m/log/0000100002/?page=2",          "/m/log/0000100003",
      "/m/log/0000100003/?page=2", "/m/log/0000100003/" + fresh.pathTail};
  EXPECT_EQ(NewsletterRequests(site_), expected);
  // Nothing new: only the listing pages again.
  site_.ClearRequests();
  const ProgramRun again = RunProgram(UpdateArguments(), scratch_);
  EXPECT_EQ(again.exitStatus, 0) << again.err;
  EXPECT_NE(again.out.find("新着 0号"), std::string::npos) << again.out;
  EXPECT_EQ(NewsletterRequests(site_).size(), expected.size() - 1);
}

TEST_F(HeadlessUpdateTest, FailingNewslettersAreCountedAndTheOthersAreRead) {
  // The first one's stored address names no newsletter any more; the second's service fails.
  const fs::path log = Archive() / "magumagu" / kIds[0] / "log.ini";
  ASSERT_FALSE(WriteIniValue(log, kIds[0], "Url", "http://example.invalid/m/log/" + kIds[0]));
  site_.SetFault("/m/log/" + kIds[1], {Fault::kStatus, 500});
  ASSERT_TRUE(site_.AddNewerIssue(kIds[2]));
  const ProgramRun run = RunProgram(UpdateArguments(), scratch_);
  EXPECT_EQ(run.exitStatus, 1) << run.err;
  EXPECT_EQ(run.out,
            "0000100001\t週刊サンプル通信\tURLが間違っています。\n"
            "0000100002\t季節のレシピ便り\t*** 不明なエラーが発生しました ***\n"
            "0000100003\tプログラミング入門講座\t*** 1件取得しました ***\n"
            "一括読取完了: 3件中 1件読取, 新着 1号, 取得できなかった号 0, エラー 2\n");
}

TEST_F(HeadlessUpdateTest, SigtermCancelsAndASecondRunIsRefused) {
  // The second newsletter's top page never answers: the run waits in it.
  site_.SetFault("/m/log/" + kIds[1], {Fault::kNoAnswer});
  TempFolder secondScratch;
  ProgramRun second;
  bool signalled = false;
  const ProgramRun run = RunProgram(UpdateArguments(), scratch_, [&](pid_t pid, std::chrono::milliseconds) {
    if (signalled || NewsletterRequests(site_).size() < 4) return;
    second = RunProgram(UpdateArguments(), secondScratch);
    kill(pid, SIGTERM);
    signalled = true;
  });
  ASSERT_TRUE(signalled);
  EXPECT_EQ(second.exitStatus, 2);
  EXPECT_EQ(second.out, "");
  EXPECT_NE(second.err.find("一括読取は実行中です"), std::string::npos) << second.err;

  EXPECT_EQ(run.exitStatus, 1) << run.err;
  EXPECT_NE(run.out.find("0000100002\t季節のレシピ便り\t*** キャンセルしました ***\n"), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("一括読取中止: 3件中 1件読取, 新着 0号, 取得できなかった号 0, エラー 0\n"),
            std::string::npos);
  EXPECT_EQ(run.out.find("0000100003"), std::string::npos);
  EXPECT_EQ(NewsletterRequests(site_).size(), 4u);  // nothing of the third
}

TEST_F(HeadlessUpdateTest, NothingToRefreshEndsWithTwo) {
  const struct {
    const char* name;
    fs::path archive;
    const char* err;
  } rows[] = {
      {"no archive folder", scratch_.path() / "none", "アーカイブのフォルダがありません。"},
      {"an archive without newsletters", scratch_.path(), "アーカイブにメルマガがありません。"},
  };
  for (const auto& row : rows) {
    const ProgramRun run =
        RunProgram({"--archive", row.archive.string(), "--update-all", "--quit"}, scratch_);
    EXPECT_EQ(run.exitStatus, 2) << row.name;
    EXPECT_NE(run.err.find(row.err), std::string::npos) << row.name << "\n" << run.err;
  }
  for (const char* other : {"--read=http://a/m/log/1", "--all", "--search=x", "--demo"}) {
    const ProgramRun run = RunProgram({"--update-all", other}, scratch_);
    EXPECT_EQ(run.exitStatus, 2) << other;
    EXPECT_NE(run.err.find("--update-all は"), std::string::npos) << other << "\n" << run.err;
  }
}

}  // namespace
