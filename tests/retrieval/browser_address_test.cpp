// The address of a running browser: Firefox's session file written here as Firefox writes
// it, profiles found under a home of our own, a Chromium tab list served over loopback,
// and the cut of the reply's first field.

#include "retrieval/browser_address.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "retrieval/chromium_tabs.h"
#include "retrieval/firefox_profiles.h"
#include "retrieval/firefox_session.h"
#include "retrieval/sample_site_fixture.h"
#include "sample_site/browser_session.h"
#include "support/test_support.h"

namespace fs = std::filesystem;
using sample_site::FirefoxSessionFile;
using sample_site::SingleTabSession;

namespace {

int PortOf(const std::string& address) { return std::stoi(address.substr(address.rfind(':') + 1)); }

// Two windows with several tabs and histories, and a closed window that must not count.
// Window 2's second tab went back from its third entry to its second.
std::string TwoWindows(const std::string& selectedWindow, const std::string& selectedTab,
                       const std::string& entryIndex, const std::string& secondZIndex = "1") {
  return R"({"version":["sessionrestore",1],"windows":[
    {"tabs":[{"entries":[{"url":"http://w1/t1/e1","title":"one"}],"index":1},
             {"entries":[{"url":"http://w1/t2/e1"},{"url":"http://w1/t2/e2"}],"index":2}],
     "selected":2,"zIndex":2},
    {"tabs":[{"entries":[{"url":"http://w2/t1/e1"}],"index":1},
             {"entries":[{"url":"http://w2/t2/e1"},{"url":"http://w2/t2/e2","title":"週刊"},
                         {"url":"http://w2/t2/e3"}])" +
         (entryIndex.empty() ? std::string() : ",\"index\":" + entryIndex) + R"(},
             {"entries":[{"url":"http://w2/t3/e1"}],"index":1}],
     "selected":)" +
         selectedTab + R"(,"zIndex":)" + secondZIndex + R"(}],
    "selectedWindow":)" +
         selectedWindow + R"(,"session":{"lastUpdate":1},
    "_closedWindows":[{"tabs":[{"entries":[{"url":"http://closed/"}],"index":1}],"selected":1}]})";
}

class BrowserSessionTest : public ::testing::Test {
 protected:
  // A source that reads `bytes` as its session file and finds no Chromium.
  std::string AddressFromFile(std::string_view bytes) {
    WriteFileBytes(file_, bytes);
    return GetBrowserAddress(0, BrowserAddressSource(Settings(file_)));
  }
  BrowserSourceSettings Settings(const fs::path& sessionFile) const {
    BrowserSourceSettings settings;
    settings.sessionFile = sessionFile;
    settings.chromiumPort = closedPort_;
    return settings;
  }

  TempFolder folder_;
  fs::path file_ = folder_.path() / "recovery.jsonlz4";
  int closedPort_ = PortOf(ClosedPortAddress());
};

TEST_F(BrowserSessionTest, TheFocusedWindowsSelectedTabAtItsCurrentEntry) {
  struct Case {
    const char* what;
    std::string json;
    std::string address;
  };
  const Case cases[] = {
      {"focused window 2, tab 2, back to entry 2", TwoWindows("2", "2", "2"), "http://w2/t2/e2"},
      {"focused window 1", TwoWindows("1", "2", "2"), "http://w1/t2/e2"},
      {"minimised: the window with zIndex 1", TwoWindows("0", "3", "1"), "http://w2/t3/e1"},
      {"minimised, zIndex 1 on no window", TwoWindows("0", "3", "1", "3"), ""},
      {"a window number beyond the windows", TwoWindows("7", "1", "1"), "http://w2/t1/e1"},
      {"stale 0-based tab number", TwoWindows("2", "0", "1"), "http://w2/t1/e1"},
      {"tab number beyond the tabs", TwoWindows("2", "9", "1"), "http://w2/t3/e1"},
      {"tab number written as a fraction-free float", TwoWindows("2", "2.0", "3"), "http://w2/t2/e3"},
      {"tab number that is no number", TwoWindows("2", "\"2\"", "1"), "http://w2/t1/e1"},
      {"no entry index: the newest entry", TwoWindows("2", "2", ""), "http://w2/t2/e3"},
      {"entry index 0", TwoWindows("2", "2", "0"), "http://w2/t2/e1"},
      {"entry index beyond the entries", TwoWindows("2", "2", "99999999999999999999"), "http://w2/t2/e3"},
      {"an empty address", SingleTabSession("", "新しいタブ"), ""},
      {"a tab without entries",
       R"({"windows":[{"tabs":[{"entries":[],"index":1}],"selected":1}],"selectedWindow":1})", ""},
      {"an entry without an address",
       R"({"windows":[{"tabs":[{"entries":[{"title":"x"}]}]}],"selectedWindow":1})", ""},
      {"no windows", R"({"windows":[],"selectedWindow":0})", ""},
      {"JSON that is no session", "[1,2,3]", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AddressFromFile(FirefoxSessionFile(c.json)), c.address) << c.what;
  }
}

TEST_F(BrowserSessionTest, TheReplyCarriesAddressAndTitleInShiftJis) {
  const auto page = SessionCurrentPage(TwoWindows("2", "2", "2"));
  ASSERT_TRUE(page);
  EXPECT_EQ(page->url, "http://w2/t2/e2");
  EXPECT_EQ(page->title, "週刊");
  EXPECT_EQ(BrowserReply(*page), Sj("\"http://w2/t2/e2\",\"週刊\""));
  WriteFileBytes(file_, FirefoxSessionFile(TwoWindows("2", "2", "2")));
  EXPECT_EQ(BrowserAddressSource(Settings(file_)).Request(), BrowserReply(*page));
}

TEST_F(BrowserSessionTest, TornOrForeignFilesGiveAnEmptyReply) {
  const std::string good = FirefoxSessionFile(TwoWindows("2", "2", "2"));
  const auto withSize = [&good](std::uint32_t size) {
    std::string bytes = good;
    for (int i = 0; i < 4; ++i)
      bytes[8 + static_cast<std::size_t>(i)] = static_cast<char>((size >> (8 * i)) & 0xFF);
    return bytes;
  };
  const std::uint32_t jsonSize = static_cast<std::uint32_t>(TwoWindows("2", "2", "2").size());
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"empty file", ""},
      {"header only", good.substr(0, 12)},
      {"torn in the middle of the block", good.substr(0, good.size() / 2)},
      {"one byte missing", good.substr(0, good.size() - 1)},
      {"wrong magic", "mozLz41" + good.substr(7)},
      {"plain JSON, not LZ4", TwoWindows("2", "2", "2")},
      {"size field one short", withSize(jsonSize - 1)},
      {"size field one over", withSize(jsonSize + 1)},
      {"size field above 64 MB", withSize((64u << 20) + 1)},
      {"size field at its maximum", withSize(0xFFFFFFFFu)},
      {"LZ4 of text that is not JSON", FirefoxSessionFile("{\"windows\":[{\"tabs\":")},
      {"LZ4 of nothing", FirefoxSessionFile("")},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AddressFromFile(c.bytes), "") << c.what;
    EXPECT_EQ(BrowserAddressSource(Settings(file_)).Request(), "") << c.what;
  }
  // A folder, a missing file, and a file above 64 MB (sparse) are not read either.
  EXPECT_EQ(GetBrowserAddress(0, BrowserAddressSource(Settings(folder_.path()))), "");
  EXPECT_EQ(GetBrowserAddress(0, BrowserAddressSource(Settings(folder_.path() / "missing"))), "");
  WriteFileBytes(file_, good);
  fs::resize_file(file_, (std::uintmax_t{64} << 20) + 1);
  EXPECT_EQ(GetBrowserAddress(0, BrowserAddressSource(Settings(file_))), "");
}

TEST(FirstQuotedField, TheFirstFieldOfTheReply) {
  struct Case {
    std::string reply;
    std::string address;
  };
  const Case cases[] = {
      {"\"http://a/m/log/1\",\"title\",\"more\"", "http://a/m/log/1"},
      {"\"\",\"title\"", ""},    // empty first field: p = 2
      {"\",", ""},               // p = 1
      {"\"http://a/\"", ""},     // no "," after a quote
      {"http://a/, title", ""},  // no quote before a comma
      {"", ""},                  //
      {"x\"y\",", "\"y"},        // p - 2 bytes from position 2, whatever stands there
      {Sj("\"アドレス\",\"t\""), Sj("アドレス")},
  };
  for (const Case& c : cases) EXPECT_EQ(FirstQuotedField(c.reply), c.address) << c.reply;
}

TEST_F(BrowserSessionTest, BothServiceNamesAskTheSameBrowsersAndNoOtherIndexAsksAny) {
  WriteFileBytes(file_, FirefoxSessionFile(SingleTabSession("http://a/m/log/0000100001", "t")));
  const BrowserAddressSource source(Settings(file_));
  EXPECT_EQ(BrowserDdeServices[0], "Iexplore");
  EXPECT_EQ(BrowserDdeServices[1], "netscape");
  EXPECT_EQ(GetBrowserAddress(0, source), "http://a/m/log/0000100001");
  EXPECT_EQ(GetBrowserAddress(1, source), "http://a/m/log/0000100001");
  EXPECT_EQ(GetBrowserAddress(-1, source), "");
  EXPECT_EQ(GetBrowserAddress(2, source), "");
}

// Profiles under a home of our own --------------------------------------------------------

pid_t DeadProcess() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  return child;
}

class FirefoxProfileTest : public ::testing::Test {
 protected:
  // A profile folder whose session shows `url`, locked by `lockTarget`
  // (no lock when empty).
  static void MakeProfile(const fs::path& profile, const std::string& url, const std::string& lockTarget) {
    fs::create_directories(profile / "sessionstore-backups");
    WriteFileBytes(profile / "sessionstore-backups" / "recovery.jsonlz4",
                   FirefoxSessionFile(SingleTabSession(url, "t")));
    if (!lockTarget.empty()) fs::create_symlink(lockTarget, profile / "lock");
  }
  static std::string Captured(const fs::path& home) {
    BrowserSourceSettings settings;
    settings.home = home;
    settings.chromiumPort = PortOf(ClosedPortAddress());
    return GetBrowserAddress(0, BrowserAddressSource(settings));
  }

  TempFolder home_;
  const std::string live_ = "127.0.1.1:+" + std::to_string(getpid());
};

TEST_F(FirefoxProfileTest, TheInstallsProfileIsReadOnlyWhileItsFirefoxRuns) {
  const std::string profilesIni =
      "[Profile1]\nName=default\nIsRelative=1\nPath=abcd1234.default\nDefault=1\n\n"
      "[Profile0]\nName=default-esr\nIsRelative=1\nPath=efgh5678.default-esr\n\n"
      "[Install3B6073811A6ABF12]\nDefault=efgh5678.default-esr\nLocked=1\n\n"
      "[General]\nStartWithLastProfile=1\nVersion=2\n";
  struct Case {
    const char* what;
    fs::path root;          // under the home
    std::string usedLock;   // lock of the profile the Install section names
    std::string otherLock;  // lock of the unused *.default profile
    std::string address;
  };
  const std::string dead = "127.0.1.1:+" + std::to_string(DeadProcess());
  const Case cases[] = {
      {"running, new-install folder", ".config/mozilla/firefox", live_, "", "http://used/"},
      {"running, classic folder", ".mozilla/firefox", live_, "", "http://used/"},
      {"running, snap folder", "snap/firefox/common/.mozilla/firefox", live_, "", "http://used/"},
      {"the unused profile runs, not the one in use", ".config/mozilla/firefox", "", live_, ""},
      {"lock of a process that has ended", ".mozilla/firefox", dead, "", ""},
      {"lock that names no process", ".mozilla/firefox", "127.0.1.1:+abc", "", ""},
      {"lock without a process number", ".mozilla/firefox", "127.0.1.1", "", ""},
      {"no lock: Firefox quit", ".mozilla/firefox", "", "", ""},
  };
  for (const Case& c : cases) {
    TempFolder home;
    const fs::path root = home.path() / c.root;
    fs::create_directories(root);
    WriteFileBytes(root / "profiles.ini", profilesIni);
    MakeProfile(root / "efgh5678.default-esr", "http://used/", c.usedLock);
    MakeProfile(root / "abcd1234.default", "http://unused/", c.otherLock);
    EXPECT_EQ(Captured(home.path()), c.address) << c.what;
  }
}

TEST_F(FirefoxProfileTest, ProfilesNamedElsewhere) {
  const fs::path root = home_.path() / ".mozilla" / "firefox";
  fs::create_directories(root);
  // Without an Install section, the profile marked Default=1.
  WriteFileBytes(root / "profiles.ini", "[Profile0]\r\nPath=only.default\r\nDefault=1\r\n");
  MakeProfile(root / "only.default", "http://only/", live_);
  EXPECT_EQ(ProfilesInUse(root), std::vector<fs::path>{root / "only.default"});
  EXPECT_EQ(Captured(home_.path()), "http://only/");

  // installs.ini alone names it, by an absolute path.
  const fs::path elsewhere = home_.path() / "profiles" / "custom";
  MakeProfile(elsewhere, "http://custom/", live_);
  WriteFileBytes(root / "installs.ini", "[Install0123]\nDefault=" + elsewhere.string() + "\n");
  EXPECT_EQ(ProfilesInUse(root), std::vector<fs::path>{elsewhere});
  EXPECT_EQ(Captured(home_.path()), "http://custom/");

  // No profiles.ini at all: nothing is in use.
  EXPECT_TRUE(ProfilesInUse(home_.path() / "nowhere").empty());
  EXPECT_EQ(RunningSessionFile(home_.path() / "nowhere"), std::nullopt);
}

TEST_F(FirefoxProfileTest, AGivenSessionFileIsReadWhetherOrNotFirefoxRuns) {
  const fs::path file = home_.path() / "saved.jsonlz4";
  WriteFileBytes(file, FirefoxSessionFile(SingleTabSession("http://given/", "t")));
  BrowserSourceSettings settings;
  settings.sessionFile = file;
  settings.home = home_.path();
  settings.chromiumPort = PortOf(ClosedPortAddress());
  EXPECT_EQ(GetBrowserAddress(0, BrowserAddressSource(settings)), "http://given/");
  EXPECT_FALSE(ProfileIsRunning(home_.path()));
}

TEST(BrowserSourceSettings, FromTheCommandLineOrTheEnvironment) {
  setenv("YOMITORU_BROWSER_SESSION", "/from/environment", 1);
  setenv("YOMITORU_CHROMIUM_PORT", "9333", 1);
  EXPECT_EQ(ChooseBrowserSourceSettings("/given").sessionFile, fs::path("/given"));
  EXPECT_EQ(ChooseBrowserSourceSettings({}).sessionFile, fs::path("/from/environment"));
  EXPECT_EQ(ChooseBrowserSourceSettings({}).chromiumPort, 9333);
  for (const char* wrong : {"", "0", "65536", "92a2", "-1", "999999"}) {
    setenv("YOMITORU_CHROMIUM_PORT", wrong, 1);
    EXPECT_EQ(ChooseBrowserSourceSettings({}).chromiumPort, 9222) << wrong;
  }
  unsetenv("YOMITORU_BROWSER_SESSION");
  unsetenv("YOMITORU_CHROMIUM_PORT");
  EXPECT_TRUE(ChooseBrowserSourceSettings({}).sessionFile.empty());
  EXPECT_EQ(ChooseBrowserSourceSettings({}).home, fs::path(getenv("HOME")));
}

// Chromium over loopback ----------------------------------------------------------------

TEST(ChromiumTabList, TheFirstPageEntry) {
  struct Case {
    const char* json;
    const char* url;  // nullptr: nothing
  };
  const Case cases[] = {
      {R"([{"type":"browser_ui","url":"chrome://x"},{"type":"page","url":"http://a/","title":"A"},
           {"type":"page","url":"http://b/"}])",
       "http://a/"},
      {R"([{"type":"service_worker","url":"http://w/"},{"type":"page","title":"no url"},
           {"type":"page","url":"http://c/"}])",
       "http://c/"},
      {R"([{"type":"page","url":""}])", ""},
      {R"([{"type":"browser_ui","url":"chrome://x"}])", nullptr},
      {R"([])", nullptr},
      {R"({"type":"page","url":"http://a/"})", nullptr},
      {R"([{"type":"page","url":"http://a/")", nullptr},
      {"", nullptr},
  };
  for (const Case& c : cases) {
    const auto page = FirstPageOfTabList(c.json);
    ASSERT_EQ(page.has_value(), c.url != nullptr) << c.json;
    if (page) {
      EXPECT_EQ(page->url, c.url) << c.json;
    }
  }
}

class ChromiumTest : public SampleSiteTest {
 protected:
  void TearDown() override { site().ClearExtraPages(); }
  static constexpr const char* kTabs =
      R"([{"description":"","id":"A1","title":"週刊サンプル通信","type":"page","url":"http://127.0.0.1/m/log/0000100001"},
          {"id":"B2","type":"page","url":"http://127.0.0.1/older"}])";
};

TEST_F(ChromiumTest, TheTabListOfARunningChromium) {
  site().SetExtraPage("/json/list", kTabs);
  const auto page = AskChromium(site().Port());
  ASSERT_TRUE(page);
  EXPECT_EQ(page->url, "http://127.0.0.1/m/log/0000100001");
  EXPECT_EQ(page->title, "週刊サンプル通信");
  EXPECT_EQ(LastRequest(), "GET /json/list");
}

TEST_F(ChromiumTest, NoChromiumOrNoTabListGivesNothing) {
  // No /json/list there: a 404.
  EXPECT_FALSE(AskChromium(site().Port()));
  EXPECT_FALSE(AskChromium(0));
  EXPECT_FALSE(AskChromium(70000));
  // Nothing listens: answered at once, without the page fetch's connect retries.
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(AskChromium(PortOf(ClosedPortAddress())));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
}

TEST_F(ChromiumTest, ASilentPortIsGivenUpAfterTheLimit) {
  // A socket that listens but never answers: the connection is made, the reply never comes.
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(listener, 4), 0);
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(AskChromium(ntohs(address.sin_port), 300));
  const auto took = std::chrono::steady_clock::now() - start;
  ::close(listener);
  EXPECT_GE(took, std::chrono::milliseconds(300));
  EXPECT_LT(took, std::chrono::milliseconds(2000));
}

TEST_F(ChromiumTest, FirefoxIsAskedFirstAndChromiumWhenFirefoxHasNothing) {
  site().SetExtraPage("/json/list", kTabs);
  TempFolder folder;
  const fs::path file = folder.path() / "recovery.jsonlz4";
  BrowserSourceSettings settings;
  settings.sessionFile = file;
  settings.chromiumPort = site().Port();
  WriteFileBytes(file, FirefoxSessionFile(SingleTabSession("http://firefox/", "t")));
  EXPECT_EQ(GetBrowserAddress(0, BrowserAddressSource(settings)), "http://firefox/");
  WriteFileBytes(file, "torn");
  EXPECT_EQ(GetBrowserAddress(0, BrowserAddressSource(settings)), "http://127.0.0.1/m/log/0000100001");
  settings.chromiumPort = PortOf(ClosedPortAddress());
  EXPECT_EQ(BrowserAddressSource(settings).Request(), "");
}

}  // namespace
