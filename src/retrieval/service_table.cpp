#include "retrieval/service_table.h"

#include <cstdlib>

#include "platform/cp932.h"

ServiceTable MakeServiceTable(std::string_view mag2SiteRoot) {
  std::string root(mag2SiteRoot);
  while (!root.empty() && root.back() == '/') root.pop_back();

  ServiceTable table;
  table[0] = {"a", cp932::FromUtf8("まぐまぐ"), root + "/m/log", root};
  table[1] = {"b", cp932::FromUtf8("メルマ→作成中"), std::string(kMelmaSiteRoot) + "/backnumber_", ""};
  const std::string stars = cp932::FromUtf8("★★");
  for (int row = 2; row <= 8; ++row) table[static_cast<std::size_t>(row)].displayName = stars;
  table[6].displayName = cp932::FromUtf8("★★→絞り込んで下さい");
  return table;
}

std::string ChooseMag2SiteRoot(std::string_view commandLineRoot) {
  if (!commandLineRoot.empty()) return std::string(commandLineRoot);
  const char* fromEnvironment = std::getenv("YOMITORU_SERVICE_ROOT");
  if (fromEnvironment != nullptr && *fromEnvironment != '\0') return fromEnvironment;
  return std::string(kDefaultMag2SiteRoot);
}
