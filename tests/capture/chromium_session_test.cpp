// Chromium session files: written here command by command as the browser appends them, and
// one recorded from Debian's chromium (two tabs, a third opened and closed, a Back, tab
// switches).

#include "capture/chromium_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "capture/session_file.h"
#include "support/snss_writer.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

const fs::path kRecorded = fs::path(YOMITORU_CAPTURE_TEST_DATA) / "debian_chromium_session";
// What that chromium showed when it was stopped: its second tab, gone Back to an issue page.
const std::string kRecordedAddress = "http://127.0.0.1:44907/m/log/0000100001/1796611404.html";
const std::string kNone = "(none)";

std::string Url(const std::string& bytes) {
  const auto page = ChromiumSessionPage(bytes);
  return page ? page->url : kNone;
}

std::string UrlOfFile(const fs::path& file) {
  const auto page = ReadSessionFile(file);
  return page ? page->url : kNone;
}

// Window 1, active, with tabs 11 ("http://a/") and 12 ("http://b/"), the second selected.
SnssWriter TwoTabs() {
  SnssWriter file;
  file.OpenTab(1, 11, 0, "http://a/").ActivateWindow(1).OpenTab(1, 12, 1, "http://b/");
  return file;
}

// The byte offsets at which the whole commands of an SNSS file end.
std::vector<std::size_t> CommandEnds(const std::string& bytes) {
  std::vector<std::size_t> ends;
  std::size_t at = 8;
  while (at + 2 <= bytes.size()) {
    at += 2 + (static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8);
    if (at > bytes.size()) break;
    ends.push_back(at);
  }
  return ends;
}

struct Case {
  const char* name;
  SnssWriter file;
  std::string url;
};

TEST(ChromiumSession, TheSelectedNavigationOfTheSelectedTabOfTheActiveWindow) {
  const std::string longUrl = "http://a/" + std::string(65'000, 'x');
  const Case cases[] = {
      {"one window, one tab", SnssWriter().OpenTab(1, 11, 0, "http://a/").ActivateWindow(1), "http://a/"},
      {"the second of two tabs", TwoTabs(), "http://b/"},
      {"back to the first tab", TwoTabs().SelectTab(1, 0), "http://a/"},
      {"a selected place before the strip: its first tab", TwoTabs().SelectTab(1, -3), "http://a/"},
      {"a selected place after the strip: its last tab", TwoTabs().SelectTab(1, 0).SelectTab(1, 7),
       "http://b/"},
      {"two windows, the second active",
       TwoTabs()
           .OpenTab(2, 21, 0, "http://c/")
           .OpenTab(2, 22, 1, "http://d/")
           .SelectTab(2, 0)
           .ActivateWindow(2),
       "http://c/"},
      {"the first window active again",
       TwoTabs().OpenTab(2, 21, 0, "http://c/").ActivateWindow(2).ActivateWindow(1), "http://b/"},
      {"the active window closed: the window of the last selected tab",
       TwoTabs().OpenTab(2, 21, 0, "http://c/").ActivateWindow(2).SelectTab(1, 0).CloseWindow(2),
       "http://a/"},
      {"no active window written: the window of the last selected tab",
       SnssWriter().OpenTab(1, 11, 0, "http://a/").OpenTab(2, 21, 0, "http://c/"), "http://c/"},
      {"the selected tab closed: the strip closes up",
       TwoTabs().OpenTab(1, 13, 2, "http://c/").SelectTab(1, 1).CloseTab(12), "http://c/"},
      {"the last tab closed while selected", TwoTabs().CloseTab(12), "http://a/"},
      {"a tab moved before the other", TwoTabs().SetTabIndex(12, 0).SetTabIndex(11, 1).SelectTab(1, 1),
       "http://a/"},
      {"a tab moved to another window",
       TwoTabs()
           .OpenTab(2, 21, 0, "http://c/")
           .SetTabWindow(2, 12)
           .SetTabIndex(12, 1)
           .SelectTab(2, 1)
           .ActivateWindow(2),
       "http://b/"},
      {"a navigation, then Back",
       TwoTabs()
           .SelectNavigation(12, 1)
           .Navigation(12, 1, "http://b/2")
           .SelectNavigation(12, 2)
           .Navigation(12, 2, "http://b/3")
           .SelectNavigation(12, 1),
       "http://b/2"},
      {"a title written later does not move the selection",
       TwoTabs().SelectNavigation(12, 1).Navigation(12, 1, "http://b/2").Navigation(12, 0, "http://b/", u"B"),
       "http://b/2"},
      {"no navigation selected: the newest written",
       SnssWriter()
           .SetTabIndex(11, 0)
           .SetTabWindow(1, 11)
           .SelectTab(1, 0)
           .Navigation(11, 1, "http://a/1")
           .Navigation(11, 0, "http://a/"),
       "http://a/1"},
      {"a tab id used again after its close: its old navigations are gone",
       TwoTabs().CloseTab(12).SetTabIndex(12, 1).SetTabWindow(1, 12).SelectTab(1, 1).SelectNavigation(12, 0),
       kNone},
      {"unknown commands skipped by their size",
       SnssWriter()
           .Command(9, Int32s({1, 0}))
           .Command(255, "")
           .OpenTab(1, 11, 0, "http://a/")
           .Command(21, std::string(16, '\x7F')),
       "http://a/"},
      {"a new-tab page, as it is", SnssWriter().OpenTab(1, 11, 0, "chrome://newtab/"), "chrome://newtab/"},
      {"a URL of 65,000 bytes", SnssWriter().OpenTab(1, 11, 0, longUrl), longUrl},
      {"version 1", SnssWriter(1).OpenTab(1, 11, 0, "http://a/"), "http://a/"},
  };
  for (const Case& c : cases) EXPECT_EQ(Url(c.file.bytes()), c.url) << c.name;
}

TEST(ChromiumSession, ForeignOrBrokenFilesShowNothing) {
  // Tab 11's navigation with its URL size field lying.
  const auto lying = [](std::int32_t urlSize) {
    return SnssWriter().OpenTab(1, 11, 0, "http://a/").Navigation(11, 0, "http://a/", u"", urlSize);
  };
  SnssWriter tooManyTabs;
  for (std::int32_t tab = 1; tab <= 100'001; ++tab) tooManyTabs.SetTabIndex(tab, 0);
  const Case cases[] = {
      {"version 2", SnssWriter(2).OpenTab(1, 11, 0, "http://a/"), kNone},
      {"version 4", SnssWriter(4).OpenTab(1, 11, 0, "http://a/"), kNone},
      {"a URL size past the command", lying(10'000), kNone},
      {"a URL over 64 KB", lying(70'000), kNone},
      {"a negative URL size", lying(-5), kNone},
      {"an empty URL", lying(0), kNone},
      {"more tabs than any browser holds", std::move(tooManyTabs.OpenTab(1, 1, 0, "http://a/")), kNone},
      {"a pickle size past its command",
       SnssWriter().SetTabIndex(11, 0).SetTabWindow(1, 11).SelectTab(1, 0).SelectNavigation(11, 0).Command(
           6, Int32s({1000, 11, 0, 9}) + "http://a/"),
       kNone},
      {"no tab in the active window", SnssWriter().OpenTab(1, 11, 0, "http://a/").ActivateWindow(2), kNone},
      {"the selected tab has no navigation",
       SnssWriter().SetTabIndex(11, 0).SetTabWindow(1, 11).SelectTab(1, 0), kNone},
  };
  for (const Case& c : cases) EXPECT_EQ(Url(c.file.bytes()), c.url) << c.name;
  // Exactly as many tabs as allowed still work.
  SnssWriter many;
  for (std::int32_t tab = 2; tab <= 100'000; ++tab) many.SetTabIndex(tab, 1);
  EXPECT_EQ(Url(many.OpenTab(1, 1, 0, "http://a/").bytes()), "http://a/");

  const std::string good = SnssWriter().OpenTab(1, 11, 0, "http://a/").bytes();
  for (const std::string& bytes :
       {std::string(), std::string("SNSS"), good.substr(0, 7), "SNSX" + good.substr(4), Int32s({3}) + good}) {
    EXPECT_EQ(Url(bytes), kNone) << Hex(bytes.substr(0, 16));
  }
}

TEST(ChromiumSession, ATornLastCommandIsIgnored) {
  const std::string whole = TwoTabs().bytes();
  // A selection of the first tab cut off while it was written, at every length.
  const std::string select = SnssWriter().SelectTab(1, 0).bytes().substr(8);
  for (std::size_t cut = 1; cut < select.size(); ++cut) {
    EXPECT_EQ(Url(whole + select.substr(0, cut)), "http://b/") << cut;
  }
  EXPECT_EQ(Url(whole + select), "http://a/");
  // A size announcing more than there is.
  EXPECT_EQ(Url(whole + std::string("\xFF\xFF\x08", 3) + Int32s({1, 0})), "http://b/");
}

TEST(ChromiumSession, AFileRecordedFromDebiansChromium) {
  const std::string bytes = ReadFileBytes(kRecorded);
  ASSERT_GT(bytes.size(), 1000u);
  const auto page = ChromiumSessionPage(bytes);
  ASSERT_TRUE(page);
  EXPECT_EQ(page->url, kRecordedAddress);
  EXPECT_EQ(page->title, "まぐまぐ - 週刊サンプル通信 -");
  // Cut anywhere, as a browser killed while writing leaves it: the same as the file up to
  // its last whole command.
  const std::vector<std::size_t> ends = CommandEnds(bytes);
  ASSERT_EQ(ends.back(), bytes.size());
  std::size_t whole = 8;
  std::string shownThen = Url(bytes.substr(0, whole));
  for (std::size_t cut = 8; cut <= bytes.size(); ++cut) {
    if (std::find(ends.begin(), ends.end(), cut) != ends.end()) {
      whole = cut;
      shownThen = Url(bytes.substr(0, whole));
    }
    ASSERT_EQ(Url(bytes.substr(0, cut)), shownThen) << "cut at " << cut;
  }
}

TEST(ChromiumSession, TitlesFromUtf16) {
  const std::pair<std::u16string, std::string> cases[] = {
      {u"週刊サンプル通信", "週刊サンプル通信"},
      {u"絵文字\U0001F600", "絵文字\U0001F600"},
      {std::u16string(u"a") + char16_t(0xD800) + u"b", "a\uFFFDb"},  // a surrogate without its pair
      {std::u16string(1, char16_t(0xDC00)), "\uFFFD"},
  };
  for (const auto& [title, utf8] : cases) {
    const auto page = ChromiumSessionPage(
        SnssWriter().OpenTab(1, 11, 0, "http://a/").Navigation(11, 0, "http://a/", title).bytes());
    ASSERT_TRUE(page);
    EXPECT_EQ(page->title, utf8);
  }
}

TEST(SessionFile, EitherFamilyByItsFirstBytesWithinTheLimit) {
  TempFolder folder;
  const fs::path file = folder.path() / "Session_1";
  WriteFileBytes(file, TwoTabs().bytes());
  EXPECT_EQ(UrlOfFile(file), "http://b/");
  fs::copy_file(kRecorded, folder.path() / "recorded");
  EXPECT_EQ(UrlOfFile(folder.path() / "recorded"), kRecordedAddress);
  fs::resize_file(file, kSessionFileLimit + 1);  // above 64 MB (sparse)
  EXPECT_EQ(UrlOfFile(file), kNone);
  fs::resize_file(file, kSessionFileLimit);  // 64 MB: the zeros after the commands are empty ones
  EXPECT_EQ(UrlOfFile(file), "http://b/");
  EXPECT_EQ(UrlOfFile(folder.path()), kNone);
  EXPECT_EQ(UrlOfFile(folder.path() / "missing"), kNone);
}

}  // namespace
