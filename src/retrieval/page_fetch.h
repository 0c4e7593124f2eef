#pragma once
// Fetching one page: status 200 only, the body read in small chunks under a whole-body
// time limit with window messages processed between them, converted to Shift-JIS, and
// left in PageText / PageTextLower. A passing server error or a broken connection is
// tried again, twice at most.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/http.h"
#include "platform/page_encoding.h"
#include "platform/shared_state.h"

// What the last fetch found, beyond the text.
struct FetchDetails {
  long status = 0;                                // of the final response; 0 when none was read
  bool cutByReadLimit = false;                    // the read limit stopped the body before its end
  HttpFailure failure = HttpFailure::kNone;       // why a fetch gave -2
  std::string retryAfter;                         // the final response's Retry-After
  PageCharset encoding = PageCharset::kShiftJis;  // what the body was read as
  bool convertedCleanly = true;                   // for EUC-JP and UTF-8: the bytes fit the encoding
};

class PageFetcher {
 public:
  static constexpr int kReadLimitMs = 40'000;
  static constexpr std::size_t kReadChunkBytes = 500;
  static constexpr const char* kAgentName = "Yomitor_Get";
  // Waits before the second and the third try of a page that failed in passing.
  static constexpr int kRetryWaitsMs[] = {1000, 3000};
  // A longer Retry-After (or a date) means the page is not tried again in this read.
  static constexpr int kLongestRetryAfterSeconds = 30;
  // A page is tens of kilobytes; one that passes this (as sent, before its charset is
  // converted) is stopped there and not tried again (HttpFailure::kTooLarge).
  static constexpr std::size_t kMaxPageBytes = 8 << 20;

  explicit PageFetcher(SharedState& state, Clock clock = SystemClock());

  // mode < 0: close the session, return 0. mode 1: open a new session, then fetch.
  // Other modes fetch with the open session. Returns 0 for an empty address, 1 when the
  // address was opened and its status read (PageText holds the body only for status
  // 200), -1 without a session, -2 when the address cannot be opened or its body breaks
  // off. Status 429, 500, 502, 503 and 504 and a connection that broke after it was made
  // are tried again after 1 s and 3 s (a Retry-After of at most 30 seconds takes the
  // wait's place); a failed connect, a silent server and the read limit are not.
  int FetchPage(std::string_view address, int mode);

  bool HasSession() const { return session_ != nullptr; }

  // Sends the request for `address` now on the open session, so that the page is on its way
  // while the caller works on the last one; a FetchPage of that address in mode 0 takes it
  // up, any other fetch or a close drops it.
  void Prefetch(std::string_view address);

  const FetchDetails& LastFetch() const { return details_; }
  // True when the last page's bytes fit the encoding they were read in; asked of the page
  // still in PageTextLower (checked only when it matters: it costs a pass over the page).
  bool LastPageConvertedCleanly() const;

  // Gives up the fetch in progress and every later one (they fail with -2): the program
  // is closing.
  void Abandon() { abandoned_ = true; }

  // While set, a fetch gives up (-2) as soon as `cancelled` answers true: a read that the
  // user cancels does not wait for a page.
  void SetCancelCheck(std::function<bool()> cancelled) { cancelled_ = std::move(cancelled); }

  // The clock of the read limit; tests run it fast.
  void SetClock(Clock clock) { clock_ = std::move(clock); }

  // How long the status line may keep the fetch waiting; tests shorten it.
  void SetHeaderSilenceLimit(int milliseconds) { headerSilenceLimitMs_ = milliseconds; }

 private:
  enum class BodyEnd { kComplete, kCutByReadLimit, kBroken };
  // A request on the open session, with the page size limit.
  std::unique_ptr<HttpRequest> NewRequest(std::string_view address) const;
  // One try of the page, with `prefetched` when it was sent for ahead of time.
  int FetchOnce(std::string_view address, std::unique_ptr<HttpRequest> prefetched);
  // How long to wait before the try after `attempt` (0-based), or nothing when the page
  // is not tried again.
  std::optional<int> RetryWait(int attempt) const;
  // Reads the body into PageTextLower.
  BodyEnd ReadBody(HttpRequest& request);
  void ConvertToShiftJis();
  bool GivenUp() const { return abandoned_ || (cancelled_ && cancelled_()); }

  SharedState& state_;
  Clock clock_;
  std::unique_ptr<HttpSession> session_;
  std::unique_ptr<HttpRequest> prefetched_;  // on the session above
  std::string prefetchedAddress_;
  bool abandoned_ = false;
  std::function<bool()> cancelled_;
  int headerSilenceLimitMs_ = HttpRequest::kHeaderSilenceLimitMs;
  FetchDetails details_;
};
