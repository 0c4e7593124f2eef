#pragma once
// 結合 and 全: the issues of the lines selected in the issue list joined into one page,
// shown in the HTML view through the work pages the single shows rotate through.

#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "platform/shared_state.h"

class HtmlView;
class IssueListViewer;
class MemoFeeder;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

// The controls the join works on; all owned by the main window.
struct JoinWidgets {
  QPlainTextEdit* list;       // Memo3: the issue list
  QPlainTextEdit* selection;  // Memo2: hidden, the selected lines
  QPlainTextEdit* textArea;   // Memo1: the joined text, then the whole page
  QLineEdit* rangeKey;        // Edit6: RangeKey
  QLabel* status;             // Label1: status line
  HtmlView* view;             // WebB1
};

class IssueJoiner {
 public:
  // `viewer` shares its request counter and work-page rotation with the join;
  // `setControlState` is the main window's, used while the list takes the focus.
  IssueJoiner(SharedState& state, IssueListViewer& viewer, JoinWidgets widgets,
              std::function<void(int)> setControlState);
  IssueJoiner(const IssueJoiner&) = delete;
  IssueJoiner& operator=(const IssueJoiner&) = delete;

  // Joins the issues of the lines the list's selection touches, widened to whole lines,
  // in list order. Missing issue files are skipped. Nothing to join, an issue file that
  // cannot be read or a work page that cannot be written leave the view, ResultText and
  // Edit6 as they were and clear the status line.
  void JoinSelectedIssues();

 private:
  // What the join changes before it knows that it will succeed.
  struct Before {
    bool viewHidden = true;
    QString rangeKey;
  };

  bool WidgetsPresent() const;
  void WidenSelection();
  void ShowStatus(const std::string& sjisText, bool paintNow);
  void Restore(const Before& before);

  SharedState& state_;
  IssueListViewer& viewer_;
  QPointer<QPlainTextEdit> list_;
  QPointer<QPlainTextEdit> selection_;
  QPointer<QPlainTextEdit> textArea_;
  QPointer<MemoFeeder> textFeeder_;  // owned by the text area
  QPointer<QLineEdit> rangeKey_;
  QPointer<QLabel> status_;
  QPointer<HtmlView> view_;
  std::function<void(int)> setControlState_;
  // Expires with the joiner, so the join knows after processing messages whether it may go on.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};
