#include "viewer/multi_line_block_layout.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

MultiLineBlockLayout::MultiLineBlockLayout(QTextDocument* document) : QPlainTextDocumentLayout(document) {
  // A relayout (a new text width: the memo is shown or resized) ends with this signal.
  connect(this, &QAbstractTextDocumentLayout::update, this, [this] { RestoreLineCounts(); });
}

void MultiLineBlockLayout::documentChanged(int from, int charsRemoved, int charsAdded) {
  // The first call takes the built text in; any later one is an edit.
  if (charsRemoved > 0 || from > 0) holdsBuiltText_ = false;
  QPlainTextDocumentLayout::documentChanged(from, charsRemoved, charsAdded);
  if (holdsBuiltText_) RestoreLineCounts();
}

void MultiLineBlockLayout::RestoreLineCounts() {
  if (!holdsBuiltText_ || restoring_) return;
  restoring_ = true;
  bool changed = false;
  for (QTextBlock block = document()->firstBlock(); block.isValid(); block = block.next()) {
    const int lines = block.userState();
    if (lines > 1 && block.lineCount() != lines && block.layout()->lineCount() == 0) {
      block.setLineCount(lines);
      changed = true;
    }
  }
  if (changed) Q_EMIT documentSizeChanged(documentSize());
  restoring_ = false;
}
