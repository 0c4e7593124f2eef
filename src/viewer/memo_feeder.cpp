#include "viewer/memo_feeder.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>

#include "viewer/qt_text.h"

namespace {

// A step takes a few hundred lines: a few milliseconds. The first goes at once; the rest
// leave the window time for its own work in between (a join's page is built meanwhile).
constexpr qsizetype kStepCharacters = 16 * 1024;
constexpr int kStepIntervalMs = 10;

}  // namespace

MemoFeeder::MemoFeeder(QPlainTextEdit& memo) : QObject(&memo), memo_(memo), document_(memo.document()) {
  connect(document_, &QTextDocument::contentsChange, this, [this] {
    if (!ownEdit_) Stop();
  });
}

void MemoFeeder::Clear() {
  Stop();
  ownEdit_ = true;
  memo_.clear();
  ownEdit_ = false;
}

void MemoFeeder::Append(std::string_view sjis) {
  if (memo_.document() != document_) return;
  queued_ += ToWidgetText(sjis);
  if (stepPosted_ || queued_.isEmpty()) return;
  stepPosted_ = true;
  QTimer::singleShot(0, this, &MemoFeeder::Step);
}

void MemoFeeder::InsertAtStart(std::string_view sjis) {
  if (memo_.document() != document_) return;
  Insert(true, ToWidgetText(sjis));
}

void MemoFeeder::Step() {
  stepPosted_ = false;
  if (queued_.isEmpty() || memo_.document() != document_) return;
  const qsizetype count = std::min(kStepCharacters, queued_.size() - next_);
  Insert(false, QStringView(queued_).mid(next_, count));
  next_ += count;
  if (next_ < queued_.size()) {
    stepPosted_ = true;
    QTimer::singleShot(kStepIntervalMs, this, &MemoFeeder::Step);
  } else {
    Stop();
  }
}

void MemoFeeder::Insert(bool atStart, QStringView text) {
  QTextCursor cursor(document_);
  cursor.movePosition(atStart ? QTextCursor::Start : QTextCursor::End);
  ownEdit_ = true;
  cursor.insertText(text.toString());
  ownEdit_ = false;
}

void MemoFeeder::Stop() {
  queued_.clear();
  next_ = 0;
}
