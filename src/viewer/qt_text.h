#pragma once
// The one place where the program's Shift-JIS (CP932) strings meet QString. Widgets hold
// Unicode with LF line breaks; the program holds Shift-JIS with CR LF.

#include <QString>
#include <string>
#include <string_view>

#include "platform/text_lines.h"

class QPlainTextEdit;

// A caption written in UTF-8 in the source.
QString Utf8(const char* text);

// CP932 bytes to Unicode and back (characters outside CP932 become "?").
QString ToQString(std::string_view sjis);
std::string FromQString(const QString& text);

// As above, with line breaks: CR LF (and lone CR) become LF for a widget, LF becomes
// CR LF for the program.
QString ToWidgetText(std::string_view sjis);
std::string FromWidgetText(const QString& text);

// A memo's text as the program sees it: Shift-JIS, CR LF after every line break the memo
// holds (a memo whose text ends in a break holds an empty last line in the widget).
std::string MemoText(const QPlainTextEdit& memo);
void SetMemoText(QPlainTextEdit& memo, std::string_view sjis);

// The memo's lines (no empty line for a final break), and a memo filled with lines, each
// followed by a break.
StringList MemoLines(const QPlainTextEdit& memo);
void SetMemoLines(QPlainTextEdit& memo, const StringList& lines);

// Appends `sjis` as new lines after the memo's last line, like adding to a string list:
// a text with breaks adds several lines. Cheap for long memos (no rewrite of the text).
void AppendMemoLines(QPlainTextEdit& memo, std::string_view sjis);
