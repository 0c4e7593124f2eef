#include "support/snss_writer.h"

#include <stdexcept>

std::string Int32s(std::initializer_list<std::int32_t> values) {
  std::string bytes;
  for (const std::int32_t value : values) {
    for (int i = 0; i < 4; ++i)
      bytes += static_cast<char>((static_cast<std::uint32_t>(value) >> (8 * i)) & 0xFF);
  }
  return bytes;
}

namespace {

void PadToFour(std::string& bytes) {
  while (bytes.size() % 4 != 0) bytes += '\0';
}

}  // namespace

SnssWriter::SnssWriter(std::int32_t version) : bytes_("SNSS" + Int32s({version})) {}

SnssWriter& SnssWriter::Command(unsigned char id, std::string_view payload) {
  const std::size_t size = payload.size() + 1;
  if (size > 0xFFFF) throw std::length_error("an SNSS command holds at most 65535 bytes");
  bytes_ += static_cast<char>(size & 0xFF);
  bytes_ += static_cast<char>(size >> 8);
  bytes_ += static_cast<char>(id);
  bytes_ += payload;
  return *this;
}

SnssWriter& SnssWriter::SetTabWindow(std::int32_t window, std::int32_t tab) {
  return Command(0, Int32s({window, tab}));
}

SnssWriter& SnssWriter::SetTabIndex(std::int32_t tab, std::int32_t position) {
  return Command(2, Int32s({tab, position}));
}

SnssWriter& SnssWriter::Navigation(std::int32_t tab, std::int32_t index, std::string_view url,
                                   std::u16string_view title, std::optional<std::int32_t> urlSize) {
  std::string pickle = Int32s({tab, index, urlSize.value_or(static_cast<std::int32_t>(url.size()))});
  pickle += url;
  PadToFour(pickle);
  pickle += Int32s({static_cast<std::int32_t>(title.size())});
  for (const char16_t unit : title) {
    pickle += static_cast<char>(unit & 0xFF);
    pickle += static_cast<char>(unit >> 8);
  }
  PadToFour(pickle);
  pickle += Int32s({0, 1, 0});  // page state, transition type, more
  return Command(6, Int32s({static_cast<std::int32_t>(pickle.size())}) + pickle);
}

SnssWriter& SnssWriter::SelectNavigation(std::int32_t tab, std::int32_t index) {
  return Command(7, Int32s({tab, index}));
}

SnssWriter& SnssWriter::SelectTab(std::int32_t window, std::int32_t position) {
  return Command(8, Int32s({window, position}));
}

// The closing time, an int64, follows the id after 4 bytes of padding.
SnssWriter& SnssWriter::CloseTab(std::int32_t tab) { return Command(16, Int32s({tab, 0, 1, 0})); }

SnssWriter& SnssWriter::CloseWindow(std::int32_t window) { return Command(17, Int32s({window, 0, 1, 0})); }

SnssWriter& SnssWriter::ActivateWindow(std::int32_t window) { return Command(20, Int32s({window})); }

SnssWriter& SnssWriter::OpenTab(std::int32_t window, std::int32_t tab, std::int32_t position,
                                std::string_view url) {
  Command(12, Int32s({tab, 0}));  // not pinned
  SetTabIndex(tab, position);
  SetTabWindow(window, tab);
  SelectTab(window, position);
  SelectNavigation(tab, 0);
  return Navigation(tab, 0, url);
}
