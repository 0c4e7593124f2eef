#include "app/main_window_read_surface.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

#include "app/main_window.h"
#include "viewer/issue_list.h"
#include "viewer/qt_text.h"

void MainWindowReadSurface::ShowStatus(const std::string& text) { form_.Label1->setText(ToWidgetText(text)); }

void MainWindowReadSurface::ShowTaskTitle(const std::string& text) { form_.ShowTaskTitle(ToQString(text)); }

void MainWindowReadSurface::ShowIdentity(const std::string& serviceLabel, const std::string& title) {
  form_.Panel3->setText(ToWidgetText(serviceLabel));
  form_.Panel1->setText(ToWidgetText(title));
}

void MainWindowReadSurface::SetResultLines(const StringList& lines) { SetMemoLines(*form_.Memo1, lines); }

void MainWindowReadSurface::AppendResultLines(const StringList& lines) {
  // Each line on its own, so an empty line stays a line of its own.
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) text += (i == 0 ? "" : "\r\n") + lines[i];
  AppendMemoLines(*form_.Memo1, text);
}

void MainWindowReadSurface::InsertResultLineAtStart(const std::string& line) {
  QTextCursor cursor(form_.Memo1->document());
  cursor.movePosition(QTextCursor::Start);
  cursor.insertText(ToWidgetText(line) + QLatin1Char('\n'));
}

void MainWindowReadSurface::ScrollResultToEnd() {
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
