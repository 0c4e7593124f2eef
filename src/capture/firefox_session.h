#pragma once
// Firefox's session file: "mozLz40\0", the 4-byte little-endian size of the JSON, one
// raw LZ4 block; and in the JSON, the page of the selected tab of the focused window.

#include <optional>
#include <string>
#include <string_view>

#include "capture/browser_page.h"

// The JSON text of a session file's bytes; nothing for a file that is not one, that
// announces more than the limit, or whose block does not decode to exactly the
// announced size.
std::optional<std::string> DecodeSessionFile(std::string_view bytes);

// The current entry of the selected tab of the most recently focused window (the one
// with zIndex 1 when selectedWindow is 0). Tab and entry numbers are clamped into range.
// Nothing for text that is not JSON or has no such entry, or an address over the URL limit.
std::optional<BrowserPage> SessionCurrentPage(std::string_view json);
