#include "platform/clock.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <limits>

namespace {

constexpr std::int64_t kMillisecondsPerDay = 86'400'000;

// Days from 1899-12-30 to the given civil date (proleptic Gregorian).
std::int64_t DaysFromEpoch(int year, int month, int day) {
  const std::chrono::sys_days date = std::chrono::year{year} /
                                     std::chrono::month{static_cast<unsigned>(month)} /
                                     std::chrono::day{static_cast<unsigned>(day)};
  const std::chrono::sys_days epoch = std::chrono::year{1899} / std::chrono::December / std::chrono::day{30};
  return (date - epoch).count();
}

// Days times 86,400,000 plus the milliseconds of the day. Before the epoch the day
// count is negative while the time of day still counts forward, as in the day-count
// format itself.
std::int64_t ToMilliseconds(DateTime value) {
  const double wholeDays = std::trunc(value);
  const double fraction = std::fabs(value - wholeDays);
  return static_cast<std::int64_t>(wholeDays) * kMillisecondsPerDay +
         static_cast<std::int64_t>(std::llround(fraction * static_cast<double>(kMillisecondsPerDay)));
}

}  // namespace

DateTime MakeDateTime(int year, int month, int day, int hour, int minute, int second, int millisecond) {
  const double timeOfDay = (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond) /
                           static_cast<double>(kMillisecondsPerDay);
  return static_cast<double>(DaysFromEpoch(year, month, day)) + timeOfDay;
}

DateTime NowLocal() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  return MakeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                      local.tm_sec, static_cast<int>(millis < 0 ? millis + 1000 : millis));
}

Clock SystemClock() { return NowLocal; }

int ElapsedMilliseconds(DateTime now, DateTime start) {
  if (!std::isfinite(now) || !std::isfinite(start)) return std::numeric_limits<int>::max();
  constexpr double kLimit = 9.0e15;  // far beyond any date, still exact in 64 bits
  if (std::fabs(now) * kMillisecondsPerDay > kLimit || std::fabs(start) * kMillisecondsPerDay > kLimit) {
    return std::numeric_limits<int>::max();
  }
  const std::int64_t difference = ToMilliseconds(now) - ToMilliseconds(start);
  if (difference > std::numeric_limits<int>::max() || difference < std::numeric_limits<int>::min()) {
    return std::numeric_limits<int>::max();
  }
  return static_cast<int>(difference);
}

std::string FormatDateTime(DateTime value) {
  const std::int64_t total = ToMilliseconds(value);
  std::int64_t days = total / kMillisecondsPerDay;
  std::int64_t ofDay = total % kMillisecondsPerDay;
  if (ofDay < 0) {
    ofDay += kMillisecondsPerDay;
    --days;
  }
  const std::chrono::sys_days epoch = std::chrono::year{1899} / std::chrono::December / std::chrono::day{30};
  const std::chrono::year_month_day date{epoch + std::chrono::days{days}};
  const std::int64_t secondsOfDay = ofDay / 1000;
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04d/%02u/%02u %02d:%02d:%02d", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(secondsOfDay / 3600), static_cast<int>(secondsOfDay / 60 % 60),
                static_cast<int>(secondsOfDay % 60));
  return buffer;
}
