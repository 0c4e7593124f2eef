#pragma once
// Chromium session files as a browser of the Chromium family writes them: "SNSS", an
// int32 version, then commands appended one by one (uint16 size, the command id, its
// little-endian payload).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class SnssWriter {
 public:
  explicit SnssWriter(std::int32_t version = 3);

  SnssWriter& SetTabWindow(std::int32_t window, std::int32_t tab);
  SnssWriter& SetTabIndex(std::int32_t tab, std::int32_t position);
  // The navigation's pickle, as Chromium lays it out: size, tab, index, URL, title, and
  // fields the reader skips. `urlSize` in place of the URL's own size.
  SnssWriter& Navigation(std::int32_t tab, std::int32_t index, std::string_view url,
                         std::u16string_view title = u"", std::optional<std::int32_t> urlSize = std::nullopt);
  SnssWriter& SelectNavigation(std::int32_t tab, std::int32_t index);
  SnssWriter& SelectTab(std::int32_t window, std::int32_t position);
  SnssWriter& CloseTab(std::int32_t tab);
  SnssWriter& CloseWindow(std::int32_t window);
  SnssWriter& ActivateWindow(std::int32_t window);
  SnssWriter& Command(unsigned char id, std::string_view payload);

  // A new tab as the browser records one: its place, its window, its selection, its page.
  SnssWriter& OpenTab(std::int32_t window, std::int32_t tab, std::int32_t position, std::string_view url);

  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

// Little-endian int32s, for payloads written by hand.
std::string Int32s(std::initializer_list<std::int32_t> values);
