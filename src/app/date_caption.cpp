#include "app/date_caption.h"

#include <unicode/calendar.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <ctime>
#include <memory>

#include "platform/cp932.h"

namespace {

std::string Format(const char* patternUtf8, const char* overrides, UDate date) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Locale japanese("ja_JP@calendar=japanese");
  const icu::UnicodeString pattern = icu::UnicodeString::fromUTF8(patternUtf8);
  auto format = *overrides != '\0' ? std::make_unique<icu::SimpleDateFormat>(
                                         pattern, icu::UnicodeString::fromUTF8(overrides), japanese, status)
                                   : std::make_unique<icu::SimpleDateFormat>(pattern, japanese, status);
  if (U_FAILURE(status)) return {};
  // The date was made at noon UTC; formatting in UTC keeps its day.
  format->adoptTimeZone(icu::TimeZone::getGMT()->clone());
  icu::UnicodeString text;
  format->format(date, text);
  std::string utf8;
  text.toUTF8String(utf8);
  return cp932::FromUtf8(utf8);
}

}  // namespace

std::string DateCaption(int year, int month, int day) {
  UErrorCode status = U_ZERO_ERROR;
  icu::GregorianCalendar calendar(*icu::TimeZone::getGMT(), status);
  if (U_FAILURE(status)) return {};
  calendar.clear();
  calendar.set(year, month - 1, day, 12, 0, 0);
  const UDate date = calendar.getTime(status);
  if (U_FAILURE(status)) return {};
  // "y=latn": the first year of an era is printed as 1, not as 元. uuuu is the Western
  // year; yyyy would be the era year again.
  return Format("GGGGy(uuuu)年", "y=latn", date) + "\r\n" + Format("M月d日(EEEE)", "", date);
}

std::string DateCaption() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return DateCaption(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}
