#pragma once
// Where a running Firefox keeps the session of the profile in use: the profile named by
// the [Install…] sections of profiles.ini, taken only while the lock link of that profile
// names a live process.

#include <filesystem>
#include <optional>

// sessionstore-backups/recovery.jsonlz4 of the first running profile in use under `home`.
std::optional<std::filesystem::path> RunningSessionFile(const std::filesystem::path& home);
