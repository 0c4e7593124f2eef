#include "platform/http.h"

#include <strings.h>

#include <algorithm>

#include "platform/events.h"
#include "platform/sjis.h"

namespace {

// libcurl's global state is set up once, before the first handle.
void EnsureCurlInitialised() {
  static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  (void)initialised;
}

bool IsConnectFailure(CURLcode code) {
  return code == CURLE_COULDNT_CONNECT || code == CURLE_OPERATION_TIMEDOUT;
}

// What a transfer that ended with `code` before its response was complete tells.
HttpFailure FailureOf(CURLcode code) {
  switch (code) {
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_BAD_CONTENT_ENCODING:
      return HttpFailure::kBroken;
    case CURLE_TOO_MANY_REDIRECTS:
      return HttpFailure::kRedirectLoop;
    default:
      return HttpFailure::kCannotConnect;
  }
}

}  // namespace

bool IsFetchableAddress(std::string_view address) {
  for (const std::string_view scheme : {std::string_view("http://"), std::string_view("https://")}) {
    if (address.size() > scheme.size() && address.substr(0, scheme.size()) == scheme) {
      const std::string_view rest = address.substr(scheme.size());
      // Blanks and control bytes are refused, as the platform's URL parser would.
      const bool clean = std::none_of(rest.begin(), rest.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte <= 0x20 || byte == 0x7F;
      });
      return clean && rest.front() != '/';
    }
  }
  return false;
}

std::unique_ptr<HttpSession> HttpSession::Open(std::string userAgent) {
  EnsureCurlInitialised();
  CURLM* multi = curl_multi_init();
  if (multi == nullptr) return nullptr;
  return std::unique_ptr<HttpSession>(new HttpSession(multi, std::move(userAgent)));
}

HttpSession::~HttpSession() { curl_multi_cleanup(multi_); }

HttpRequest::HttpRequest(HttpSession& session, std::string url) : session_(session), url_(std::move(url)) {}

HttpRequest::~HttpRequest() { Stop(); }

std::size_t HttpRequest::OnHeader(char* data, std::size_t size, std::size_t count, void* self) {
  auto* request = static_cast<HttpRequest*>(self);
  const std::string_view line(data, size * count);
  request->lastHeaderLine_ = std::chrono::steady_clock::now();
  if (line.substr(0, 5) == "HTTP/") {
    request->sawLocation_ = false;
    request->retryAfter_.clear();
  }
  if (line.size() > 9 && strncasecmp(line.data(), "location:", 9) == 0) request->sawLocation_ = true;
  constexpr std::string_view kRetryAfter = "retry-after:";
  if (line.size() > kRetryAfter.size() &&
      strncasecmp(line.data(), kRetryAfter.data(), kRetryAfter.size()) == 0)
    request->retryAfter_ = sjis::Trim(line.substr(kRetryAfter.size()));
  if (line == "\r\n" || line == "\n") {
    long code = 0;
    curl_easy_getinfo(request->easy_, CURLINFO_RESPONSE_CODE, &code);
    // libcurl knows the redirect target only after this callback, so the Location
    // header seen in this response tells whether it will be followed.
    const bool interim = code < 200;
    const bool followed = code / 100 == 3 && request->sawLocation_;
    if (!interim && !followed) {
      request->status_ = code;
      request->headersDone_ = true;
    }
  }
  return size * count;
}

std::size_t HttpRequest::OnBody(char* data, std::size_t size, std::size_t count, void* self) {
  auto* request = static_cast<HttpRequest*>(self);
  request->bodyBytes_ += size * count;
  if (request->bodyLimit_ > 0 && request->bodyBytes_ > request->bodyLimit_) {
    request->failure_ = HttpFailure::kTooLarge;
    return 0;  // libcurl ends the transfer with a write error
  }
  request->buffer_.append(data, size * count);
  return size * count;
}

bool HttpRequest::Start() {
  easy_ = curl_easy_init();
  if (easy_ == nullptr) return false;
  curl_easy_setopt(easy_, CURLOPT_URL, url_.c_str());
  curl_easy_setopt(easy_, CURLOPT_USERAGENT, session_.userAgent().c_str());
  curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT_MS, kConnectTimeoutMs);
  curl_easy_setopt(easy_, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy_, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy_, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
  // "" asks for every encoding libcurl can decode; a server may compress unasked, too.
  curl_easy_setopt(easy_, CURLOPT_ACCEPT_ENCODING, "");
  curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &HttpRequest::OnHeader);
  curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &HttpRequest::OnBody);
  curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
  if (curl_multi_add_handle(session_.multi(), easy_) != CURLM_OK) return false;
  attached_ = true;
  lastHeaderLine_ = std::chrono::steady_clock::now();
  return true;
}

void HttpRequest::Stop() {
  if (easy_ == nullptr) return;
  if (attached_) curl_multi_remove_handle(session_.multi(), easy_);
  curl_easy_cleanup(easy_);
  easy_ = nullptr;
  attached_ = false;
  sawLocation_ = false;
  headersDone_ = false;
  finished_ = false;
  result_ = CURLE_OK;
  failure_ = HttpFailure::kNone;
  status_ = 0;
  retryAfter_.clear();
  buffer_.clear();
  consumed_ = 0;
  bodyBytes_ = 0;
}

void HttpRequest::Step(int waitMs) {
  if (finished_ || !attached_) return;
  const std::size_t bufferedBefore = buffer_.size();
  const bool headersBefore = headersDone_;
  int running = 0;
  curl_multi_perform(session_.multi(), &running);
  // Waiting is only for a transfer that is still running and brought nothing new: polling
  // a finished one would sleep out the whole wait on an idle connection.
  const bool progressed = buffer_.size() != bufferedBefore || headersDone_ != headersBefore;
  if (waitMs > 0 && running > 0 && !progressed) {
    int ready = 0;
    curl_multi_poll(session_.multi(), nullptr, 0, waitMs, &ready);
    curl_multi_perform(session_.multi(), &running);
  }
  int queued = 0;
  while (CURLMsg* message = curl_multi_info_read(session_.multi(), &queued)) {
    if (message->msg == CURLMSG_DONE && message->easy_handle == easy_) {
      finished_ = true;
      result_ = message->data.result;
      if (result_ == CURLE_OK && !headersDone_) {
        curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &status_);
        headersDone_ = true;
      }
    }
  }
}

bool HttpRequest::Open(const std::function<bool()>& abandoned, int silenceLimitMs) {
  const auto givenUp = [&abandoned] { return abandoned && abandoned(); };
  const auto silent = [this, silenceLimitMs] {
    return std::chrono::steady_clock::now() - lastHeaderLine_ >= std::chrono::milliseconds(silenceLimitMs);
  };
  const auto fail = [this](HttpFailure failure) {
    Stop();
    failure_ = failure;
    return false;
  };
  if (!IsFetchableAddress(url_)) return fail(HttpFailure::kBadAddress);
  for (int attempt = 0;; ++attempt) {
    // A request begun ahead of time goes on where it stands; a retry starts afresh.
    if (attempt > 0 || !attached_) {
      Stop();
      if (!Start()) return fail(HttpFailure::kCannotConnect);
    }
    while (!headersDone_ && !finished_) {
      Step(10);
      ProcessMessages();
      if (givenUp()) return fail(HttpFailure::kGivenUp);
      if (!headersDone_ && !finished_ && silent()) return fail(HttpFailure::kSilent);
    }
    // A response that breaks off after its headers still has its status; the body
    // read reports the break.
    if (headersDone_) return true;
    if (!IsConnectFailure(result_) || attempt >= kConnectRetries) return fail(FailureOf(result_));
    WaitWithMessages(kRetryBackoffMs);
    if (givenUp()) return fail(HttpFailure::kGivenUp);
  }
}

bool HttpRequest::Begin() {
  Stop();
  if (!IsFetchableAddress(url_) || !Start()) return false;
  Step(0);  // the request goes out now
  return true;
}

HttpRequest::OpenState HttpRequest::PollOpen(int waitMs) {
  if (!headersDone_ && !finished_) Step(waitMs);
  if (headersDone_) return OpenState::kOpened;
  return finished_ ? OpenState::kFailed : OpenState::kPending;
}

HttpRequest::ReadResult HttpRequest::Read(std::string& out, std::size_t maxBytes, int waitMs) {
  if (consumed_ == buffer_.size()) {
    buffer_.clear();
    consumed_ = 0;
    if (!finished_) Step(waitMs);
  }
  if (consumed_ < buffer_.size()) {
    const std::size_t take = std::min(maxBytes, buffer_.size() - consumed_);
    out.append(buffer_, consumed_, take);
    consumed_ += take;
    return ReadResult::kData;
  }
  if (!finished_) return ReadResult::kNothing;
  if (result_ == CURLE_OK) return ReadResult::kEnd;
  if (failure_ != HttpFailure::kTooLarge) failure_ = HttpFailure::kBroken;
  return ReadResult::kFailed;
}
