#include "app/main_window_read_surface.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include "app/main_window.h"
#include "viewer/issue_list.h"
#include "viewer/qt_text.h"

void MainWindowReadSurface::ShowStatus(const std::string& text) { form_.Label1->setText(ToWidgetText(text)); }

void MainWindowReadSurface::ShowTaskTitle(const std::string& text) { form_.ShowTaskTitle(ToQString(text)); }

void MainWindowReadSurface::ShowIdentity(const std::string& serviceLabel, const std::string& title) {
  form_.Panel3->setText(ToWidgetText(serviceLabel));
  form_.Panel1->setText(ToWidgetText(title));
}

void MainWindowReadSurface::SetResultLines(const StringList& lines) {
  pendingLines_.clear();
  flushScheduled_ = false;
  SetMemoLines(*form_.Memo1, lines);
}

void MainWindowReadSurface::AppendResultLines(const StringList& lines) {
  pendingLines_.insert(pendingLines_.end(), lines.begin(), lines.end());
  if (flushScheduled_) return;
  flushScheduled_ = true;
  QTimer::singleShot(0, &form_, [this] { FlushPendingLines(); });
}

void MainWindowReadSurface::FlushPendingLines() {
  if (!flushScheduled_) return;
  flushScheduled_ = false;
  // Joined without a final break, so an empty last line stays a line of its own.
  std::string text;
  for (std::size_t i = 0; i < pendingLines_.size(); ++i) text += (i == 0 ? "" : "\r\n") + pendingLines_[i];
  pendingLines_.clear();
  AppendMemoLines(*form_.Memo1, text);
}

void MainWindowReadSurface::InsertResultLineAtStart(const std::string& line) {
  FlushPendingLines();
  QTextCursor cursor(form_.Memo1->document());
  cursor.movePosition(QTextCursor::Start);
  cursor.insertText(ToWidgetText(line) + QLatin1Char('\n'));
}

void MainWindowReadSurface::ScrollResultToEnd() {
  FlushPendingLines();
  QScrollBar* bar = form_.Memo1->verticalScrollBar();
  bar->setValue(bar->maximum());
}

std::string MainWindowReadSurface::IssueListText() { return MemoText(*form_.Memo3); }

void MainWindowReadSurface::SetIssueListText(const std::string& text) { SetMemoText(*form_.Memo3, text); }

void MainWindowReadSurface::OrderIssueList() { form_.viewer->RadioG1Click(); }

int MainWindowReadSurface::ReadChoice() { return form_.RadioG2->ItemIndex(); }

int MainWindowReadSurface::OrderChoice() { return form_.RadioG1->ItemIndex(); }

std::string MainWindowReadSurface::RangeKey() { return FromQString(form_.Edit6->text()); }

void MainWindowReadSurface::SetRangeKey(const std::string& text) { form_.Edit6->setText(ToQString(text)); }

void MainWindowReadSurface::ShowPage(const std::filesystem::path& page) {
  form_.WebB1->Navigate(page);
  form_.WebB1->show();
}
