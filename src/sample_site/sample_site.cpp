#include "sample_site/sample_site.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
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
void ShutDownAcceptedConnections(int port) {
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
    shutdown(static_cast<int>(fd), SHUT_RDWR);
  }
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
    newsletters_.push_back(std::make_unique<Newsletter>(BuildNewsletter(description)));
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

const std::vector<SampleNewsletter>& SampleSite::Newsletters() const { return descriptions_; }

std::vector<IssueInfo> SampleSite::Issues(const std::string& id) const {
  std::vector<IssueInfo> issues;
  const Newsletter* newsletter = Find(id);
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

const Newsletter* SampleSite::Find(const std::string& id) const {
  for (const auto& newsletter : newsletters_) {
    if (newsletter->description.id == id) return newsletter.get();
  }
  return nullptr;
}

bool SampleSite::WaitUnlessStopping(int milliseconds) {
  std::unique_lock lock(mutex_);
  return !stopSignal_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return stopping_; });
}

void SampleSite::Handle(const httplib::Request& request, httplib::Response& response) {
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
    SetPage(response, 200, IndexPage(descriptions_));
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
    const Newsletter* newsletter = Find(rest.substr(0, slash));
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
    if (page < 1 || page > newsletter.pageCount) {
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
    const std::string target =
        descriptions_.empty() ? DefaultNewsletters().front().id : descriptions_.front().id;
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
  const auto start = std::chrono::steady_clock::now();
  // The pieces run on from the start of the slow text, whatever the head's length.
  const std::size_t faultHeadSize = SlowPageHead().size();
  response.status = 200;
  response.set_chunked_content_provider("text/html", [this, start, faultHeadSize, head = std::move(head)](
                                                         std::size_t offset, httplib::DataSink& sink) {
    if (offset == 0) return sink.write(head.data(), head.size());
    if (std::chrono::steady_clock::now() - start >= kSlowLimit) {
      sink.done();
      return true;
    }
    if (!WaitUnlessStopping(kSlowPieceMilliseconds) || !sink.is_writable()) return false;
    const std::string piece = SlowPiece(offset - head.size() + faultHeadSize, kSlowPieceBytes);
    return sink.write(piece.data(), piece.size());
  });
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
