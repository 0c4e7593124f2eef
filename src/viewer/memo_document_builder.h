#pragma once
// A memo's document built in a worker thread: tens of thousands of lines cost a text
// document far more time than the window may stand still, so they are laid into a
// document of their own beside the window and handed over whole when they are all in.

#include <QFont>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class QTextDocument;
class QThread;

class MemoDocumentBuilder {
 public:
  // The document gets `font`, and the plain-text layout a memo uses when it is taken.
  explicit MemoDocumentBuilder(const QFont& font);
  ~MemoDocumentBuilder();
  MemoDocumentBuilder(const MemoDocumentBuilder&) = delete;
  MemoDocumentBuilder& operator=(const MemoDocumentBuilder&) = delete;

  // Shift-JIS lines (CR LF between them) after the lines given so far.
  void Append(std::string sjisLines);
  // One Shift-JIS line before all others.
  void InsertAtStart(std::string sjisLine);

  // No line follows: the worker finishes the document, and Ready() tells when it has.
  void Seal();
  bool Ready();

  // Waits until every line is in, running `whileWaiting` every few milliseconds, and gives
  // the document to the calling thread, which must be the thread that shows it.
  std::unique_ptr<QTextDocument> Take(const std::function<void()>& whileWaiting = {});

 private:
  struct Edit {
    bool atStart = false;
    std::string text;
  };
  void Queue(Edit edit);
  void Work();

  QFont font_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable done_;
  std::deque<Edit> edits_;
  bool finishing_ = false;
  bool finished_ = false;
  QTextDocument* document_ = nullptr;  // the worker's until finished
  QThread* taker_ = nullptr;           // where the finished document goes: the sealing thread
  std::thread worker_;
};
