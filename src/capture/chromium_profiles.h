#pragma once
// Where a running browser of the Chromium family keeps its session: the user-data folders
// of Chromium, Chrome, Edge, Brave and Vivaldi, as packaged and from Flatpak or snap,
// taken while their SingletonLock names this host and a live process (in a sandbox, this
// host is enough). The profile in use is the one "Local State" names.

#include <filesystem>
#include <string_view>
#include <vector>

// For each running user-data folder under `configHome` ($XDG_CONFIG_HOME) or `home`, the
// newest Sessions/Session_* file of its profile in use; an empty path for a browser that
// has written none yet.
std::vector<std::filesystem::path> RunningChromiumSessionFiles(const std::filesystem::path& home,
                                                               const std::filesystem::path& configHome,
                                                               std::string_view hostName);
