// The version strings and the fields of a notice page.

#include "about/notice_fields.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <tuple>

#include "about/notice_check.h"
#include "about/version_info.h"
#include "support/test_support.h"

namespace {

TEST(ReadVersionInfo, OneLinePerKeyFoundInTheirOrder) {
  const std::tuple<VersionResource, std::string, std::string> cases[] = {
      {CompiledVersionResource(),
       "CompanyName=Yomitoru Project\r\nFileVersion=" YOMITORU_PROJECT_VERSION
       "\r\nOriginalFileName=yomitoru\r\nProductName=Yomitoru\r\n",
       YOMITORU_PROJECT_VERSION},
      {{{"ProductName", "P"}, {"Comments", "c"}, {"CompanyName", "C"}},
       "CompanyName=C\r\nProductName=P\r\n",
       ""},
      {{}, "No version information found", ""},
  };
  for (const auto& [resource, text, fileVersion] : cases) {
    VersionNotice notice;
    notice.FileVersionText = "old";
    ReadVersionInfo(notice, resource);
    EXPECT_EQ(notice.VersionText, text);
    EXPECT_EQ(notice.FileVersionText, fileVersion);
  }
}

TEST(CutNoticeFields, EachFieldWithItsGuardAndOffset) {
  // Page (UTF-8), then the message, the note and the download address cut from it.
  const std::array<std::string, 4> cases[] = {
      {"<msg>新版です</msg><note>注意</note><d_url>http://a/</d_url>", "新版です", "注意", "http://a/"},
      {"<msg></msg><note></note><d_url></d_url>", "", "", ""},  // e - s not above the guard
      {"</msg><msg>after</msg>", "", "", ""},                   // the closing tag first
      {"0123456789</msg>", "456789", "", ""},                   // no opening tag: s is 0
      {"<msg>one</msg><msg>two</msg>", "one", "", ""},
      {"<note>a<msg>b</note><MSG>c</MSG>", "", "a<msg>b", ""},
  };
  for (const auto& [page, message, note, link] : cases) {
    VersionNotice notice;
    notice.NoticeText = Sj(page);
    CutNoticeFields(notice);
    EXPECT_EQ(notice.NoticeMessage, Sj(message)) << page;
    EXPECT_EQ(notice.NoticeNote, Sj(note)) << page;
    EXPECT_EQ(notice.NoticeDownloadUrl, link) << page;
  }
  // A page declaring EUC-JP in any case is converted first: あい is A4 A2 A4 A4.
  VersionNotice euc;
  euc.NoticeText = "<meta charset=euc-jp><msg>\xA4\xA2\xA4\xA4</msg>";
  CutNoticeFields(euc);
  EXPECT_EQ(euc.NoticeMessage, Sj("あい"));
  // Only the head declares it: a notice that mentions EUC-JP in its text stays as it is.
  VersionNotice mention;
  mention.NoticeText = Sj("<head></head><body><msg>charset=EUC-JP です</msg>");
  CutNoticeFields(mention);
  EXPECT_EQ(mention.NoticeMessage, Sj("charset=EUC-JP です"));
}

TEST(NoticeBase, CommandLineThenEnvironmentThenBuild) {
  EXPECT_EQ(NoticeAddress("http://a/notice/", "1.0.0"), "http://a/notice/1.0.0.html");
  unsetenv("YOMITORU_NOTICE_BASE");
  EXPECT_EQ(ChooseNoticeBase(""), "");  // the test build compiles no base in
  setenv("YOMITORU_NOTICE_BASE", "http://env/", 1);
  EXPECT_EQ(ChooseNoticeBase(""), "http://env/");
  EXPECT_EQ(ChooseNoticeBase("http://given/"), "http://given/");
  unsetenv("YOMITORU_NOTICE_BASE");
}

}  // namespace
