#include "platform/clock.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(ElapsedMilliseconds, CountsWholeMillisecondsBothWays) {
  const DateTime start = MakeDateTime(2026, 12, 7, 23, 59, 59, 500);
  const DateTime later = MakeDateTime(2026, 12, 8, 0, 0, 40, 0);
  EXPECT_EQ(ElapsedMilliseconds(later, start), 40'500);
  EXPECT_EQ(ElapsedMilliseconds(start, later), -40'500);
  EXPECT_EQ(ElapsedMilliseconds(start, start), 0);
}

TEST(ElapsedMilliseconds, RoundsEachValueToTheNearestMillisecond) {
  const DateTime start = 46000.0;
  const double oneMs = 1.0 / 86'400'000.0;
  EXPECT_EQ(ElapsedMilliseconds(start + 0.4 * oneMs, start), 0);
  EXPECT_EQ(ElapsedMilliseconds(start + 0.6 * oneMs, start), 1);
  EXPECT_EQ(ElapsedMilliseconds(start + 40'000 * oneMs, start), 40'000);
}

TEST(ElapsedMilliseconds, ClampsWhatDoesNotFit32Bits) {
  const DateTime start = MakeDateTime(2000, 1, 1, 0, 0, 0);
  EXPECT_EQ(ElapsedMilliseconds(start + 24.0, start), 2'073'600'000);
  EXPECT_EQ(ElapsedMilliseconds(start + 25.0, start), std::numeric_limits<int>::max());
  EXPECT_EQ(ElapsedMilliseconds(start - 25.0, start), std::numeric_limits<int>::max());
  EXPECT_EQ(ElapsedMilliseconds(std::numeric_limits<double>::infinity(), start),
            std::numeric_limits<int>::max());
}

TEST(ElapsedMilliseconds, DaysBeforeTheEpochCountTheirTimeForward) {
  // -1.25 is 1899-12-29 06:00, -0.75 is 1899-12-30 18:00.
  EXPECT_EQ(ElapsedMilliseconds(-0.75, -1.25), 36 * 3'600'000);
}

TEST(FormatDateTime, UsesTheArchiveStampForm) {
  EXPECT_EQ(FormatDateTime(MakeDateTime(2006, 12, 31, 15, 30, 5)), "2006/12/31 15:30:05");
  EXPECT_EQ(FormatDateTime(MakeDateTime(2026, 1, 2, 3, 4, 5, 999)), "2026/01/02 03:04:05");
  EXPECT_EQ(FormatDateTime(0.0), "1899/12/30 00:00:00");
}

TEST(NowLocal, IsAPlausibleDayCount) {
  const DateTime now = NowLocal();
  EXPECT_GT(now, MakeDateTime(2020, 1, 1, 0, 0, 0));
  EXPECT_LT(now, MakeDateTime(2200, 1, 1, 0, 0, 0));
}

}  // namespace
