#include "platform/qstring_text.h"

#include "platform/cp932.h"

namespace {

QString LfOnly(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  // A memo may keep several lines in one block, separated thus.
  text.replace(QChar::LineSeparator, QLatin1Char('\n'));
  return text;
}

}  // namespace

QString Utf8(const char* text) { return QString::fromUtf8(text); }

QString ToQString(std::string_view sjis) { return QString::fromStdU16String(cp932::Decode(sjis)); }

std::string FromQString(const QString& text) { return cp932::Encode(text.toStdU16String()); }

QString ToWidgetText(std::string_view sjis) { return LfOnly(ToQString(sjis)); }

std::string FromWidgetText(const QString& text) {
  return FromQString(LfOnly(text).replace(QLatin1Char('\n'), QStringLiteral("\r\n")));
}
