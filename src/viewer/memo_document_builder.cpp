#include "viewer/memo_document_builder.h"

#include <QPlainTextDocumentLayout>
#include <QTextCursor>
#include <QTextDocument>
#include <QThread>
#include <chrono>

#include "platform/qstring_text.h"

MemoDocumentBuilder::MemoDocumentBuilder(const QFont& font) : font_(font), worker_([this] { Work(); }) {}

MemoDocumentBuilder::~MemoDocumentBuilder() { Take(); }

void MemoDocumentBuilder::Append(std::string sjisLines) {
  {
    std::lock_guard lock(mutex_);
    edits_.push_back({false, std::move(sjisLines)});
  }
  wake_.notify_one();
}

void MemoDocumentBuilder::InsertAtStart(std::string sjisLine) {
  {
    std::lock_guard lock(mutex_);
    edits_.push_back({true, std::move(sjisLine)});
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
  if (document) document->setDocumentLayout(new QPlainTextDocumentLayout(document.get()));
  return document;
}

void MemoDocumentBuilder::Work() {
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
      if (edit.atStart) {
        flush();
        QTextCursor cursor(document.get());
        cursor.insertText(ToWidgetText(edit.text) + (empty ? QString() : QStringLiteral("\n")));
      } else {
        if (!empty || !appended.isEmpty()) appended += QLatin1Char('\n');
        appended += ToWidgetText(edit.text);
      }
      empty = false;
    }
    flush();
    lock.lock();
    if (last && edits_.empty()) break;
  }
  document->moveToThread(taker_);
  document_ = document.release();
  finished_ = true;
  done_.notify_all();
}
