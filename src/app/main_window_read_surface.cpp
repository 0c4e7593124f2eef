#include "app/main_window_read_surface.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <iostream>

#include "app/main_window.h"
#include "platform/cp932.h"
#include "platform/events.h"
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
  builder_.reset();
  scrolledToEnd_ = false;
  allLines_ = lines;
  SetMemoLines(*form_.Memo1, lines);
}

void MainWindowReadSurface::AppendResultLines(const StringList& lines) {
  if (builder_) {
    builder_->Append(JoinLinesWithoutLastBreak(lines));
    return;
  }
  allLines_.insert(allLines_.end(), lines.begin(), lines.end());
  if (allLines_.size() > kPreviewLines) {
    // From here on the whole text is laid out beside the window; Memo1 shows its start.
    // Until now Memo1 took every line but these.
    const std::size_t previewed = allLines_.size() - lines.size();
    builder_ = std::make_unique<MemoDocumentBuilder>(form_.Memo1->font());
    builder_->Append(JoinLinesWithoutLastBreak(allLines_));
    allLines_.clear();
    const std::size_t room = kPreviewLines - std::min(kPreviewLines, previewed);
    Preview(
        StringList(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(std::min(room, lines.size()))));
    return;
  }
  Preview(lines);
}

void MainWindowReadSurface::Preview(const StringList& lines) {
  if (lines.empty()) return;
  pendingLines_.insert(pendingLines_.end(), lines.begin(), lines.end());
  if (flushScheduled_) return;
  flushScheduled_ = true;
  QTimer::singleShot(0, &form_, [this] { FlushPendingLines(); });
}

void MainWindowReadSurface::FlushPendingLines() {
  if (!flushScheduled_) return;
  flushScheduled_ = false;
  // Joined without a final break, so an empty last line stays a line of its own.
  AppendMemoLines(*form_.Memo1, JoinLinesWithoutLastBreak(pendingLines_));
  pendingLines_.clear();
}

void MainWindowReadSurface::InsertResultLineAtStart(const std::string& line) {
  FlushPendingLines();
  QTextCursor cursor(form_.Memo1->document());
  cursor.movePosition(QTextCursor::Start);
  cursor.insertText(ToWidgetText(line) + QLatin1Char('\n'));
  if (builder_) {
    builder_->InsertAtStart(line);
  } else {
    allLines_.insert(allLines_.begin(), line);
  }
}

void MainWindowReadSurface::ScrollResultToEnd() {
  FlushPendingLines();
  scrolledToEnd_ = true;
  QScrollBar* bar = form_.Memo1->verticalScrollBar();
  bar->setValue(bar->maximum());
}

void MainWindowReadSurface::SealResultLines() {
  if (!builder_) return;
  builder_->Seal();
  if (readyCheck_ == nullptr) {
    readyCheck_ = new QTimer(&form_);
    readyCheck_->setInterval(5);
    QObject::connect(readyCheck_, &QTimer::timeout, &form_, [this] {
      if (!builder_ || builder_->Ready()) CompleteResultLines();
    });
  }
  readyCheck_->start();
}

void MainWindowReadSurface::CompleteResultLines() {
  if (readyCheck_ != nullptr) readyCheck_->stop();
  FlushPendingLines();
  if (!builder_) return;
  std::unique_ptr<QTextDocument> document = builder_->Take([] { ProcessMessages(); });
  builder_.reset();
  // Memo1 owns the document; the preview's document, its child, goes with the exchange.
  document->setParent(form_.Memo1);
  form_.Memo1->setDocument(document.release());
  if (scrolledToEnd_) ScrollResultToEnd();
}

void MainWindowReadSurface::ReportLeftOut(const std::string& line) {
  // A script has no window to read the result in.
  if (form_.pendingRead && form_.pendingRead->quit) std::cerr << cp932::ToUtf8(line) << std::endl;
}

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
