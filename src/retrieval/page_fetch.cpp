#include "retrieval/page_fetch.h"

#include "platform/events.h"
#include "platform/page_encoding.h"
#include "platform/sjis.h"

namespace {
// How long one read call waits for bytes before the limit is checked again; short,
// so window messages are processed often while a page trickles in.
constexpr int kReadWaitMs = 10;
}  // namespace

PageFetcher::PageFetcher(SharedState& state, Clock clock) : state_(state), clock_(std::move(clock)) {}

int PageFetcher::FetchPage(std::string_view address, int mode) {
  if (mode < 0) {
    session_.reset();
    return 0;
  }
  state_.PageText.clear();
  if (address.empty()) return 0;
  ProcessMessages();
  if (mode == 1) {
    // A session left open by a run that never reached its end is replaced.
    session_ = HttpSession::Open(kAgentName);
  }
  if (!session_) return -1;
  if (mode == 1) ProcessMessages();

  HttpRequest request(*session_, std::string(address));
  if (abandoned_ || !request.Open([this] { return abandoned_; })) return -2;

  state_.PageTextLower.clear();
  if (request.Status() == 200) {
    if (!ReadBody(request)) {
      // A body cut off by the connection is no page: storing it would keep a torn
      // issue that a later read never fetches again.
      state_.PageTextLower.clear();
      return -2;
    }
    if (!state_.PageTextLower.empty()) ConvertToShiftJis();
    state_.PageText = state_.PageTextLower;
  }
  ProcessMessages();
  return 1;
}

bool PageFetcher::ReadBody(HttpRequest& request) {
  const DateTime start = clock_();
  while (ElapsedMilliseconds(clock_(), start) < kReadLimitMs) {
    ProcessMessages();
    if (abandoned_) return false;
    switch (request.Read(state_.PageTextLower, kReadChunkBytes, kReadWaitMs)) {
      case HttpRequest::ReadResult::kEnd:
        return true;
      case HttpRequest::ReadResult::kFailed:
        return false;
      case HttpRequest::ReadResult::kData:
      case HttpRequest::ReadResult::kNothing:
        break;
    }
  }
  return true;  // the read limit keeps what arrived
}

void PageFetcher::ConvertToShiftJis() {
  std::string& body = state_.PageTextLower;
  const std::string upper = sjis::ToUpper(body);
  if (sjis::Contains(upper, "CHARSET=EUC-JP")) {
    body = EucJpToShiftJis(body);
  } else if (sjis::Contains(upper, "CHARSET=UTF-8")) {
    body = Utf8ToShiftJis(body);
  } else if (sjis::Contains(body, "<title>Yahoo! JAPAN</title>")) {
    body = EucJpToShiftJis(body);
  }
}
