#pragma once
// サイト表示: the service's top page, or the current newsletter's back-number top page,
// opened in the user's browser.

#include <array>
#include <string>
#include <string_view>

#include "platform/shared_state.h"

class QLabel;
class QLineEdit;

struct SiteRow {
  std::string displayName;  // Shift-JIS
  std::string address;
};
// Row 1 "まぐまぐ", row 2 "メルマ"; rows 3 to 20 empty.
using SiteTable = std::array<SiteRow, 20>;
SiteTable MakeSiteTable(std::string_view mag2TopPage, std::string_view melmaTopPage);

struct SiteLaunch {
  std::string address;  // what the browser opens; empty: nothing
  std::string name;     // what the status line names meanwhile
  std::string field;    // the address field afterwards
};

// An empty field opens row 1 and takes its address. A field that starts with the current
// newsletter's back-number top page (base + "/" + ID, followed by nothing, "/" or "?")
// opens that page, named by the title, and the field keeps only it. Any other address
// opens as it is, named by itself. All Shift-JIS.
SiteLaunch PlanSiteLaunch(std::string_view field, const SiteTable& sites, std::string_view serviceLogBase,
                          std::string_view magazineId, std::string_view title);

// The whole of サイト表示: the field updated, "ＩＥ起動中(" + name + ")....." shown while
// the browser is asked to open the address, then the status line cleared.
void LaunchSite(QLineEdit& addressField, QLabel& status, const SiteTable& sites, const SharedState& state,
                std::string_view title);
