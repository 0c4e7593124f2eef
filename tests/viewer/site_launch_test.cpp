// Which address サイト表示 opens, how it names it, and what the address field keeps.

#include "viewer/site_launch.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace {

TEST(PlanSiteLaunch, ShortensOnlyTheNewsletterOwnAddresses) {
  const SiteTable sites = MakeSiteTable("http://127.0.0.1:8080", "http://www.melma.com");
  EXPECT_EQ(sites[1].displayName, Sj("メルマ"));
  EXPECT_TRUE(sites[2].address.empty());
  const std::string base = "http://127.0.0.1:8080/m/log";
  const std::string top = base + "/0000100001";
  struct Case {
    std::string field, id, address, name, kept;
  };
  const Case cases[] = {
      {"", "0000100001", "http://127.0.0.1:8080", Sj("まぐまぐ"), "http://127.0.0.1:8080"},
      {top + "/?page=3", "0000100001", top, Sj("週刊サンプル通信"), top},
      {top + "/1765070000.html", "0000100001", top, Sj("週刊サンプル通信"), top},
      {top, "0000100001", top, Sj("週刊サンプル通信"), top},
      {top + "?x=1", "0000100001", top, Sj("週刊サンプル通信"), top},
      // Another newsletter whose ID merely starts the same, and no newsletter known.
      {top + "9/?page=2", "0000100001", top + "9/?page=2", top + "9/?page=2", top + "9/?page=2"},
      {base + "/", "", base + "/", base + "/", base + "/"},
      {"http://example.jp/", "0000100001", "http://example.jp/", "http://example.jp/", "http://example.jp/"},
  };
  for (const Case& c : cases) {
    const SiteLaunch launch = PlanSiteLaunch(c.field, sites, base, c.id, Sj("週刊サンプル通信"));
    EXPECT_EQ(launch.address, c.address) << c.field;
    EXPECT_EQ(launch.name, c.name) << c.field;
    EXPECT_EQ(launch.field, c.kept) << c.field;
  }
}

}  // namespace
