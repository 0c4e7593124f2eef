#include "capture/firefox_profiles.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <system_error>
#include <vector>

#include "platform/fs.h"
#include "platform/ini.h"

namespace {

namespace fs = std::filesystem;

// A profile path as profiles.ini writes it: relative to the folder of the file unless absolute.
fs::path ProfilePath(const fs::path& root, const std::string& value) {
  const fs::path path(value);
  return path.is_absolute() ? path : root / path;
}

void AddOnce(std::vector<fs::path>& paths, fs::path path) {
  path = path.lexically_normal();
  if (std::find(paths.begin(), paths.end(), path) == paths.end()) paths.push_back(std::move(path));
}

// The folders that may hold profiles.ini under `home`, in the order they are tried:
// ~/.mozilla/firefox, ~/.config/mozilla/firefox and the snap's.
std::vector<fs::path> FirefoxProfileRoots(const fs::path& home) {
  return {home / ".mozilla" / "firefox", home / ".config" / "mozilla" / "firefox",
          home / "snap" / "firefox" / "common" / ".mozilla" / "firefox"};
}

// The profiles that profiles.ini and installs.ini in `root` name as in use: the Default= of
// every [Install…] section; when there is none, the [Profile…] marked Default=1. Relative
// paths are taken from `root`.
std::vector<fs::path> ProfilesInUse(const fs::path& root) {
  std::vector<fs::path> profiles;
  const std::string profilesIni = ReadWholeFile(root / "profiles.ini").value_or("");
  // installs.ini repeats the [Install…] sections; a Firefox that has not rewritten
  // profiles.ini yet may know its profile from there only.
  for (const std::string& content : {profilesIni, ReadWholeFile(root / "installs.ini").value_or("")}) {
    for (const std::string& section : IniSectionNamesOf(content)) {
      if (section.rfind("Install", 0) != 0) continue;
      const std::string value = IniValueOf(content, section, "Default");
      if (!value.empty()) AddOnce(profiles, ProfilePath(root, value));
    }
  }
  if (!profiles.empty()) return profiles;
  for (const std::string& section : IniSectionNamesOf(profilesIni)) {
    if (section.rfind("Profile", 0) != 0 || IniValueOf(profilesIni, section, "Default") != "1") continue;
    const std::string value = IniValueOf(profilesIni, section, "Path");
    if (!value.empty()) AddOnce(profiles, ProfilePath(root, value));
  }
  return profiles;
}

// True when the profile's "lock" link ("address:+pid") names a process that is alive.
bool ProfileIsRunning(const fs::path& profile) {
  std::error_code error;
  const std::string target = fs::read_symlink(profile / "lock", error).string();
  if (error) return false;
  const std::size_t plus = target.rfind('+');
  if (plus == std::string::npos || plus + 1 >= target.size() || target.size() - plus > 10) return false;
  pid_t pid = 0;
  const char* const end = target.data() + target.size();
  const auto [stop, parsed] = std::from_chars(target.data() + plus + 1, end, pid);
  return parsed == std::errc() && stop == end && pid > 0 && ProcessRuns(pid);
}

}  // namespace

std::optional<fs::path> RunningSessionFile(const fs::path& home) {
  for (const fs::path& root : FirefoxProfileRoots(home)) {
    if (!IsFolder(root)) continue;
    for (const fs::path& profile : ProfilesInUse(root)) {
      if (ProfileIsRunning(profile)) return profile / "sessionstore-backups" / "recovery.jsonlz4";
    }
  }
  return std::nullopt;
}
