#pragma once
// Local wall-clock date-times as day counts (days since 1899-12-30, time of day as the
// fraction), the form the read limit and the archive stamps are computed in.

#include <functional>
#include <string>

using DateTime = double;

// Where "now" comes from; tests pass a clock of their own.
using Clock = std::function<DateTime()>;

DateTime NowLocal();
Clock SystemClock();

// A local date and time as a day count; month 1-12, day 1-31.
DateTime MakeDateTime(int year, int month, int day, int hour, int minute, int second, int millisecond = 0);

// Whole milliseconds from `start` to `now`, negative when `now` is earlier;
// 2147483647 when the difference does not fit 32 bits.
int ElapsedMilliseconds(DateTime now, DateTime start);

// "yyyy/mm/dd hh:mm:ss", hours 00-23.
std::string FormatDateTime(DateTime value);
