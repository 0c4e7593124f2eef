// The choice among running browsers: homes of our own holding Firefox profiles and
// Chromium-family user-data folders (as packaged, from Flatpak, from snap) with live,
// ended and foreign locks, session files written at different times, and a debugging port.

#include "capture/browser_choice.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>

#include "sample_site/browser_session.h"
#include "support/sample_site_fixture.h"
#include "support/snss_writer.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

const std::string kHost = "my-pc";  // a host name with a "-" in it
const std::string kNone = "(none)";

std::string LiveLock() { return kHost + "-" + std::to_string(getpid()); }

void Written(const fs::path& file, std::chrono::minutes ago) {
  fs::last_write_time(file, fs::file_time_type::clock::now() - ago);
}

std::string ChromiumSession(const std::string& url) {
  return SnssWriter().OpenTab(1, 11, 0, url).ActivateWindow(1).bytes();
}

// A home of our own, with browsers put into it.
class FakeHome {
 public:
  const fs::path& path() const { return folder_.path(); }

  // A Chromium-family user-data folder at `relative` whose SingletonLock links to `lock`
  // (no lock when empty), its Default profile showing `url` in a session file written
  // `ago`.
  fs::path Chromium(const std::string& relative, const std::string& lock, const std::string& url,
                    std::chrono::minutes ago = std::chrono::minutes(10)) {
    const fs::path userData = path() / relative;
    fs::create_directories(userData / "Default" / "Sessions");
    if (!lock.empty()) fs::create_symlink(lock, userData / "SingletonLock");
    const fs::path file = userData / "Default" / "Sessions" / "Session_13441220171697238";
    WriteFileBytes(file, ChromiumSession(url));
    Written(file, ago);
    return userData;
  }

  // A running Firefox under ~/.mozilla/firefox showing `url`, its file written `ago`.
  void Firefox(const std::string& url, std::chrono::minutes ago) {
    const fs::path root = path() / ".mozilla" / "firefox";
    const fs::path profile = root / "a1.default-esr";
    fs::create_directories(profile / "sessionstore-backups");
    WriteFileBytes(root / "profiles.ini", "[Install4F96D1932A9F858E]\nDefault=a1.default-esr\n");
    fs::create_symlink("127.0.1.1:+" + std::to_string(getpid()), profile / "lock");
    const fs::path file = profile / "sessionstore-backups" / "recovery.jsonlz4";
    WriteFileBytes(file, sample_site::FirefoxSessionFile(sample_site::SingleTabSession(url, "t")));
    Written(file, ago);
  }

  BrowserSourceSettings Settings(int port) const {
    BrowserSourceSettings settings;
    settings.home = path();
    settings.chromiumPort = port;
    settings.hostName = kHost;
    return settings;
  }

 private:
  TempFolder folder_;
};

int ClosedPort() {
  const std::string address = ClosedPortAddress();
  return std::stoi(address.substr(address.rfind(':') + 1));
}

std::string Shown(const BrowserSourceSettings& settings) {
  const BrowserCapture capture = CaptureBrowserPage(settings);
  return capture.page ? capture.page->url : kNone;
}

TEST(ChromiumFolders, RunningWhileTheLockNamesThisHostAndALiveProcess) {
  const std::string ended = kHost + "-" + std::to_string(EndedProcessId());
  struct Case {
    std::string folder, lock;
    bool running;
  };
  const Case cases[] = {
      {".config/chromium", LiveLock(), true},
      {".config/google-chrome", LiveLock(), true},
      {".config/google-chrome-beta", LiveLock(), true},
      {".config/google-chrome-unstable", LiveLock(), true},
      {".config/microsoft-edge", LiveLock(), true},
      {".config/BraveSoftware/Brave-Browser", LiveLock(), true},
      {".config/vivaldi", LiveLock(), true},
      // In a sandbox the process ID is the sandbox's own: this host is enough.
      {".var/app/org.chromium.Chromium/config/chromium", ended, true},
      {".var/app/com.google.Chrome/config/google-chrome", ended, true},
      {".var/app/com.brave.Browser/config/BraveSoftware/Brave-Browser", ended, true},
      {".var/app/com.microsoft.Edge/config/microsoft-edge", ended, true},
      {"snap/chromium/common/chromium", ended, true},
      {".var/app/org.chromium.Chromium/config/chromium", "other-2", false},
      // Stale or foreign locks.
      {".config/chromium", ended, false},
      {".config/chromium", "other-" + std::to_string(getpid()), false},
      {".config/chromium", "pc-" + std::to_string(getpid()), false},
      {".config/chromium", "my-pc-pc-" + std::to_string(getpid()), false},
      {".config/chromium", LiveLock() + "-", false},
      {".config/chromium", "my-pc-" + std::to_string(getpid()) + "x", false},
      {".config/chromium", "my-pc-99999999999", false},
      {".config/chromium", "", false},
      {".config/opera", LiveLock(), false},  // not a folder that is looked at
      {".var/app/org.chromium.Chromium/.config/chromium", LiveLock(), false},
  };
  const int port = ClosedPort();
  for (const Case& c : cases) {
    FakeHome home;
    home.Chromium(c.folder, c.lock, "http://shown/");
    const BrowserCapture capture = CaptureBrowserPage(home.Settings(port));
    EXPECT_EQ(capture.browserFound, c.running) << c.folder << " " << c.lock;
    EXPECT_EQ(capture.page ? capture.page->url : kNone, c.running ? "http://shown/" : kNone) << c.folder;
  }
}

TEST(ChromiumFolders, XdgConfigHomeTakesThePlaceOfDotConfig) {
  FakeHome home;
  home.Chromium("elsewhere/google-chrome", LiveLock(), "http://elsewhere/");
  home.Chromium(".config/chromium", LiveLock(), "http://dot-config/", std::chrono::minutes(1));
  BrowserSourceSettings settings = home.Settings(ClosedPort());
  EXPECT_EQ(Shown(settings), "http://dot-config/");
  settings.configHome = home.path() / "elsewhere";
  EXPECT_EQ(Shown(settings), "http://elsewhere/");
}

TEST(ChromiumFolders, TheProfileLocalStateNamesAndItsNewestSessionFile) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "Default"},
      {R"({"profile":{"last_active_profiles":["Profile 1","Profile 2"]}})", "Profile 1"},
      {R"({"profile":{"last_used":"Profile 2","last_active_profiles":["Profile 1"]}})", "Profile 2"},
      {R"({"profile":{"last_used":7,"last_active_profiles":["Profile 1"]}})", "Profile 1"},
      {R"({"profile":{"last_used":"..","last_active_profiles":["../.."]}})", "Default"},
      {R"({"profile":{"last_used":"Profile 1/../../x"}})", "Default"},
      {R"({"profile":{"last_active_profiles":[]}})", "Default"},
      {R"({"profile":[]})", "Default"},
      {"{\"profile\":", "Default"},
  };
  for (const auto& [localState, profile] : cases) {
    FakeHome home;
    const fs::path userData = home.Chromium(".config/chromium", LiveLock(), "http://profile/Default");
    for (const char* name : {"Profile 1", "Profile 2"}) {
      fs::create_directories(userData / name / "Sessions");
      WriteFileBytes(userData / name / "Sessions" / "Session_1",
                     ChromiumSession("http://profile/" + std::string(name)));
    }
    if (!localState.empty()) WriteFileBytes(userData / "Local State", localState);
    EXPECT_EQ(Shown(home.Settings(ClosedPort())), "http://profile/" + profile) << localState;
  }

  FakeHome home;
  const fs::path sessions =
      home.Chromium(".config/chromium", LiveLock(), "http://old/") / "Default" / "Sessions";
  const auto session = [&sessions](const std::string& name, const std::string& url,
                                   std::chrono::minutes ago) {
    WriteFileBytes(sessions / name, ChromiumSession(url));
    Written(sessions / name, ago);
  };
  session("Session_9", "http://older/", std::chrono::minutes(5));
  session("Session_10", "http://newest/", std::chrono::minutes(2));
  session("Session_x", "http://not-a-session/", std::chrono::minutes(1));
  session("Tabs_11", "http://tabs/", std::chrono::minutes(1));
  fs::create_directories(sessions / "Session_12");
  const BrowserSourceSettings settings = home.Settings(ClosedPort());
  EXPECT_EQ(Shown(settings), "http://newest/");
  // As new as another: the larger number.
  const fs::file_time_type same = fs::last_write_time(sessions / "Session_10");
  fs::last_write_time(sessions / "Session_9", same);
  EXPECT_EQ(Shown(settings), "http://newest/");
  fs::last_write_time(sessions / "Session_9", same + std::chrono::seconds(1));
  EXPECT_EQ(Shown(settings), "http://older/");
}

// Two running browsers, and what each shows.
class BrowserChoiceTest : public SampleSiteTest {
 protected:
  void TearDown() override { site().ClearExtraPages(); }
};

TEST_F(BrowserChoiceTest, TheSessionFileWrittenLastFirstAnHttpPageWinsThenTheDebuggingPort) {
  using std::chrono::minutes;
  struct Case {
    const char* name;
    std::string firefoxUrl;
    minutes firefoxAgo;
    std::string chromiumUrl;
    minutes chromiumAgo;
    std::string tabList;  // the debugging port's answer; empty: none
    bool found;
    std::string shown;
  };
  const std::string portList = R"([{"type":"page","url":"https://port/"}])";
  const Case cases[] = {
      {"Chromium written last", "http://firefox/", minutes(9), "http://chromium/", minutes(1), "", true,
       "http://chromium/"},
      {"Firefox written last", "http://firefox/", minutes(1), "http://chromium/", minutes(9), "", true,
       "http://firefox/"},
      {"the newest on a new-tab page", "http://firefox/", minutes(9), "chrome://newtab/", minutes(1), "",
       true, "http://firefox/"},
      {"the newest on about:blank", "about:blank", minutes(1), "https://chromium/", minutes(9), "", true,
       "https://chromium/"},
      {"neither shows a page", "about:newtab", minutes(1), "chrome://newtab/", minutes(9), "", true, kNone},
      {"then the debugging port", "about:newtab", minutes(1), "chrome://newtab/", minutes(9), portList, true,
       "https://port/"},
      {"the port's page only when no browser shows one", "http://firefox/", minutes(1), "", minutes(9),
       portList, true, "http://firefox/"},
      {"no browser, the port", "", minutes(1), "", minutes(1), portList, true, "https://port/"},
      {"no browser, the port on a new-tab page", "", minutes(1), "", minutes(1),
       R"([{"type":"page","url":"chrome://newtab/"},{"type":"page","url":"http://older/"}])", true, kNone},
      {"nothing at all", "", minutes(1), "", minutes(1), "", false, kNone},
  };
  for (const Case& c : cases) {
    FakeHome home;
    if (!c.firefoxUrl.empty()) home.Firefox(c.firefoxUrl, c.firefoxAgo);
    if (!c.chromiumUrl.empty()) home.Chromium(".config/chromium", LiveLock(), c.chromiumUrl, c.chromiumAgo);
    site().ClearExtraPages();
    if (!c.tabList.empty()) site().SetExtraPage("/json/list", c.tabList);
    const BrowserCapture capture = CaptureBrowserPage(home.Settings(site().Port()));
    EXPECT_EQ(capture.browserFound, c.found) << c.name;
    EXPECT_EQ(capture.page ? capture.page->url : kNone, c.shown) << c.name;
  }
}

TEST_F(BrowserChoiceTest, ARunningBrowserWithoutAReadablePageStillRuns) {
  FakeHome home;
  const fs::path userData = home.Chromium(".config/chromium", LiveLock(), "http://shown/");
  const fs::path sessions = userData / "Default" / "Sessions";
  fs::remove_all(sessions);
  const BrowserSourceSettings settings = home.Settings(ClosedPort());
  BrowserCapture capture = CaptureBrowserPage(settings);
  EXPECT_TRUE(capture.browserFound);  // started, no session written yet
  EXPECT_FALSE(capture.page);
  fs::create_directories(sessions);
  WriteFileBytes(sessions / "Session_1", ChromiumSession("http://shown/").substr(0, 20));
  EXPECT_FALSE(CaptureBrowserPage(settings).page);
  WriteFileBytes(sessions / "Session_1", ChromiumSession("http://shown/") + "\x40");  // a torn last byte
  EXPECT_EQ(Shown(settings), "http://shown/");
}

TEST(FirefoxProfiles, WhileItsFileIsReplacedTheLastWriteIsRead) {
  FakeHome home;
  home.Firefox("http://firefox/", std::chrono::minutes(1));
  const fs::path folder = home.path() / ".mozilla/firefox/a1.default-esr/sessionstore-backups";
  fs::rename(folder / "recovery.jsonlz4", folder / "recovery.baklz4");
  EXPECT_EQ(Shown(home.Settings(ClosedPort())), "http://firefox/");
}

TEST(BrowserSourceSettings, FromTheEnvironment) {
  struct Saved {
    const char* name;
    std::optional<std::string> value;
  };
  std::vector<Saved> saved;
  for (const char* name : {"HOME", "XDG_CONFIG_HOME", "YOMITORU_BROWSER_SESSION", "YOMITORU_CHROMIUM_PORT"}) {
    const char* value = std::getenv(name);
    saved.push_back({name, value != nullptr ? std::optional<std::string>(value) : std::nullopt});
  }
  char host[256] = {};
  ASSERT_EQ(gethostname(host, sizeof host - 1), 0);

  setenv("HOME", "/home/u", 1);
  setenv("XDG_CONFIG_HOME", "/cfg", 1);
  setenv("YOMITORU_BROWSER_SESSION", "/s/recovery.jsonlz4", 1);
  setenv("YOMITORU_CHROMIUM_PORT", "9333", 1);
  BrowserSourceSettings settings = ChooseBrowserSourceSettings({});
  EXPECT_EQ(settings.home, fs::path("/home/u"));
  EXPECT_EQ(settings.configHome, fs::path("/cfg"));
  EXPECT_EQ(settings.sessionFile, fs::path("/s/recovery.jsonlz4"));
  EXPECT_EQ(settings.chromiumPort, 9333);
  EXPECT_EQ(settings.hostName, std::string(host));
  EXPECT_EQ(ChooseBrowserSourceSettings("/given").sessionFile, fs::path("/given"));

  setenv("XDG_CONFIG_HOME", "relative/cfg", 1);  // not absolute: ignored
  setenv("YOMITORU_CHROMIUM_PORT", "70000", 1);
  settings = ChooseBrowserSourceSettings({});
  EXPECT_TRUE(settings.configHome.empty());
  EXPECT_EQ(settings.chromiumPort, 9222);

  for (const Saved& s : saved) {
    if (s.value) {
      setenv(s.name, s.value->c_str(), 1);
    } else {
      unsetenv(s.name);
    }
  }
}

}  // namespace
