#include "retrieval/page_fetch.h"

#include <iterator>

#include "platform/encoding_validity.h"
#include "platform/events.h"
#include "platform/page_encoding.h"
#include "platform/sjis.h"

namespace {
// How long one read call waits for bytes before the limit is checked again; short,
// so window messages are processed often while a page trickles in.
constexpr int kReadWaitMs = 10;

// Answers that say "not now" rather than "not here".
bool IsPassingStatus(long status) {
  return status == 429 || status == 500 || status == 502 || status == 503 || status == 504;
}

// Whole seconds of at most nine digits, or nothing (an HTTP date, anything else).
std::optional<int> RetryAfterSeconds(const std::string& value) {
  if (value.empty() || value.size() > 9) return std::nullopt;
  int seconds = 0;
  for (const char c : value) {
    if (c < '0' || c > '9') return std::nullopt;
    seconds = seconds * 10 + (c - '0');
  }
  return seconds;
}
}  // namespace

PageFetcher::PageFetcher(SharedState& state, Clock clock) : state_(state), clock_(std::move(clock)) {}

int PageFetcher::FetchPage(std::string_view address, int mode) {
  // A page sent for ahead of time is used by the fetch of its address only.
  std::unique_ptr<HttpRequest> prefetched = std::move(prefetched_);
  if (mode < 0) {
    prefetched.reset();
    session_.reset();
    return 0;
  }
  state_.PageText.clear();
  if (address.empty()) return 0;
  ProcessMessages();
  if (mode == 1) {
    // A session left open by a run that never reached its end is replaced.
    prefetched.reset();
    session_ = HttpSession::Open(kAgentName);
  }
  details_ = {};
  if (!session_) return -1;
  if (mode == 1) ProcessMessages();

  for (int attempt = 0;; ++attempt) {
    const int result = FetchOnce(address, attempt == 0 ? std::move(prefetched) : nullptr);
    const std::optional<int> wait = RetryWait(attempt);
    if (!wait) return result;
    if (!WaitWithMessagesUnless(*wait, [this] { return GivenUp(); })) {
      details_.failure = HttpFailure::kGivenUp;
      return -2;
    }
  }
}

std::optional<int> PageFetcher::RetryWait(int attempt) const {
  if (attempt >= static_cast<int>(std::size(kRetryWaitsMs))) return std::nullopt;
  if (details_.failure == HttpFailure::kBroken) return kRetryWaitsMs[attempt];
  if (!IsPassingStatus(details_.status)) return std::nullopt;
  if (details_.retryAfter.empty()) return kRetryWaitsMs[attempt];
  const std::optional<int> seconds = RetryAfterSeconds(details_.retryAfter);
  if (!seconds || *seconds > kLongestRetryAfterSeconds) return std::nullopt;
  return *seconds * 1000;
}

int PageFetcher::FetchOnce(std::string_view address, std::unique_ptr<HttpRequest> prefetched) {
  details_ = {};
  state_.PageText.clear();
  std::unique_ptr<HttpRequest> ownRequest;
  if (!prefetched || prefetchedAddress_ != address) {
    prefetched.reset();
    ownRequest = NewRequest(address);
  }
  HttpRequest& request = prefetched ? *prefetched : *ownRequest;
  if (GivenUp()) {
    details_.failure = HttpFailure::kGivenUp;
    return -2;
  }
  if (!request.Open([this] { return GivenUp(); }, headerSilenceLimitMs_)) {
    details_.failure = request.Failure();
    return -2;
  }

  state_.PageTextLower.clear();
  details_.status = request.Status();
  details_.retryAfter = request.RetryAfter();
  if (request.Status() == 200) {
    const BodyEnd end = ReadBody(request);
    if (end == BodyEnd::kBroken) {
      // A body cut off by the connection is no page: storing it would keep a torn
      // issue that a later read never fetches again.
      state_.PageTextLower.clear();
      details_.failure = GivenUp() ? HttpFailure::kGivenUp : request.Failure();
      return -2;
    }
    details_.cutByReadLimit = end == BodyEnd::kCutByReadLimit;
    if (!state_.PageTextLower.empty()) ConvertToShiftJis();
    state_.PageText = state_.PageTextLower;
  }
  ProcessMessages();
  return 1;
}

void PageFetcher::Prefetch(std::string_view address) {
  prefetched_.reset();
  if (!session_ || abandoned_) return;
  std::unique_ptr<HttpRequest> request = NewRequest(address);
  if (!request->Begin()) return;
  prefetched_ = std::move(request);
  prefetchedAddress_ = address;
}

std::unique_ptr<HttpRequest> PageFetcher::NewRequest(std::string_view address) const {
  auto request = std::make_unique<HttpRequest>(*session_, std::string(address));
  request->SetBodyLimit(kMaxPageBytes);
  return request;
}

PageFetcher::BodyEnd PageFetcher::ReadBody(HttpRequest& request) {
  const DateTime start = clock_();
  while (ElapsedMilliseconds(clock_(), start) < kReadLimitMs) {
    ProcessMessages();
    if (GivenUp()) return BodyEnd::kBroken;
    switch (request.Read(state_.PageTextLower, kReadChunkBytes, kReadWaitMs)) {
      case HttpRequest::ReadResult::kEnd:
        return BodyEnd::kComplete;
      case HttpRequest::ReadResult::kFailed:
        return BodyEnd::kBroken;
      case HttpRequest::ReadResult::kData:
      case HttpRequest::ReadResult::kNothing:
        break;
    }
  }
  return BodyEnd::kCutByReadLimit;  // what arrived is kept
}

void PageFetcher::ConvertToShiftJis() {
  std::string& body = state_.PageTextLower;
  details_.encoding = ChoosePageCharset(body);
  if (details_.encoding == PageCharset::kUtf8) {
    details_.convertedCleanly = IsWellFormedUtf8(body);
    body = Utf8ToShiftJis(body);
  } else if (details_.encoding == PageCharset::kEucJp) {
    details_.convertedCleanly = IsWellFormedEucJp(body);
    body = EucJpToShiftJis(body);
  }
}

bool PageFetcher::LastPageConvertedCleanly() const {
  if (details_.encoding != PageCharset::kShiftJis) return details_.convertedCleanly;
  // Taken as Shift-JIS, the text is still the page's bytes: bytes that are not Shift-JIS,
  // or that read as another Japanese encoding throughout, were labelled wrongly.
  const std::string& bytes = state_.PageTextLower;
  return IsWellFormedCp932(bytes) &&
         !(HasNonAscii(bytes) && (IsWellFormedUtf8(bytes) || IsWellFormedEucJp(bytes)));
}
