#pragma once
// A browser's session file on disk, of either family, told apart by its first bytes:
// "SNSS" for the Chromium family, else Firefox's.

#include <filesystem>
#include <optional>

#include "capture/browser_page.h"

// The page the file shows; nothing when it cannot be read, is no regular file, is over
// the session file limit or shows no page.
std::optional<BrowserPage> ReadSessionFile(const std::filesystem::path& file);
