#pragma once
// A browser of the Chromium family started with --remote-debugging-port answers
// GET /json/list with its tabs, the most recently activated first.

#include <optional>
#include <string_view>

#include "capture/browser_page.h"

// The first entry of type "page" of a /json/list answer; nothing when there is none or
// the text is not such a list.
std::optional<BrowserPage> FirstPageOfTabList(std::string_view json);

// Asks the browser listening on 127.0.0.1:`port`: one try, at most `limitMs` in all,
// window messages processed meanwhile. Nothing when it does not answer with status 200.
std::optional<BrowserPage> AskChromium(int port, int limitMs = 1000);
