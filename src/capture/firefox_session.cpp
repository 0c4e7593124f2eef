#include "capture/firefox_session.h"

#include <lz4.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <set>

namespace {

using Json = nlohmann::json;

constexpr std::string_view kMagic("mozLz40\0", 8);
constexpr std::size_t kHeaderSize = kMagic.size() + 4;

// A JSON number that is whole, as a long long (clamped); nothing for anything else.
std::optional<long long> WholeNumber(const Json* value) {
  if (value == nullptr) return std::nullopt;
  if (value->is_number_unsigned()) {
    return static_cast<long long>(std::min<std::uint64_t>(value->get<std::uint64_t>(), LLONG_MAX));
  }
  if (value->is_number_integer()) return value->get<long long>();
  if (value->is_number_float()) {
    const double number = value->get<double>();
    if (!std::isfinite(number) || number != std::floor(number)) return std::nullopt;
    // Beyond any count of windows, tabs or entries; kept inside long long.
    return static_cast<long long>(std::clamp(number, -1e15, 1e15));
  }
  return std::nullopt;
}

const Json* Member(const Json& object, const char* name) {
  if (!object.is_object()) return nullptr;
  const auto found = object.find(name);
  return found == object.end() ? nullptr : &*found;
}

// The element of a non-empty array at a 1-based number clamped into range; `fallback`
// when the number is missing or no whole number.
const Json* ClampedElement(const Json* array, const Json* number, long long fallback) {
  if (array == nullptr || !array->is_array() || array->empty()) return nullptr;
  const long long count = static_cast<long long>(array->size());
  const long long wanted = std::clamp(WholeNumber(number).value_or(fallback), 1LL, count);
  return &(*array)[static_cast<std::size_t>(wanted - 1)];
}

// selectedWindow is 0 while the focused window is minimised: the window with zIndex 1 was
// the last one active then.
const Json* FocusedWindow(const Json& session) {
  const Json* windows = Member(session, "windows");
  if (windows == nullptr || !windows->is_array()) return nullptr;
  const long long selected = WholeNumber(Member(session, "selectedWindow")).value_or(0);
  if (selected >= 1 && selected <= static_cast<long long>(windows->size())) {
    return &(*windows)[static_cast<std::size_t>(selected - 1)];
  }
  for (const Json& window : *windows) {
    if (WholeNumber(Member(window, "zIndex")) == 1) return &window;
  }
  return nullptr;
}

// Only the members on the way to an entry's address are kept while parsing; form data,
// closed windows and the rest of a large session are dropped as they are read.
bool KeepMember(int /*depth*/, Json::parse_event_t event, Json& parsed) {
  static const std::set<std::string> kept{"windows", "selectedWindow", "tabs", "selected", "zIndex",
                                          "entries", "index",          "url",  "title"};
  if (event != Json::parse_event_t::key) return true;
  return parsed.is_string() && kept.count(parsed.get_ref<const std::string&>()) > 0;
}

}  // namespace

std::optional<std::string> DecodeSessionFile(std::string_view bytes) {
  if (bytes.size() < kHeaderSize || bytes.substr(0, kMagic.size()) != kMagic) return std::nullopt;
  std::uint32_t size = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    size |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[kMagic.size() + i])) << (8 * i);
  }
  const std::string_view block = bytes.substr(kHeaderSize);
  if (size > kSessionFileLimit || block.size() > kSessionFileLimit) return std::nullopt;
  // An LZ4 block grows at most about 255-fold: a torn file announcing more is refused
  // before anything is allocated for it.
  if (size > (std::uint64_t{block.size()} + 1) * 256) return std::nullopt;
  std::string json(size, '\0');
  const int produced =
      LZ4_decompress_safe(block.data(), json.data(), static_cast<int>(block.size()), static_cast<int>(size));
  if (produced < 0 || static_cast<std::uint32_t>(produced) != size) return std::nullopt;
  return json;
}

std::optional<BrowserPage> SessionCurrentPage(std::string_view json) {
  const Json session = Json::parse(json, KeepMember, false);
  if (session.is_discarded()) return std::nullopt;
  const Json* window = FocusedWindow(session);
  if (window == nullptr) return std::nullopt;
  const Json* tab = ClampedElement(Member(*window, "tabs"), Member(*window, "selected"), 1);
  if (tab == nullptr) return std::nullopt;
  const Json* entries = Member(*tab, "entries");
  const long long last =
      entries != nullptr && entries->is_array() ? static_cast<long long>(entries->size()) : 0;
  const Json* entry = ClampedElement(entries, Member(*tab, "index"), last);
  if (entry == nullptr) return std::nullopt;
  const Json* url = Member(*entry, "url");
  if (url == nullptr || !url->is_string() || url->get_ref<const std::string&>().size() > kUrlLimit) {
    return std::nullopt;
  }
  const Json* title = Member(*entry, "title");
  return BrowserPage{url->get<std::string>(),
                     title != nullptr && title->is_string() ? title->get<std::string>() : ""};
}
