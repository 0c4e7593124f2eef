#pragma once
// The issue list of the main window (Memo3): its order, and showing one issue at a time in
// the HTML view through the rotating work pages of the newsletter's folder.

#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/shared_state.h"

class HtmlView;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

// The controls the viewer works on; all owned by the main window.
struct IssueListWidgets {
  QPlainTextEdit* list;        // Memo3: the issue list
  QPlainTextEdit* scratch;     // Memo4: hidden work list for reversing
  QPlainTextEdit* textArea;    // Memo1: text of the page last built
  QLineEdit* rangeKey;         // Edit6: RangeKey
  QLabel* status;              // Label1: status line
  HtmlView* view;              // WebB1
  std::function<int()> order;  // RadioG1's item index: 0 新着順, 1 発行順
};

// The request counter after one more request: up by one, and back to 0 instead of reaching
// 2147483647 (a value outside 0..2147483646 also goes to 0).
std::int32_t NextViewGeneration(std::int32_t generation);

class IssueListViewer {
 public:
  IssueListViewer(SharedState& state, IssueListWidgets widgets);
  ~IssueListViewer();
  IssueListViewer(const IssueListViewer&) = delete;
  IssueListViewer& operator=(const IssueListViewer&) = delete;

  // Fills the list from StoredIssueList: newest first for 新着順, ascending for 発行順;
  // caret at the start, nothing selected. An empty StoredIssueList changes nothing.
  void RadioG1Click();
  // The list set whole from StoredIssueList, as RadioG1Click orders it: a newsletter
  // without stored issues leaves no line of the previous one.
  void ListStoredIssues();

  // Shows the issue of the caret line (0), the line before it (-1) or after it (+1). It
  // waits with messages processed, so a newer request (or a join) may start meanwhile;
  // this one then stops at its next check of ViewGeneration.
  void ShowIssue(int direction);

  // The list's own events call these (a left click; the final release of a key; a left
  // double click).
  void Memo3Click();
  // Only Qt::Key_Up and Qt::Key_Down show the caret line.
  void Memo3KeyUp(int key);
  // Selects the whole list text (for a join); shows nothing.
  void Memo3DblClick();
  void B_BackClick();
  void B_NextClick();

  // Raises ViewGeneration (see NextViewGeneration) and returns the new value; the join
  // calls it too, so a show still waiting gives way.
  std::int32_t RaiseViewGeneration();

  std::int32_t ViewGeneration = 0;  // request counter, shared with the join
  int WorkPageIndex = 0;            // next work page (0, 1, 2), shared with the join

 private:
  // Waits with messages processed; false when this request must stop: the viewer or one
  // of its controls is gone, or a newer request has raised the counter.
  bool WaitAndCheck(int milliseconds, std::int32_t request);
  bool SelectTargetLine(int direction);
  // The list takes the focus and its selection shrinks to a caret at its start.
  void FocusListCaret();
  void ShowStatus(const std::string& sjisText);

  SharedState& state_;
  QPointer<QPlainTextEdit> list_;
  QPointer<QPlainTextEdit> scratch_;
  QPointer<QPlainTextEdit> textArea_;
  QPointer<QLineEdit> rangeKey_;
  QPointer<QLabel> status_;
  QPointer<HtmlView> view_;
  std::function<int()> order_;
  // Hands the list's clicks and keys to the handlers above.
  std::unique_ptr<QObject> listEvents_;
  // Expires with the viewer, so a request resuming after a wait knows whether it may go on.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};
