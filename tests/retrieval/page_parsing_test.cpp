#include "retrieval/page_parsing.h"

#include <gtest/gtest.h>

#include <string>

#include "support/test_support.h"

namespace {

// ParseAnchorLink ------------------------------------------------------------------------------

TEST(ParseAnchorLink, WorkedExamples) {
  EXPECT_EQ(ParseAnchorLink(Sj("/m/log/0000123456/?page=2#1171234567.html')\">2007/02/12 10:00 春の特集")),
            Sj("2007/02/12 10:00 春の特集,1171234567.html"));
  EXPECT_EQ(ParseAnchorLink(Sj("/m/log/0000123456/?page=2')\">2007/02/12 10:00 春の特集")),
            Sj("2007/02/12 10:00 春の特集"));
}

TEST(ParseAnchorLink, KeyAndPathTailComeSeparately) {
  // The path tail without a link text: an empty key.
  EXPECT_EQ(ParseAnchorLink("/m/log/0000123456/?page=2#1171234567.html')"), ",1171234567.html");
  // A "#" after the "')" adds nothing.
  EXPECT_EQ(ParseAnchorLink("/?page=2')\">2007/02/12 10:00#x"), "2007/02/12 10:00#x");
  EXPECT_EQ(ParseAnchorLink("/?page=2')#x"), "/?page=2')#x");
  // "#" right before "')": an empty path tail.
  EXPECT_EQ(ParseAnchorLink("/?page=2#')\">a"), "a,");
  // A link text holding "," gives more than one ",".
  EXPECT_EQ(ParseAnchorLink("/?page=2#9.html')\">a,b"), "a,b,9.html");
}

TEST(ParseAnchorLink, WithoutMarkersTheSnippetComesBackWhole) {
  EXPECT_EQ(ParseAnchorLink(""), "");
  EXPECT_EQ(ParseAnchorLink("/m/log/0000123456/?page=2"), "/m/log/0000123456/?page=2");
  // A marker with nothing after it gives an empty key: still the whole snippet.
  EXPECT_EQ(ParseAnchorLink("/?page=2\">"), "/?page=2\">");
}

TEST(ParseAnchorLink, LinkTextIsCutTo100Bytes) {
  const std::string text(150, 'x');
  EXPECT_EQ(ParseAnchorLink("a\">" + text), std::string(100, 'x'));
  // 99 bytes then あ: the cut keeps the lead byte of あ.
  EXPECT_EQ(Hex(ParseAnchorLink("a\">" + std::string(99, 'y') + Sj("あい"))),
            Hex(std::string(99, 'y') + "\x82"));
}

TEST(ParseAnchorLink, MarkersInsideDoubleByteCharactersDoNotCount) {
  // 83 23 is not a real character, but its second byte is "#" and must not be taken as one.
  EXPECT_EQ(ParseAnchorLink("\x83#1.html')\">t"), "t");
}

// ParseIssueLink -------------------------------------------------------------------------------

TEST(ParseIssueLink, WorkedExamples) {
  EXPECT_EQ(ParseIssueLink(Sj("/m/log/0000123456/1171234567.html'); return false;\">第123号 春の特集")),
            Sj("第123号,1171234567.html"));
  EXPECT_EQ(ParseIssueLink(
                Sj("/m/log/0000123456/1171234567.html?x=1'); return false;\">2007/02/12 10:00 春の特集")),
            Sj("2007/02/12 10:00 春の特集,1171234567.html"));
  EXPECT_EQ(ParseIssueLink(Sj("/m/log/0000123456/1171234567.html'); return false;\">号外 第2弾")),
            Sj("号外 第2弾,1171234567.html"));
}

TEST(ParseIssueLink, NumberKeyIsTheStretchFromTheLastDaiToTheLastGou) {
  const std::string tail = "/m/log/0000123456/1.html'); return false;\">";
  EXPECT_EQ(ParseIssueLink(tail + Sj("  第1号 第2号 記念号  ")), Sj("第2号 記念号,1.html"));
  EXPECT_EQ(ParseIssueLink(tail + Sj("【第12号】")), Sj("第12号,1.html"));
  EXPECT_EQ(ParseIssueLink(tail + Sj("第号")), Sj("第号,1.html"));
  // The last "号" before the last "第": the link text stays whole, untrimmed.
  EXPECT_EQ(ParseIssueLink(tail + Sj(" 第1号 第二弾 ")), Sj(" 第1号 第二弾 ,1.html"));
  // Only one of the two: untouched.
  EXPECT_EQ(ParseIssueLink(tail + Sj("第一回")), Sj("第一回,1.html"));
  EXPECT_EQ(ParseIssueLink(tail + Sj("号外")), Sj("号外,1.html"));
}

TEST(ParseIssueLink, PathTailAssumesATenByteId) {
  // A 9-byte ID: the tail starts one byte late, after the issue name's first byte.
  EXPECT_EQ(ParseIssueLink("/m/log/000012345/1171234567.html'); return false;\">t"), "t,171234567.html");
  // A 12-byte ID: the tail starts inside the ID.
  EXPECT_EQ(ParseIssueLink("/m/log/000012345678/1171234567.html'); return false;\">t"),
            "t,8/1171234567.html");
  // Text before "/m/log/" moves both ends alike.
  EXPECT_EQ(ParseIssueLink("http://x/m/log/0000123456/9.html'); return false;\">t"), "t,9.html");
}

TEST(ParseIssueLink, EndMarkerChoice) {
  // ".html');" wins over an earlier ".html?".
  EXPECT_EQ(ParseIssueLink("/m/log/0000123456/a.html?b.html'); return false;\">t"), "t,a.html?b.html");
  // ".html?" only: cut before the "?", ".html" included.
  EXPECT_EQ(ParseIssueLink("/m/log/0000123456/a.html?x=1' return false;\">t"), "t,a.html");
  // ".html" without either follower: no tail.
  EXPECT_EQ(ParseIssueLink("/m/log/0000123456/a.html' return false;\">t"), "t");
  // End marker before "/m/log/": no tail.
  EXPECT_EQ(ParseIssueLink(".html?/m/log/0000123456/a\">t"), "t");
  // An end marker too close to "/m/log/": the cut is empty, the "," stays.
  EXPECT_EQ(ParseIssueLink("/m/log/x.html');\">t"), "t,");
}

TEST(ParseIssueLink, WithoutMarkersTheSnippetComesBackWhole) {
  EXPECT_EQ(ParseIssueLink(""), "");
  EXPECT_EQ(ParseIssueLink("return false;"), "return false;");
  EXPECT_EQ(ParseIssueLink("/m/log/0000123456/1.html'); return false;"), ",1.html");
}

TEST(ParseIssueLink, LongLinkTextIsCutBeforeTheNumberStretchIsTaken) {
  const std::string tail = "/m/log/0000123456/1.html'); return false;\">";
  // The "号" lies beyond byte 100 of the link text, so the key keeps its first 100 bytes.
  const std::string text = Sj("第1") + std::string(97, 'x') + Sj("号");
  EXPECT_EQ(ParseIssueLink(tail + text), Sj("第1") + std::string(97, 'x') + ",1.html");
}

// ExtractIssueBody -----------------------------------------------------------------------------

TEST(ExtractIssueBody, PlainIssueFromPreTtUpToTwoBytesBeforeItsEnd) {
  EXPECT_EQ(ExtractIssueBody(Sj("<html><pre><tt>本文です。\nX</tt></pre></html>")),
            Sj("<pre><tt>本文です。\r\n"));
  EXPECT_EQ(ExtractIssueBody("<pre><tt>ab</tt></pre>"), "<pre><tt>a");
  EXPECT_EQ(ExtractIssueBody("<pre><tt></tt></pre>"), "<pre><tt");
}

TEST(ExtractIssueBody, BlogEntryIsPreferredWheneverItsMarkerOccurs) {
  const std::string entry = "<div class=\"backnumber-entry\">";
  const std::string footer = "<div class=\"backnumber-entry-footer\">";
  EXPECT_EQ(ExtractIssueBody("<pre><tt>p</tt></pre>" + entry + "body\n!" + footer), entry + "body\r\n");
  // Without its footer the entry gives nothing, even with a plain body present.
  EXPECT_EQ(ExtractIssueBody(entry + "body<pre><tt>plain!</tt></pre>"), "");
}

TEST(ExtractIssueBody, MissingOrMisorderedMarkersGiveNothing) {
  EXPECT_EQ(ExtractIssueBody(""), "");
  EXPECT_EQ(ExtractIssueBody("no markers"), "");
  EXPECT_EQ(ExtractIssueBody("<pre><tt>no end"), "");
  EXPECT_EQ(ExtractIssueBody("no start</tt></pre>"), "");
  EXPECT_EQ(ExtractIssueBody("</tt></pre>x<pre><tt>"), "");
  EXPECT_EQ(ExtractIssueBody("<div class=\"backnumber-entry-footer\">x<div class=\"backnumber-entry\">"), "");
}

TEST(ExtractIssueBody, EveryLineBreakBecomesCrLf) {
  EXPECT_EQ(ExtractIssueBody("<pre><tt>a\nb\rc\r\nd\n\re\r\r\nf!</tt></pre>"),
            "<pre><tt>a\r\nb\r\nc\r\nd\r\n\r\ne\r\n\r\nf");
}

TEST(ExtractIssueBody, MarkersInsideDoubleByteCharactersDoNotCount) {
  // 83 3C is not a character, but a lead byte swallows the "<" of the first marker.
  EXPECT_EQ(ExtractIssueBody("\x83<pre><tt>x<pre><tt>ab</tt></pre>"), "<pre><tt>a");
}

// Ten megabytes ---------------------------------------------------------------------------------

// TakeIssueLinks ---------------------------------------------------------------------------------

TEST(TakeIssueLinks, EveryIssueLinkInPageOrderAndNothingElse) {
  const std::string anchor =
      "onclick=\"dynamicLink('/m/log/0000123456/?page=2#1.html')\">2008/01/02 12:34</a>";
  const std::string issue =
      "onclick=\"dynamicLink('/m/log/0000123456/2.html'); return false;\">" + Sj("第7号 春") + "</a>";
  const std::string listing = "onclick=\"dynamicLink('/m/log/0000123456/?page=3'); return false;\">3</a>";
  const struct {
    const char* name;
    std::string page;
    StringList entries;
    std::string left;  // the page once every marker is read
  } rows[] = {
      {"in page order",
       "<a " + anchor + "<a " + listing + "<a " + issue,
       {"2008/01/02 12:34,1.html", Sj("第7号,2.html")},
       "<a " + anchor.substr(21) + "<a " + listing.substr(21) + "<a " + issue.substr(21)},
      // Deleting one marker can make a new one across the gap: found, as a search from the
      // start would find it.
      {"a marker across the gap",
       "onclick=\"dyn" + anchor.substr(0, 21) + "amicLink('/m/log/0000123456/?page=2#3.html')\">x</a>",
       {"x,3.html", "x,3.html"},
       "'/m/log/0000123456/?page=2#3.html')\">x</a>"},
      // A marker that starts on a trail byte is no marker.
      {"marker on a trail byte", "\x83onclick=\"dynamicLink(x", {}, "\x83onclick=\"dynamicLink(x"},
      {"no links", "<html></html>", {}, "<html></html>"},
  };
  for (const auto& row : rows) {
    std::string page = row.page;
    EXPECT_EQ(TakeIssueLinks(page), row.entries) << row.name;
    EXPECT_EQ(page, row.left) << row.name;
  }
}

TEST(PageParsing, TenMegabyteInputsAreHandledWhole) {
  std::string page = "<pre><tt>";
  while (page.size() < (10u << 20)) page += Sj("本文の行です。\n");
  page += "!</tt></pre>";
  const std::string body = ExtractIssueBody(page);
  EXPECT_EQ(body.substr(0, 9), "<pre><tt>");
  EXPECT_EQ(body.substr(body.size() - 4), Sj("。") + "\r\n");
  EXPECT_EQ(body.find('\n') - 1, body.find('\r'));

  std::string snippet(10u << 20, '#');
  snippet += "')\">t";
  EXPECT_EQ(ParseAnchorLink(snippet), "t," + std::string((10u << 20) - 1, '#'));
  std::string issue = "/m/log/0000123456/" + std::string(10u << 20, 'x') + ".html');\">t";
  EXPECT_EQ(ParseIssueLink(issue), "t," + std::string(10u << 20, 'x') + ".html");
}

}  // namespace
