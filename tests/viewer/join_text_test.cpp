// The join's pure parts: a selection widened to whole lines, and one issue's bytes.

#include <gtest/gtest.h>

#include "support/test_support.h"
#include "viewer/joined_page.h"
#include "viewer/whole_lines.h"

namespace {

// Lines of 3, 0 and 4 characters: with CR LF they start at 0, 5, 7 and end after their
// breaks at 5, 7, 13; with LF at 0, 4, 5 and 4, 5, 10.
TEST(WidenToWholeLines, CoversEveryLineTheSelectionTouches) {
  struct Case {
    long long breakLength, start, end, wideStart, wideEnd;  // wideStart -1: nothing
  };
  const Case cases[] = {
      {2, 1, 9, 0, 13},    // middle of the first to the middle of the last
      {2, 8, 9, 7, 13},    // inside one line
      {2, 1, 7, 0, 7},     // ends where the last line starts: that line stays out
      {2, 1, 4, 0, 5},     // ends inside a CR LF
      {2, 4, 9, 0, 13},    // starts inside the CR LF of the first line
      {2, 13, 14, -1, 0},  // beyond the last line
      {1, 2, 6, 0, 10},
      {1, 2, 5, 0, 5},
      {1, 4, 5, 4, 5},  // the empty line alone
  };
  for (const Case& c : cases) {
    const auto range = WidenToWholeLines({3, 0, 4}, c.breakLength, c.start, c.end);
    ASSERT_EQ(range.has_value(), c.wideStart >= 0) << c.breakLength << ":" << c.start << "-" << c.end;
    if (range) {
      EXPECT_EQ(std::make_pair(range->start, range->end), std::make_pair(c.wideStart, c.wideEnd));
    }
  }
}

TEST(JoinedIssueBlock, EndsEveryLineInCrLfAndKeepsTheBytes) {
  EXPECT_EQ(JoinedIssueBlock("a\rb\r"), "a\r\nb\r\n\r\n");
  EXPECT_EQ(JoinedIssueBlock("a\nb"), "a\r\nb\r\n");
  EXPECT_EQ(JoinedIssueBlock(""), "\r\n");
  EXPECT_EQ(Hex(JoinedIssueBlock("\x87\x90\x83\x5C\x81")), Hex("\x87\x90\x83\x5C\x81\r\n"));
}

}  // namespace
