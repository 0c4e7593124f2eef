#include "platform/collation.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace {

TEST(SortIgnoringCase, OrdersDateKeysOldestFirstAndIgnoresCase) {
  StringList lines{"*2008/01/02_12:34*new*", "*2007/12/31_08:00*", "*2008/01/02_12:34*", "b", "B", "a"};
  SortIgnoringCase(lines);
  EXPECT_EQ(lines, (StringList{"*2007/12/31_08:00*", "*2008/01/02_12:34*", "*2008/01/02_12:34*new*", "a", "b",
                               "B"}));
}

TEST(SortIgnoringCase, QueueLinesAndJapaneseKeys) {
  StringList lines{Sj("第2号,2.html"), "2008/01/02 12:34,9.html", Sj("第10号,10.html"),
                   "2007/02/12 10:00,1.html"};
  SortIgnoringCase(lines);
  EXPECT_EQ(lines, (StringList{"2007/02/12 10:00,1.html", "2008/01/02 12:34,9.html", Sj("第10号,10.html"),
                               Sj("第2号,2.html")}));
}

TEST(SortIgnoringCase, SurvivesBrokenBytesAndTinyLists) {
  StringList none;
  SortIgnoringCase(none);
  EXPECT_TRUE(none.empty());
  StringList broken{std::string("\x82", 1), "", std::string("\xFF\xFE", 2), "a"};
  SortIgnoringCase(broken);
  EXPECT_EQ(broken.size(), 4u);
}

}  // namespace
