#pragma once
// The lock link a running browser holds in its folder: Firefox's "lock" ("ADDRESS:+PID")
// in a profile, the Chromium family's "SingletonLock" ("HOSTNAME-PID") in a user-data
// folder. Either survives a crash, so the process it names is asked too.

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>

// A folder where a browser keeps its profiles; sandboxed for Flatpak and snap installs.
struct BrowserFolder {
  std::filesystem::path path;
  bool sandboxed = false;
};

struct ProfileLock {
  std::string owner;  // the part before the separator: an address or a host name
  pid_t process = 0;
};

// The link's target split at its last `separator` (host names may hold a "-" themselves);
// nothing when there is no such link or no process ID after the separator.
std::optional<ProfileLock> ReadProfileLock(const std::filesystem::path& link, char separator);

// True while the lock's process runs. A sandboxed browser's process ID belongs to the
// sandbox's own process space, which cannot be asked from outside: its lock counts as held.
bool LockHeld(const ProfileLock& lock, bool sandboxed);
