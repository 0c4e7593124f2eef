#pragma once
// Slow, obviously right stand-ins that the fuzz targets check the real code against, glibc's
// converters as an outside judge, and a failure that libFuzzer reports with its input.

#include <iconv.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

// The checks carry no coverage of their own: libFuzzer steers by the code under test, and
// tracing every comparison of the slow stand-ins would cost most of the run.
#define FUZZ_CHECK __attribute__((no_sanitize("coverage")))

namespace fuzz {

FUZZ_CHECK inline void Require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

FUZZ_CHECK inline bool Lead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// True when every lead byte is followed by a valid trail byte (0x40-0x7E, 0x80-0xFC).
FUZZ_CHECK inline bool WellFormed(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!Lead(static_cast<unsigned char>(text[i]))) continue;
    if (i + 1 >= text.size()) return false;
    const auto trail = static_cast<unsigned char>(text[++i]);
    if (trail < 0x40 || trail == 0x7F || trail > 0xFC) return false;
  }
  return true;
}

FUZZ_CHECK inline bool AsciiOnly(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// glibc's own converter from `encoding` to UTF-16: what the bytes mean, judged by code that
// is not ours.
class Glibc {
 public:
  explicit Glibc(const char* encoding) : handle_(iconv_open("UTF-16LE", encoding)) {
    Require(handle_ != reinterpret_cast<iconv_t>(-1), "glibc converter available");
  }
  ~Glibc() { iconv_close(handle_); }
  Glibc(const Glibc&) = delete;
  Glibc& operator=(const Glibc&) = delete;

  // The text, or nothing when glibc rejects any of the bytes (or the text ends inside a
  // character). No encoding here needs more UTF-16 units than it has bytes.
  FUZZ_CHECK std::optional<std::u16string> ToUtf16(std::string_view bytes) {
    std::string input(bytes);
    std::u16string output(bytes.size() + 1, u'\0');
    char* in = input.data();
    char* out = reinterpret_cast<char*>(output.data());
    std::size_t inLeft = input.size();
    std::size_t outLeft = output.size() * sizeof(char16_t);
    iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    if (iconv(handle_, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0) {
      return std::nullopt;
    }
    output.resize(output.size() - outLeft / sizeof(char16_t));
    return output;
  }

 private:
  iconv_t handle_;
};

// INI names: equal after trimming 0x09-0x0D, 0x1A and 0x20, ASCII letters in any case, a
// double-byte character exactly.
FUZZ_CHECK inline bool SameIniName(std::string_view a, std::string_view b) {
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
FUZZ_CHECK inline long long NaiveFind(std::string_view text, std::string_view needle) {
  if (needle.empty()) return 0;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t matched = 0;
    while (matched < needle.size() && i + matched < text.size() && text[i + matched] == needle[matched])
      ++matched;
    if (matched == needle.size()) return static_cast<long long>(i) + 1;
    i += Lead(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
  }
  return 0;
}

// Up to `count` bytes from the 1-based `pos`.
FUZZ_CHECK inline std::string NaiveCut(std::string_view text, long long pos, long long count) {
  if (pos < 1) pos = 1;
  std::string out;
  for (long long i = pos; i < pos + count && i <= static_cast<long long>(text.size()); ++i) {
    out.push_back(text[static_cast<std::size_t>(i - 1)]);
  }
  return out;
}

// True when every CR is followed by LF and every LF follows a CR.
FUZZ_CHECK inline bool OnlyCrLf(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')) return false;
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
  }
  return true;
}

}  // namespace fuzz
