#include "retrieval/firefox_profiles.h"

#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <system_error>

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

}  // namespace

std::vector<fs::path> FirefoxProfileRoots(const fs::path& home) {
  return {home / ".mozilla" / "firefox", home / ".config" / "mozilla" / "firefox",
          home / "snap" / "firefox" / "common" / ".mozilla" / "firefox"};
}

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

bool ProfileIsRunning(const fs::path& profile) {
  std::error_code error;
  const std::string target = fs::read_symlink(profile / "lock", error).string();
  if (error) return false;
  const std::size_t plus = target.rfind('+');
  if (plus == std::string::npos || plus + 1 >= target.size() || target.size() - plus > 10) return false;
  long pid = 0;
  for (std::size_t i = plus + 1; i < target.size(); ++i) {
    if (target[i] < '0' || target[i] > '9') return false;
    pid = pid * 10 + (target[i] - '0');
  }
  // Signal 0 only asks whether the process exists; EPERM means it does, under another user.
  return pid > 0 && (kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

std::optional<fs::path> RunningSessionFile(const fs::path& home) {
  for (const fs::path& root : FirefoxProfileRoots(home)) {
    if (!IsFolder(root)) continue;
    for (const fs::path& profile : ProfilesInUse(root)) {
      if (ProfileIsRunning(profile)) return profile / "sessionstore-backups" / "recovery.jsonlz4";
    }
  }
  return std::nullopt;
}
