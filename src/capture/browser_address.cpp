#include "capture/browser_address.h"

#include <cstdlib>
#include <optional>

#include "capture/chromium_tabs.h"
#include "capture/firefox_profiles.h"
#include "capture/session_file.h"
#include "platform/cp932.h"

namespace {

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

}  // namespace

BrowserSourceSettings ChooseBrowserSourceSettings(const std::filesystem::path& commandLineSession) {
  BrowserSourceSettings settings;
  settings.sessionFile = commandLineSession.empty()
                             ? std::filesystem::path(Environment("YOMITORU_BROWSER_SESSION"))
                             : commandLineSession;
  settings.home = Environment("HOME");
  settings.chromiumPort = PortOr(Environment("YOMITORU_CHROMIUM_PORT"), settings.chromiumPort);
  return settings;
}

std::string BrowserReply(const BrowserPage& page) {
  // Appended piece by piece: GCC 12 warns falsely about overlap on a chain of + here.
  std::string reply = "\"";
  reply += cp932::FromUtf8(page.url);
  reply += "\",\"";
  reply += cp932::FromUtf8(page.title);
  reply += '"';
  return reply;
}

std::string BrowserAddressSource::Request() const {
  std::optional<BrowserPage> page;
  if (!settings_.sessionFile.empty()) {
    page = ReadSessionFile(settings_.sessionFile);
  } else if (!settings_.home.empty()) {
    if (const auto file = RunningSessionFile(settings_.home)) page = ReadSessionFile(*file);
  }
  if (!page) page = AskChromium(settings_.chromiumPort);
  return page ? BrowserReply(*page) : std::string();
}

std::string FirstQuotedField(std::string_view reply) {
  // A plain byte search, as the reply is raw text.
  const std::size_t found = reply.find("\",");
  if (found == std::string_view::npos || found == 0) return {};
  return std::string(reply.substr(1, found - 1));
}

std::string GetBrowserAddress(int index, const BrowserAddressSource& source) {
  if (index < 0 || index >= static_cast<int>(BrowserDdeServices.size())) return {};
  return FirstQuotedField(source.Request());
}
