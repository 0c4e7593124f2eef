#include "app/date_caption.h"

#include <gtest/gtest.h>

#include <ctime>

#include "support/test_support.h"

namespace {

// Era boundaries and the first year of an era, which is printed as 1, not as 元.
TEST(DateCaption, EraLineAndDayLineJoinedByCrLf) {
  struct Case {
    int year, month, day;
    const char* expected;
  };
  const Case cases[] = {
      {2026, 12, 7, "令和8(2026)年\r\n12月7日(月曜日)"}, {1989, 1, 7, "昭和64(1989)年\r\n1月7日(土曜日)"},
      {1989, 1, 8, "平成1(1989)年\r\n1月8日(日曜日)"},   {2019, 4, 30, "平成31(2019)年\r\n4月30日(火曜日)"},
      {2019, 5, 1, "令和1(2019)年\r\n5月1日(水曜日)"},   {2000, 2, 29, "平成12(2000)年\r\n2月29日(火曜日)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Hex(DateCaption(c.year, c.month, c.day)), Hex(Sj(c.expected))) << c.expected;
  }
}

TEST(DateCaption, TodayIsTheLocalDate) {
  // Taken around the call, so a midnight in between cannot fail the test.
  auto localCaption = [] {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return DateCaption(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
  };
  const std::string before = localCaption();
  const std::string today = DateCaption();
  const std::string after = localCaption();
  EXPECT_TRUE(today == before || today == after) << Hex(today);
}

TEST(DateCaption, DayOutsideTheMonthDoesNotFail) {
  // The calendar rolls such a date over; the caption stays two lines.
  const std::string caption = DateCaption(2026, 2, 30);
  EXPECT_EQ(Hex(caption), Hex(Sj("令和8(2026)年\r\n3月2日(月曜日)")));
}

}  // namespace
