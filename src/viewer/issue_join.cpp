#include "viewer/issue_join.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <iterator>
#include <memory>
#include <optional>
#include <utility>

#include "archive/issue_naming.h"
#include "archive/work_pages.h"
#include "platform/cp932.h"
#include "platform/dialogs.h"
#include "platform/events.h"
#include "platform/fs.h"
#include "platform/text_lines.h"
#include "viewer/html_view.h"
#include "viewer/issue_list.h"
#include "viewer/joined_page.h"
#include "viewer/list_lines.h"
#include "viewer/memo_feeder.h"
#include "viewer/qt_text.h"
#include "viewer/whole_lines.h"

IssueJoiner::IssueJoiner(SharedState& state, IssueListViewer& viewer, JoinWidgets widgets,
                         std::function<void(int)> setControlState)
    : state_(state),
      viewer_(viewer),
      list_(widgets.list),
      selection_(widgets.selection),
      textArea_(widgets.textArea),
      rangeKey_(widgets.rangeKey),
      status_(widgets.status),
      view_(widgets.view),
      setControlState_(std::move(setControlState)) {
  if (textArea_) textFeeder_ = new MemoFeeder(*textArea_);
}

void IssueJoiner::JoinSelectedIssues() {
  if (!WidgetsPresent()) return;
  // Messages are processed on the way: whatever runs meanwhile may close the window.
  const std::weak_ptr<int> alive = alive_;
  const auto mayGoOn = [this, &alive] { return !alive.expired() && WidgetsPresent(); };

  Before before;
  before.viewHidden = view_->isHidden();
  before.rangeKey = rangeKey_->text();
  view_->Stop();
  view_->hide();
  static const std::string kJoining = cp932::FromUtf8("** 結合中 **");
  ShowStatus(kJoining, true);

  if (!list_->textCursor().hasSelection()) {
    Restore(before);
    return;
  }
  WidenSelection();
  SetMemoText(*selection_, FromWidgetText(list_->textCursor().selectedText()));
  const StringList lines = MemoLines(*selection_);
  if (lines.empty()) {
    Restore(before);
    return;
  }

  textFeeder_->Clear();
  rangeKey_->clear();
  std::string first;
  std::string last;
  std::string blocks;
  // ResultText's lines, split issue by issue: one split of a page of many thousand lines
  // would hold the window up.
  StringList pageLines;
  std::string fileText;
  for (const std::string& line : lines) {
    const std::filesystem::path file = JoinSjis(state_.MagazineFolder, IssueFileName(line, 1));
    if (!IsRegularFile(file)) continue;
    if (!ReadWholeFileInto(file, fileText)) {
      ShowReadFailure(file);
      if (mayGoOn()) Restore(before);
      return;
    }
    last = IssueFileName(line, 2);
    if (first.empty()) first = last;
    // The bytes are kept as read: through a widget, characters that Unicode does not give
    // back would change.
    const std::string block = JoinedIssueBlock(fileText);
    blocks += block;
    StringList blockLines = SplitLines(block);
    pageLines.insert(pageLines.end(), std::make_move_iterator(blockLines.begin()),
                     std::make_move_iterator(blockLines.end()));
    textFeeder_->Append(block);
    ProcessMessages();
    if (!mayGoOn()) return;
  }

  const JoinCaption caption = DescribeJoin(first, last);
  const std::string head = JoinedPageHead(caption.banner);
  const std::string tail = JoinedPageTail();
  StringList headLines = SplitLines(head);
  pageLines.insert(pageLines.begin(), std::make_move_iterator(headLines.begin()),
                   std::make_move_iterator(headLines.end()));
  pageLines.push_back(std::string(kPlainTail));
  textFeeder_->InsertAtStart(head);
  textFeeder_->Append(tail);
  textArea_->moveCursor(QTextCursor::Start);
  static const std::string kEditing = cp932::FromUtf8("** 編集中 **");
  ShowStatus(kEditing, true);
  ProcessMessages();
  WaitWithMessages(100);
  if (!mayGoOn()) return;

  // The rotation and the request counter move on only for a page that was written.
  const std::string page = head + blocks + tail;
  int nextIndex = viewer_.WorkPageIndex;
  const std::filesystem::path workPage = JoinSjis(state_.MagazineFolder, NextWorkPageName(nextIndex));
  if (WriteFileAtomically(workPage, page, Durability::kNone)) {  // a work page is made again when needed
    ShowWriteFailure(workPage);
    if (mayGoOn()) Restore(before);
    return;
  }
  viewer_.WorkPageIndex = nextIndex;
  viewer_.RaiseViewGeneration();

  ProcessMessages();
  WaitWithMessages(100);
  if (!mayGoOn()) return;
  status_->repaint();
  view_->Navigate(workPage);
  view_->show();
  // The last page's lines, many thousand strings, are freed once the window has answered.
  auto previousLines = std::make_shared<StringList>(std::exchange(state_.ResultText, std::move(pageLines)));
  QTimer::singleShot(0, view_, [previousLines] {});
  rangeKey_->setText(ToQString(caption.rangeKey));
  ShowStatus(caption.status, false);
}

bool IssueJoiner::WidgetsPresent() const {
  return list_ && selection_ && textArea_ && textFeeder_ && rangeKey_ && status_ && view_;
}

void IssueJoiner::WidenSelection() {
  QTextDocument& document = *list_->document();
  const QTextCursor current = list_->textCursor();
  const std::optional<LineRange> range = WidenToWholeLines(ListLineLengths(document), kWidgetBreakLength,
                                                           current.selectionStart(), current.selectionEnd());
  if (!range) return;
  // The list can take the focus only while its panel is enabled.
  if (setControlState_) setControlState_(2);
  list_->setFocus(Qt::OtherFocusReason);
  QTextCursor cursor(&document);
  cursor.setPosition(static_cast<int>(range->start));
  // A last line without a break ends where the text does.
  const long long textEnd = document.characterCount() - 1;
  cursor.setPosition(static_cast<int>(std::min(range->end, textEnd)), QTextCursor::KeepAnchor);
  list_->setTextCursor(cursor);
  if (setControlState_) setControlState_(-2);
}

void IssueJoiner::ShowStatus(const std::string& sjisText, bool paintNow) {
  status_->setText(ToWidgetText(sjisText));
  if (paintNow) status_->repaint();
}

void IssueJoiner::Restore(const Before& before) {
  rangeKey_->setText(before.rangeKey);
  if (!before.viewHidden) view_->show();
  status_->clear();
}
