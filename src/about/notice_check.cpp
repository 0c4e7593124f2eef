#include "about/notice_check.h"

#include <QTimer>
#include <cstdlib>
#include <memory>

#include "about/notice_fields.h"
#include "platform/events.h"
#include "platform/http.h"

namespace {

// Each turn of the event loop moves the transfer on without waiting and reads what has
// come, a bounded amount at a time, so the window never waits on the server.
constexpr int kTurnIntervalMs = 10;
constexpr std::size_t kChunkBytes = 500;
constexpr int kChunksPerTurn = 128;

class NoticeTransfer final : public QObject {
 public:
  NoticeTransfer(VersionNotice& notice, std::unique_ptr<HttpSession> session, std::string address,
                 std::function<void()> finished, Clock clock, QObject* owner)
      : QObject(owner),
        notice_(notice),
        session_(std::move(session)),
        request_(*session_, std::move(address)),
        finished_(std::move(finished)),
        clock_(std::move(clock)) {
    connect(&timer_, &QTimer::timeout, this, &NoticeTransfer::Turn);
  }

  // False when the address cannot be opened.
  bool Start() {
    if (!request_.Begin()) return false;
    timer_.start(kTurnIntervalMs);
    return true;
  }

 private:
  void Turn() {
    if (!reading_) {
      const HttpRequest::OpenState state = request_.PollOpen(0);
      if (state == HttpRequest::OpenState::kPending) return;
      notice_.NoticeText.clear();
      if (state == HttpRequest::OpenState::kFailed || request_.Status() != 200) return Finish();
      reading_ = true;
      start_ = clock_();
    }
    for (int chunk = 0; chunk < kChunksPerTurn; ++chunk) {
      if (ElapsedMilliseconds(clock_(), start_) >= kNoticeReadLimitMs ||
          notice_.NoticeText.size() >= kNoticeSizeLimit) {
        return Finish();
      }
      switch (request_.Read(notice_.NoticeText, kChunkBytes, 0)) {
        case HttpRequest::ReadResult::kData:
          break;
        case HttpRequest::ReadResult::kNothing:
          return;
        case HttpRequest::ReadResult::kEnd:
        case HttpRequest::ReadResult::kFailed:
          // A connection that broke off brings no more bytes however long one waits.
          return Finish();
      }
    }
  }

  void Finish() {
    timer_.stop();
    CutNoticeFields(notice_);
    if (finished_) finished_();
    deleteLater();
  }

  VersionNotice& notice_;
  std::unique_ptr<HttpSession> session_;
  HttpRequest request_;
  std::function<void()> finished_;
  Clock clock_;
  QTimer timer_;
  bool reading_ = false;
  DateTime start_ = 0;
};

}  // namespace

std::string ChooseNoticeBase(std::string_view commandLineBase) {
  if (!commandLineBase.empty()) return std::string(commandLineBase);
  if (const char* fromEnvironment = std::getenv("YOMITORU_NOTICE_BASE")) return fromEnvironment;
  return YOMITORU_NOTICE_BASE;
}

int CheckNotice(VersionNotice& notice, std::string_view noticeBase, QObject* owner,
                std::function<void()> finished, Clock clock) {
  ProcessMessages();
  std::unique_ptr<HttpSession> session = HttpSession::Open(kNoticeAgentName);
  if (!session || notice.FileVersionText.empty() || noticeBase.empty()) return -1;
  auto transfer = std::make_unique<NoticeTransfer>(notice, std::move(session),
                                                   NoticeAddress(noticeBase, notice.FileVersionText),
                                                   std::move(finished), std::move(clock), owner);
  // Once started, the transfer deletes itself when it ends, or goes with its owner.
  if (transfer->Start()) transfer.release();
  return -1;
}
