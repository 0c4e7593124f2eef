#pragma once
// Which running browser is asked for the page the user looks at. Every running browser's
// session file is read, the one written last first: Chromium writes a tab switch at once,
// Firefox only its next page load, so the newest file is a good guess at the browser just
// used, not a certainty. Then a Chromium-family browser's debugging port.

#include <filesystem>
#include <optional>
#include <string>

#include "capture/browser_page.h"

struct BrowserSourceSettings {
  // Given: this session file (Firefox's, or Chromium's when it starts with "SNSS") is read
  // whether or not its browser runs, in place of the running browsers' files.
  std::filesystem::path sessionFile;
  // Where the browsers' folders are looked for; empty: nowhere.
  std::filesystem::path home;
  int chromiumPort = 9222;
  // $XDG_CONFIG_HOME; empty: `home`/.config.
  std::filesystem::path configHome;
  // This machine's name, as a Chromium-family browser writes it into its lock.
  std::string hostName;
};

// From `commandLineSession` (--browser-session) or YOMITORU_BROWSER_SESSION, HOME,
// XDG_CONFIG_HOME (when absolute), YOMITORU_CHROMIUM_PORT (9222 when unset or no port
// number) and the host name.
BrowserSourceSettings ChooseBrowserSourceSettings(const std::filesystem::path& commandLineSession);

struct BrowserCapture {
  // A browser runs: one was found running, the given session file shows a page, or the
  // debugging port answered with one.
  bool browserFound = false;
  // The first http or https page, in the order the browsers are asked; a browser showing
  // a new-tab page or about:blank is passed over.
  std::optional<BrowserPage> page;
};

BrowserCapture CaptureBrowserPage(const BrowserSourceSettings& settings);
