#pragma once
// Long text reaches a memo in steps between events, so the window keeps answering while
// thousands of lines are laid out. Anything else that changes the memo's text ends the
// feeding: the newer text wins.

#include <QObject>
#include <QString>
#include <string_view>

class QPlainTextEdit;
class QTextDocument;

class MemoFeeder final : public QObject {
 public:
  // Owned by `memo`.
  explicit MemoFeeder(QPlainTextEdit& memo);

  // Empties the memo and drops what is still to come.
  void Clear();
  // Queues Shift-JIS text to follow what the memo holds and what is still to come; it
  // goes in once the event loop runs.
  void Append(std::string_view sjis);
  // Puts Shift-JIS text before everything the memo holds, at once.
  void InsertAtStart(std::string_view sjis);
  // True while queued text has still to go in.
  bool IsFeeding() const { return !queued_.isEmpty(); }

 private:
  void Step();
  void Insert(bool atStart, QStringView text);
  void Stop();

  QPlainTextEdit& memo_;
  QTextDocument* document_;  // the memo's document the feeding was started on
  QString queued_;
  qsizetype next_ = 0;  // first character of `queued_` not yet in the memo
  bool stepPosted_ = false;
  bool ownEdit_ = false;
};
