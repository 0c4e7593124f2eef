#include "capture/firefox_profiles.h"

#include <algorithm>
#include <string>

#include "capture/profile_lock.h"
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

// The folders that may hold profiles.ini, in the order they are tried.
std::vector<BrowserFolder> FirefoxProfileRoots(const fs::path& home, const fs::path& configHome) {
  const fs::path flatpak = home / ".var" / "app" / "org.mozilla.firefox";
  return {{home / ".mozilla" / "firefox", false},
          {configHome / "mozilla" / "firefox", false},
          {home / "snap" / "firefox" / "common" / ".mozilla" / "firefox", true},
          {flatpak / ".mozilla" / "firefox", true},
          {flatpak / "config" / "mozilla" / "firefox", true}};
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

// Firefox renames its last write to recovery.baklz4 an instant before the new one takes
// the name: seen in that instant, the last write is read.
fs::path SessionFileOf(const fs::path& profile) {
  const fs::path folder = profile / "sessionstore-backups";
  const fs::path current = folder / "recovery.jsonlz4";
  const fs::path previous = folder / "recovery.baklz4";
  return !IsRegularFile(current) && IsRegularFile(previous) ? previous : current;
}

}  // namespace

std::vector<fs::path> RunningFirefoxSessionFiles(const fs::path& home, const fs::path& configHome) {
  std::vector<fs::path> files;
  for (const BrowserFolder& root : FirefoxProfileRoots(home, configHome)) {
    if (!IsFolder(root.path)) continue;
    for (const fs::path& profile : ProfilesInUse(root.path)) {
      const auto lock = ReadProfileLock(profile / "lock", '+');
      if (lock && LockHeld(*lock, root.sandboxed)) {
        AddOnce(files, SessionFileOf(profile));
      }
    }
  }
  return files;
}
