#pragma once
// A Chromium-family session file ("SNSS", a version, then a log of commands the browser
// appends while it runs), replayed in file order to the page the user sees: the selected
// navigation of the selected tab of the active window.

#include <optional>
#include <string_view>

#include "capture/browser_page.h"

// True for bytes that start as a Chromium session file does.
bool IsChromiumSession(std::string_view bytes);

// The page shown; nothing for a file that is not SNSS version 1 or 3, is over the session
// file limit, tracks more tabs or windows than any browser holds, or whose shown
// navigation has no URL or one over the URL limit. A last command cut short by a torn
// write is ignored.
std::optional<BrowserPage> ChromiumSessionPage(std::string_view bytes);
