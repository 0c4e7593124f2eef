#include "retrieval/page_fetch.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/events.h"
#include "platform/sjis.h"
#include "support/sample_site_fixture.h"
#include "support/test_support.h"

namespace {

class PageFetchTest : public SampleSiteTest {
 protected:
  SharedState state;
  PageFetcher fetcher{state};
};

TEST_F(PageFetchTest, EmptyAddressReturnsZeroAndEmptiesPageText) {
  state.PageText = "old page";
  EXPECT_EQ(fetcher.FetchPage("", 1), 0);
  EXPECT_EQ(state.PageText, "");
}

TEST_F(PageFetchTest, NegativeModeClosesTheSessionAndKeepsThePage) {
  ASSERT_EQ(fetcher.FetchPage(site().NewsletterAddress("0000100001"), 1), 1);
  const std::string page = state.PageText;
  EXPECT_EQ(fetcher.FetchPage("ignored", -1), 0);
  EXPECT_FALSE(fetcher.HasSession());
  EXPECT_EQ(state.PageText, page);
  EXPECT_EQ(state.PageTextLower, page);
}

TEST_F(PageFetchTest, WithoutAnOpenSessionTheFetchFails) {
  state.PageText = "old page";
  EXPECT_EQ(fetcher.FetchPage(site().NewsletterAddress("0000100001"), 0), -1);
  EXPECT_EQ(state.PageText, "");
  ASSERT_EQ(fetcher.FetchPage(site().NewsletterAddress("0000100001"), 1), 1);
  EXPECT_EQ(fetcher.FetchPage(site().NewsletterAddress("0000100002"), 0), 1);
  fetcher.FetchPage("", -5);
  EXPECT_EQ(fetcher.FetchPage(site().NewsletterAddress("0000100001"), 0), -1);
}

TEST_F(PageFetchTest, EachEncodingArrivesAsShiftJis) {
  const std::pair<const char*, const char*> pages[] = {{"0000100001", "週刊サンプル通信"},
                                                       {"0000100002", "季節のレシピ便り"},
                                                       {"0000100003", "プログラミング入門講座"}};
  ASSERT_EQ(fetcher.FetchPage(site().Root(), 1), 1);
  for (const auto& [id, title] : pages) {
    EXPECT_EQ(fetcher.FetchPage(site().NewsletterAddress(id), 0), 1) << id;
    EXPECT_TRUE(sjis::Contains(state.PageText, Sj(title))) << id;
    EXPECT_TRUE(sjis::Contains(state.PageText, Sj("<b>最新号発行部数：</b></font>"))) << id;
    // After a fetch the receive buffer holds the same converted text, not lower-cased.
    EXPECT_EQ(state.PageTextLower, state.PageText) << id;
  }
}

TEST_F(PageFetchTest, ANonSuccessStatusIsASuccessWithoutText) {
  ASSERT_EQ(fetcher.FetchPage(site().NewsletterAddress("0000100001"), 1), 1);
  for (const char* path : {"/fault/404", "/fault/500", "/m/log/0000100001/?page=99"}) {
    EXPECT_EQ(fetcher.FetchPage(site().Root() + path, 0), 1) << path;
    EXPECT_EQ(state.PageText, "") << path;
    EXPECT_EQ(state.PageTextLower, "") << path;
  }
}

TEST_F(PageFetchTest, RedirectsAreFollowedBeforeTheStatusIsRead) {
  EXPECT_EQ(fetcher.FetchPage(site().Root() + "/fault/redirect", 1), 1);
  EXPECT_TRUE(sjis::Contains(state.PageText, Sj("週刊サンプル通信")));
}

TEST_F(PageFetchTest, ABodyCutOffByTheServerIsAFailureWithoutText) {
  ASSERT_EQ(fetcher.FetchPage(site().Root() + "/fault/reset", 1), -2);
  EXPECT_EQ(state.PageText, "");
  // The session survives for the next page.
  EXPECT_EQ(fetcher.FetchPage(site().NewsletterAddress("0000100001"), 0), 1);
  EXPECT_FALSE(state.PageText.empty());
}

TEST_F(PageFetchTest, AddressesThatCannotBeOpenedGiveMinusTwo) {
  state.PageTextLower = "previous buffer";
  ASSERT_EQ(fetcher.FetchPage(site().NewsletterAddress("0000100001"), 1), 1);
  state.PageTextLower = "previous buffer";
  for (const std::string& address :
       {std::string("127.0.0.1/m/log/0000100001"), site().Root() + "/m/log/0000 100001",
        std::string("ftp://127.0.0.1/x"), std::string("http://"), std::string("file:///etc/passwd")}) {
    EXPECT_EQ(fetcher.FetchPage(address, 0), -2) << address;
    EXPECT_EQ(state.PageText, "") << address;
    EXPECT_EQ(state.PageTextLower, "previous buffer") << address;
  }
}

TEST_F(PageFetchTest, ARefusedConnectionIsRetriedThenFails) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(fetcher.FetchPage(ClosedPortAddress() + "/m/log/0000100001", 1), -2);
  EXPECT_TRUE(fetcher.HasSession());
  EXPECT_EQ(fetcher.LastFetch().failure, HttpFailure::kCannotConnect);
  // Only the connect retries, 500 ms apart; no tries on top of them.
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(3 * HttpRequest::kRetryBackoffMs));
  EXPECT_LT(waited,
            std::chrono::milliseconds(3 * HttpRequest::kRetryBackoffMs + PageFetcher::kRetryWaitsMs[0]));
}

TEST_F(PageFetchTest, PassingFaultsAreTriedTwiceMoreAfterAWait) {
  using sample_site::Fault;
  using sample_site::PageFault;
  const struct {
    const char* name;
    PageFault fault;
    int result;
    long status;   // of the last try
    int tries;     // requests the page received
    int waitedMs;  // at least this long between the tries
  } rows[] = {
      {"503 once", {Fault::kStatus, 503, 0, 1}, 1, 200, 2, 1000},
      {"500 twice", {Fault::kStatus, 500, 0, 2}, 1, 200, 3, 4000},
      {"504 always", {Fault::kStatus, 504}, 1, 504, 3, 4000},
      {"429 twice, Retry-After 0", {Fault::kStatus, 429, 0, 2, "0"}, 1, 200, 3, 0},
      {"502 once, Retry-After 2", {Fault::kStatus, 502, 0, 1, " 2 "}, 1, 200, 2, 2000},
      {"503, Retry-After 31", {Fault::kStatus, 503, 0, 0, "31"}, 1, 503, 1, 0},
      {"503, Retry-After as a date",
       {Fault::kStatus, 503, 0, 0, "Wed, 21 Oct 2026 07:28:00 GMT"},
       1,
       503,
       1,
       0},
      {"404 is no passing fault", {Fault::kStatus, 404}, 1, 404, 1, 0},
      {"501 is no passing fault", {Fault::kStatus, 501}, 1, 501, 1, 0},
      // On a reused connection libcurl sends the request again at once by itself.
      {"reset before headers once", {Fault::kResetBeforeHeaders, 500, 0, 1}, 1, 200, 2, 0},
      {"reset mid-body once", {Fault::kResetMidBody, 500, 0, 1}, 1, 200, 2, 1000},
      {"short body always", {Fault::kShortBody}, -2, 200, 3, 4000},
  };
  ASSERT_EQ(fetcher.FetchPage(site().Root(), 1), 1);
  const std::string path = "/m/log/0000100001";
  ASSERT_EQ(fetcher.FetchPage(site().Root() + path, 0), 1);
  const std::string page = state.PageText;
  for (const auto& row : rows) {
    site().SetFault(path, row.fault);
    site().ClearRequests();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(fetcher.FetchPage(site().Root() + path, 0), row.result) << row.name;
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(fetcher.LastFetch().status, row.status) << row.name;
    EXPECT_EQ(static_cast<int>(site().Requests().size()), row.tries) << row.name;
    EXPECT_GE(waited, std::chrono::milliseconds(row.waitedMs)) << row.name;
    EXPECT_EQ(state.PageText, row.status == 200 && row.result == 1 ? page : "") << row.name;
    site().ClearFaults();
  }
}

TEST_F(PageFetchTest, APageOverTheLimitIsStoppedThereAndNotTriedAgain) {
  using sample_site::Fault;
  ASSERT_EQ(fetcher.FetchPage(site().Root(), 1), 1);
  // A gigabyte that is never read to its end, and a small answer that unpacks to 20 MB.
  const std::string issue = "/m/log/0000100002/" + site().Issues("0000100002").front().pathTail;
  site().SetFault(issue, {Fault::kGzip, 200, 20u << 20});
  for (const std::string& path : {std::string("/fault/large?kb=1048576"), issue}) {
    site().ClearRequests();
    EXPECT_EQ(fetcher.FetchPage(site().Root() + path, 0), -2) << path;
    EXPECT_EQ(fetcher.LastFetch().failure, HttpFailure::kTooLarge) << path;
    EXPECT_EQ(site().Requests().size(), 1u) << path;
    EXPECT_EQ(state.PageText, "") << path;
  }
  site().ClearFaults();
  // Just under the limit comes whole.
  EXPECT_EQ(fetcher.FetchPage(site().Root() + "/fault/large?kb=8192", 0), 1);
  EXPECT_EQ(state.PageText.size(), PageFetcher::kMaxPageBytes);
}

TEST_F(PageFetchTest, ACompressedAnswerIsReadAsThePage) {
  using sample_site::Fault;
  const std::string path = "/m/log/0000100002";
  ASSERT_EQ(fetcher.FetchPage(site().Root() + path, 1), 1);
  const std::string page = state.PageText;
  for (const Fault kind : {Fault::kGzip, Fault::kDeflate}) {
    site().SetFault(path, {kind});
    EXPECT_EQ(fetcher.FetchPage(site().Root() + path, 0), 1);
    EXPECT_EQ(state.PageText, page) << static_cast<int>(kind);
  }
  site().ClearFaults();
}

TEST_F(PageFetchTest, TheReadLimitCutsABodyThatNeverEnds) {
  // A clock that runs 100 times fast: the limit falls after 0.4 s of real time.
  const auto realStart = std::chrono::steady_clock::now();
  PageFetcher slowFetcher(state, [realStart] {
    const double elapsedMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - realStart).count();
    return 46'000.0 + elapsedMs * 100.0 / 86'400'000.0;
  });
  EXPECT_EQ(slowFetcher.FetchPage(site().Root() + "/fault/slow", 1), 1);
  EXPECT_FALSE(state.PageText.empty());
  EXPECT_LT(state.PageText.size(), 2'000u);
  EXPECT_TRUE(slowFetcher.LastFetch().cutByReadLimit);
  EXPECT_EQ(slowFetcher.FetchPage(site().NewsletterAddress("0000100001"), 0), 1);
  EXPECT_FALSE(slowFetcher.LastFetch().cutByReadLimit);
}

TEST_F(PageFetchTest, TheLastFetchTellsItsStatusAndWhetherItsBytesFitTheirEncoding) {
  const std::string text = "日本語の本文です。";
  const auto page = [](const std::string& charset, const std::string& body) {
    return "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=" + charset +
           "\"></head><body><pre><tt>" + body + "\n</tt></pre></body></html>";
  };
  site().SetExtraPage("/t/sjis", page("Shift_JIS", Sj(text)));
  site().SetExtraPage("/t/sjis-labelled-utf8", page("UTF-8", Sj(text)));
  site().SetExtraPage("/t/sjis-labelled-euc", page("EUC-JP", Sj(text)));
  site().SetExtraPage("/t/euc-labelled-sjis", page("Shift_JIS", "\xC6\xFC\xCB\xDC\xB8\xEC"));
  site().SetExtraPage("/t/utf8-labelled-sjis", page("Shift_JIS", text));
  site().SetExtraPage("/t/utf8-stray-byte", page("UTF-8", text + "\xA0"));
  const struct {
    std::string path;
    long status;
    bool clean;
  } rows[] = {
      {"/t/sjis", 200, true},
      {"/m/log/0000100002", 200, true},  // EUC-JP
      {"/m/log/0000100003", 200, true},  // UTF-8
      {"/fault/404", 404, true},
      {"/t/sjis-labelled-utf8", 200, false},
      {"/t/sjis-labelled-euc", 200, false},
      {"/t/euc-labelled-sjis", 200, false},
      {"/t/utf8-labelled-sjis", 200, false},
      {"/t/utf8-stray-byte", 200, false},
  };
  ASSERT_EQ(fetcher.FetchPage(site().Root(), 1), 1);
  for (const auto& row : rows) {
    EXPECT_EQ(fetcher.FetchPage(site().Root() + row.path, 0), 1) << row.path;
    EXPECT_EQ(fetcher.LastFetch().status, row.status) << row.path;
    EXPECT_EQ(fetcher.LastPageConvertedCleanly(), row.clean) << row.path;
  }
  site().ClearExtraPages();
}

TEST_F(PageFetchTest, AServerThatNeverAnswersOrACancelEndsTheFetchPromptly) {
  using sample_site::Fault;
  site().SetFault("/t/silent", {Fault::kNoAnswer});
  site().SetFault("/t/trickle", {Fault::kTrickle});
  site().SetFault("/t/loop", {Fault::kRedirectLoop});
  site().SetFault("/t/reset", {Fault::kResetBeforeHeaders});
  const struct {
    const char* path;
    bool cancel;  // the cancel comes 200 ms into the fetch; otherwise the silence limit ends it
    HttpFailure failure;
  } rows[] = {{"/t/silent", false, HttpFailure::kSilent},
              {"/t/silent", true, HttpFailure::kGivenUp},
              {"/t/trickle", true, HttpFailure::kGivenUp},
              {"/t/loop", false, HttpFailure::kRedirectLoop},
              {"/t/reset", true, HttpFailure::kGivenUp}};  // in the wait before its second try
  for (const auto& row : rows) {
    const auto start = std::chrono::steady_clock::now();
    fetcher.SetHeaderSilenceLimit(row.cancel ? HttpRequest::kHeaderSilenceLimitMs : 300);
    fetcher.SetCancelCheck([&] {
      return row.cancel && std::chrono::steady_clock::now() - start > std::chrono::milliseconds(200);
    });
    EXPECT_EQ(fetcher.FetchPage(site().Root() + row.path, 1), -2) << row.path;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << row.path;
    EXPECT_EQ(state.PageText, "") << row.path;
    EXPECT_EQ(fetcher.LastFetch().failure, row.failure) << row.path;
  }
  fetcher.SetCancelCheck({});
  site().ClearFaults();
  // The session serves the next page as before.
  EXPECT_EQ(fetcher.FetchPage(site().NewsletterAddress("0000100001"), 0), 1);
}

TEST_F(PageFetchTest, BodiesAreReadInChunksOfAtMost500BytesWithMessagesBetween) {
  int pumped = 0;
  SetMessagePump([&pumped] { ++pumped; });
  const int result = fetcher.FetchPage(site().Root() + "/fault/large?kb=4096", 1);
  SetMessagePump({});
  ASSERT_EQ(result, 1);
  EXPECT_GE(state.PageText.size(), 4096u * 1024u);
  EXPECT_GE(pumped, static_cast<int>(state.PageText.size() / 500));
}

TEST_F(PageFetchTest, EncodingChoice) {
  ASSERT_EQ(fetcher.FetchPage(site().Root(), 1), 1);
  // Declares both; EUC-JP is tested first.
  fetcher.FetchPage(site().Root() + "/fault/charset/both-utf8-first", 0);
  EXPECT_TRUE(sjis::Contains(state.PageText, Sj("日本語"))) << Hex(state.PageText.substr(0, 80));
  fetcher.FetchPage(site().Root() + "/fault/charset/yahoo", 0);
  EXPECT_TRUE(sjis::Contains(state.PageText, Sj("日本語")));
  fetcher.FetchPage(site().Root() + "/fault/charset/mixed-case", 0);
  EXPECT_TRUE(sjis::Contains(state.PageText, Sj("日本語")));
  // Upper-case title tags and blanks around "=" are not recognised: the bytes stay as sent.
  fetcher.FetchPage(site().Root() + "/fault/charset/yahoo-upper", 0);
  EXPECT_FALSE(sjis::Contains(state.PageText, Sj("日本語")));
  EXPECT_TRUE(sjis::Contains(state.PageText, "\xC6\xFC\xCB\xDC"));  // 日本 in EUC-JP
  fetcher.FetchPage(site().Root() + "/fault/charset/spaced", 0);
  EXPECT_TRUE(sjis::Contains(state.PageText, "\xE6\x97\xA5\xE6\x9C\xAC"));  // 日本 in UTF-8
}

TEST_F(PageFetchTest, MalformedBodiesNeverCrash) {
  // The cut character at the end becomes "?"; the page before it is kept.
  ASSERT_EQ(fetcher.FetchPage(site().Root() + "/fault/bad-utf8", 1), 1);
  EXPECT_TRUE(sjis::Contains(state.PageText, Sj("途中で切れた文字：?")));
  EXPECT_EQ(fetcher.FetchPage(site().Root() + "/fault/bad-eucjp", 0), 1);
  EXPECT_FALSE(state.PageText.empty());
}

TEST_F(PageFetchTest, ASecondModeOneFetchReplacesTheSession) {
  ASSERT_EQ(fetcher.FetchPage(site().NewsletterAddress("0000100001"), 1), 1);
  EXPECT_EQ(fetcher.FetchPage(site().NewsletterAddress("0000100002"), 1), 1);
  EXPECT_EQ(fetcher.FetchPage(site().NewsletterAddress("0000100003"), 0), 1);
}

TEST_F(PageFetchTest, APageSentForAheadIsTakenUpByItsOwnFetchOnly) {
  const std::string first = site().NewsletterAddress("0000100001");
  const std::string second = site().NewsletterAddress("0000100002");
  ASSERT_EQ(fetcher.FetchPage(first, 1), 1);
  const std::string firstPage = state.PageText;
  const struct {
    const char* name;
    std::string prefetched;
    std::string fetched;
    std::size_t requests;  // what the service received for both
  } rows[] = {
      {"the same address", first, first, 1},
      {"another address", second, first, 2},
  };
  for (const auto& row : rows) {
    site().ClearRequests();
    fetcher.Prefetch(row.prefetched);
    EXPECT_EQ(fetcher.FetchPage(row.fetched, 0), 1) << row.name;
    EXPECT_EQ(state.PageText, firstPage) << row.name;
    // The request sent ahead reaches the service even when it is dropped.
    for (int wait = 0; wait < 100 && site().Requests().size() < row.requests; ++wait)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(site().Requests().size(), row.requests) << row.name;
  }
  // A close drops what was sent ahead; nothing is left to take up.
  fetcher.Prefetch(second);
  EXPECT_EQ(fetcher.FetchPage("", -1), 0);
  EXPECT_EQ(fetcher.FetchPage(second, 0), -1);
}

}  // namespace
