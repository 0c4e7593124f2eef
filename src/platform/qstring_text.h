#pragma once
// The one place where the program's Shift-JIS (CP932) strings meet QString. Widgets hold
// Unicode with LF line breaks; the program holds Shift-JIS with CR LF.

#include <QString>
#include <string>
#include <string_view>

// A caption written in UTF-8 in the source.
QString Utf8(const char* text);

// CP932 bytes to Unicode and back (characters outside CP932 become "?").
QString ToQString(std::string_view sjis);
std::string FromQString(const QString& text);

// As above, with line breaks: CR LF (and lone CR) become LF for a widget, LF becomes
// CR LF for the program.
QString ToWidgetText(std::string_view sjis);
std::string FromWidgetText(const QString& text);
