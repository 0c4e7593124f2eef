// The join's pure parts: widening a selection to whole lines, the names a join gives
// itself, and the page's bytes.

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "support/test_support.h"
#include "viewer/joined_page.h"
#include "viewer/whole_lines.h"

namespace {

struct WidenCase {
  const char* name;
  long long breakLength;
  long long start, end;          // the selection
  long long wideStart, wideEnd;  // -1: nothing
};

// Lines of 3, 4 and 3 characters (and an empty one for the last rows). With CR LF the
// lines start at 0, 5, 11 and end after their breaks at 5, 11, 16; with LF at 0, 4, 9 and
// 4, 9, 13.
TEST(WidenToWholeLines, CoversEveryLineTheSelectionTouches) {
  const WidenCase cases[] = {
      {"middle of first to middle of last", 2, 1, 13, 0, 16},
      {"inside one line", 2, 6, 8, 5, 11},
      {"ends exactly at a line start: that line stays out", 2, 1, 11, 0, 11},
      {"ends inside the CR LF", 2, 1, 10, 0, 11},
      {"starts inside the CR LF of the line before", 2, 4, 7, 0, 11},
      {"starts just after a break", 2, 5, 7, 5, 11},
      {"whole text", 2, 0, 16, 0, 16},
      {"beyond the last line", 2, 16, 20, -1, -1},
      {"lf: middle to middle", 1, 2, 10, 0, 13},
      {"lf: ends at a line start", 1, 2, 9, 0, 9},
      {"lf: whole text", 1, 0, 13, 0, 13},
  };
  for (const WidenCase& c : cases) {
    const std::optional<LineRange> range = WidenToWholeLines({3, 4, 3}, c.breakLength, c.start, c.end);
    if (c.wideStart < 0) {
      EXPECT_FALSE(range) << c.name;
      continue;
    }
    ASSERT_TRUE(range) << c.name;
    EXPECT_EQ(range->start, c.wideStart) << c.name;
    EXPECT_EQ(range->end, c.wideEnd) << c.name;
  }
  // An empty line between counts as a line of its own.
  const std::optional<LineRange> range = WidenToWholeLines({3, 0, 3}, 2, 1, 6);
  ASSERT_TRUE(range);
  EXPECT_EQ(range->end, 7);
}

TEST(DescribeJoin, NamesTheFirstAndTheLastIssue) {
  struct Case {
    const char* first;
    const char* last;
    const char* banner;
    const char* rangeKey;
    const char* status;
  };
  const Case cases[] = {
      {"20080102-1234", "20080102-1234", "", "20080102-1234", "** メルマガ 2008/01/02_12:34 **"},
      {"20080110-0800", "20080102-1234",
       "*** メルマガの2008/01/10_08:00号から2008/01/02_12:34号を、結合しました。***",
       "20080110-0800_20080102-1234", "** 結合完成(2008/01/10_08:00号～2008/01/02_12:34号) **"},
      {"第130号", "第123号", "*** メルマガの第130号号から第123号号を、結合しました。***", "第130号_第123号",
       "** 結合完成(第130号号～第123号号) **"},
      // No issue file found: the display key of an empty name.
      {"", "", "", "", "** メルマガ //: **"},
  };
  for (const Case& c : cases) {
    const JoinCaption caption = DescribeJoin(Sj(c.first), Sj(c.last));
    EXPECT_EQ(Hex(caption.banner), Hex(Sj(c.banner))) << c.first;
    EXPECT_EQ(Hex(caption.rangeKey), Hex(Sj(c.rangeKey))) << c.first;
    EXPECT_EQ(Hex(caption.status), Hex(Sj(c.status))) << c.first;
  }
}

TEST(JoinedPage, EveryLineEndsInCrLf) {
  const std::pair<std::string, std::string> blocks[] = {
      {"a\r\nb\r\n", "a\r\nb\r\n\r\n"},  // a final break gives an empty line
      {"a\nb", "a\r\nb\r\n"},
      {"a\rb\r", "a\r\nb\r\n\r\n"},
      {"", "\r\n"},
      {"\x83\x5C\x81", "\x83\x5C\x81\r\n"},  // bytes stay as they are
  };
  for (const auto& [file, block] : blocks) EXPECT_EQ(Hex(JoinedIssueBlock(file)), Hex(block)) << file;
  EXPECT_EQ(JoinedPageHead(""), "<HTML><HEAD></HEAD><BODY><pre>\r\n");
  EXPECT_EQ(JoinedPageHead("***"), "<HTML><HEAD></HEAD><BODY><pre>\r\n***\r\n");
  EXPECT_EQ(JoinedPageTail(), "</pre></BODY></HTML>\r\n");
}

}  // namespace
