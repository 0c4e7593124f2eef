#pragma once
// The page a running browser shows, as the browser tells it (UTF-8).

#include <string>

struct BrowserPage {
  std::string url;
  std::string title;
};
