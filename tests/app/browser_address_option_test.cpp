// `yomitoru --browser-address` run as a script runs it, without a display: the address a
// session file or a running browser shows, or the line that says why there is none.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/program_run.h"
#include "sample_site/browser_session.h"
#include "support/sample_site_fixture.h"
#include "support/snss_writer.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

TEST(BrowserAddressOption, PrintsTheAddressAsTheBrowserGaveItOrSaysWhyNot) {
  TempFolder scratch;
  const fs::path empty = scratch.path() / "empty-home";
  const fs::path home = scratch.path() / "home";
  fs::create_directories(empty);
  // A Chromium that runs on this host (its lock names this test) showing a new-tab page.
  char host[256] = {};
  ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
  const fs::path userData = home / ".config" / "chromium";
  fs::create_directories(userData / "Default" / "Sessions");
  fs::create_symlink(std::string(host) + "-" + std::to_string(getpid()), userData / "SingletonLock");
  WriteFileBytes(userData / "Default" / "Sessions" / "Session_1",
                 SnssWriter().OpenTab(1, 11, 0, "chrome://newtab/").ActivateWindow(1).bytes());

  const std::string firefoxUrl = "http://127.0.0.1:8080/m/log/0000100001/?q=週刊";
  const fs::path firefox = scratch.path() / "recovery.jsonlz4";
  WriteFileBytes(firefox, sample_site::FirefoxSessionFile(sample_site::SingleTabSession(firefoxUrl, "t")));
  const std::string chromiumUrl = "https://example.jp/m/log/0000100004/1796611404.html";
  const fs::path chromium = scratch.path() / "Session_2";
  WriteFileBytes(chromium, SnssWriter().OpenTab(1, 11, 0, chromiumUrl).ActivateWindow(1).bytes());

  const std::string port = ClosedPortAddress().substr(ClosedPortAddress().rfind(':') + 1);
  const std::vector<std::string> noDisplay = {"DISPLAY",
                                              "WAYLAND_DISPLAY",
                                              "QT_QPA_PLATFORM",
                                              "XDG_CONFIG_HOME",
                                              "YOMITORU_BROWSER_SESSION",
                                              "YOMITORU_CHROMIUM_PORT=" + port,
                                              "HOME=" + empty.string()};
  const struct {
    std::vector<std::string> arguments;
    std::string environment;  // one more change; empty: none
    int exitStatus;
    std::string out, err;
  } rows[] = {
      {{"--browser-address", "--browser-session", firefox.string()}, "", 0, firefoxUrl + "\n", ""},
      {{"--browser-session=" + chromium.string(), "--browser-address"}, "", 0, chromiumUrl + "\n", ""},
      {{"--browser-address"}, "YOMITORU_BROWSER_SESSION=" + chromium.string(), 0, chromiumUrl + "\n", ""},
      {{"--browser-address"}, "", 1, "", "実行中のブラウザーが見つかりません\n"},
      {{"--browser-address"}, "HOME=" + home.string(), 1, "", "ブラウザーはページを表示していません\n"},
      {{"--browser-address", "--demo"}, "", 2, "", "--browser-address は --demo と一緒に指定できません。\n"},
  };
  for (const auto& row : rows) {
    std::vector<std::string> environment = noDisplay;
    if (!row.environment.empty()) environment.push_back(row.environment);
    const ProgramRun run = RunProgram(row.arguments, scratch, {}, environment);
    const std::string name = row.arguments.front() + " " + row.environment;
    EXPECT_FALSE(run.timedOut) << name;
    EXPECT_EQ(run.exitStatus, row.exitStatus) << name << "\n" << run.err;
    EXPECT_EQ(run.out, row.out) << name;
    // A refusal is followed by the usage lines; the address's answers are alone.
    EXPECT_EQ(row.exitStatus == 2 ? run.err.substr(0, row.err.size()) : run.err, row.err) << name;
  }
}

}  // namespace
