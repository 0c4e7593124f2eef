#pragma once
// Where a running Firefox keeps the session of the profile in use: the profile named by
// the [Install…] sections of profiles.ini, taken only while the lock link of that profile
// names a live process.

#include <filesystem>
#include <optional>
#include <vector>

// The folders that may hold profiles.ini under `home`, in the order they are tried:
// ~/.mozilla/firefox, ~/.config/mozilla/firefox and the snap's.
std::vector<std::filesystem::path> FirefoxProfileRoots(const std::filesystem::path& home);

// The profiles that profiles.ini and installs.ini in `root` name as in use: the Default= of
// every [Install…] section; when there is none, the [Profile…] marked Default=1. Relative
// paths are taken from `root`.
std::vector<std::filesystem::path> ProfilesInUse(const std::filesystem::path& root);

// True when the profile's "lock" link ("address:+pid") names a process that is alive.
bool ProfileIsRunning(const std::filesystem::path& profile);

// sessionstore-backups/recovery.jsonlz4 of the first running profile in use under `home`.
std::optional<std::filesystem::path> RunningSessionFile(const std::filesystem::path& home);
