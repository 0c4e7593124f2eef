#include "capture/chromium_session.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr std::string_view kMagic = "SNSS";
constexpr std::size_t kHeaderSize = 8;
// Far more tabs or windows than a browser keeps open: a file naming more is refused before
// its bookkeeping grows without bound.
constexpr std::size_t kIdLimit = 100'000;

// The commands that decide the page shown; every other one is skipped by its size.
enum Command : unsigned char {
  kSetTabWindow = 0,
  kSetTabIndexInWindow = 2,
  kUpdateTabNavigation = 6,
  kSetSelectedNavigationIndex = 7,
  kSetSelectedTabInIndex = 8,
  kTabClosed = 16,
  kWindowClosed = 17,
  kSetActiveWindow = 20,
};

std::optional<std::int32_t> Int32At(std::string_view bytes, std::size_t offset) {
  if (offset > bytes.size() || bytes.size() - offset < 4) return std::nullopt;
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    value |= std::uint32_t{static_cast<unsigned char>(bytes[offset + i])} << (8 * i);
  }
  return static_cast<std::int32_t>(value);
}

// Calls visit(number, id, payload) for each command in file order, numbered from 1, until
// it returns false (then false). A last command whose size runs past the end was cut
// short while the browser wrote it and is left out.
template <typename Visit>
bool ForEachCommand(std::string_view bytes, Visit visit) {
  if (bytes.size() < kHeaderSize) return true;
  std::size_t position = kHeaderSize;
  std::size_t number = 0;
  while (bytes.size() - position >= 2) {
    const std::size_t size = static_cast<unsigned char>(bytes[position]) |
                             std::size_t{static_cast<unsigned char>(bytes[position + 1])} << 8;
    if (bytes.size() - position - 2 < size) break;
    const std::string_view command = bytes.substr(position + 2, size);
    position += 2 + size;
    if (command.empty()) continue;
    if (!visit(++number, static_cast<unsigned char>(command[0]), command.substr(1))) return false;
  }
  return true;
}

// An "update tab navigation" payload is a pickle: its uint32 size, then tab id,
// navigation index, URL (int32 length, bytes padded to 4), title (int32 length in UTF-16
// units, UTF-16LE, padded) and fields not needed here.
std::optional<std::string_view> PickleOf(std::string_view payload) {
  const auto size = Int32At(payload, 0);
  if (!size || static_cast<std::uint32_t>(*size) > payload.size() - 4) return std::nullopt;
  return payload.substr(4, static_cast<std::uint32_t>(*size));
}

struct NavigationKey {
  std::int32_t tab = 0;
  std::int32_t index = 0;
};

std::optional<NavigationKey> NavigationKeyOf(std::string_view payload) {
  const auto pickle = PickleOf(payload);
  if (!pickle) return std::nullopt;
  const auto tab = Int32At(*pickle, 0);
  const auto index = Int32At(*pickle, 4);
  if (!tab || !index) return std::nullopt;
  return NavigationKey{*tab, *index};
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// UTF-16LE as UTF-8; a surrogate without its pair becomes U+FFFD.
std::string Utf8OfUtf16Le(std::string_view bytes) {
  const auto unitAt = [&bytes](std::size_t i) -> char32_t {
    return static_cast<unsigned char>(bytes[i]) | char32_t{static_cast<unsigned char>(bytes[i + 1])} << 8;
  };
  std::string out;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char32_t c = unitAt(i);
    if (c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes.size()) {
      const char32_t low = unitAt(i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    AppendUtf8(out, c >= 0xD800 && c <= 0xDFFF ? 0xFFFD : c);
  }
  return out;
}

// The URL and title of a navigation; nothing when its URL is empty, over the limit or cut
// short. A title that does not fit is left empty.
std::optional<BrowserPage> NavigationPage(std::string_view payload) {
  const auto pickle = PickleOf(payload);
  if (!pickle) return std::nullopt;
  const auto urlSize = Int32At(*pickle, 8);
  if (!urlSize || *urlSize <= 0 || static_cast<std::size_t>(*urlSize) > kUrlLimit ||
      static_cast<std::size_t>(*urlSize) > pickle->size() - 12) {
    return std::nullopt;
  }
  const auto size = static_cast<std::size_t>(*urlSize);
  BrowserPage page{std::string(pickle->substr(12, size)), {}};
  const std::size_t titleAt = 12 + (size + 3) / 4 * 4;
  const auto titleUnits = Int32At(*pickle, titleAt);
  if (titleUnits && *titleUnits > 0 &&
      static_cast<std::size_t>(*titleUnits) <= (pickle->size() - titleAt - 4) / 2) {
    page.title = Utf8OfUtf16Le(pickle->substr(titleAt + 4, static_cast<std::size_t>(*titleUnits) * 2));
  }
  return page;
}

// The tab shown and the navigation it shows; its URL comes from the last "update tab
// navigation" for them from command `since` on.
struct Shown {
  std::int32_t tab = 0;
  std::int32_t navigation = 0;
  std::size_t since = 0;
};

// The tabs and windows as the commands leave them. Navigations are not kept: only their
// indices, so that a file of many long URLs costs no more memory than its own bytes.
class Replay {
 public:
  // False when the file tracks more tabs or windows than any browser has.
  bool Apply(std::size_t number, unsigned char id, std::string_view payload) {
    const auto first = Int32At(payload, 0);
    const auto second = Int32At(payload, 4);
    switch (id) {
      case kSetTabWindow:
        if (first && second) {
          Tab& tab = TabOf(*second, number);
          tab.window = *first;
          tab.inWindow = true;
        }
        break;
      case kSetTabIndexInWindow:
        if (first && second) TabOf(*first, number).position = *second;
        break;
      case kUpdateTabNavigation:
        if (const auto key = NavigationKeyOf(payload)) {
          Tab& tab = TabOf(key->tab, number);
          tab.lastNavigation = std::max(tab.lastNavigation, key->index);
        }
        break;
      case kSetSelectedNavigationIndex:
        if (first && second) TabOf(*first, number).selectedNavigation = *second;
        break;
      case kSetSelectedTabInIndex:
        if (first && second) windows_[*first] = Window{*second, number};
        break;
      case kTabClosed:
        if (first) tabs_.erase(*first);
        break;
      case kWindowClosed:
        if (first) windows_.erase(*first);
        break;
      case kSetActiveWindow:
        if (first) {
          active_ = *first;
          windows_.try_emplace(*first);
        }
        break;
      default:
        break;
    }
    return tabs_.size() <= kIdLimit && windows_.size() <= kIdLimit;
  }

  // The selected tab of the active window (while it is open; else of the window whose tab
  // was selected last) at its selected navigation, or the newest one it has.
  std::optional<Shown> ShownTab() const {
    const auto window = ShownWindow();
    if (window == windows_.end()) return std::nullopt;
    // The window's strip in order; a closed tab leaves no gap.
    std::vector<std::tuple<std::int32_t, std::size_t, std::int32_t>> strip;
    for (const auto& [id, tab] : tabs_) {
      if (tab.inWindow && tab.window == window->first) strip.emplace_back(tab.position, tab.since, id);
    }
    if (strip.empty()) return std::nullopt;
    std::sort(strip.begin(), strip.end());
    const std::int32_t last = static_cast<std::int32_t>(strip.size()) - 1;
    const std::int32_t tabId = std::get<2>(strip[std::clamp(window->second.selectedPosition, 0, last)]);
    const Tab& tab = tabs_.at(tabId);
    const std::int32_t navigation = tab.selectedNavigation >= 0 ? tab.selectedNavigation : tab.lastNavigation;
    if (navigation < 0) return std::nullopt;
    return Shown{tabId, navigation, tab.since};
  }

 private:
  struct Tab {
    std::int32_t window = 0;
    bool inWindow = false;
    std::int32_t position = INT32_MAX;  // never placed: after the others
    std::int32_t selectedNavigation = -1;
    std::int32_t lastNavigation = -1;
    std::size_t since = 0;  // the command that began this tab's record
  };
  struct Window {
    std::int32_t selectedPosition = 0;
    std::size_t selectedAt = 0;  // the command that selected its tab; 0: none did
  };

  Tab& TabOf(std::int32_t id, std::size_t number) {
    const auto [found, made] = tabs_.try_emplace(id);
    if (made) found->second.since = number;
    return found->second;
  }

  std::map<std::int32_t, Window>::const_iterator ShownWindow() const {
    if (active_) {
      if (const auto found = windows_.find(*active_); found != windows_.end()) return found;
    }
    auto latest = windows_.end();
    for (auto it = windows_.begin(); it != windows_.end(); ++it) {
      if (it->second.selectedAt > 0 &&
          (latest == windows_.end() || it->second.selectedAt > latest->second.selectedAt))
        latest = it;
    }
    return latest;
  }

  // Ordered maps: ids come from the file, and no choice of them makes a lookup slow.
  std::map<std::int32_t, Tab> tabs_;
  std::map<std::int32_t, Window> windows_;
  std::optional<std::int32_t> active_;
};

}  // namespace

bool IsChromiumSession(std::string_view bytes) { return bytes.substr(0, kMagic.size()) == kMagic; }

std::optional<BrowserPage> ChromiumSessionPage(std::string_view bytes) {
  if (!IsChromiumSession(bytes) || bytes.size() > kSessionFileLimit) return std::nullopt;
  const auto version = Int32At(bytes, kMagic.size());
  if (version != 1 && version != 3) return std::nullopt;
  Replay replay;
  if (!ForEachCommand(bytes, [&replay](std::size_t number, unsigned char id, std::string_view payload) {
        return replay.Apply(number, id, payload);
      })) {
    return std::nullopt;
  }
  const auto shown = replay.ShownTab();
  if (!shown) return std::nullopt;
  // A second pass for the URL: the navigation shown is known only at the end.
  std::optional<BrowserPage> page;
  ForEachCommand(bytes, [&](std::size_t number, unsigned char id, std::string_view payload) {
    if (id != kUpdateTabNavigation || number < shown->since) return true;
    const auto key = NavigationKeyOf(payload);
    if (key && key->tab == shown->tab && key->index == shown->navigation) page = NavigationPage(payload);
    return true;
  });
  return page;
}
