#include "capture/browser_choice.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "capture/chromium_profiles.h"
#include "capture/chromium_tabs.h"
#include "capture/firefox_profiles.h"
#include "capture/session_file.h"

namespace {

namespace fs = std::filesystem;

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

int PortOr(const std::string& text, int fallback) {
  if (text.empty() || text.size() > 5) return fallback;
  int port = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return fallback;
    port = port * 10 + (c - '0');
  }
  return port >= 1 && port <= 65535 ? port : fallback;
}

std::string HostName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

bool IsWebAddress(std::string_view url) { return url.starts_with("http://") || url.starts_with("https://"); }

// The running browsers' session files, the one written last first (a file not written
// yet last).
std::vector<fs::path> RunningSessionFilesNewestFirst(const BrowserSourceSettings& settings) {
  const fs::path configHome = settings.configHome.empty() ? settings.home / ".config" : settings.configHome;
  std::vector<std::pair<fs::file_time_type, fs::path>> dated;
  auto files = RunningFirefoxSessionFiles(settings.home, configHome);
  for (fs::path& file : RunningChromiumSessionFiles(settings.home, configHome, settings.hostName)) {
    files.push_back(std::move(file));
  }
  for (fs::path& file : files) {
    std::error_code error;
    const fs::file_time_type written = fs::last_write_time(file, error);
    dated.emplace_back(error ? fs::file_time_type::min() : written, std::move(file));
  }
  std::stable_sort(dated.begin(), dated.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  std::vector<fs::path> ordered;
  for (auto& [written, file] : dated) ordered.push_back(std::move(file));
  return ordered;
}

}  // namespace

BrowserSourceSettings ChooseBrowserSourceSettings(const fs::path& commandLineSession) {
  BrowserSourceSettings settings;
  settings.sessionFile =
      commandLineSession.empty() ? fs::path(Environment("YOMITORU_BROWSER_SESSION")) : commandLineSession;
  settings.home = Environment("HOME");
  // A relative XDG_CONFIG_HOME is invalid and ignored, as the XDG rules say.
  const fs::path configHome = Environment("XDG_CONFIG_HOME");
  if (configHome.is_absolute()) settings.configHome = configHome;
  settings.chromiumPort = PortOr(Environment("YOMITORU_CHROMIUM_PORT"), settings.chromiumPort);
  settings.hostName = HostName();
  return settings;
}

BrowserCapture CaptureBrowserPage(const BrowserSourceSettings& settings) {
  BrowserCapture capture;
  const auto takes = [&capture](const std::optional<BrowserPage>& page) {
    if (page && IsWebAddress(page->url)) capture.page = page;
    return capture.page.has_value();
  };
  if (!settings.sessionFile.empty()) {
    const std::optional<BrowserPage> page = ReadSessionFile(settings.sessionFile);
    capture.browserFound = page.has_value();
    if (takes(page)) return capture;
  } else if (!settings.home.empty()) {
    const std::vector<fs::path> files = RunningSessionFilesNewestFirst(settings);
    capture.browserFound = !files.empty();
    for (const fs::path& file : files) {
      if (takes(ReadSessionFile(file))) return capture;
    }
  }
  const std::optional<BrowserPage> page = AskChromium(settings.chromiumPort);
  capture.browserFound = capture.browserFound || page.has_value();
  takes(page);
  return capture;
}
