#pragma once
// The page a running browser shows, as the browser tells it (UTF-8), and the bounds put on
// what a browser's files may make us read.

#include <cstddef>
#include <string>

struct BrowserPage {
  std::string url;
  std::string title;
};

// A session file, or the JSON inside Firefox's, is not taken when larger than this.
inline constexpr std::size_t kSessionFileLimit = std::size_t{64} << 20;
// Nor is an address longer than this.
inline constexpr std::size_t kUrlLimit = std::size_t{64} << 10;
