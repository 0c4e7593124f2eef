#include "retrieval/identification.h"

#include <gtest/gtest.h>

#include "platform/cp932.h"
#include "platform/sjis.h"
#include "support/sample_site_fixture.h"
#include "support/test_support.h"

namespace {

class IdentificationTest : public SampleSiteTest {
 protected:
  SharedState state;
  PageFetcher fetcher{state};
  ServiceTable table = MakeServiceTable(site().Root());
  std::string base = site().BackNumberBase();

  std::string Identify(const std::string& address, int mode) {
    return cp932::ToUtf8(IdentifyMagazine(state, fetcher, table, address, mode));
  }
  std::string Utf8(const std::string& sjisText) const { return cp932::ToUtf8(sjisText); }
};

TEST_F(IdentificationTest, WorkedAddressExamples) {
  struct Row {
    std::string address;
    int mode;
    std::string fetched;  // request the service saw, empty: nothing fetched
    std::string id;
    std::string label;
  };
  const std::string tail = site().Issues("0000100001").front().pathTail;
  const Row rows[] = {
      {base + "/0000100001/?page=3", 0, "GET /m/log/0000100001", "0000100001", "まぐまぐ ID:0000100001"},
      {base + "/0000100001", 0, "GET /m/log/0000100001", "0000100001", "まぐまぐ ID:0000100001"},
      {base + "/0000100001?x=1", 0, "GET /m/log/0000100001", "0000100001", "まぐまぐ ID:0000100001"},
      {base + "/0000100001/" + tail, 1, "GET /m/log/0000100001/" + tail, "0000100001",
       "まぐまぐ ID:0000100001"},
  };
  for (const Row& row : rows) {
    state = SharedState{};
    site().ClearRequests();
    EXPECT_EQ(Identify(row.address, row.mode), "まぐまぐ") << row.address;
    EXPECT_EQ(LastRequest(), row.fetched) << row.address;
    EXPECT_EQ(state.MagazineId, row.id) << row.address;
    EXPECT_EQ(Utf8(state.ServiceLabel), row.label) << row.address;
    EXPECT_EQ(state.ServiceKind, "a");
    EXPECT_EQ(state.ServiceLogBase, base);
    EXPECT_EQ(state.ServiceRoot, site().Root());
  }
  // Mode 2 looks the service up and fetches nothing.
  site().ClearRequests();
  state.MagazineId = "earlier";
  EXPECT_EQ(Identify(base + "/0000100001/", 2), "まぐまぐ");
  EXPECT_TRUE(site().Requests().empty());
  EXPECT_EQ(state.MagazineId, "earlier");
  EXPECT_EQ(Utf8(state.ServiceLabel), "まぐまぐ");
}

TEST_F(IdentificationTest, SessionIsLeftOpenInModeZeroAndClosedInModeOne) {
  Identify(base + "/0000100001", 0);
  EXPECT_TRUE(fetcher.HasSession());
  Identify(base + "/0000100001", 1);
  EXPECT_FALSE(fetcher.HasSession());
}

TEST_F(IdentificationTest, TopPageFieldsInEveryEncoding) {
  for (const char* id : {"0000100001", "0000100002", "0000100003"}) {
    state = SharedState{};
    Identify(base + "/" + id, 0);
    const auto newsletters = site().Newsletters();
    const auto& newsletter = *std::find_if(newsletters.begin(), newsletters.end(),
                                           [&](const auto& candidate) { return candidate.id == id; });
    EXPECT_EQ(Utf8(state.TitleText), newsletter.title) << id;
    EXPECT_EQ(state.MagazineTitle, state.TitleText) << id;
    EXPECT_EQ(Utf8(state.IssueCycle), newsletter.cycle) << id;
    EXPECT_EQ(Utf8(state.LatestIssueDate), newsletter.latestDate.empty()
                                               ? site().Issues(id).front().date.substr(0, 10)
                                               : newsletter.latestDate)
        << id;
    EXPECT_EQ(Utf8(state.LatestCirculation), newsletter.circulation) << id;
    EXPECT_EQ(state.HtmlFormatFlag, 0) << id;
    // The lower-cased copy keeps every position of the page.
    EXPECT_EQ(state.PageTextLower, sjis::ToLower(state.PageText)) << id;
  }
}

TEST_F(IdentificationTest, HtmlFormatNewsletterAndSingleEntryPageSetTheFlag) {
  Identify(base + "/0000100005", 0);
  EXPECT_EQ(state.HtmlFormatFlag, 1);
  const std::string tail = site().Issues("0000100004").front().pathTail;
  Identify(base + "/0000100004/" + tail, 1);
  EXPECT_EQ(state.HtmlFormatFlag, 1);
  Identify(base + "/0000100004", 0);
  EXPECT_EQ(state.HtmlFormatFlag, 0);
}

TEST_F(IdentificationTest, AddressesOfNoServiceFetchNothing) {
  for (const std::string& address :
       {std::string("http://example.invalid/m/log/0000100001"), "https" + base.substr(4) + "/0000100001",
        std::string("HTTP") + base.substr(4) + "/0000100001", std::string(""),
        std::string("no scheme at all")}) {
    state = SharedState{};
    state.MagazineTitle = "kept";
    site().ClearRequests();
    EXPECT_EQ(Identify(address, 0), "") << address;
    EXPECT_EQ(state.ServiceKind, "");
    EXPECT_EQ(state.ServiceLabel, "");
    EXPECT_EQ(state.MagazineTitle, "kept");
    EXPECT_TRUE(site().Requests().empty()) << address;
  }
}

TEST_F(IdentificationTest, BaseFollowedBySlashGivesAnEmptyId) {
  Identify(base + "/", 0);
  EXPECT_EQ(state.MagazineId, "");
  EXPECT_EQ(Utf8(state.ServiceLabel), "まぐまぐ ID:");
}

TEST_F(IdentificationTest, AFailedFetchKeepsTheEarlierNewsletterFields) {
  Identify(base + "/0000100001", 0);
  const SharedState before = state;
  ServiceTable unreachable = MakeServiceTable(ClosedPortAddress());
  IdentifyMagazine(state, fetcher, unreachable, unreachable[0].logBase + "/0000100002", 0);
  EXPECT_EQ(Utf8(state.ServiceLabel), "まぐまぐ");
  EXPECT_EQ(state.TitleText, "");
  EXPECT_EQ(state.HtmlFormatFlag, 0);
  EXPECT_EQ(state.ServiceLogBase, unreachable[0].logBase);
  EXPECT_EQ(state.MagazineId, before.MagazineId);
  EXPECT_EQ(state.MagazineTitle, before.MagazineTitle);
  EXPECT_EQ(state.IssueCycle, before.IssueCycle);
}

TEST_F(IdentificationTest, ANotFoundTopPageStillGivesTheId) {
  state.MagazineTitle = "kept";
  Identify(base + "/0000999999", 0);
  EXPECT_EQ(state.MagazineId, "0000999999");
  EXPECT_EQ(Utf8(state.ServiceLabel), "まぐまぐ ID:0000999999");
  EXPECT_EQ(state.TitleText, "");
  EXPECT_EQ(state.MagazineTitle, "kept");
}

TEST_F(IdentificationTest, MelmaAddressIsFetchedButNotAnalysed) {
  table[1].logBase = site().Root() + "/backnumber_";
  state.MagazineId = "kept";
  EXPECT_EQ(Identify(site().Root() + "/backnumber_12345", 0), "メルマ→作成中");
  EXPECT_EQ(state.ServiceKind, "b");
  EXPECT_EQ(state.MagazineId, "kept");
  EXPECT_EQ(Utf8(state.ServiceLabel), "メルマ→作成中");
  EXPECT_TRUE(fetcher.HasSession());
}

TEST_F(IdentificationTest, TitleAndFieldCutting) {
  struct Case {
    std::string page;  // UTF-8
    std::string title;
    std::string cycle;
  };
  const Case cases[] = {
      {"<title>まぐまぐ - 週刊サンプル通信 -</title>", "週刊サンプル通信", ""},
      {"<TITLE>まぐまぐ -</TITLE>", "", ""},
      {"<title> 末尾だけ-</title>", "末尾だけ-", ""},
      {"abcdef</title>ほげ", "", ""},
      {"<title>x</title><B>発行周期：</B></FONT>毎週 月曜日&nbsp;(予定)", "x", "毎週 月曜日"},
      {"<title>x</title><b>発行周期：</b></font>毎週 月曜日(予定)", "x", "毎週"},
  };
  for (const Case& c : cases) {
    site().SetExtraPage("/m/log/0000777777", Sj(c.page));
    state = SharedState{};
    Identify(base + "/0000777777", 0);
    EXPECT_EQ(Utf8(state.TitleText), c.title) << c.page;
    EXPECT_EQ(Utf8(state.IssueCycle), c.cycle) << c.page;
  }
  // Without "<title>" the title runs from position 7 up to the closing tag.
  site().SetExtraPage("/m/log/0000777777", "abcdefTITLE</title>");
  Identify(base + "/0000777777", 0);
  EXPECT_EQ(state.TitleText, "TITLE");
}

}  // namespace
