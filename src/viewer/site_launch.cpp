#include "viewer/site_launch.h"

#include <QLabel>
#include <QLineEdit>

#include "platform/cp932.h"
#include "platform/dialogs.h"
#include "viewer/qt_text.h"

SiteTable MakeSiteTable(std::string_view mag2TopPage, std::string_view melmaTopPage) {
  SiteTable sites;
  sites[0] = {cp932::FromUtf8("まぐまぐ"), std::string(mag2TopPage)};
  sites[1] = {cp932::FromUtf8("メルマ"), std::string(melmaTopPage)};
  return sites;
}

SiteLaunch PlanSiteLaunch(std::string_view field, const SiteTable& sites, std::string_view serviceLogBase,
                          std::string_view magazineId, std::string_view title) {
  if (field.empty()) return {sites[0].address, sites[0].displayName, sites[0].address};
  const std::string prefix = std::string(serviceLogBase) + "/" + std::string(magazineId);
  // Only the newsletter's own pages: another ID that merely starts the same stays whole.
  const bool ownPage =
      !serviceLogBase.empty() && !magazineId.empty() && field.starts_with(prefix) &&
      (field.size() == prefix.size() || field[prefix.size()] == '/' || field[prefix.size()] == '?');
  if (ownPage) return {prefix, std::string(title), prefix};
  return {std::string(field), std::string(field), std::string(field)};
}

void LaunchSite(QLineEdit& addressField, QLabel& status, const SiteTable& sites, const SharedState& state,
                std::string_view title) {
  const SiteLaunch launch =
      PlanSiteLaunch(FromQString(addressField.text()), sites, state.ServiceLogBase, state.MagazineId, title);
  addressField.setText(ToQString(launch.field));
  if (!launch.address.empty()) {
    status.setText(ToWidgetText(cp932::FromUtf8("ＩＥ起動中(") + launch.name + ")....."));
    status.repaint();
    CurrentDialogs().OpenAddress(launch.address);
  }
  status.clear();
}
