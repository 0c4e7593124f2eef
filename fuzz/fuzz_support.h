#pragma once
// Slow, obviously right stand-ins that the fuzz targets check the real code against, and a
// failure that libFuzzer reports with its input.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace fuzz {

inline void Require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

inline bool Lead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// True when every lead byte is followed by a valid trail byte (0x40-0x7E, 0x80-0xFC).
inline bool WellFormed(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!Lead(static_cast<unsigned char>(text[i]))) continue;
    if (i + 1 >= text.size()) return false;
    const auto trail = static_cast<unsigned char>(text[++i]);
    if (trail < 0x40 || trail == 0x7F || trail > 0xFC) return false;
  }
  return true;
}

// INI names: equal after trimming 0x09-0x0D, 0x1A and 0x20, ASCII letters in any case, a
// double-byte character exactly.
inline bool SameIniName(std::string_view a, std::string_view b) {
  const auto trim = [](std::string_view s) {
    const auto blank = [](char c) {
      const auto u = static_cast<unsigned char>(c);
      return (u >= 0x09 && u <= 0x0D) || u == 0x1A || u == 0x20;
    };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
  };
  a = trim(a);
  b = trim(b);
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    if (Lead(x) && i + 1 < a.size()) {
      if (x != y || a[i + 1] != b[i + 1]) return false;
      ++i;
      continue;
    }
    const auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    if (fold(x) != fold(y)) return false;
  }
  return true;
}

// 1-based position of the first match of `needle` that starts on a character boundary, or 0:
// every boundary is tried in turn.
inline long long NaiveFind(std::string_view text, std::string_view needle) {
  if (needle.empty()) return 0;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text.substr(i, needle.size()) == needle) return static_cast<long long>(i) + 1;
    i += Lead(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
  }
  return 0;
}

// Up to `count` bytes from the 1-based `pos`.
inline std::string NaiveCut(std::string_view text, long long pos, long long count) {
  if (pos < 1) pos = 1;
  std::string out;
  for (long long i = pos; i < pos + count && i <= static_cast<long long>(text.size()); ++i) {
    out.push_back(text[static_cast<std::size_t>(i - 1)]);
  }
  return out;
}

// True when every CR is followed by LF and every LF follows a CR.
inline bool OnlyCrLf(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')) return false;
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
  }
  return true;
}

}  // namespace fuzz
