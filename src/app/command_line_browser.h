#pragma once
// yomitoru --browser-address [--browser-session FILE]: the address IEからURL取得 would take,
// as the browser gave it (UTF-8), without a window.

#include <filesystem>
#include <iosfwd>

// Prints the address and a line break on `out` and returns 0; else prints one Japanese line
// on `errors` (no browser runs, or none shows an http or https page) and returns 1.
// `sessionFile` is the one --browser-session names; empty: YOMITORU_BROWSER_SESSION or the
// running browsers.
int RunBrowserAddressOption(const std::filesystem::path& sessionFile, std::ostream& out,
                            std::ostream& errors);
