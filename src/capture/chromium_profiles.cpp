#include "capture/chromium_profiles.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <system_error>
#include <tuple>

#include "capture/browser_page.h"
#include "capture/profile_lock.h"
#include "platform/fs.h"

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

std::vector<BrowserFolder> UserDataFolders(const fs::path& home, const fs::path& configHome) {
  std::vector<BrowserFolder> folders;
  for (const char* name : {"chromium", "google-chrome", "google-chrome-beta", "google-chrome-unstable",
                           "microsoft-edge", "BraveSoftware/Brave-Browser", "vivaldi"}) {
    folders.push_back({configHome / name, false});
  }
  const fs::path flatpak = home / ".var" / "app";
  for (const auto& [app, name] :
       {std::pair{"org.chromium.Chromium", "chromium"}, std::pair{"com.google.Chrome", "google-chrome"},
        std::pair{"com.brave.Browser", "BraveSoftware/Brave-Browser"},
        std::pair{"com.microsoft.Edge", "microsoft-edge"}}) {
    folders.push_back({flatpak / app / "config" / name, true});
  }
  folders.push_back({home / "snap" / "chromium" / "common" / "chromium", true});
  return folders;
}

bool Running(const BrowserFolder& folder, std::string_view hostName) {
  const auto lock = ReadProfileLock(folder.path / "SingletonLock", '-');
  return lock && !hostName.empty() && lock->owner == hostName && LockHeld(*lock, folder.sandboxed);
}

// A name that stays inside the user-data folder.
bool IsProfileName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

// profile.last_used when there are several profiles, else the first of
// profile.last_active_profiles, else "Default".
std::string ProfileInUse(const fs::path& userData) {
  std::string text;
  if (ReadRegularFileInto(userData / "Local State", text, kSessionFileLimit) != FileRead::kRead)
    return "Default";
  const Json state = Json::parse(text, nullptr, false);
  const auto profile = state.is_object() ? state.find("profile") : state.end();
  if (profile == state.end() || !profile->is_object()) return "Default";
  if (const auto used = profile->find("last_used"); used != profile->end() && used->is_string()) {
    if (IsProfileName(used->get<std::string>())) return used->get<std::string>();
  }
  if (const auto active = profile->find("last_active_profiles");
      active != profile->end() && active->is_array() && !active->empty() && active->front().is_string()) {
    if (IsProfileName(active->front().get<std::string>())) return active->front().get<std::string>();
  }
  return "Default";
}

// Session_<number>: the newest written, of two as new the larger number.
fs::path NewestSessionFile(const fs::path& sessions) {
  std::optional<std::tuple<fs::file_time_type, std::size_t, std::string>> newest;
  fs::path chosen;
  std::error_code error;
  for (fs::directory_iterator it(sessions, error); !error && it != fs::directory_iterator();
       it.increment(error)) {
    const std::string name = it->path().filename().string();
    constexpr std::string_view kPrefix = "Session_";
    if (!name.starts_with(kPrefix) || name.size() == kPrefix.size() ||
        name.find_first_not_of("0123456789", kPrefix.size()) != std::string::npos) {
      continue;
    }
    std::error_code fileError;
    if (!it->is_regular_file(fileError)) continue;
    const fs::file_time_type written = it->last_write_time(fileError);
    if (fileError) continue;
    // Numbers compared as digit strings: longer is larger, then by their digits.
    auto key = std::make_tuple(written, name.size(), name);
    if (!newest || key > *newest) {
      newest = std::move(key);
      chosen = it->path();
    }
  }
  return chosen;
}

}  // namespace

std::vector<fs::path> RunningChromiumSessionFiles(const fs::path& home, const fs::path& configHome,
                                                  std::string_view hostName) {
  std::vector<fs::path> files;
  for (const BrowserFolder& folder : UserDataFolders(home, configHome)) {
    if (!Running(folder, hostName)) continue;
    files.push_back(NewestSessionFile(folder.path / ProfileInUse(folder.path) / "Sessions"));
  }
  return files;
}
