#include "viewer/issue_list.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <filesystem>
#include <limits>
#include <optional>
#include <utility>

#include "archive/issue_naming.h"
#include "archive/work_pages.h"
#include "platform/cp932.h"
#include "platform/dialogs.h"
#include "platform/events.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "platform/text_lines.h"
#include "viewer/html_view.h"
#include "viewer/list_lines.h"
#include "viewer/qt_text.h"
#include "viewer/target_line.h"

namespace {

// The list's mouse and key events, handed to the list's handlers once the widget has taken
// each event, so the caret and selection they look at are the ones the user made. Only the
// left button clicks. The release that ends a double click is no click: it would cancel the
// show that the first click started. A held arrow key counts once, at its final release,
// not at each auto-repeat.
class ListEvents final : public QObject {
 public:
  // X11 reports many auto-repeated releases as plain ones; the press of the same key that
  // follows each at once tells them apart. A release counts once this long has passed
  // without such a press.
  static constexpr int kRepeatPressWaitMs = 50;

  ListEvents(IssueListViewer& viewer, QPlainTextEdit& list) : viewer_(viewer), list_(list) {
    list.installEventFilter(this);
    list.viewport()->installEventFilter(this);
    keyUp_.setSingleShot(true);
    keyUp_.setInterval(kRepeatPressWaitMs);
    connect(&keyUp_, &QTimer::timeout, this, [this] { viewer_.Memo3KeyUp(releasedKey_); });
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == &list_ && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
      const auto& key = static_cast<const QKeyEvent&>(*event);
      if (event->type() == QEvent::KeyPress) {
        if (key.key() == releasedKey_) keyUp_.stop();
      } else if (!key.isAutoRepeat() && (key.key() == Qt::Key_Up || key.key() == Qt::Key_Down)) {
        // Other keys show nothing; the release of Shift after Shift+Down must not take the
        // arrow's place.
        releasedKey_ = key.key();
        keyUp_.start();
      }
      return false;
    }
    if (watched != list_.viewport()) return false;
    switch (event->type()) {
      case QEvent::MouseButtonPress:
        endsDoubleClick_ = false;
        StartNewSelection(static_cast<const QMouseEvent&>(*event));
        return false;
      case QEvent::MouseButtonDblClick:
        if (static_cast<const QMouseEvent&>(*event).button() != Qt::LeftButton) return false;
        endsDoubleClick_ = true;
        Later([this] { viewer_.Memo3DblClick(); });
        return true;
      case QEvent::MouseButtonRelease: {
        const bool endsDoubleClick = std::exchange(endsDoubleClick_, false);
        if (static_cast<const QMouseEvent&>(*event).button() == Qt::LeftButton && !endsDoubleClick) {
          Later([this] { viewer_.Memo3Click(); });
        }
        return false;
      }
      default:
        return false;
    }
  }

 private:
  // Runs after the widget's own handling; dropped when the viewer has gone meanwhile.
  template <typename Handler>
  void Later(Handler handler) {
    QMetaObject::invokeMethod(this, std::move(handler), Qt::QueuedConnection);
  }

  // A press starts a new selection, as in a plain edit control, instead of dragging the
  // highlighted line away as text: selections made with the mouse feed the join.
  void StartNewSelection(const QMouseEvent& press) {
    if (press.button() != Qt::LeftButton || (press.modifiers() & Qt::ShiftModifier)) return;
    QTextCursor cursor = list_.textCursor();
    if (cursor.hasSelection()) {
      cursor.clearSelection();
      list_.setTextCursor(cursor);
    }
  }

  IssueListViewer& viewer_;
  QPlainTextEdit& list_;
  bool endsDoubleClick_ = false;
  QTimer keyUp_;
  int releasedKey_ = 0;
};

}  // namespace

std::int32_t NextViewGeneration(std::int32_t generation) {
  constexpr std::int32_t kLast = std::numeric_limits<std::int32_t>::max();
  if (generation < 0 || generation >= kLast - 1) return 0;
  return generation + 1;
}

IssueListViewer::IssueListViewer(SharedState& state, IssueListWidgets widgets)
    : state_(state),
      list_(widgets.list),
      scratch_(widgets.scratch),
      textArea_(widgets.textArea),
      rangeKey_(widgets.rangeKey),
      status_(widgets.status),
      view_(widgets.view),
      order_(std::move(widgets.order)) {
  // The read-only list still moves its caret with the arrow keys (and Shift extends the
  // selection): the key handler shows the line the caret went to.
  if (list_) {
    list_->setTextInteractionFlags(list_->textInteractionFlags() | Qt::TextSelectableByMouse |
                                   Qt::TextSelectableByKeyboard);
    listEvents_ = std::make_unique<ListEvents>(*this, *list_);
  }
}

IssueListViewer::~IssueListViewer() = default;

std::int32_t IssueListViewer::RaiseViewGeneration() {
  ViewGeneration = NextViewGeneration(ViewGeneration);
  return ViewGeneration;
}

void IssueListViewer::RadioG1Click() {
  if (state_.StoredIssueList.empty() || !list_) return;
  const int order = order_ ? order_() : 0;
  if (order == 1) {
    SetMemoLines(*list_, state_.StoredIssueList);
  } else {
    const StringList newestFirst(state_.StoredIssueList.rbegin(), state_.StoredIssueList.rend());
    if (scratch_) {
      scratch_->clear();
      SetMemoLines(*scratch_, newestFirst);
      SetMemoText(*list_, MemoText(*scratch_));
    } else {
      SetMemoLines(*list_, newestFirst);
    }
  }
  QTextCursor cursor = list_->textCursor();
  cursor.movePosition(QTextCursor::Start);
  list_->setTextCursor(cursor);
}

void IssueListViewer::ListStoredIssues() {
  if (!list_) return;
  if (state_.StoredIssueList.empty()) {
    list_->clear();
  } else {
    RadioG1Click();
  }
}

void IssueListViewer::ShowIssue(int direction) {
  const std::int32_t request = RaiseViewGeneration();
  if (!list_ || !textArea_ || !rangeKey_ || !status_ || !view_) return;
  ShowStatus({});

  // A click that ends a drag selection shows nothing: the selection is for a join.
  if (list_->textCursor().hasSelection()) return;

  if (view_->IsBusy()) {
    view_->Stop();
    if (!WaitAndCheck(300, request)) return;
  }

  if (!SelectTargetLine(direction)) return;

  ShowStatus({});
  const std::string line = FromQString(list_->textCursor().selectedText());
  if (line.empty() || line.front() != '*' || line.back() != '*') return;

  const std::filesystem::path issueFile = JoinSjis(state_.MagazineFolder, IssueFileName(line, 1));
  if (!IsRegularFile(issueFile)) return;
  const std::string label = sjis::ReplaceAll(line, "*", "");

  const std::optional<std::string> issueText = ReadWholeFile(issueFile);
  if (!issueText) {
    ShowReadFailure(issueFile);
    return;
  }
  // The page is kept as bytes: the text area shows it, but the work page and ResultText
  // take these bytes, so the issue's Shift-JIS comes through unchanged.
  const std::string page = WrapIssuePage(*issueText, state_.ServiceRoot);
  SetMemoText(*textArea_, page);

  if (!WaitAndCheck(100, request)) return;

  const std::filesystem::path workPage = JoinSjis(state_.MagazineFolder, NextWorkPageName(WorkPageIndex));
  if (WriteFileAtomically(workPage, page, Durability::kNone)) {  // a work page is made again when needed
    ShowWriteFailure(workPage);
    return;
  }

  if (!WaitAndCheck(100, request)) return;

  view_->Navigate(workPage);
  view_->show();
  rangeKey_->setText(ToQString(IssueFileName(line, 2)));
  state_.ResultText = SplitLines(page);

  static const std::string kStatusHead = cp932::FromUtf8("** メルマガ ");
  static const std::string kStatusTail = cp932::FromUtf8(" 号 **");
  ShowStatus(kStatusHead + label + kStatusTail);
}

void IssueListViewer::Memo3Click() { ShowIssue(0); }

void IssueListViewer::Memo3KeyUp(int key) {
  if (key == Qt::Key_Up || key == Qt::Key_Down) ShowIssue(0);
}

void IssueListViewer::Memo3DblClick() {
  if (list_) list_->selectAll();
}

void IssueListViewer::B_BackClick() {
  FocusListCaret();
  ShowIssue(-1);
}

void IssueListViewer::B_NextClick() {
  FocusListCaret();
  ShowIssue(+1);
}

void IssueListViewer::FocusListCaret() {
  if (!list_) return;
  list_->setFocus(Qt::OtherFocusReason);
  QTextCursor cursor = list_->textCursor();
  cursor.setPosition(cursor.selectionStart());
  list_->setTextCursor(cursor);
}

bool IssueListViewer::WaitAndCheck(int milliseconds, std::int32_t request) {
  const std::weak_ptr<int> alive = alive_;
  ProcessMessages();
  WaitWithMessages(milliseconds);
  // Whatever ran meanwhile may have closed the window: touch nothing that has gone.
  if (alive.expired()) return false;
  if (!list_ || !textArea_ || !rangeKey_ || !status_ || !view_) return false;
  return ViewGeneration == request;
}

bool IssueListViewer::SelectTargetLine(int direction) {
  QTextDocument& document = *list_->document();
  const std::optional<LineSpan> target = FindTargetLine(ListLineLengths(document), kWidgetBreakLength,
                                                        list_->textCursor().selectionStart(), direction);
  if (!target) return false;
  list_->setFocus(Qt::OtherFocusReason);
  QTextCursor cursor(&document);
  cursor.setPosition(static_cast<int>(target->start));
  cursor.setPosition(static_cast<int>(target->start + target->length), QTextCursor::KeepAnchor);
  list_->setTextCursor(cursor);
  return true;
}

void IssueListViewer::ShowStatus(const std::string& sjisText) { status_->setText(ToWidgetText(sjisText)); }
