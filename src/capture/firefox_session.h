#pragma once
// Firefox's session file: "mozLz40\0", the 4-byte little-endian size of the JSON, one
// raw LZ4 block; and in the JSON, the page of the selected tab of the focused window.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "capture/browser_page.h"

// Neither the file nor the JSON it holds is taken when larger than this.
inline constexpr std::size_t kSessionFileLimit = std::size_t{64} << 20;

// The JSON text of a session file's bytes; nothing for a file that is not one, that
// announces more than the limit, or whose block does not decode to exactly the
// announced size.
std::optional<std::string> DecodeSessionFile(std::string_view bytes);

// The current entry of the selected tab of the most recently focused window (the one
// with zIndex 1 when selectedWindow is 0). Tab and entry numbers are clamped into range.
// Nothing for text that is not JSON or has no such entry.
std::optional<BrowserPage> SessionCurrentPage(std::string_view json);

// Both of the above on a file; nothing when it cannot be read or is over the limit.
std::optional<BrowserPage> ReadSessionFile(const std::filesystem::path& file);
