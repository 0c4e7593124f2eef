#pragma once
// Where a running Firefox keeps the session of the profile in use: the profile named by
// the [Install…] sections of profiles.ini, taken only while the lock link of that profile
// names a live process (in a Flatpak or snap sandbox, while it is there at all).

#include <filesystem>
#include <vector>

// sessionstore-backups/recovery.jsonlz4 (while it is being replaced, recovery.baklz4) of
// every running profile in use under `home` (~/.mozilla/firefox, the snap's and Flatpak's
// folders) or `configHome` (mozilla/firefox).
std::vector<std::filesystem::path> RunningFirefoxSessionFiles(const std::filesystem::path& home,
                                                              const std::filesystem::path& configHome);
