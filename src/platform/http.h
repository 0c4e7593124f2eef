#pragma once
// HTTP GET on libcurl's multi interface, driven in small polled steps so the caller can
// process window messages between them on the one user-interface thread.

#include <curl/curl.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

// One internet session: a multi handle whose connection cache lets the pages of one
// read reuse their connection.
class HttpSession {
 public:
  // nullptr when libcurl cannot give a session.
  static std::unique_ptr<HttpSession> Open(std::string userAgent);
  ~HttpSession();
  HttpSession(const HttpSession&) = delete;
  HttpSession& operator=(const HttpSession&) = delete;

  CURLM* multi() const { return multi_; }
  const std::string& userAgent() const { return userAgent_; }

 private:
  HttpSession(CURLM* multi, std::string userAgent) : multi_(multi), userAgent_(std::move(userAgent)) {}
  CURLM* multi_;
  std::string userAgent_;
};

// Why a request brought no complete response.
enum class HttpFailure {
  kNone,
  kBadAddress,     // not an http or https address a request can be made to
  kCannotConnect,  // no connection (after the connect retries), no name lookup
  kRedirectLoop,   // more redirects than allowed
  kBroken,         // the connection broke after it was made: before, in or after the headers
  kSilent,         // no header line within the silence limit
  kGivenUp,        // the caller gave it up
  kTooLarge,       // the body passed the limit set for it; the transfer was stopped there
};

// One GET of one address on a session. Every content encoding libcurl knows is asked for
// and decoded: the body read is the page's own bytes.
class HttpRequest {
 public:
  static constexpr long kConnectTimeoutMs = 5000;
  static constexpr int kConnectRetries = 3;
  static constexpr int kRetryBackoffMs = 500;
  static constexpr long kMaxRedirects = 10;
  // A server that takes the connection and then says nothing is given up after this long
  // without a header line.
  static constexpr int kHeaderSilenceLimitMs = 30'000;

  HttpRequest(HttpSession& session, std::string url);
  ~HttpRequest();
  HttpRequest(const HttpRequest&) = delete;
  HttpRequest& operator=(const HttpRequest&) = delete;

  // Sends the request (unless Begin sent it already) and waits for the status of the final
  // response (redirects are followed), processing window messages between short polls and
  // during the connect retries. False when the address cannot be opened, when
  // `silenceLimitMs` pass without a header line, or as soon as `abandoned` says so.
  bool Open(const std::function<bool()>& abandoned = {}, int silenceLimitMs = kHeaderSilenceLimitMs);

  // The same in steps, for a caller that keeps its own time limit and makes one try only:
  // Begin sends the request (false when the address cannot be opened); each PollOpen moves
  // the transfer on, waiting at most `waitMs`.
  enum class OpenState { kPending, kOpened, kFailed };
  bool Begin();
  OpenState PollOpen(int waitMs);

  // A body (after its content encoding is undone) of more than `bytes` stops the transfer
  // as soon as it passes them; the read then fails with kTooLarge. 0: no limit.
  void SetBodyLimit(std::size_t bytes) { bodyLimit_ = bytes; }

  // Status code of the final response; 0 when none was read.
  long Status() const { return status_; }
  // The final response's Retry-After header, trimmed; empty when it has none.
  const std::string& RetryAfter() const { return retryAfter_; }
  // Why Open failed, or why the body broke off; kNone while all is well.
  HttpFailure Failure() const { return failure_; }

  enum class ReadResult {
    kData,     // bytes were appended
    kEnd,      // the body is complete
    kNothing,  // no bytes within the wait; the caller may try again
    kFailed,   // the transfer broke off (reset, truncated body)
  };
  // Appends at most `maxBytes` of the body to `out`, waiting at most `waitMs` for them.
  ReadResult Read(std::string& out, std::size_t maxBytes, int waitMs);

 private:
  static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self);
  static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self);
  bool Start();
  void Stop();
  // One poll of at most `waitMs` and a step of the transfer; records its end.
  void Step(int waitMs);

  HttpSession& session_;
  std::string url_;
  CURL* easy_ = nullptr;
  bool attached_ = false;
  bool sawLocation_ = false;  // in the response whose headers are arriving
  bool headersDone_ = false;
  bool finished_ = false;
  CURLcode result_ = CURLE_OK;
  HttpFailure failure_ = HttpFailure::kNone;
  long status_ = 0;
  std::string retryAfter_;  // of the response whose headers are arriving, then of the final one
  std::string buffer_;
  std::size_t consumed_ = 0;
  std::size_t bodyLimit_ = 0;
  std::size_t bodyBytes_ = 0;  // of the final response, received so far
  std::chrono::steady_clock::time_point lastHeaderLine_;
};

// True for the addresses a request may be made to: http:// or https:// with a host.
bool IsFetchableAddress(std::string_view address);
