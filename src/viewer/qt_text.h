#pragma once
// The program's Shift-JIS text in memos: a memo holds Unicode with LF line breaks, the
// program Shift-JIS with CR LF.

#include <string>
#include <string_view>

#include "platform/qstring_text.h"
#include "platform/text_lines.h"

class QPlainTextEdit;

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
