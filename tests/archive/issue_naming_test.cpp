#include "archive/issue_naming.h"

#include <gtest/gtest.h>

#include <string>

#include "support/test_support.h"

namespace {

TEST(IssueNaming, DateKeyGoesRoundBothWays) {
  const std::string key = "2008/01/02 12:34";
  EXPECT_EQ(IssueFileName(key, 0), "20080102-1234.txt");
  EXPECT_EQ(IssueFileName(key, 2), "20080102-1234");
  EXPECT_EQ(IssueListKey("20080102-1234.txt", 0), "2008/01/02_12:34");
  EXPECT_EQ(IssueListKey("20080102-1234", 0), "2008/01/02_12:34");  // without extension

  for (const std::string line : {"*2008/01/02_12:34*new*", "*2008/01/02_12:34*", "2008/01/02_12:34"}) {
    EXPECT_EQ(IssueListKey(line, 1), key) << line;
    EXPECT_EQ(IssueFileName(line, 1), "20080102-1234.txt") << line;
    EXPECT_EQ(IssueFileName(line, 2), "20080102-1234") << line;
  }
}

TEST(IssueNaming, NumberKeyGoesRoundBothWays) {
  const std::string key = Sj("第123号 春の特集");
  EXPECT_EQ(IssueFileName(key, 0), Sj("第123号-春の特集.txt"));
  EXPECT_EQ(IssueFileName(key, 2), Sj("第123号-春の特集"));
  EXPECT_EQ(IssueListKey(Sj("第123号-春の特集.txt"), 0), Sj("第123号_春の特集"));
  const std::string line = Sj("*第123号_春の特集*");
  EXPECT_EQ(IssueListKey(line, 1), key);
  EXPECT_EQ(IssueFileName(line, 1), Sj("第123号-春の特集.txt"));
  EXPECT_EQ(IssueFileName(line, 2), Sj("第123号-春の特集"));

  EXPECT_EQ(IssueFileName(Sj("第123号"), 0), Sj("第123号.txt"));
  EXPECT_EQ(IssueListKey(Sj("第123号.txt"), 0), Sj("第123号"));
  EXPECT_EQ(IssueListKey(Sj("*第123号*new*"), 1), Sj("第123号"));
}

TEST(IssueOrder, NumbersAfterTheNumberMarkCountAsNumbers) {
  EXPECT_EQ(IssueOrderForm(Sj("*第9号*new*")), Sj("*第0000000009号*new*"));
  EXPECT_EQ(IssueOrderForm(Sj("第15号,123.html")), Sj("第0000000015号,123.html"));
  EXPECT_EQ(IssueOrderForm(Sj("*第12345678901号*")), Sj("*第12345678901号*"));  // longer: as it is
  EXPECT_EQ(IssueOrderForm(Sj("*第号外*")), Sj("*第号外*"));
  EXPECT_EQ(IssueOrderForm("*2008/01/02_12:34*"), "*2008/01/02_12:34*");

  StringList lines;
  for (int number = 15; number >= 1; --number) lines.push_back(Sj("*第" + std::to_string(number) + "号*"));
  lines.push_back(Sj("*号外*"));
  lines.push_back("*2008/01/02_12:34*");
  lines.push_back("*2007/12/31_23:59*new*");
  SortIssueLines(lines);
  // The others keep their order among themselves and around the numbered ones.
  StringList expected = {"*2007/12/31_23:59*new*", "*2008/01/02_12:34*", Sj("*号外*")};
  for (int number = 1; number <= 15; ++number) expected.push_back(Sj("*第" + std::to_string(number) + "号*"));
  EXPECT_EQ(lines, expected);
}

TEST(IssueNaming, DateKeyWithATitleListsUnderTheDateOnly) {
  const std::string file = IssueFileName(Sj("2008/01/02 12:34 タイトル"), 0);
  EXPECT_EQ(file, Sj("20080102-1234-タイトル.txt"));
  const std::string listKey = IssueListKey(file, 0);
  EXPECT_EQ(listKey, "2008/01/02_12:34");
  // Back from the list, the name points at another file.
  EXPECT_EQ(IssueFileName("*" + listKey + "*", 1), "20080102-1234.txt");
}

TEST(IssueNaming, OtherFileNamesGetTheFixedDatePlaces) {
  EXPECT_EQ(IssueListKey("readme.txt", 0), "read/me/:");
  EXPECT_EQ(IssueListKey("README.TXT", 0), "READ/ME/:");
  EXPECT_EQ(IssueListKey("2008", 0), "2008//:");
  EXPECT_EQ(IssueListKey("", 0), "//:");
  EXPECT_EQ(IssueListKey("20080102-1234-extra.txt", 0), "2008/01/02_12:34");
  // Only "第" makes a number name; 続 shares its lead byte 91.
  EXPECT_EQ(IssueListKey(Sj("続報.txt"), 0), Sj("続報//:"));
  EXPECT_EQ(IssueListKey(Sj("号外.txt"), 0), Sj("号外//:"));
  // A lower-case ".txt" inside the name goes too, before the places are taken.
  EXPECT_EQ(IssueListKey("2008.txt0102-1234.txt", 0), "2008/01/02_12:34");
}

TEST(IssueNaming, MixedCaseExtensionsStay) {
  EXPECT_EQ(IssueListKey(Sj("第1号.Txt"), 0), Sj("第1号.Txt"));
  EXPECT_EQ(IssueListKey(Sj("第1号.tXT"), 0), Sj("第1号.tXT"));
  EXPECT_EQ(IssueListKey(Sj("第1号.TXT"), 0), Sj("第1号"));
  EXPECT_EQ(IssueListKey("20080102-1234.Txt", 0), "2008/01/02_12:34");  // cut off by the places
}

TEST(IssueNaming, DashesUnderscoresSlashesAndColonsDoNotSurviveTheRound) {
  const std::string key = Sj("第1号 a-b_c");
  const std::string file = IssueFileName(key, 0);
  EXPECT_EQ(file, Sj("第1号-a-b_c.txt"));
  EXPECT_EQ(IssueListKey(file, 0), Sj("第1号_a_b_c"));
  EXPECT_EQ(IssueListKey("*" + IssueListKey(file, 0) + "*", 1), Sj("第1号 a b c"));
  EXPECT_EQ(IssueFileName("*" + IssueListKey(file, 0) + "*", 1), Sj("第1号-a-b-c.txt"));

  const std::string lost = IssueFileName(Sj("第1/2号 10:00"), 0);
  EXPECT_EQ(lost, Sj("第12号-1000.txt"));
  EXPECT_EQ(IssueListKey("*" + IssueListKey(lost, 0) + "*", 1), Sj("第12号 1000"));
}

TEST(IssueNaming, EachModeExpectsItsOwnForm) {
  // Mode 0 keeps the marks, mode 1 keeps blanks.
  EXPECT_EQ(IssueFileName("*x*new*", 0), "*x*new*.txt");
  EXPECT_EQ(IssueFileName(Sj("*第1号 a*"), 1), Sj("第1号 a.txt"));
  // "*new*" goes before "*" in both directions.
  EXPECT_EQ(IssueFileName("*a*new**", 1), "a.txt");
  EXPECT_EQ(IssueListKey("*a_b*new*", 1), "a b");
  // "new" alone is part of the key.
  EXPECT_EQ(IssueListKey("*news_2008*new*", 1), "news 2008");
  EXPECT_EQ(IssueFileName("*news_2008*", 1), "news-2008.txt");
  // Mode 2 turns both blank and "_" into "-" before dropping the marks.
  EXPECT_EQ(IssueFileName("*a b_c*new*", 2), "a-b-c");
  EXPECT_EQ(IssueFileName("a", -1), "a");
  EXPECT_EQ(IssueListKey("a_b", 7), "a b");
}

TEST(IssueNaming, TrailBytesAreNeverReplaced) {
  // ダ is 83 5F: its trail byte is "_".
  EXPECT_EQ(IssueListKey(Sj("*第1号ダ_x*"), 1), Sj("第1号ダ x"));
  EXPECT_EQ(IssueFileName(Sj("*第1号ダ_x*"), 1), Sj("第1号ダ-x.txt"));
  EXPECT_EQ(IssueFileName(Sj("第1号ダ_x"), 2), Sj("第1号ダ-x"));
}

}  // namespace
