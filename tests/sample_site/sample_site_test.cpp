#include "sample_site/sample_site.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <future>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/cp932.h"
#include "platform/page_encoding.h"
#include "platform/sjis.h"
#include "platform/text_lines.h"
#include "support/test_support.h"

namespace {

using sample_site::BodyStyle;
using sample_site::IssueNaming;
using sample_site::PageEncoding;
using sample_site::SampleNewsletter;
using sample_site::SampleSite;
using Clock = std::chrono::steady_clock;

struct Page {
  bool received = false;  // a complete response arrived
  int status = 0;
  std::string body;
  std::string contentType;
  std::string location;
};

Page Fetch(int port, const std::string& target, bool followRedirects = false) {
  httplib::Client client("127.0.0.1", port);
  client.set_read_timeout(10, 0);
  client.set_follow_location(followRedirects);
  Page page;
  const auto result = client.Get(target);
  if (!result) return page;
  page.received = true;
  page.status = result->status;
  page.body = result->body;
  page.contentType = result->get_header_value("Content-Type");
  page.location = result->get_header_value("Location");
  return page;
}

// What the raw bytes of one connection look like: for faults that break HTTP.
std::string RawExchange(int port, const std::string& request, std::size_t stopAfter = std::string::npos) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  timeval timeout{10, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  std::string received;
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
    char buffer[4096];
    while (received.size() < stopAfter) {
      const ssize_t count = recv(fd, buffer, sizeof buffer, 0);
      if (count <= 0) break;
      received.append(buffer, static_cast<std::size_t>(count));
    }
  }
  close(fd);
  return received;
}

std::string GetRequest(const std::string& target, bool keepAlive = false) {
  return "GET " + target +
         " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: " + (keepAlive ? "keep-alive" : "close") + "\r\n\r\n";
}

// The page text the reader works on: every page converted to Shift-JIS.
std::string ToShiftJis(const std::string& bytes, PageEncoding encoding) {
  switch (encoding) {
    case PageEncoding::EucJp:
      return EucJpToShiftJis(bytes);
    case PageEncoding::Utf8:
      return Utf8ToShiftJis(bytes);
    case PageEncoding::ShiftJis:
      break;
  }
  return bytes;
}

std::string ListingTarget(const SampleNewsletter& description, int page) {
  return "/m/log/" + description.id + "/?page=" + std::to_string(page);
}

// The page count as the reader takes it from listing page 1: the number after "page="
// in the onclick argument of the first table link, when that link precedes the
// first-page image.
int PageCountAsTheReaderSeesIt(const std::string& page) {
  const std::string lower = sjis::ToLower(page);
  const auto first = sjis::Find(lower, Sj("alt=\"一番前へ\""));
  const auto table = sjis::Find(page, "<td><a href=\"/m/log/");
  std::string s;
  if (table > 0 && table < first) {
    s = sjis::Cut(lower, static_cast<long long>(table) + 21, 200);
    const auto dynamic = sjis::Find(s, "onclick=\"dynamicLink(");
    s = sjis::Cut(s, static_cast<long long>(dynamic) + 22, 100);
    const auto number = sjis::Find(s, "page=");
    if (number > 0) {
      s = sjis::Cut(s, static_cast<long long>(number) + 5, 10);
      const auto quote = sjis::Find(s, "'");
      if (quote > 0) s = sjis::Left(s, static_cast<long long>(quote) - 1);
    }
  }
  if (s.empty() || s.find_first_not_of("0123456789") != std::string::npos) return 1;
  return std::stoi(s);
}

struct ListedIssue {
  std::string key;
  std::string tail;
  bool operator==(const ListedIssue&) const = default;
};

void PrintTo(const ListedIssue& issue, std::ostream* out) { *out << Hex(issue.key) << " / " << issue.tail; }

// The issue links of a listing page as the reader's walk cuts them: each link after
// its onclick marker, up to "</a>"; anchor links give the link text and the part
// after "#", issue-page links the "第N号" key and the file after the ID.
std::vector<ListedIssue> IssueLinksAsTheReaderSeesThem(std::string page) {
  static const std::string kMarker = "onclick=\"dynamicLink(";
  std::vector<ListedIssue> issues;
  for (auto at = sjis::Find(page, kMarker); at > 0; at = sjis::Find(page, kMarker)) {
    std::string link = sjis::Cut(page, static_cast<long long>(at) + 22, 500);
    page.erase(at - 1, kMarker.size());
    const auto end = sjis::Find(link, "</a>");
    if (end > 0) link = sjis::Left(link, static_cast<long long>(end) - 1);
    const auto text = sjis::Find(link, "\">");
    if (sjis::Contains(link, "page=") && sjis::Contains(link, "#")) {
      const auto hash = sjis::Find(link, "#");
      const auto close = sjis::Find(link, "')");
      issues.push_back(
          {sjis::Cut(link, static_cast<long long>(text) + 2, 100),
           sjis::Cut(link, static_cast<long long>(hash) + 1, static_cast<long long>(close - hash) - 1)});
    } else if (sjis::Contains(link, "return false;") && sjis::Contains(link, ".html")) {
      std::string key = sjis::Cut(link, static_cast<long long>(text) + 2, 100);
      key = key.substr(0, key.find(' '));
      const auto base = sjis::Find(link, "/m/log/");
      const auto html = sjis::Find(link, ".html');");
      issues.push_back({key, sjis::Cut(link, static_cast<long long>(base) + 18,
                                       static_cast<long long>(html) - static_cast<long long>(base) - 13)});
    }
  }
  return issues;
}

class SampleSiteTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    site_ = std::make_unique<SampleSite>();
    site_->Start();
  }
  static void TearDownTestSuite() { site_.reset(); }
  static SampleSite& site() { return *site_; }
  static Page Get(const std::string& target) { return Fetch(site_->Port(), target); }
  static SampleNewsletter DescriptionOf(const std::string& id) {
    for (const auto& description : site_->Newsletters()) {
      if (description.id == id) return description;
    }
    throw std::runtime_error("no newsletter " + id);
  }

 private:
  static inline std::unique_ptr<SampleSite> site_;
};

TEST_F(SampleSiteTest, AddressesFollowThePort) {
  const std::string root = "http://127.0.0.1:" + std::to_string(site().Port());
  EXPECT_GT(site().Port(), 0);
  EXPECT_EQ(site().Root(), root);
  EXPECT_EQ(site().BackNumberBase(), root + "/m/log");
  EXPECT_EQ(site().NewsletterAddress("0000100001"), root + "/m/log/0000100001");
}

TEST_F(SampleSiteTest, DefaultNewslettersHaveTheirShapes) {
  const auto& list = site().Newsletters();
  ASSERT_EQ(list.size(), 7u);
  const std::vector<std::string> ids = {"0000100001", "0000100002", "0000100003", "0000100004",
                                        "0000100005", "0000100006", "0000900000"};
  const std::vector<int> pageCounts = {3, 2, 2, 1, 1, 3, 50};
  for (std::size_t i = 0; i < list.size(); ++i) {
    EXPECT_EQ(list[i].id, ids[i]);
    EXPECT_EQ(sample_site::ListingPageCount(list[i]), pageCounts[i]) << list[i].id;
    EXPECT_EQ(site().Issues(list[i].id).size(), static_cast<std::size_t>(list[i].issueCount));
  }
  EXPECT_EQ(list[1].encoding, PageEncoding::EucJp);
  EXPECT_EQ(list[2].encoding, PageEncoding::Utf8);
  EXPECT_EQ(list[2].naming, IssueNaming::Numbered);
  EXPECT_EQ(list[3].body, BodyStyle::BlogEntry);
  EXPECT_TRUE(list[4].htmlFormat);
  EXPECT_EQ(list[5].failingListingPage, 2);
  EXPECT_EQ(list[5].missingIssues, std::set<int>{2});
  EXPECT_TRUE(site().Issues("0000000000").empty());
}

TEST_F(SampleSiteTest, TopPageIsListingPageOneUnderEveryAddress) {
  for (const auto& description : site().Newsletters()) {
    const Page top = Get("/m/log/" + description.id);
    ASSERT_EQ(top.status, 200) << description.id;
    EXPECT_EQ(top.contentType, "text/html");
    for (const std::string& target : {"/m/log/" + description.id + "/", ListingTarget(description, 1)}) {
      const Page same = Get(target);
      EXPECT_EQ(same.status, 200) << target;
      EXPECT_EQ(same.body, top.body) << target;
    }
  }
}

TEST_F(SampleSiteTest, ListingPagesHoldTheNewsletterDataInEveryEncoding) {
  const std::string htmlNotice =
      Sj("※</font>このメールマガジンはHTML形式です。本文は新規ウィンドウで表示されます</font>");
  for (const auto& description : site().Newsletters()) {
    const std::string declaration = description.encoding == PageEncoding::EucJp  ? "charset=EUC-JP\">"
                                    : description.encoding == PageEncoding::Utf8 ? "charset=UTF-8\">"
                                                                                 : "charset=Shift_JIS\">";
    const std::string latest = description.latestDate.empty()
                                   ? site().Issues(description.id).front().date.substr(0, 10)
                                   : Sj(description.latestDate);
    for (int number = 1; number <= sample_site::ListingPageCount(description); ++number) {
      if (number == description.failingListingPage) continue;
      const Page listing = Get(ListingTarget(description, number));
      ASSERT_EQ(listing.status, 200) << description.id << " page " << number;
      EXPECT_NE(listing.body.find("<meta http-equiv=\"Content-Type\" content=\"text/html; " + declaration),
                std::string::npos)
          << description.id;
      const std::string page = ToShiftJis(listing.body, description.encoding);
      ASSERT_FALSE(page.empty()) << description.id;
      const std::string lower = sjis::ToLower(page);
      EXPECT_TRUE(sjis::Contains(page, Sj("<title>まぐまぐ - " + description.title + " -</title>")))
          << description.id;
      const auto valueAfter = [&](const std::string& marker, std::size_t length) {
        const auto at = sjis::Find(lower, Sj(marker));
        return at == 0 ? std::string("(none)")
                       : sjis::Cut(page, static_cast<long long>(at + Sj(marker).size()), length);
      };
      const std::string cycle = Sj(description.cycle) + "&nbsp;" + Sj("(予定)");
      EXPECT_EQ(valueAfter("<b>発行周期：</b></font>", cycle.size()), cycle) << description.id;
      EXPECT_EQ(valueAfter("<b>最新号発行日：</b></font>", latest.size() + 6), latest + "&nbsp;")
          << description.id;
      const std::string circulation = Sj(description.circulation + "部");
      EXPECT_EQ(valueAfter("<b>最新号発行部数：</b></font>", circulation.size()), circulation)
          << description.id;
      // Upper-case tag names are found only in the lower-cased copy.
      EXPECT_EQ(sjis::Contains(page, Sj("<b>発行周期：</b></font>")), !description.upperCaseMarkers)
          << description.id;
      EXPECT_EQ(sjis::Contains(page, htmlNotice), description.htmlFormat) << description.id;
      EXPECT_FALSE(sjis::Contains(page, "<div class=\"backnumber-entry\">"))
          << description.id << " page " << number;
      EXPECT_EQ(listing.body.find("\r\n") != std::string::npos, description.crlfLineEnds) << description.id;
    }
  }
  // One default newsletter writes its markers in upper case.
  EXPECT_TRUE(DescriptionOf("0000100004").upperCaseMarkers);
}

TEST_F(SampleSiteTest, PageCountLinkGivesTheNumberOfListingPages) {
  for (const auto& description : site().Newsletters()) {
    const std::string page = ToShiftJis(Get("/m/log/" + description.id).body, description.encoding);
    EXPECT_EQ(PageCountAsTheReaderSeesIt(page), sample_site::ListingPageCount(description)) << description.id;
    // The last page is where the first link leads, and the page after it does not exist.
    EXPECT_EQ(Get(ListingTarget(description, sample_site::ListingPageCount(description) + 1)).status, 404)
        << description.id;
  }
}

TEST(SampleSitePageCount, OneToThreeDigitPageCounts) {
  std::vector<SampleNewsletter> descriptions;
  for (const int pages : {1, 9, 10, 11, 99, 100, 123}) {
    SampleNewsletter description;
    description.id = "00005" + std::to_string(10000 + pages).substr(0, 5);
    description.title = "ページ数" + std::to_string(pages);
    description.issuesPerPage = 2;
    description.issueCount = pages * 2 - 1;  // the last page holds a single issue
    descriptions.push_back(description);
  }
  descriptions.push_back(descriptions.front());
  descriptions.back().id = "0000600000";
  descriptions.back().issueCount = 0;  // no issues still gives one page
  SampleSite site(descriptions);
  site.Start();
  for (const auto& description : descriptions) {
    const int expected = std::max(1, (description.issueCount + 1) / 2);
    ASSERT_EQ(sample_site::ListingPageCount(description), expected);
    EXPECT_EQ(PageCountAsTheReaderSeesIt(Fetch(site.Port(), "/m/log/" + description.id).body), expected)
        << description.title;
    EXPECT_EQ(Fetch(site.Port(), ListingTarget(description, expected)).status, 200) << description.title;
  }
}

TEST_F(SampleSiteTest, ListingPagesTogetherListExactlyTheIssuesInOrder) {
  for (const auto& description : site().Newsletters()) {
    const auto issues = site().Issues(description.id);
    std::vector<ListedIssue> expected;
    for (const auto& issue : issues) expected.push_back({issue.key, issue.pathTail});
    std::vector<ListedIssue> listed;
    for (int number = 1; number <= sample_site::ListingPageCount(description); ++number) {
      std::vector<ListedIssue> onPage;
      if (number == description.failingListingPage) {
        // Not fetchable; its share of the issues is what the neighbours leave out.
        const auto from = static_cast<std::size_t>((number - 1) * description.issuesPerPage);
        const auto to = std::min(expected.size(), from + static_cast<std::size_t>(description.issuesPerPage));
        onPage.assign(expected.begin() + static_cast<long>(from), expected.begin() + static_cast<long>(to));
      } else {
        const Page listing = Get(ListingTarget(description, number));
        ASSERT_EQ(listing.status, 200);
        const std::string page = ToShiftJis(listing.body, description.encoding);
        onPage = IssueLinksAsTheReaderSeesThem(page);
        EXPECT_LE(onPage.size(), static_cast<std::size_t>(description.issuesPerPage))
            << description.id << " page " << number;
        for (const auto& issue : onPage) {
          if (description.naming == IssueNaming::Dated) {
            // The link text is the date alone, and the anchor names this page.
            EXPECT_TRUE(sjis::Contains(page, "\">" + issue.key + "</a> ")) << issue.key;
            EXPECT_TRUE(sjis::Contains(page, "/?page=" + std::to_string(number) + "#" + issue.tail + "')\""));
          }
        }
      }
      listed.insert(listed.end(), onPage.begin(), onPage.end());
    }
    EXPECT_EQ(listed, expected) << description.id;
  }
}

TEST_F(SampleSiteTest, IssueKeysAndTails) {
  for (const auto& description : site().Newsletters()) {
    const auto issues = site().Issues(description.id);
    std::set<std::string> keys;
    std::set<std::string> tails;
    for (std::size_t i = 0; i < issues.size(); ++i) {
      const auto& issue = issues[i];
      keys.insert(issue.key);
      tails.insert(issue.pathTail);
      ASSERT_EQ(issue.pathTail.size(), 15u) << issue.pathTail;
      EXPECT_EQ(issue.pathTail.find_first_not_of("0123456789"), 10u) << issue.pathTail;
      EXPECT_EQ(issue.pathTail.substr(10), ".html");
      ASSERT_EQ(issue.date.size(), 16u);
      EXPECT_EQ(issue.date[4], '/');
      EXPECT_EQ(issue.date[7], '/');
      EXPECT_EQ(issue.date[10], ' ');
      EXPECT_EQ(issue.date[13], ':');
      if (description.naming == IssueNaming::Numbered) {
        EXPECT_EQ(issue.key, Sj("第" + std::to_string(issues.size() - i) + "号"));
      } else {
        EXPECT_EQ(issue.key, issue.date);
      }
      // Newest first: dates and the time-like tails fall (the date form sorts like dates).
      if (i > 0) {
        EXPECT_LT(issue.date, issues[i - 1].date);
        EXPECT_LT(issue.pathTail, issues[i - 1].pathTail);
      }
    }
    EXPECT_EQ(keys.size(), issues.size()) << description.id;
    EXPECT_EQ(tails.size(), issues.size()) << description.id;
  }
  // Every newest issue is from the same day, but no path tail is shared between the
  // default newsletters.
  std::set<std::string> allTails;
  std::size_t issueCount = 0;
  for (const auto& description : site().Newsletters()) {
    const auto issues = site().Issues(description.id);
    EXPECT_EQ(issues.front().date.substr(0, 10), "2026/12/07") << description.id;
    for (const auto& issue : issues) allTails.insert(issue.pathTail);
    issueCount += issues.size();
  }
  EXPECT_EQ(allTails.size(), issueCount);
}

TEST_F(SampleSiteTest, IssuePagesHoldTheBodyBetweenTheMarkers) {
  for (const auto& description : site().Newsletters()) {
    const auto issues = site().Issues(description.id);
    // Every issue of the small newsletters, a spread of the large one.
    const std::size_t step = issues.size() > 100 ? 97 : 1;
    for (std::size_t i = 0; i < issues.size(); i += step) {
      if (description.missingIssues.count(static_cast<int>(i)) > 0) continue;
      const auto& issue = issues[i];
      const Page issuePage = Get("/m/log/" + description.id + "/" + issue.pathTail);
      ASSERT_EQ(issuePage.status, 200) << description.id << " " << issue.pathTail;
      EXPECT_EQ(issuePage.contentType, "text/html");
      const std::string page = ToShiftJis(issuePage.body, description.encoding);
      EXPECT_TRUE(sjis::Contains(page, Sj("<title>まぐまぐ - " + description.title + " -</title>")));
      if (description.body == BodyStyle::BlogEntry) {
        EXPECT_TRUE(sjis::Contains(page, "<div class=\"backnumber-entry\">" + issue.bodyShiftJis +
                                             "\n<div class=\"backnumber-entry-footer\">"))
            << description.id << " " << i;
        EXPECT_FALSE(sjis::Contains(page, "<pre><tt>"));
      } else {
        EXPECT_TRUE(sjis::Contains(page, "<pre><tt>" + issue.bodyShiftJis + "\n</tt></pre>"))
            << description.id << " " << i;
        EXPECT_FALSE(sjis::Contains(page, "<div class=\"backnumber-entry\">"));
        EXPECT_FALSE(sjis::Contains(issue.bodyShiftJis, "<"));
      }
      const std::size_t lines = SplitLines(issue.bodyShiftJis).size();
      EXPECT_GE(lines, static_cast<std::size_t>(std::max(5, description.minBodyLines)))
          << description.id << " " << i;
      EXPECT_LE(lines, static_cast<std::size_t>(description.maxBodyLines)) << description.id << " " << i;
      const bool hasCr = issue.bodyShiftJis.find('\r') != std::string::npos;
      EXPECT_EQ(hasCr, description.crlfLineEnds) << description.id;
      if (description.crlfLineEnds) {
        EXPECT_EQ(sjis::ReplaceAll(issue.bodyShiftJis, "\r\n", "").find('\n'), std::string::npos);
      }
      EXPECT_NE(issue.bodyShiftJis.back(), '\n');
      // A query after the file name is ignored.
      EXPECT_EQ(Get("/m/log/" + description.id + "/" + issue.pathTail + "?from=list").body, issuePage.body);
    }
  }
}

TEST_F(SampleSiteTest, ShiftJisIssuesUseCharactersOnlyCodePage932Has) {
  for (const auto& description : site().Newsletters()) {
    std::string all;
    for (const auto& issue : site().Issues(description.id)) all += issue.bodyShiftJis;
    for (const char* character : {"①", "②", "㈱", "～"}) {
      EXPECT_EQ(sjis::Contains(all, Sj(character)), description.encoding == PageEncoding::ShiftJis)
          << description.id << " " << character;
    }
    if (description.encoding == PageEncoding::ShiftJis && description.issueCount >= 25) {
      for (const char* character : {"∥", "－", "￢"})
        EXPECT_TRUE(sjis::Contains(all, Sj(character))) << description.id;
    }
  }
}

TEST_F(SampleSiteTest, IssueTextsVaryWithinAndAcrossNewsletters) {
  std::set<std::string> bodies;
  std::size_t count = 0;
  std::set<std::size_t> lineCounts;
  for (const auto& description : site().Newsletters()) {
    for (const auto& issue : site().Issues(description.id)) {
      bodies.insert(issue.bodyShiftJis);
      lineCounts.insert(SplitLines(issue.bodyShiftJis).size());
      ++count;
    }
  }
  EXPECT_EQ(bodies.size(), count);
  EXPECT_GE(lineCounts.size(), 20u);
  EXPECT_TRUE(lineCounts.count(5) > 0 || lineCounts.count(6) > 0);
  const std::string sample = site().Issues("0000100001")[1].bodyShiftJis;
  EXPECT_TRUE(sjis::Contains(sample, Sj("━━━━━━━━━━")));
  EXPECT_TRUE(sjis::Contains(sample, Sj("週刊サンプル通信")));
  EXPECT_TRUE(sjis::Contains(sample, Sj("発行：")));
}

TEST_F(SampleSiteTest, LargeNewsletterBodiesAreTwoToFourKilobytes) {
  const auto issues = site().Issues("0000900000");
  ASSERT_EQ(issues.size(), 1000u);
  std::size_t total = 0;
  for (const auto& issue : issues) {
    EXPECT_GE(issue.bodyShiftJis.size(), 1500u);
    EXPECT_LE(issue.bodyShiftJis.size(), 5000u);
    total += issue.bodyShiftJis.size();
  }
  EXPECT_GE(total / issues.size(), 2000u);
  EXPECT_LE(total / issues.size(), 4000u);
}

TEST_F(SampleSiteTest, UnknownPagesAndMissingIssuesAnswer404) {
  const auto& faulty = DescriptionOf("0000100006");
  const auto issues = site().Issues(faulty.id);
  for (const std::string& target :
       {std::string("/m/log/0000999999"), std::string("/m/log/0000100001/?page=0"),
        std::string("/m/log/0000100001/?page=4"), std::string("/m/log/0000100001/?page=abc"),
        std::string("/m/log/0000100001/?page=-1"), std::string("/m/log/0000100001/0000000000.html"),
        std::string("/m/log/0000100001/") + issues[0].pathTail,  // a tail of another newsletter
        std::string("/m/log/0000100001/1234567890.html"), std::string("/m/log/0000100001/x/y"),
        std::string("/nothing"), std::string("/fault/nothing"), std::string("/fault/charset/unknown"),
        "/m/log/" + faulty.id + "/" + issues[2].pathTail}) {
    const Page page = Get(target);
    EXPECT_EQ(page.status, 404) << target;
    EXPECT_EQ(page.contentType, "text/html") << target;
  }
  // Its neighbours are there.
  EXPECT_EQ(Get("/m/log/" + faulty.id + "/" + issues[1].pathTail).status, 200);
  EXPECT_EQ(Get("/m/log/" + faulty.id + "/" + issues[3].pathTail).status, 200);
  EXPECT_EQ(Get("/").status, 200);
}

TEST_F(SampleSiteTest, FailingListingPageBreaksOffMidBody) {
  const auto& faulty = DescriptionOf("0000100006");
  const std::string raw = RawExchange(site().Port(), GetRequest(ListingTarget(faulty, 2)));
  const auto headerEnd = raw.find("\r\n\r\n");
  ASSERT_NE(headerEnd, std::string::npos);
  EXPECT_EQ(raw.rfind("HTTP/1.1 200", 0), 0u);
  const auto lengthAt = raw.find("Content-Length: ");
  ASSERT_NE(lengthAt, std::string::npos);
  const std::size_t promised = std::stoul(raw.substr(lengthAt + 16));
  const std::size_t sent = raw.size() - headerEnd - 4;
  EXPECT_GT(sent, 0u);
  EXPECT_LT(sent, promised);
  const Page page = Get(ListingTarget(faulty, 2));
  EXPECT_TRUE(!page.received || page.body.size() < promised);
  EXPECT_EQ(Get(ListingTarget(faulty, 1)).status, 200);
  EXPECT_EQ(Get(ListingTarget(faulty, 3)).status, 200);
}

TEST_F(SampleSiteTest, SimpleFaults) {
  const Page notFound = Get("/fault/404");
  EXPECT_EQ(notFound.status, 404);
  EXPECT_FALSE(notFound.body.empty());
  EXPECT_LT(notFound.body.size(), 1000u);
  EXPECT_EQ(Get("/fault/500").status, 500);

  const Page redirect = Get("/fault/redirect");
  EXPECT_EQ(redirect.status, 302);
  EXPECT_EQ(redirect.location, site().NewsletterAddress("0000100001"));
  const Page followed = Fetch(site().Port(), "/fault/redirect", true);
  EXPECT_EQ(followed.status, 200);
  EXPECT_EQ(followed.body, Get("/m/log/0000100001").body);
}

TEST_F(SampleSiteTest, ResetSendsPartOfThePromisedBodyAndCloses) {
  const std::string raw = RawExchange(site().Port(), GetRequest("/fault/reset"));
  const auto headerEnd = raw.find("\r\n\r\n");
  ASSERT_NE(headerEnd, std::string::npos);
  EXPECT_EQ(raw.rfind("HTTP/1.1 200", 0), 0u);
  EXPECT_NE(raw.find("Content-Length: 20000\r\n"), std::string::npos);
  const std::string body = raw.substr(headerEnd + 4);
  EXPECT_GE(body.size(), 2000u);
  EXPECT_LE(body.size(), 4000u);
  EXPECT_EQ(body.rfind("<html>", 0), 0u);
  const Page page = Get("/fault/reset");
  EXPECT_TRUE(!page.received || page.body.size() < 20000u);
}

TEST_F(SampleSiteTest, LargePagesHaveTheSizeAskedFor) {
  const std::string title = Sj("<title>まぐまぐ - 大容量テストページ -</title>");
  for (const auto& [target, size] :
       std::vector<std::pair<std::string, std::size_t>>{{"/fault/large?kb=1", 1024},
                                                        {"/fault/large?kb=3", 3072},
                                                        {"/fault/large?kb=100", 102400},
                                                        {"/fault/large", 4096 * 1024},
                                                        {"/fault/large?kb=x", 4096 * 1024}}) {
    const Page page = Get(target);
    ASSERT_EQ(page.status, 200) << target;
    EXPECT_EQ(page.body.size(), size) << target;
    const std::string top = page.body.substr(0, 1024);
    EXPECT_TRUE(sjis::Contains(top, title)) << target;
    EXPECT_TRUE(sjis::Contains(top, "charset=Shift_JIS")) << target;
    EXPECT_TRUE(sjis::Contains(top, Sj("<b>発行周期：</b></font>")));
    EXPECT_TRUE(sjis::Contains(top, Sj("<b>最新号発行日：</b></font>")));
    EXPECT_TRUE(sjis::Contains(top, Sj("<b>最新号発行部数：</b></font>")));
    EXPECT_EQ(page.body.substr(page.body.size() - 8), "</html>\n") << target;
    // Valid Shift-JIS throughout: decoding meets no undefined code.
    if (size <= 102400) {
      EXPECT_EQ(cp932::Decode(page.body).find(u'\u30FB'), std::u16string::npos) << target;
    }
  }
}

TEST_F(SampleSiteTest, MalformedBodiesDeclareTheirCharset) {
  const Page badUtf8 = Get("/fault/bad-utf8");
  EXPECT_EQ(badUtf8.status, 200);
  EXPECT_TRUE(sjis::Contains(sjis::ToUpper(badUtf8.body), "CHARSET=UTF-8"));
  // Everything up to the cut is valid; the cut character is the one malformed sequence.
  const std::string valid = Utf8ToShiftJis(badUtf8.body.substr(0, badUtf8.body.size() - 2));
  EXPECT_EQ(valid.find('?'), std::string::npos);
  EXPECT_EQ(Utf8ToShiftJis(badUtf8.body), valid + "?");

  const Page badEucJp = Get("/fault/bad-eucjp");
  EXPECT_EQ(badEucJp.status, 200);
  EXPECT_TRUE(sjis::Contains(sjis::ToUpper(badEucJp.body), "CHARSET=EUC-JP"));
  std::set<unsigned char> high;
  for (const char c : badEucJp.body) {
    if (static_cast<unsigned char>(c) >= 0x80) high.insert(static_cast<unsigned char>(c));
  }
  EXPECT_EQ(high.size(), 128u);
  EXPECT_EQ(static_cast<unsigned char>(badEucJp.body.back()), 0xA4);
}

TEST_F(SampleSiteTest, CharsetPagesForTheEncodingChoice) {
  const std::string probeSjis = Sj(sample_site::kCharsetProbeText);
  struct Case {
    std::string variant;
    PageEncoding bodyEncoding;
    bool declaresEucJp;
    bool declaresUtf8;  // in the form the reader recognises
  };
  for (const Case& c : {Case{"both-utf8-first", PageEncoding::EucJp, true, true},
                        Case{"yahoo", PageEncoding::EucJp, false, false},
                        Case{"yahoo-upper", PageEncoding::EucJp, false, false},
                        Case{"spaced", PageEncoding::Utf8, false, false},
                        Case{"mixed-case", PageEncoding::Utf8, false, true}}) {
    const Page page = Get("/fault/charset/" + c.variant);
    ASSERT_EQ(page.status, 200) << c.variant;
    const std::string upper = sjis::ToUpper(page.body);
    EXPECT_EQ(sjis::Contains(upper, "CHARSET=EUC-JP"), c.declaresEucJp) << c.variant;
    EXPECT_EQ(sjis::Contains(upper, "CHARSET=UTF-8"), c.declaresUtf8) << c.variant;
    EXPECT_TRUE(sjis::Contains(ToShiftJis(page.body, c.bodyEncoding), probeSjis)) << c.variant;
    EXPECT_FALSE(sjis::Contains(page.body, probeSjis)) << c.variant;
  }
  const std::string both = Get("/fault/charset/both-utf8-first").body;
  EXPECT_LT(both.find("charset=UTF-8"), both.find("charset=euc-jp"));
  EXPECT_NE(Get("/fault/charset/yahoo").body.find("<title>Yahoo! JAPAN</title>"), std::string::npos);
  const std::string yahooUpper = Get("/fault/charset/yahoo-upper").body;
  EXPECT_NE(yahooUpper.find("<TITLE>Yahoo! JAPAN</TITLE>"), std::string::npos);
  EXPECT_EQ(yahooUpper.find("<title>"), std::string::npos);
  for (const char* variant : {"yahoo", "yahoo-upper"}) {
    EXPECT_EQ(sjis::ToUpper(Get(std::string("/fault/charset/") + variant).body).find("CHARSET"),
              std::string::npos);
  }
  EXPECT_NE(Get("/fault/charset/spaced").body.find("charset = UTF-8"), std::string::npos);
  EXPECT_NE(Get("/fault/charset/mixed-case").body.find("ChArSeT=uTf-8"), std::string::npos);
}

TEST_F(SampleSiteTest, EucJpAndUtf8PagesConvertToTheTextsGiven) {
  // Whatever converter the reader takes, a page in another encoding gives the same
  // Shift-JIS text the service reports.
  for (const char* id : {"0000100002", "0000100003"}) {
    const auto& description = DescriptionOf(id);
    for (const auto& issue : site().Issues(id)) {
      const std::string page =
          ToShiftJis(Get("/m/log/" + description.id + "/" + issue.pathTail).body, description.encoding);
      EXPECT_TRUE(sjis::Contains(page, issue.bodyShiftJis)) << id << " " << issue.pathTail;
      EXPECT_FALSE(sjis::Contains(page, "?")) << id;  // nothing was lost on the way
    }
  }
}

TEST_F(SampleSiteTest, SlowBodyStartsAtOnceAndTrickles) {
  httplib::Client client("127.0.0.1", site().Port());
  client.set_read_timeout(10, 0);
  const auto start = Clock::now();
  Clock::duration firstBytes{};
  std::string received;
  const auto result = client.Get("/fault/slow", [&](const char* data, std::size_t length) {
    if (received.empty()) firstBytes = Clock::now() - start;
    received.append(data, length);
    return Clock::now() - start < std::chrono::milliseconds(700);  // then go away
  });
  EXPECT_FALSE(result);  // the receiver broke off; the body had not ended
  EXPECT_LT(firstBytes, std::chrono::seconds(2));
  EXPECT_EQ(received.rfind("<html>", 0), 0u);
  EXPECT_TRUE(sjis::Contains(received, "charset=Shift_JIS"));
  // After the head, about 20 bytes every 100 ms: some pieces in 0.7 s, but not many.
  const auto headEnd = received.find("<pre>\n");
  ASSERT_NE(headEnd, std::string::npos);
  const std::size_t trickled = received.size() - headEnd - 6;
  EXPECT_GE(trickled, 20u);
  EXPECT_LE(trickled, 20u * 12);
}

TEST_F(SampleSiteTest, AbandonedSlowBodiesFreeTheServer) {
  // More abandoned slow bodies than the server has workers: each must end when its
  // client goes away, or the last request would never be answered.
  for (int i = 0; i < 20; ++i) {
    const std::string raw = RawExchange(site().Port(), GetRequest("/fault/slow"), 1);
    ASSERT_FALSE(raw.empty()) << i;
  }
  EXPECT_EQ(Get("/m/log/0000100001").status, 200);
}

TEST_F(SampleSiteTest, OneConnectionServesAWholeRead) {
  // One request after the other on a single connection, as a reader that keeps its
  // connection does: every listing page of the large newsletter and an issue of each.
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(site().Port()));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  timeval timeout{10, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  const auto& large = DescriptionOf("0000900000");
  const auto issues = site().Issues(large.id);
  std::string pending;
  for (int page = 1; page <= 2 * sample_site::ListingPageCount(large); ++page) {
    const std::string target =
        page <= 50 ? ListingTarget(large, page)
                   : "/m/log/" + large.id + "/" + issues[static_cast<std::size_t>(page)].pathTail;
    const std::string request = GetRequest(target, true);
    ASSERT_EQ(send(fd, request.data(), request.size(), MSG_NOSIGNAL), static_cast<ssize_t>(request.size()));
    std::size_t headerEnd = std::string::npos;
    std::size_t length = 0;
    char buffer[8192];
    while (headerEnd == std::string::npos || pending.size() < headerEnd + 4 + length) {
      const ssize_t count = recv(fd, buffer, sizeof buffer, 0);
      ASSERT_GT(count, 0) << "connection closed before the answer to request " << page;
      pending.append(buffer, static_cast<std::size_t>(count));
      if (headerEnd == std::string::npos && (headerEnd = pending.find("\r\n\r\n")) != std::string::npos) {
        const auto lengthAt = pending.find("Content-Length: ");
        ASSERT_LT(lengthAt, headerEnd);
        length = std::stoul(pending.substr(lengthAt + 16));
      }
    }
    EXPECT_EQ(pending.rfind("HTTP/1.1 200", 0), 0u) << target;
    EXPECT_EQ(pending.substr(0, headerEnd).find("Connection: close"), std::string::npos) << target;
    pending.erase(0, headerEnd + 4 + length);
  }
  close(fd);
}

TEST(SampleSiteRequests, RecordsEveryRequestInOrder) {
  SampleSite site;
  site.Start();
  const std::vector<std::string> targets = {"/m/log/0000100001", "/m/log/0000100001/?page=2", "/fault/404",
                                            "/nothing?x=1&y=2", "/m/log/0000100003/"};
  for (const auto& target : targets) Fetch(site.Port(), target);
  std::vector<std::string> expected;
  for (const auto& target : targets) expected.push_back("GET " + target);
  EXPECT_EQ(site.Requests(), expected);

  site.ClearRequests();
  EXPECT_TRUE(site.Requests().empty());
  RawExchange(site.Port(), "HEAD /m/log/0000100001 HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
  EXPECT_EQ(site.Requests(), std::vector<std::string>{"HEAD /m/log/0000100001"});

  // From several threads at once, none is lost.
  site.ClearRequests();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&site, t] {
      for (int i = 0; i < 25; ++i)
        Fetch(site.Port(), "/fault/404?t=" + std::to_string(t) + "&i=" + std::to_string(i));
    });
  }
  for (auto& thread : threads) thread.join();
  const auto recorded = site.Requests();
  EXPECT_EQ(recorded.size(), 100u);
  EXPECT_EQ(std::set<std::string>(recorded.begin(), recorded.end()).size(), 100u);
}

TEST(SampleSiteGrowth, NewerIssuesComeFirstAndTheOthersStayAsTheyWere) {
  const struct {
    std::string id;
    int added;
    std::string newestKey;  // UTF-8; empty: the date
  } cases[] = {{"0000100002", 9, ""}, {"0000100003", 2, "第17号"}, {"0000100006", 1, ""}};
  for (const auto& c : cases) {
    SampleSite site;
    site.Start();
    const auto before = site.Issues(c.id);
    for (int i = 0; i < c.added; ++i) ASSERT_TRUE(site.AddNewerIssue(c.id));
    const auto after = site.Issues(c.id);
    ASSERT_EQ(after.size(), before.size() + static_cast<std::size_t>(c.added)) << c.id;
    for (std::size_t i = 0; i < before.size(); ++i) {
      const auto& old = after[i + static_cast<std::size_t>(c.added)];
      EXPECT_EQ(old.key + old.pathTail + old.bodyShiftJis + old.date,
                before[i].key + before[i].pathTail + before[i].bodyShiftJis + before[i].date);
    }
    EXPECT_GT(after[0].date, after[1].date);
    EXPECT_EQ(after[0].key, c.newestKey.empty() ? after[0].date : Sj(c.newestKey));
    EXPECT_EQ(Fetch(site.Port(), "/m/log/" + c.id + "/" + after[0].pathTail).status, 200);
    // Listed first on the top page, which counts the listing pages anew.
    const auto descriptions = site.Newsletters();
    const auto& description = *std::find_if(descriptions.begin(), descriptions.end(),
                                            [&](const SampleNewsletter& d) { return d.id == c.id; });
    const std::string top = ToShiftJis(Fetch(site.Port(), "/m/log/" + c.id).body, description.encoding);
    EXPECT_EQ(IssueLinksAsTheReaderSeesThem(top).front(), (ListedIssue{after[0].key, after[0].pathTail}));
    const auto perPage = static_cast<std::size_t>(description.issuesPerPage);
    EXPECT_EQ(PageCountAsTheReaderSeesIt(top), static_cast<int>((after.size() + perPage - 1) / perPage));
  }
  // The issue that answered 404 still does.
  SampleSite site;
  site.Start();
  const std::string missing = site.Issues("0000100006")[2].pathTail;
  site.AddNewerIssue("0000100006");
  EXPECT_EQ(Fetch(site.Port(), "/m/log/0000100006/" + missing).status, 404);
  EXPECT_FALSE(site.AddNewerIssue("0000999999"));
}

TEST(SampleSiteGrowth, NewslettersAddedWhilePagesAreServedAreListedWhole) {
  SampleSite site;
  site.Start();
  const std::size_t before = site.Newsletters().size();
  constexpr int kAdded = 20;
  // The top page and the redirect fault read the descriptions while they grow.
  std::atomic<bool> done{false};
  std::vector<std::size_t> listed;
  std::thread reader([&] {
    while (!done) {
      const Page top = Fetch(site.Port(), "/");
      if (top.status != 200) break;
      std::size_t items = 0;
      for (std::size_t at = top.body.find("<li>"); at != std::string::npos;
           at = top.body.find("<li>", at + 1))
        ++items;
      listed.push_back(items);
      if (Fetch(site.Port(), "/fault/redirect").status != 302) break;
    }
  });
  for (int i = 0; i < kAdded; ++i) {
    SampleNewsletter added;
    added.id = "00002000" + std::to_string(10 + i);
    added.title = "追加 " + std::to_string(i);
    added.issueCount = 1;
    site.SetNewsletter(added);
    EXPECT_EQ(site.Newsletters().size(), before + static_cast<std::size_t>(i) + 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  done = true;
  reader.join();
  ASSERT_FALSE(listed.empty());
  EXPECT_TRUE(std::is_sorted(listed.begin(), listed.end()));
  EXPECT_GE(listed.front(), before);
  EXPECT_LE(listed.back(), before + kAdded);
  const std::string top = Fetch(site.Port(), "/").body;
  EXPECT_NE(top.find("/m/log/0000200029\">"), std::string::npos);
}

TEST(SampleSiteExtraPages, ServeTheGivenBytesInsteadOfThePath) {
  SampleSite site;
  site.Start();
  const std::string top = Fetch(site.Port(), "/m/log/0000100001").body;
  site.SetExtraPage("/m/log/0000100001", Sj("<title>差し替え</title>"));
  site.SetExtraPage("/m/log/0000777777", "abc");
  EXPECT_EQ(Fetch(site.Port(), "/m/log/0000100001").body, Sj("<title>差し替え</title>"));
  EXPECT_EQ(Fetch(site.Port(), "/m/log/0000777777?x=1").body, "abc");
  EXPECT_EQ(Fetch(site.Port(), "/m/log/0000777777").status, 200);
  site.ClearExtraPages();
  EXPECT_EQ(Fetch(site.Port(), "/m/log/0000100001").body, top);
  EXPECT_EQ(Fetch(site.Port(), "/m/log/0000777777").status, 404);
}

TEST(SampleSiteInstances, RunSideBySideAndServeIdenticalBytes) {
  SampleSite first;
  SampleSite second;
  first.Start();
  second.Start();
  ASSERT_NE(first.Port(), second.Port());
  std::vector<std::string> targets = {"/",
                                      "/m/log/0000100001/?page=3",
                                      "/m/log/0000100002",
                                      "/m/log/0000100003",
                                      "/m/log/0000100004",
                                      "/m/log/0000100005",
                                      "/m/log/0000900000/?page=50",
                                      "/fault/charset/yahoo",
                                      "/fault/large?kb=8"};
  for (const auto& description : first.Newsletters()) {
    const auto issues = first.Issues(description.id);
    targets.push_back("/m/log/" + description.id + "/" + issues.front().pathTail);
    targets.push_back("/m/log/" + description.id + "/" + issues.back().pathTail);
  }
  for (const auto& target : targets) {
    const Page a = Fetch(first.Port(), target);
    const Page b = Fetch(second.Port(), target);
    EXPECT_EQ(a.status, 200) << target;
    EXPECT_EQ(a.body, b.body) << target;
  }
  for (const auto& description : first.Newsletters()) {
    const auto a = first.Issues(description.id);
    const auto b = second.Issues(description.id);
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
      EXPECT_EQ(a[i].key, b[i].key);
      EXPECT_EQ(a[i].pathTail, b[i].pathTail);
      EXPECT_EQ(a[i].bodyShiftJis, b[i].bodyShiftJis);
    }
  }
  // Each keeps its own log.
  EXPECT_EQ(first.Requests().size(), targets.size());
  EXPECT_EQ(second.Requests().size(), targets.size());
}

TEST(SampleSiteLifecycle, StartOnAGivenPortAndRefuseATakenOne) {
  SampleSite first;
  const int port = first.Start();
  EXPECT_EQ(first.Start(), port);  // already running
  SampleSite second;
  EXPECT_THROW(second.Start(port), std::runtime_error);
  first.Stop();
  first.Stop();  // twice is harmless
  EXPECT_FALSE(Fetch(port, "/").received);
  // The port is free again, for this or another instance.
  EXPECT_EQ(second.Start(port), port);
  EXPECT_EQ(Fetch(port, "/m/log/0000100001").status, 200);
}

TEST(SampleSiteLifecycle, StopReturnsPromptlyWhileASlowBodyRuns) {
  SampleSite site;
  site.Start();
  std::promise<void> firstBytes;
  std::atomic<bool> signalled{false};
  std::thread reader([&] {
    httplib::Client client("127.0.0.1", site.Port());
    client.set_read_timeout(30, 0);
    client.Get("/fault/slow", [&](const char*, std::size_t) {
      if (!signalled.exchange(true)) firstBytes.set_value();
      return true;
    });
  });
  // An idle keep-alive connection must not hold the stop either.
  httplib::Client idle("127.0.0.1", site.Port());
  idle.set_keep_alive(true);
  ASSERT_TRUE(idle.Get("/fault/404"));
  ASSERT_EQ(firstBytes.get_future().wait_for(std::chrono::seconds(5)), std::future_status::ready);

  const auto start = Clock::now();
  site.Stop();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
  reader.join();  // the slow body ended with the service
}

TEST(SampleSiteLifecycle, DestructorStopsRightAfterStart) {
  const auto start = Clock::now();
  for (int i = 0; i < 5; ++i) {
    SampleSite site;
    site.Start();
  }
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
}

#ifdef YOMITORU_SAMPLE_SITE_EXECUTABLE
TEST(SampleSiteExecutable, PrintsItsAddressesPublishesOnSigusr1AndStopsOnSigterm) {
  int output[2];
  ASSERT_EQ(pipe(output), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    dup2(output[1], STDOUT_FILENO);
    close(output[0]);
    close(output[1]);
    execl(YOMITORU_SAMPLE_SITE_EXECUTABLE, YOMITORU_SAMPLE_SITE_EXECUTABLE, "--port", "0", nullptr);
    _exit(127);
  }
  close(output[1]);
  FILE* stream = fdopen(output[0], "r");
  std::vector<std::string> lines;
  char line[512];
  while (lines.size() < 8 && std::fgets(line, sizeof line, stream) != nullptr) lines.emplace_back(line);
  ASSERT_EQ(lines.size(), 8u);
  const std::string prefix = "Sample service: http://127.0.0.1:";
  ASSERT_EQ(lines[0].rfind(prefix, 0), 0u) << lines[0];
  const int port = std::stoi(lines[0].substr(prefix.size()));
  const std::string root = "http://127.0.0.1:" + std::to_string(port);
  EXPECT_EQ(lines[1], "  週刊サンプル通信 " + root + "/m/log/0000100001\n");
  EXPECT_EQ(lines[7], "  大容量サンプルマガジン " + root + "/m/log/0000900000\n");
  const std::string before = Fetch(port, "/m/log/0000100001").body;
  EXPECT_FALSE(before.empty());

  // Each SIGUSR1 publishes one more issue of every newsletter: the top page lists it first.
  for (int round = 1; round <= 2; ++round) {
    kill(child, SIGUSR1);
    ASSERT_NE(std::fgets(line, sizeof line, stream), nullptr);
    EXPECT_EQ(std::string(line), "Published one more issue of every newsletter.\n");
  }
  const std::string after = Fetch(port, "/m/log/0000100001").body;
  EXPECT_NE(after, before);
  const std::string numbered = Fetch(port, "/m/log/0000100003").body;
  EXPECT_NE(numbered.find("第17号"), std::string::npos);  // 15 at the start, and two more (UTF-8 pages)

  kill(child, SIGTERM);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  std::fclose(stream);
}
#endif

}  // namespace
