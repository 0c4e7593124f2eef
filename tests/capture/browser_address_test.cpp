// The address of a running browser: Firefox session files written here as Firefox writes
// them, profiles under a home of our own, a Chromium tab list served over loopback, and
// the cut of the reply's first field.

#include "capture/browser_address.h"

#include <unistd.h>

#include <chrono>

#include "capture/chromium_tabs.h"
#include "capture/firefox_session.h"
#include "sample_site/browser_session.h"
#include "support/sample_site_fixture.h"
#include "support/snss_writer.h"
#include "support/test_support.h"

namespace fs = std::filesystem;
using sample_site::FirefoxSessionFile;
using sample_site::SingleTabSession;

namespace {

int PortOf(const std::string& address) { return std::stoi(address.substr(address.rfind(':') + 1)); }

// Window 2 has three tabs; its second went back from entry 3 to entry 2. A closed window
// must not count.
std::string TwoWindows(const std::string& selectedWindow, const std::string& selectedTab,
                       const std::string& index, const std::string& zIndex = "1") {
  return R"({"windows":[{"tabs":[{"entries":[{"url":"http://w1/t1"}],"index":1}],"selected":1,"zIndex":2},
    {"tabs":[{"entries":[{"url":"http://w2/t1"}]},{"entries":[{"url":"http://w2/e1"},{"url":"http://w2/e2",
     "title":"週刊"},{"url":"http://w2/e3"}])" +
         (index.empty() ? "" : ",\"index\":" + index) + R"(},{"entries":[{"url":"http://w2/t3"}]}],
     "selected":)" +
         selectedTab + ",\"zIndex\":" + zIndex + "}],\"selectedWindow\":" + selectedWindow +
         R"(,"_closedWindows":[{"tabs":[{"entries":[{"url":"http://closed/"}]}],"selected":1}]})";
}

BrowserSourceSettings Settings(const fs::path& sessionFile, const fs::path& home = {}) {
  BrowserSourceSettings settings;
  settings.sessionFile = sessionFile;
  settings.home = home;
  settings.chromiumPort = PortOf(ClosedPortAddress());
  return settings;
}

std::string Captured(const BrowserSourceSettings& settings) {
  return GetBrowserAddress(0, BrowserAddressSource(settings));
}

TEST(BrowserSession, TheFocusedWindowsSelectedTabAtItsCurrentEntry) {
  const std::pair<std::string, std::string> cases[] = {
      {TwoWindows("2", "2", "2"), "http://w2/e2"},
      {TwoWindows("1", "2", "2"), "http://w1/t1"},
      {TwoWindows("0", "3", "1"), "http://w2/t3"},       // minimised: the window with zIndex 1
      {TwoWindows("0", "3", "1", "3"), ""},              // ... and there is none
      {TwoWindows("7", "1", "1"), "http://w2/t1"},       // no such window: zIndex 1
      {TwoWindows("2", "0", "1"), "http://w2/t1"},       // a stale 0-based tab number
      {TwoWindows("2", "9", "1"), "http://w2/t3"},       // tab number clamped
      {TwoWindows("2", "2.0", "1e30"), "http://w2/e3"},  // numbers written as floats
      {TwoWindows("2", "\"2\"", "1"), "http://w2/t1"},   // no number: the first tab
      {TwoWindows("2", "2", ""), "http://w2/e3"},        // no entry index: the newest entry
      {SingleTabSession("", "t"), ""},                   // "" as the first field of the reply
      {R"({"windows":[{"tabs":[{"entries":[]}]}],"selectedWindow":1})", ""},
      {"[1,2]", ""},
      {SingleTabSession("about:blank", "t"), ""},  // no http or https page
      {SingleTabSession("https://a/" + std::string(kUrlLimit - 10, 'x'), "t"),
       "https://a/" + std::string(kUrlLimit - 10, 'x')},
      {SingleTabSession("https://a/" + std::string(kUrlLimit - 9, 'x'), "t"), ""},  // over 64 KB
  };
  TempFolder folder;
  for (const auto& [json, address] : cases) {
    WriteFileBytes(folder.path() / "s", FirefoxSessionFile(json));
    EXPECT_EQ(Captured(Settings(folder.path() / "s")), address) << json;
  }
  const auto page = SessionCurrentPage(TwoWindows("2", "2", "2"));
  ASSERT_TRUE(page);
  EXPECT_EQ(BrowserReply(*page), Sj("\"http://w2/e2\",\"週刊\""));
}

TEST(BrowserSession, TornOrForeignFilesGiveAnEmptyReply) {
  const std::string json = TwoWindows("2", "2", "2");
  const std::string good = FirefoxSessionFile(json);
  const auto withSize = [&good](std::uint32_t size) {
    std::string bytes = good;
    for (std::size_t i = 0; i < 4; ++i) bytes[8 + i] = static_cast<char>(size >> (8 * i));
    return bytes;
  };
  const auto size = static_cast<std::uint32_t>(json.size());
  const std::string cases[] = {"",
                               good.substr(0, 12),
                               good.substr(0, good.size() / 2),
                               good.substr(0, good.size() - 1),
                               "mozLz41" + good.substr(7),
                               json,
                               withSize(size - 1),
                               withSize(size + 1),
                               withSize((64u << 20) + 1),
                               withSize(0xFFFFFFFFu),
                               FirefoxSessionFile(json.substr(0, 40))};
  TempFolder folder;
  const fs::path file = folder.path() / "recovery.jsonlz4";
  for (const std::string& bytes : cases) {
    WriteFileBytes(file, bytes);
    EXPECT_EQ(BrowserAddressSource(Settings(file)).Request(), "") << Hex(bytes.substr(0, 16));
  }
  EXPECT_EQ(Captured(Settings(folder.path())), "");  // a folder
  WriteFileBytes(file, good);
  fs::resize_file(file, (std::uintmax_t{64} << 20) + 1);  // above 64 MB (sparse)
  EXPECT_EQ(Captured(Settings(file)), "");
}

TEST(BrowserSession, ANamedFileStartingWithSnssIsReadAsChromiums) {
  TempFolder folder;
  const fs::path file = folder.path() / "Session_1";
  WriteFileBytes(file, SnssWriter()
                           .OpenTab(1, 11, 0, "http://a/")
                           .Navigation(11, 0, "http://a/", u"週刊")
                           .ActivateWindow(1)
                           .bytes());
  EXPECT_EQ(BrowserAddressSource(Settings(file)).Request(), Sj("\"http://a/\",\"週刊\""));
  WriteFileBytes(file, SnssWriter().OpenTab(1, 11, 0, "chrome://newtab/").bytes());
  EXPECT_EQ(BrowserAddressSource(Settings(file)).Request(), "");
}

TEST(BrowserReply, TheFirstQuotedFieldUnderEitherServiceName) {
  const std::pair<std::string, std::string> cases[] = {
      {"\"http://a/m/log/1\",\"t\",\"x\"", "http://a/m/log/1"},
      {"\"\",\"t\"", ""},           // p = 2
      {"\",", ""},                  // p = 1
      {"\"http://a/\" \"t\"", ""},  // no quote and comma pair
      {"x\"y\",", "\"y"},           // p - 2 bytes from position 2, whatever stands there
      {Sj("\"アドレス\","), Sj("アドレス")},
  };
  for (const auto& [reply, address] : cases) EXPECT_EQ(FirstQuotedField(reply), address) << reply;
  TempFolder folder;
  WriteFileBytes(folder.path() / "s", FirefoxSessionFile(SingleTabSession("http://a/", "t")));
  const BrowserAddressSource source(Settings(folder.path() / "s"));
  EXPECT_EQ(BrowserDdeServices[1], "netscape");
  EXPECT_EQ(GetBrowserAddress(1, source), "http://a/");
  EXPECT_EQ(GetBrowserAddress(2, source), "");
}

// Profiles under a home of our own: taken only while the lock names a live process (or, in
// a sandbox, while there is a lock).
TEST(FirefoxProfiles, TheProfileInUseWhileItsFirefoxRuns) {
  const pid_t ended = EndedProcessId();
  const std::string live = "127.0.0.1:+" + std::to_string(getpid());
  const std::string installs =
      "[Profile1]\nPath=old.default\nDefault=1\n[Profile0]\nPath=used.default-esr\n"
      "[Install3B6073811A6ABF12]\nDefault=used.default-esr\nLocked=1\n";
  struct Case {
    const char* root;
    std::string profilesIni, usedLock, oldLock, address;
  };
  const Case cases[] = {
      {".config/mozilla/firefox", installs, live, "", "http://used/"},
      {"snap/firefox/common/.mozilla/firefox", installs, live, "", "http://used/"},
      // In a sandbox the process ID is the sandbox's own: the lock is enough.
      {"snap/firefox/common/.mozilla/firefox", installs, "127.0.0.1:+" + std::to_string(ended), "",
       "http://used/"},
      {".var/app/org.mozilla.firefox/.mozilla/firefox", installs, "127.0.0.1:+2", "", "http://used/"},
      {".var/app/org.mozilla.firefox/config/mozilla/firefox", installs, "127.0.0.1:+2", "", "http://used/"},
      {".var/app/org.mozilla.firefox/.mozilla/firefox", installs, "127.0.0.1:+x1", "", ""},
      {".mozilla/firefox", installs, "", live, ""},  // the unused profile runs
      {".mozilla/firefox", installs, "127.0.0.1:+" + std::to_string(ended), "", ""},
      {".mozilla/firefox", installs, "127.0.0.1:+x1", "", ""},
      {".mozilla/firefox", "[Profile1]\r\nPath=old.default\r\nDefault=1\r\n", "", live, "http://old/"},
  };
  for (const Case& c : cases) {
    TempFolder home;
    const fs::path root = home.path() / c.root;
    for (const auto& [name, lock] :
         {std::pair{"used.default-esr", c.usedLock}, std::pair{"old.default", c.oldLock}}) {
      const fs::path profile = root / name;
      fs::create_directories(profile / "sessionstore-backups");
      const std::string url = std::string("http://") + (name[0] == 'u' ? "used" : "old") + "/";
      WriteFileBytes(profile / "sessionstore-backups" / "recovery.jsonlz4",
                     FirefoxSessionFile(SingleTabSession(url, "t")));
      if (!lock.empty()) fs::create_symlink(lock, profile / "lock");
    }
    WriteFileBytes(root / "profiles.ini", c.profilesIni);
    EXPECT_EQ(Captured(Settings({}, home.path())), c.address) << c.root << " " << c.usedLock;
  }
}

// Chromium over loopback ----------------------------------------------------------------

class ChromiumTest : public SampleSiteTest {};

TEST_F(ChromiumTest, FirefoxFirstThenTheChromiumTabList) {
  site().SetExtraPage("/json/list",
                      R"([{"type":"browser_ui","url":"chrome://x"},{"type":"page","title":"no url"},
                                        {"type":"page","url":"http://chromium/","title":"週刊"},
                                        {"type":"page","url":"http://older/"}])");
  TempFolder folder;
  BrowserSourceSettings settings = Settings(folder.path() / "s");
  settings.chromiumPort = site().Port();
  WriteFileBytes(settings.sessionFile, FirefoxSessionFile(SingleTabSession("http://firefox/", "t")));
  EXPECT_EQ(Captured(settings), "http://firefox/");
  WriteFileBytes(settings.sessionFile, "torn");
  EXPECT_EQ(BrowserAddressSource(settings).Request(), Sj("\"http://chromium/\",\"週刊\""));
  EXPECT_EQ(LastRequest(), "GET /json/list");
  site().ClearExtraPages();
  EXPECT_EQ(Captured(settings), "");  // 404: no tab list
}

TEST_F(ChromiumTest, NothingListeningAnswersAtOnce) {
  // One try: none of the page fetch's connect retries (a silent port: see the capture tests).
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(AskChromium(PortOf(ClosedPortAddress())));
  EXPECT_FALSE(AskChromium(0));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
}

}  // namespace
