#pragma once
// The fixed table of services: 20 rows of service code, display name, back-number base
// address and site root address. Only rows with a base address can match an address.

#include <array>
#include <string>
#include <string_view>

struct ServiceRow {
  std::string code;
  std::string displayName;  // Shift-JIS
  std::string logBase;
  std::string siteRoot;
};

using ServiceTable = std::array<ServiceRow, 20>;

// The real service's blog site, which the Mag2 row uses unless told otherwise.
inline constexpr std::string_view kDefaultMag2SiteRoot = "http://blog.mag2.com";
inline constexpr std::string_view kMelmaSiteRoot = "http://www.melma.com";

// The table with the given site root for the Mag2 row (a trailing "/" is dropped); its
// back-number base is that root + "/m/log".
ServiceTable MakeServiceTable(std::string_view mag2SiteRoot = kDefaultMag2SiteRoot);

// The Mag2 site root: `commandLineRoot` when not empty, else the environment variable
// YOMITORU_SERVICE_ROOT when set and not empty, else the real service's address.
std::string ChooseMag2SiteRoot(std::string_view commandLineRoot);
