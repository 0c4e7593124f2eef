// Which address サイト表示 opens and how it names it, beyond the window's own cases.

#include "viewer/site_launch.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

TEST(PlanSiteLaunch, ShortensOnlyTheNewsletterOwnAddresses) {
  const SiteTable sites = MakeSiteTable("http://h", "http://www.melma.com");
  EXPECT_EQ(sites[1].displayName, Sj("メルマ"));
  const std::string top = "http://h/m/log/0000100001";
  const std::pair<std::string, std::string> cases[] = {
      {top + "/1765070000.html", top},
      {top + "?x=1", top},
      {top + "9/?page=2", top + "9/?page=2"},  // another ID that merely starts the same
  };
  for (const auto& [field, address] : cases) {
    const SiteLaunch launch = PlanSiteLaunch(field, sites, "http://h/m/log", "0000100001", Sj("題"));
    EXPECT_EQ(launch.address, address);
    EXPECT_EQ(launch.field, address);
    EXPECT_EQ(launch.name, address == top ? Sj("題") : address);
  }
  // No newsletter known: nothing is shortened.
  EXPECT_EQ(PlanSiteLaunch("http://h/m/log/", sites, "http://h/m/log", "", "").address, "http://h/m/log/");
}
