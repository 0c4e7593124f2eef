// The version strings and the fields of a notice page.

#include "about/notice_fields.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "about/notice_check.h"
#include "about/version_info.h"
#include "support/test_support.h"

namespace {

TEST(ReadVersionInfo, OneLinePerKeyFoundInTheirOrder) {
  struct Case {
    VersionResource resource;
    std::string text;
    std::string fileVersion;
  };
  const Case cases[] = {
      {CompiledVersionResource(),
       "CompanyName=Yomitoru Project\r\nFileVersion=" YOMITORU_PROJECT_VERSION
       "\r\nOriginalFileName=yomitoru\r\nProductName=Yomitoru\r\n",
       YOMITORU_PROJECT_VERSION},
      {{{"ProductName", "P"}, {"Comments", "not asked"}, {"CompanyName", "C"}},
       "CompanyName=C\r\nProductName=P\r\n",
       ""},
      {{{"Comments", "not asked"}}, "", ""},
      {{}, "No version information found", ""},
  };
  for (const Case& c : cases) {
    VersionNotice notice;
    notice.FileVersionText = "old";
    ReadVersionInfo(notice, c.resource);
    EXPECT_EQ(notice.VersionText, c.text);
    EXPECT_EQ(notice.FileVersionText, c.fileVersion);
  }
}

TEST(CutNoticeFields, EachFieldWithItsGuardAndOffset) {
  struct Case {
    std::string page;  // UTF-8, converted to Shift-JIS unless it is EUC-JP already
    std::string message, note, link;
  };
  const Case cases[] = {
      {"<msg>新版です</msg><note>注意</note><d_url>http://a/</d_url>", "新版です", "注意", "http://a/"},
      {"<msg></msg><note></note><d_url></d_url>", "", "", ""},  // e - s equals the guard
      {"<msg>x</msg><d_url>h</d_url>", "x", "", "h"},
      {"</msg><msg>after</msg>", "", "", ""},           // the closing tag comes first
      {"0123456789</msg>", "456789", "", ""},           // no opening tag: s is 0
      {"<msg>one</msg><msg>two</msg>", "one", "", ""},  // first occurrences only
      {"<note>a<msg>b</note>", "", "a<msg>b", ""},      //
      {"<MSG>upper</MSG>", "", "", ""},                 // tags compare exactly
      {"", "", "", ""},
  };
  for (const Case& c : cases) {
    VersionNotice notice;
    notice.NoticeText = Sj(c.page);
    CutNoticeFields(notice);
    EXPECT_EQ(notice.NoticeMessage, Sj(c.message)) << c.page;
    EXPECT_EQ(notice.NoticeNote, Sj(c.note)) << c.page;
    EXPECT_EQ(notice.NoticeDownloadUrl, Sj(c.link)) << c.page;
  }
  // A page declaring EUC-JP (in any case) is converted first: あい is A4 A2 A4 A4.
  VersionNotice euc;
  euc.NoticeText = "<meta charset=euc-jp><msg>\xA4\xA2\xA4\xA4</msg>";
  CutNoticeFields(euc);
  EXPECT_EQ(euc.NoticeMessage, Sj("あい"));
  EXPECT_EQ(euc.NoticeText, Sj("<meta charset=euc-jp><msg>あい</msg>"));
}

TEST(NoticeBase, CommandLineThenEnvironmentThenBuild) {
  EXPECT_EQ(NoticeAddress("http://a/notice/", "1.0.0"), "http://a/notice/1.0.0.html");
  unsetenv("YOMITORU_NOTICE_BASE");
  EXPECT_EQ(ChooseNoticeBase(""), "");  // the test build compiles no base in
  setenv("YOMITORU_NOTICE_BASE", "http://env/", 1);
  EXPECT_EQ(ChooseNoticeBase(""), "http://env/");
  EXPECT_EQ(ChooseNoticeBase("http://given/"), "http://given/");
  setenv("YOMITORU_NOTICE_BASE", "", 1);
  EXPECT_EQ(ChooseNoticeBase(""), "");
  unsetenv("YOMITORU_NOTICE_BASE");
}

}  // namespace
