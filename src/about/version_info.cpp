#include "about/version_info.h"

VersionResource CompiledVersionResource() {
  VersionResource resource;
  const std::pair<std::string_view, std::string_view> compiled[] = {
      {"CompanyName", YOMITORU_COMPANY_NAME},
      {"FileVersion", YOMITORU_FILE_VERSION},
      {"OriginalFileName", YOMITORU_ORIGINAL_FILE_NAME},
      {"ProductName", YOMITORU_PRODUCT_NAME},
  };
  for (const auto& [key, value] : compiled) {
    if (!value.empty()) resource.emplace(key, value);
  }
  return resource;
}

void ReadVersionInfo(VersionNotice& notice, const VersionResource& resource) {
  notice.FileVersionText.clear();
  if (resource.empty()) {
    notice.VersionText = "No version information found";
    return;
  }
  std::string text;
  for (const std::string_view key : VersionKeys) {
    const auto found = resource.find(key);
    if (found == resource.end()) continue;
    if (key == "FileVersion") notice.FileVersionText = found->second;
    text += std::string(key) + "=" + found->second + "\r\n";
  }
  notice.VersionText = text;
}
