#include "viewer/qt_text.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

std::string MemoText(const QPlainTextEdit& memo) {
  // The raw text keeps every character; the plain-text export would turn no-break
  // spaces into blanks.
  return FromWidgetText(memo.document()->toRawText());
}

void SetMemoText(QPlainTextEdit& memo, std::string_view sjis) { memo.setPlainText(ToWidgetText(sjis)); }

StringList MemoLines(const QPlainTextEdit& memo) { return SplitLines(MemoText(memo)); }

void SetMemoLines(QPlainTextEdit& memo, const StringList& lines) { SetMemoText(memo, JoinLines(lines)); }

void AppendMemoLines(QPlainTextEdit& memo, std::string_view sjis) {
  QTextDocument& document = *memo.document();
  QTextCursor cursor(&document);
  cursor.movePosition(QTextCursor::End);
  const QString text = ToWidgetText(sjis);
  // Like a memo's string list: a memo whose text ends in a break gets the lines and a
  // break; a last line without a break gets a break first and none after.
  const bool endsWithBreak = document.lastBlock().text().isEmpty();
  // One edit block: the layout and the scroll range are updated once, not per line.
  cursor.beginEditBlock();
  cursor.insertText(endsWithBreak ? text + QLatin1Char('\n') : QLatin1Char('\n') + text);
  cursor.endEditBlock();
}
