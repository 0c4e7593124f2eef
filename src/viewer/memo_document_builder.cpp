#include "viewer/memo_document_builder.h"

#include <sys/resource.h>
#include <unistd.h>

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QThread>
#include <chrono>

#include "platform/qstring_text.h"
#include "viewer/multi_line_block_layout.h"

MemoDocumentBuilder::MemoDocumentBuilder(const QFont& font) : font_(font), worker_([this] { Work(); }) {}

MemoDocumentBuilder::~MemoDocumentBuilder() { Take(); }

void MemoDocumentBuilder::Append(std::string sjisLines) { Queue({false, std::move(sjisLines)}); }

void MemoDocumentBuilder::InsertAtStart(std::string sjisLine) { Queue({true, std::move(sjisLine)}); }

void MemoDocumentBuilder::Queue(Edit edit) {
  {
    std::lock_guard lock(mutex_);
    edits_.push_back(std::move(edit));
  }
  wake_.notify_one();
}

void MemoDocumentBuilder::Seal() {
  std::lock_guard lock(mutex_);
  if (finishing_) return;
  finishing_ = true;
  taker_ = QThread::currentThread();
  wake_.notify_one();
}

bool MemoDocumentBuilder::Ready() {
  std::lock_guard lock(mutex_);
  return finished_;
}

std::unique_ptr<QTextDocument> MemoDocumentBuilder::Take(const std::function<void()>& whileWaiting) {
  Seal();
  {
    std::unique_lock lock(mutex_);
    while (!done_.wait_for(lock, std::chrono::milliseconds(5), [this] { return finished_; })) {
      if (!whileWaiting) continue;
      lock.unlock();
      whileWaiting();
      lock.lock();
    }
  }
  if (worker_.joinable()) worker_.join();
  std::unique_ptr<QTextDocument> document(document_);
  document_ = nullptr;
  if (document) document->setDocumentLayout(new MultiLineBlockLayout(document.get()));
  return document;
}

void MemoDocumentBuilder::Work() {
  // Behind the read and the service it talks to: what is left is done while the view waits.
  setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 5);
  auto document = std::make_unique<QTextDocument>();
  document->setUndoRedoEnabled(false);
  document->setDefaultFont(font_);
  // No layout here: laying text out loads font engines that belong to this thread and end
  // with it. The memo's layout is added where the document is shown.
  bool empty = true;
  std::unique_lock lock(mutex_);
  while (true) {
    wake_.wait(lock, [this] { return finishing_ || !edits_.empty(); });
    std::deque<Edit> edits;
    edits.swap(edits_);
    const bool last = finishing_;
    lock.unlock();
    // Consecutive lines go in with one insertion: the document's cost is per insertion.
    QString appended;
    const auto flush = [&] {
      if (appended.isEmpty()) return;
      QTextCursor cursor(document.get());
      cursor.movePosition(QTextCursor::End);
      cursor.insertText(appended);
      appended.clear();
    };
    for (Edit& edit : edits) {
      // The lines of one edit share a block: a document's cost is per block.
      QString lines = ToWidgetText(edit.text);
      lines.replace(QLatin1Char('\n'), QChar::LineSeparator);
      if (edit.atStart) {
        flush();
        QTextCursor cursor(document.get());
        cursor.insertText(lines + (empty ? QString() : QStringLiteral("\n")));
      } else {
        if (!empty || !appended.isEmpty()) appended += QLatin1Char('\n');
        appended += lines;
      }
      empty = false;
    }
    flush();
    lock.lock();
    if (last && edits_.empty()) break;
  }
  for (QTextBlock block = document->firstBlock(); block.isValid(); block = block.next()) {
    const int lines = static_cast<int>(block.text().count(QChar::LineSeparator)) + 1;
    if (lines > 1) block.setUserState(lines);
  }
  document->moveToThread(taker_);
  document_ = document.release();
  finished_ = true;
  done_.notify_all();
}
