#pragma once
// The bundled sample service: newsletter back-number pages in the shapes the reader's
// parsers expect, and the faults a real server shows, served over HTTP on loopback.
// Every page is generated on request from the newsletter's description, so the same
// description always gives the same bytes.

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace sample_site {

enum class PageEncoding { ShiftJis, EucJp, Utf8 };
// Issue links with "yyyy/mm/dd hh:mm" link text, or with "第N号 title" link text.
enum class IssueNaming { Dated, Numbered };
// Issue texts in "<pre><tt>", or blog entries in "<div class="backnumber-entry">".
enum class BodyStyle { Preformatted, BlogEntry };
// What a listing page past the last one answers: 404, a listing without issues, or the
// last page again.
enum class PastLastPage { NotFound, Empty, LastAgain };

struct SampleNewsletter {
  std::string id;     // 10 digits, e.g. "0000100001"
  std::string title;  // UTF-8
  PageEncoding encoding = PageEncoding::ShiftJis;
  IssueNaming naming = IssueNaming::Dated;
  BodyStyle body = BodyStyle::Preformatted;
  int issueCount = 10;
  int issuesPerPage = 10;
  bool htmlFormat = false;             // listing pages carry the HTML-format notice
  std::string cycle = "毎週 月曜日";   // UTF-8; shown after the cycle marker, followed by "&nbsp;(予定)"
  std::string latestDate;              // UTF-8, empty = the date of the newest issue, "yyyy/mm/dd"
  std::string circulation = "12,345";  // UTF-8, shown before "部"
  int failingListingPage = 0;          // this listing page (1..N) resets the connection mid-body
  std::set<int> missingIssues;         // 0-based issue indexes (0 = newest) whose issue page answers 404
  std::string announcedPageCount;      // page count the first page announces; empty: the real one
  PastLastPage pastLastPage = PastLastPage::NotFound;
  std::map<int, std::string> linkKeys;  // 0-based issue index -> the key its link shows (UTF-8)

  bool upperCaseMarkers = false;  // newsletter-data markers written as <B>...</B></FONT>
  bool crlfLineEnds = false;      // pages and issue texts use CR LF instead of LF
  int minBodyLines = 5;           // each issue text has between these many lines
  int maxBodyLines = 40;
  int theme = 0;  // pool of topics the text draws from (taken modulo the number of pools)
};

struct IssueInfo {  // what the service lists and serves for one issue, newest first
  std::string key;  // Shift-JIS: the link text the reader keys the issue by ("2026/12/07 10:00" or "第45号")
  std::string pathTail;      // e.g. "1765070000.html"
  std::string bodyShiftJis;  // see below
  std::string date;          // "yyyy/mm/dd hh:mm", the issue's date whatever its key
};
// bodyShiftJis is the text that stands on the issue page right after the opening marker
// ("<pre><tt>" or "<div class="backnumber-entry">") and before the single LF that
// precedes the end marker ("</tt></pre>" or "<div class="backnumber-entry-footer">"),
// converted to Shift-JIS: the plain issue text, or for blog entries its HTML, with the
// newsletter's own line ends between lines and none after the last one. The reader's
// cut of the issue page is therefore the opening marker followed by this text, with
// its line breaks made CR LF.

// Text inside every /fault/charset/ page (UTF-8), so tests can check the conversion.
inline constexpr std::string_view kCharsetProbeText = "日本語の文字コード判定テストです。";

std::vector<SampleNewsletter> DefaultNewsletters();

// Number of listing pages of a newsletter: ceil(issueCount / issuesPerPage), at least 1.
int ListingPageCount(const SampleNewsletter& description);

struct Newsletter;  // a description with its generated issue list

// What a server can do wrong with one page, for tests of a reader that meets it.
enum class Fault {
  kStatus,              // answers `status` with an error page
  kResetBeforeHeaders,  // closes the connection before the status line
  kResetMidBody,        // the page's chunked body breaks off halfway
  kShortBody,           // Content-Length promises the page; half of it arrives, then the end
  kTrickle,             // the page's first half at once, then 20 bytes every 100 ms, without end
  kNoAnswer,            // takes the request and never answers
  kRedirectLoop,        // redirects to itself
  kLarge,               // the page with its text grown to `size` bytes
  kGzip,                // the page (grown to `size` bytes when given), gzip-compressed unasked
  kDeflate,             // the same, deflate-compressed
};
struct PageFault {
  Fault kind = Fault::kStatus;
  int status = 500;
  std::size_t size = 0;
  int times = 0;                // shown this many times, then the page is served again; 0: always
  std::string retryAfter = {};  // for kStatus: the Retry-After header sent with it; empty: none
};

class SampleSite {
 public:
  explicit SampleSite(std::vector<SampleNewsletter> newsletters = DefaultNewsletters());
  ~SampleSite();  // stops the server
  SampleSite(const SampleSite&) = delete;
  SampleSite& operator=(const SampleSite&) = delete;

  // 0 = any free loopback port; returns the port; throws std::runtime_error if it cannot
  // listen. While running, a second call returns the same port.
  int Start(int port = 0);
  void Stop();  // returns promptly even while a slow body is being sent
  int Port() const;
  std::string Root() const;                                    // "http://127.0.0.1:<port>"
  std::string BackNumberBase() const;                          // Root() + "/m/log"
  std::string NewsletterAddress(const std::string& id) const;  // BackNumberBase() + "/" + id
  // Root() + "/notice/" + variant + "/": where the notice page of a variant lies (see
  // notice_pages.h); the page itself is the program's version + ".html".
  std::string NoticeBase(const std::string& variant) const;
  // A copy, as SetNewsletter may change the descriptions meanwhile.
  std::vector<SampleNewsletter> Newsletters() const;
  std::vector<IssueInfo> Issues(const std::string& id) const;  // newest first; empty for an unknown id
  std::vector<std::string> Requests() const;  // every request received, "GET /path?query", in order
  void ClearRequests();

  // Publishes one more issue of newsletter `id` while the service runs: newer than all
  // others, numbered or dated after them, listed first. The other issues keep their keys,
  // addresses and texts; Newsletters() keeps the descriptions the service started with.
  // False for an unknown ID.
  bool AddNewerIssue(const std::string& id);

  // The publisher corrects issue `index` (0 = newest) of newsletter `id`: from now on its
  // text has one character changed ("発行：" becomes "発信："), and its length stays.
  // False for an unknown ID or index.
  bool CorrectIssue(const std::string& id, int index);

  // Serves `bytes` with status 200 at `path` (the query is ignored), in place of
  // whatever the path would give otherwise: for tests that need a page of their own.
  void SetExtraPage(const std::string& path, std::string bytes);
  void ClearExtraPages();

  // Serves `description` from now on, in place of the newsletter with its ID (or beside
  // the others when the ID is new). The same ID gives the same issues.
  void SetNewsletter(const SampleNewsletter& description);

  // Makes `target` ("/path" or "/path?query", matched in that order: the whole target
  // first, then the path alone) show `fault` instead of its page.
  void SetFault(const std::string& target, PageFault fault);
  void ClearFaults();

 private:
  void Handle(const httplib::Request& request, httplib::Response& response);
  void ServePage(const httplib::Request& request, httplib::Response& response);
  void ServePageFault(const PageFault& fault, const httplib::Request& request, httplib::Response& response);
  void ServeFault(const std::string& path, const httplib::Request& request, httplib::Response& response);
  void ServeNotice(const std::string& rest, httplib::Response& response);
  // `head` at once, then a piece of text every 100 ms until the service stops.
  void SetSlowPage(httplib::Response& response, std::string head);
  void ServeNewsletter(const Newsletter& newsletter, const std::string& rest, const httplib::Request& request,
                       httplib::Response& response);
  // The newsletter as served now; it stays valid while a request uses it, even when a
  // test replaces it meanwhile.
  std::shared_ptr<const Newsletter> Find(const std::string& id) const;
  // Waits up to `milliseconds`; false once the service is stopping.
  bool WaitUnlessStopping(int milliseconds);

  std::unique_ptr<httplib::Server> server_;
  std::thread listener_;
  int port_ = 0;

  mutable std::mutex mutex_;  // guards everything below
  std::vector<SampleNewsletter> descriptions_;
  // Replaced whole when a newsletter grows, so a page being served keeps its own copy.
  std::vector<std::shared_ptr<const Newsletter>> newsletters_;
  std::condition_variable stopSignal_;
  bool stopping_ = false;
  std::vector<std::string> requests_;
  std::map<std::string, std::string> extraPages_;
  std::map<std::string, PageFault> faults_;
};

}  // namespace sample_site
