#pragma once
// The date panel's text: the era line ("令和8(2026)年") and the day line
// ("12月7日(月曜日)"), joined by CR LF, in Shift-JIS.

#include <string>

// The caption of a Gregorian date (month 1-12, day 1-31).
std::string DateCaption(int year, int month, int day);

// The caption of today's local date.
std::string DateCaption();
