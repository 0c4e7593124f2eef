#include "sample_site/sample_site.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>

#include "platform/cp932.h"
#include "sample_site/fault_pages.h"
#include "sample_site/newsletter_pages.h"
#include "sample_site/notice_pages.h"

namespace sample_site {
namespace {

constexpr const char* kHost = "127.0.0.1";
constexpr std::size_t kWorkerThreads = 16;
constexpr std::size_t kKeepAliveRequests = 100000;
constexpr std::size_t kResetContentLength = 20000;
constexpr std::size_t kResetSentBytes = 3000;
constexpr std::size_t kSlowPieceBytes = 20;
constexpr int kSlowPieceMilliseconds = 100;
constexpr auto kSlowLimit = std::chrono::minutes(10);
constexpr long kDefaultLargeKilobytes = 4096;
constexpr long kMaxLargeKilobytes = 1024 * 1024;

void SetPage(httplib::Response& response, int status, const std::string& bytes) {
  response.status = status;
  response.set_content(bytes, "text/html");
}

// A page whose Content-Length promises all of `bytes` but whose connection closes
// after the first `sent` of them.
void SetCutPage(httplib::Response& response, std::string bytes, std::size_t sent) {
  auto page = std::make_shared<const std::string>(std::move(bytes));
  sent = std::min(sent, page->size());
  response.status = 200;
  response.set_content_provider(
      page->size(), "text/html",
      [page, sent](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
        if (offset >= sent) return false;
        return sink.write(page->data() + offset, std::min(length, sent - offset));
      });
}

// Whole decimal number of at most nine digits, or -1.
long ParseCount(const std::string& text) {
  if (text.empty() || text.size() > 9) return -1;
  if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) return -1;
  return std::strtol(text.c_str(), nullptr, 10);
}

// httplib 0.11 keeps an idle keep-alive connection in its worker until the client
// speaks or the keep-alive time-out passes, and its stop() waits for every worker.
// Shutting down the connections accepted on our port wakes those workers at once.
// With `peerPort`, only the connection from that client port goes: the server drops it.
void ShutDownAcceptedConnections(int port, int peerPort = -1) {
  std::error_code error;
  for (std::filesystem::directory_iterator it("/proc/self/fd", error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = it->path().filename().string();
    const long fd = ParseCount(name);
    if (fd < 0) continue;
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (getsockname(static_cast<int>(fd), reinterpret_cast<sockaddr*>(&local), &length) != 0) continue;
    if (local.sin_family != AF_INET || ntohs(local.sin_port) != port ||
        ntohl(local.sin_addr.s_addr) != INADDR_LOOPBACK) {
      continue;
    }
    sockaddr_in peer{};
    length = sizeof peer;
    if (getpeername(static_cast<int>(fd), reinterpret_cast<sockaddr*>(&peer), &length) != 0) continue;
    if (peerPort >= 0 && ntohs(peer.sin_port) != peerPort) continue;
    shutdown(static_cast<int>(fd), SHUT_RDWR);
  }
}

// A page that stays in the making: `head` at once, then `piece` every 100 ms until the
// limit passes or the service stops.
template <typename Piece>
void SetTricklingPage(httplib::Response& response, std::string head, Piece piece,
                      const std::function<bool(int)>& waitUnlessStopping) {
  const auto start = std::chrono::steady_clock::now();
  response.status = 200;
  response.set_chunked_content_provider(
      "text/html", [head = std::move(head), piece, start, waitUnlessStopping](std::size_t offset,
                                                                              httplib::DataSink& sink) {
        if (offset == 0) return sink.write(head.data(), head.size());
        if (std::chrono::steady_clock::now() - start >= kSlowLimit) {
          sink.done();
          return true;
        }
        if (!waitUnlessStopping(kSlowPieceMilliseconds) || !sink.is_writable()) return false;
        const std::string next = piece(offset, kSlowPieceBytes);
        return sink.write(next.data(), next.size());
      });
}

// `bytes` in the gzip format, or in the zlib format that HTTP calls "deflate".
std::string Compressed(const std::string& bytes, bool gzip) {
  z_stream stream{};
  // 15 window bits; 16 more ask for the gzip wrapper.
  if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, gzip ? 15 + 16 : 15, 8, Z_DEFAULT_STRATEGY) !=
      Z_OK)
    throw std::runtime_error("zlib cannot compress");
  std::string out(deflateBound(&stream, static_cast<uLong>(bytes.size())), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  stream.avail_in = static_cast<uInt>(bytes.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int result = deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  if (result != Z_STREAM_END) throw std::runtime_error("zlib cannot compress");
  return out;
}

// The page with the text between its markers repeated until the page has `size` bytes.
std::string GrownPage(const std::string& page, std::size_t size) {
  static const std::string open = "<pre><tt>";
  const std::size_t begin = page.find(open);
  const std::size_t end = page.find("\n</tt></pre>");
  if (begin == std::string::npos || end == std::string::npos || end < begin) return page;
  const std::string text = page.substr(begin + open.size(), end - begin - open.size()) + "\n";
  std::string grown = page.substr(0, end);
  while (grown.size() + (page.size() - end) < size && !text.empty()) grown += text;
  return grown + page.substr(end);
}

}  // namespace

std::vector<SampleNewsletter> DefaultNewsletters() {
  std::vector<SampleNewsletter> list(7);

  list[0].id = "0000100001";
  list[0].title = "週刊サンプル通信";
  list[0].issueCount = 45;
  list[0].issuesPerPage = 20;
  list[0].theme = 0;

  list[1].id = "0000100002";
  list[1].title = "季節のレシピ便り";
  list[1].encoding = PageEncoding::EucJp;
  list[1].issueCount = 12;
  list[1].cycle = "隔週 水曜日";
  list[1].circulation = "3,210";
  list[1].crlfLineEnds = true;
  list[1].theme = 1;

  list[2].id = "0000100003";
  list[2].title = "プログラミング入門講座";
  list[2].encoding = PageEncoding::Utf8;
  list[2].naming = IssueNaming::Numbered;
  list[2].issueCount = 15;
  list[2].cycle = "毎週 金曜日";
  list[2].circulation = "8,765";
  list[2].latestDate = "2026/12/07";
  list[2].theme = 2;

  list[3].id = "0000100004";
  list[3].title = "旅と写真のブログ通信";
  list[3].body = BodyStyle::BlogEntry;
  list[3].issueCount = 8;
  list[3].cycle = "不定期";
  list[3].circulation = "1,024";
  list[3].crlfLineEnds = true;
  list[3].upperCaseMarkers = true;
  list[3].theme = 3;

  list[4].id = "0000100005";
  list[4].title = "ＨＴＭＬ版ニュース";
  list[4].issueCount = 3;
  list[4].htmlFormat = true;
  list[4].cycle = "月刊";
  list[4].circulation = "45,678";
  list[4].theme = 4;

  list[5].id = "0000100006";
  list[5].title = "障害テスト通信";
  list[5].issueCount = 25;
  list[5].failingListingPage = 2;
  list[5].missingIssues = {2};
  list[5].circulation = "321";
  list[5].crlfLineEnds = true;
  list[5].theme = 0;

  list[6].id = "0000900000";
  list[6].title = "大容量サンプルマガジン";
  list[6].issueCount = 1000;
  list[6].issuesPerPage = 20;
  list[6].cycle = "毎週 火曜日・金曜日";
  list[6].circulation = "98,765";
  list[6].minBodyLines = 60;  // long issues: 2 to 4 KB each
  list[6].maxBodyLines = 100;
  list[6].theme = 4;
  return list;
}

int ListingPageCount(const SampleNewsletter& description) {
  const long long perPage = std::max(1, description.issuesPerPage);
  const long long count = std::max(0, description.issueCount);
  return static_cast<int>(std::max(1LL, (count + perPage - 1) / perPage));
}

SampleSite::SampleSite(std::vector<SampleNewsletter> newsletters) : descriptions_(std::move(newsletters)) {
  for (const SampleNewsletter& description : descriptions_)
    newsletters_.push_back(std::make_shared<const Newsletter>(BuildNewsletter(description)));
}

SampleSite::~SampleSite() { Stop(); }

int SampleSite::Start(int port) {
  if (server_) return port_;
  auto server = std::make_unique<httplib::Server>();
  server->new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
  server->set_keep_alive_max_count(kKeepAliveRequests);
  // httplib sends the header and the body in separate writes; with Nagle's algorithm
  // the body would wait for the client's delayed ACK on every reused connection.
  server->set_tcp_nodelay(true);
  // httplib's default adds SO_REUSEPORT, with which a second service on a taken port
  // would silently share it instead of failing.
  server->set_socket_options([](socket_t sock) {
    const int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  server->set_pre_routing_handler([this](const httplib::Request& request, httplib::Response&) {
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(request.method + " " + (request.target.empty() ? request.path : request.target));
    }
    // Bytes on the wire are the page's bytes: httplib would otherwise gzip text for a
    // client that accepts it, and a compressed slow body arrives in one late lump.
    // The request object is not const in httplib; only its handlers see it as const.
    auto& headers = const_cast<httplib::Request&>(request).headers;
    headers.erase("Accept-Encoding");
    return httplib::Server::HandlerResponse::Unhandled;
  });
  server->Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
    Handle(request, response);
  });

  const int bound =
      port == 0 ? server->bind_to_any_port(kHost) : (server->bind_to_port(kHost, port) ? port : -1);
  if (bound <= 0) {
    throw std::runtime_error("sample service cannot listen on " + std::string(kHost) + ":" +
                             std::to_string(port));
  }
  {
    std::lock_guard lock(mutex_);
    stopping_ = false;
  }
  server_ = std::move(server);
  port_ = bound;
  auto listenerEnded = std::make_shared<std::atomic<bool>>(false);
  listener_ = std::thread([server = server_.get(), listenerEnded] {
    server->listen_after_bind();
    *listenerEnded = true;
  });
  // stop() does nothing until the listener runs, so Stop() right after Start() needs it running.
  while (!server_->is_running() && !*listenerEnded) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  if (!server_->is_running()) {
    listener_.join();
    server_.reset();
    throw std::runtime_error("sample service could not listen on port " + std::to_string(port_));
  }
  return port_;
}

void SampleSite::Stop() {
  if (!server_) return;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  stopSignal_.notify_all();
  server_->stop();
  ShutDownAcceptedConnections(port_);
  if (listener_.joinable()) listener_.join();
  server_.reset();
}

int SampleSite::Port() const { return port_; }

std::string SampleSite::Root() const { return "http://" + std::string(kHost) + ":" + std::to_string(port_); }

std::string SampleSite::BackNumberBase() const { return Root() + "/m/log"; }

std::string SampleSite::NewsletterAddress(const std::string& id) const { return BackNumberBase() + "/" + id; }

std::string SampleSite::NoticeBase(const std::string& variant) const {
  return Root() + "/notice/" + variant + "/";
}

std::vector<SampleNewsletter> SampleSite::Newsletters() const {
  std::lock_guard lock(mutex_);
  return descriptions_;
}

std::vector<IssueInfo> SampleSite::Issues(const std::string& id) const {
  std::vector<IssueInfo> issues;
  const std::shared_ptr<const Newsletter> newsletter = Find(id);
  if (newsletter == nullptr) return issues;
  issues.reserve(newsletter->issues.size());
  for (std::size_t index = 0; index < newsletter->issues.size(); ++index) {
    const IssueEntry& entry = newsletter->issues[index];
    issues.push_back({cp932::FromUtf8(entry.keyUtf8), entry.pathTail,
                      cp932::FromUtf8(IssueBodyUtf8(*newsletter, static_cast<int>(index))), entry.date});
  }
  return issues;
}

std::vector<std::string> SampleSite::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

void SampleSite::ClearRequests() {
  std::lock_guard lock(mutex_);
  requests_.clear();
}

void SampleSite::SetExtraPage(const std::string& path, std::string bytes) {
  std::lock_guard lock(mutex_);
  extraPages_[path] = std::move(bytes);
}

void SampleSite::ClearExtraPages() {
  std::lock_guard lock(mutex_);
  extraPages_.clear();
}

void SampleSite::SetNewsletter(const SampleNewsletter& description) {
  auto built = std::make_shared<const Newsletter>(BuildNewsletter(description));
  std::lock_guard lock(mutex_);
  for (std::size_t i = 0; i < descriptions_.size(); ++i) {
    if (descriptions_[i].id == description.id) {
      descriptions_[i] = description;
      newsletters_[i] = std::move(built);
      return;
    }
  }
  descriptions_.push_back(description);
  newsletters_.push_back(std::move(built));
}

void SampleSite::SetFault(const std::string& target, PageFault fault) {
  std::lock_guard lock(mutex_);
  faults_[target] = fault;
}

void SampleSite::ClearFaults() {
  std::lock_guard lock(mutex_);
  faults_.clear();
}

bool SampleSite::CorrectIssue(const std::string& id, int index) {
  std::lock_guard lock(mutex_);
  for (auto& newsletter : newsletters_) {
    if (newsletter->description.id != id) continue;
    if (index < 0 || index >= static_cast<int>(newsletter->issues.size())) return false;
    auto corrected = std::make_shared<Newsletter>(*newsletter);
    corrected->correctedTails.insert(corrected->issues[static_cast<std::size_t>(index)].pathTail);
    newsletter = std::move(corrected);
    return true;
  }
  return false;
}

bool SampleSite::AddNewerIssue(const std::string& id) {
  std::lock_guard lock(mutex_);
  for (auto& newsletter : newsletters_) {
    if (newsletter->description.id != id) continue;
    newsletter = std::make_shared<const Newsletter>(WithNewerIssue(*newsletter));
    return true;
  }
  return false;
}

std::shared_ptr<const Newsletter> SampleSite::Find(const std::string& id) const {
  std::lock_guard lock(mutex_);
  for (const auto& newsletter : newsletters_) {
    if (newsletter->description.id == id) return newsletter;
  }
  return nullptr;
}

bool SampleSite::WaitUnlessStopping(int milliseconds) {
  std::unique_lock lock(mutex_);
  return !stopSignal_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return stopping_; });
}

void SampleSite::Handle(const httplib::Request& request, httplib::Response& response) {
  std::optional<PageFault> fault;
  {
    std::lock_guard lock(mutex_);
    auto found = faults_.find(request.target);
    if (found == faults_.end()) found = faults_.find(request.path);
    if (found != faults_.end()) {
      fault = found->second;
      // A fault that shows a given number of times is gone after the last of them.
      if (found->second.times > 0 && --found->second.times == 0) faults_.erase(found);
    }
  }
  if (fault) {
    ServePageFault(*fault, request, response);
  } else {
    ServePage(request, response);
  }
}

void SampleSite::ServePageFault(const PageFault& fault, const httplib::Request& request,
                                httplib::Response& response) {
  switch (fault.kind) {
    case Fault::kStatus:
      SetPage(response, fault.status, fault.status == 404 ? NotFoundPage() : ServerErrorPage());
      if (!fault.retryAfter.empty()) response.set_header("Retry-After", fault.retryAfter);
      return;
    case Fault::kResetBeforeHeaders:
      ShutDownAcceptedConnections(port_, request.remote_port);
      SetPage(response, 200, std::string());
      return;
    case Fault::kNoAnswer:
      WaitUnlessStopping(static_cast<int>(std::chrono::milliseconds(kSlowLimit).count()));
      ShutDownAcceptedConnections(port_, request.remote_port);
      return;
    case Fault::kRedirectLoop:
      response.set_redirect(request.target, 302);
      return;
    default:
      break;
  }
  httplib::Response normal;
  ServePage(request, normal);
  std::string page = std::move(normal.body);
  const std::size_t half = page.size() / 2;
  switch (fault.kind) {
    case Fault::kResetMidBody: {
      auto shared = std::make_shared<const std::string>(std::move(page));
      response.status = 200;
      response.set_chunked_content_provider("text/html",
                                            [shared, half](std::size_t offset, httplib::DataSink& sink) {
                                              if (offset >= half) return false;
                                              return sink.write(shared->data() + offset, half - offset);
                                            });
      return;
    }
    case Fault::kShortBody:
      SetCutPage(response, std::move(page), half);
      return;
    case Fault::kTrickle: {
      // The rest of the page, again and again.
      const std::string rest = page.substr(half).empty() ? std::string(" ") : page.substr(half);
      SetTricklingPage(
          response, page.substr(0, half),
          [rest](std::size_t offset, std::size_t length) {
            std::string piece;
            while (piece.size() < length) piece += rest[(offset + piece.size()) % rest.size()];
            return piece;
          },
          [this](int milliseconds) { return WaitUnlessStopping(milliseconds); });
      return;
    }
    case Fault::kLarge:
      SetPage(response, 200, GrownPage(page, fault.size));
      return;
    case Fault::kGzip:
    case Fault::kDeflate: {
      const bool gzip = fault.kind == Fault::kGzip;
      SetPage(response, normal.status, Compressed(fault.size > 0 ? GrownPage(page, fault.size) : page, gzip));
      response.set_header("Content-Encoding", gzip ? "gzip" : "deflate");
      return;
    }
    default:
      SetPage(response, normal.status, page);
      return;
  }
}

void SampleSite::ServePage(const httplib::Request& request, httplib::Response& response) {
  const std::string& path = request.path;
  {
    std::lock_guard lock(mutex_);
    const auto extra = extraPages_.find(path);
    if (extra != extraPages_.end()) {
      SetPage(response, 200, extra->second);
      return;
    }
  }
  if (path == "/") {
    SetPage(response, 200, IndexPage(Newsletters()));
    return;
  }
  static const std::string kFault = "/fault/";
  if (path.compare(0, kFault.size(), kFault) == 0) {
    ServeFault(path.substr(kFault.size()), request, response);
    return;
  }
  static const std::string kNotice = "/notice/";
  if (path.compare(0, kNotice.size(), kNotice) == 0) {
    ServeNotice(path.substr(kNotice.size()), response);
    return;
  }
  static const std::string kLog = "/m/log/";
  if (path.compare(0, kLog.size(), kLog) == 0) {
    const std::string rest = path.substr(kLog.size());
    const std::size_t slash = rest.find('/');
    const std::shared_ptr<const Newsletter> newsletter = Find(rest.substr(0, slash));
    if (newsletter != nullptr) {
      ServeNewsletter(*newsletter, slash == std::string::npos ? std::string() : rest.substr(slash), request,
                      response);
      return;
    }
  }
  SetPage(response, 404, NotFoundPage());
}

void SampleSite::ServeNewsletter(const Newsletter& newsletter, const std::string& rest,
                                 const httplib::Request& request, httplib::Response& response) {
  const SampleNewsletter& description = newsletter.description;
  if (rest.empty() || rest == "/") {
    const long page = request.has_param("page") ? ParseCount(request.get_param_value("page")) : 1;
    const bool pastLast = page > newsletter.pageCount && description.pastLastPage != PastLastPage::NotFound;
    if (page < 1 || (page > newsletter.pageCount && !pastLast)) {
      SetPage(response, 404, NotFoundPage());
      return;
    }
    std::string bytes = EncodeText(ListingPageUtf8(newsletter, static_cast<int>(page)), description.encoding);
    if (page == description.failingListingPage) {
      const std::size_t half = bytes.size() / 2;
      SetCutPage(response, std::move(bytes), half);
    } else {
      SetPage(response, 200, bytes);
    }
    return;
  }
  const auto issue = newsletter.issueByTail.find(rest.substr(1));
  if (issue == newsletter.issueByTail.end() || description.missingIssues.count(issue->second) > 0) {
    SetPage(response, 404, NotFoundPage());
    return;
  }
  SetPage(response, 200, EncodeText(IssuePageUtf8(newsletter, issue->second), description.encoding));
}

void SampleSite::ServeFault(const std::string& name, const httplib::Request& request,
                            httplib::Response& response) {
  if (name == "404") {
    SetPage(response, 404, NotFoundPage());
  } else if (name == "500") {
    SetPage(response, 500, ServerErrorPage());
  } else if (name == "redirect") {
    const std::vector<SampleNewsletter> descriptions = Newsletters();
    const std::string target =
        descriptions.empty() ? DefaultNewsletters().front().id : descriptions.front().id;
    response.set_redirect(NewsletterAddress(target), 302);
  } else if (name == "slow") {
    SetSlowPage(response, SlowPageHead());
  } else if (name == "reset") {
    SetCutPage(response, LargePageSlice(kResetContentLength, 0, kResetContentLength), kResetSentBytes);
  } else if (name == "large") {
    long kilobytes =
        request.has_param("kb") ? ParseCount(request.get_param_value("kb")) : kDefaultLargeKilobytes;
    if (kilobytes < 1) kilobytes = kDefaultLargeKilobytes;
    const std::size_t total = static_cast<std::size_t>(std::min(kilobytes, kMaxLargeKilobytes)) * 1024;
    response.status = 200;
    response.set_content_provider(
        total, "text/html", [this, total](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
          if (!WaitUnlessStopping(0)) return false;
          const std::string slice = LargePageSlice(total, offset, std::min<std::size_t>(length, 64 * 1024));
          return sink.write(slice.data(), slice.size());
        });
  } else if (name == "bad-utf8") {
    SetPage(response, 200, BadUtf8Page());
  } else if (name == "bad-eucjp") {
    SetPage(response, 200, BadEucJpPage());
  } else if (name.rfind("charset/", 0) == 0) {
    const std::string page = CharsetPage(name.substr(8));
    SetPage(response, page.empty() ? 404 : 200, page.empty() ? NotFoundPage() : page);
  } else {
    SetPage(response, 404, NotFoundPage());
  }
}

void SampleSite::SetSlowPage(httplib::Response& response, std::string head) {
  // The pieces run on from the start of the slow text, whatever the head's length.
  const std::size_t headSize = head.size();
  const std::size_t faultHeadSize = SlowPageHead().size();
  SetTricklingPage(
      response, std::move(head),
      [headSize, faultHeadSize](std::size_t offset, std::size_t length) {
        return SlowPiece(offset - headSize + faultHeadSize, length);
      },
      [this](int milliseconds) { return WaitUnlessStopping(milliseconds); });
}

// "<variant>/<version>.html": the notice page of that variant, for the program's version only.
void SampleSite::ServeNotice(const std::string& rest, httplib::Response& response) {
  const std::size_t slash = rest.find('/');
  const auto variant = NoticeVariantNamed(rest.substr(0, slash));
  if (!variant || slash == std::string::npos || rest.substr(slash + 1) != NoticeVersion() + ".html" ||
      variant == NoticeVariant::kMissing) {
    SetPage(response, 404, NotFoundPage());
  } else if (variant == NoticeVariant::kError) {
    SetPage(response, 500, ServerErrorPage());
  } else if (variant == NoticeVariant::kSlow) {
    SetSlowPage(response, NoticePage(*variant, Root() + "/"));
  } else {
    SetPage(response, 200, NoticePage(*variant, Root() + "/"));
  }
}

}  // namespace sample_site
