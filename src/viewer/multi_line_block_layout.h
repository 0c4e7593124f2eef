#pragma once
// The plain-text layout of a memo whose blocks may each hold several lines (separated by
// U+2028, the block's user state holding how many). Such a document costs a fraction of one
// with a block per line; this layout counts each such block as its lines even before it is
// laid out, so the scroll bar spans the whole text from the start. Once the text is edited,
// it is a memo like any other.

#include <QPlainTextDocumentLayout>

class MultiLineBlockLayout final : public QPlainTextDocumentLayout {
  Q_OBJECT

 public:
  explicit MultiLineBlockLayout(QTextDocument* document);

  void documentChanged(int from, int charsRemoved, int charsAdded) override;

 private:
  // Gives the blocks not laid out yet their line counts back after a relayout has made each
  // count one line.
  void RestoreLineCounts();

  bool holdsBuiltText_ = true;
  bool restoring_ = false;
};
