#include "archive/search_order.h"

#include <algorithm>
#include <cctype>

#include "archive/issue_naming.h"
#include "platform/cp932.h"
#include "platform/sjis.h"

namespace {

constexpr std::int64_t kValueLimit = std::int64_t{1} << 40;  // above any 12-digit date
constexpr std::int64_t kDatedClass = kValueLimit;

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// "yyyy/mm/dd_hh:mm" as a number that grows with the date.
std::int64_t DateValue(std::string_view key) {
  std::int64_t value = 0;
  for (const char c : key.substr(0, 16)) {
    if (IsDigit(c)) value = value * 10 + (c - '0');
  }
  return value;
}

bool IsDateKey(std::string_view key) {
  static constexpr std::string_view kShape = "9999/99/99_99:99";
  if (key.size() < kShape.size()) return false;
  for (std::size_t i = 0; i < kShape.size(); ++i) {
    if (kShape[i] == '9' ? !IsDigit(key[i]) : key[i] != kShape[i]) return false;
  }
  return true;
}

// The digits after "第", Latin or full-width; 0 when there are none.
std::int64_t IssueNumber(std::string_view key) {
  static const std::string kMark = cp932::FromUtf8("第");
  static const std::string kFullWidthZero = cp932::FromUtf8("０");
  std::size_t at = sjis::Find(key, kMark) - 1 + kMark.size();
  std::int64_t number = 0;
  while (at < key.size()) {
    int digit = -1;
    if (IsDigit(key[at])) {
      digit = key[at] - '0';
    } else if (key.substr(at, 1) == kFullWidthZero.substr(0, 1) && at + 1 < key.size()) {
      const int trail =
          static_cast<unsigned char>(key[at + 1]) - static_cast<unsigned char>(kFullWidthZero[1]);
      if (trail >= 0 && trail <= 9) digit = trail;
    }
    if (digit < 0) break;
    number = std::min(kValueLimit - 1, number * 10 + digit);
    at += IsDigit(key[at]) ? 1 : 2;
  }
  return number;
}

}  // namespace

std::int64_t IssueRank(std::string_view listKey) {
  if (IsNumberKey(listKey)) return IssueNumber(listKey);
  if (IsDateKey(listKey)) return kDatedClass | DateValue(listKey);
  return 0;
}
