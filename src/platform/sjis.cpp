#include "platform/sjis.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace sjis {

// Candidates from the plain byte search are checked against boundaries walked forward
// from `from`, so the whole search stays linear.
std::size_t FindFrom(std::string_view text, std::string_view needle, std::size_t from) {
  if (needle.empty()) return std::string_view::npos;
  std::size_t boundary = from;
  std::size_t searchFrom = from;
  while (true) {
    const std::size_t candidate = text.find(needle, searchFrom);
    if (candidate == std::string_view::npos) return candidate;
    while (boundary < candidate) boundary += CharLength(text, boundary);
    if (boundary == candidate) return candidate;
    searchFrom = candidate + 1;  // the candidate began on a trail byte
  }
}

std::size_t FindIgnoringAsciiCase(std::string_view text, std::string_view asciiNeedle) {
  if (asciiNeedle.empty()) return 0;
  const auto lower = [](unsigned char byte) { return byte >= 'A' && byte <= 'Z' ? byte + 32 : byte; };
  const auto matchesAt = [&](std::size_t at) {
    for (std::size_t k = 0; k < asciiNeedle.size(); ++k) {
      if (lower(static_cast<unsigned char>(text[at + k])) !=
          lower(static_cast<unsigned char>(asciiNeedle[k])))
        return false;
    }
    return true;
  };
  // Candidates come from a plain byte search for a byte of the needle that has no case
  // (a page is searched for its charset on every fetch); a match counts only where a
  // character starts, walked forward as in FindFrom.
  const std::size_t anchor =
      asciiNeedle.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  std::size_t boundary = 0;
  if (anchor == std::string_view::npos) {
    for (; boundary + asciiNeedle.size() <= text.size(); boundary += CharLength(text, boundary)) {
      if (matchesAt(boundary)) return boundary + 1;
    }
    return 0;
  }
  for (std::size_t at = text.find(asciiNeedle[anchor], anchor); at != std::string_view::npos;
       at = text.find(asciiNeedle[anchor], at + 1)) {
    const std::size_t start = at - anchor;
    if (start + asciiNeedle.size() > text.size()) return 0;
    if (!matchesAt(start)) continue;
    while (boundary < start) boundary += CharLength(text, boundary);
    if (boundary == start) return start + 1;
  }
  return 0;
}

bool ContainsIgnoringAsciiCase(std::string_view text, std::string_view asciiNeedle) {
  return FindIgnoringAsciiCase(text, asciiNeedle) > 0;
}

namespace {

// Double-byte case pairs: the upper-case range, its length, and where the lower-case
// range starts. Cyrillic lower case skips 0x847F, so it is split in two rows.
struct CasePair {
  std::uint16_t upperFirst;
  std::uint16_t count;
  std::uint16_t lowerFirst;
};
constexpr std::array<CasePair, 5> kCasePairs{{
    {0x8260, 26, 0x8281},  // full-width A-Z / a-z
    {0x839F, 24, 0x83BF},  // Greek
    {0x8440, 15, 0x8470},  // Cyrillic A..N
    {0x844F, 18, 0x8480},  // Cyrillic O..YA
    {0x8754, 10, 0xFA40},  // Roman numerals I-X / i-x
}};

std::uint16_t LowerCode(std::uint16_t code) {
  for (const CasePair& pair : kCasePairs) {
    if (code >= pair.upperFirst && code < pair.upperFirst + pair.count) {
      return static_cast<std::uint16_t>(pair.lowerFirst + (code - pair.upperFirst));
    }
  }
  return code;
}

std::uint16_t UpperCode(std::uint16_t code) {
  for (const CasePair& pair : kCasePairs) {
    if (code >= pair.lowerFirst && code < pair.lowerFirst + pair.count) {
      return static_cast<std::uint16_t>(pair.upperFirst + (code - pair.lowerFirst));
    }
  }
  return code;
}

template <typename SingleByte, typename DoubleByte>
std::string MapCase(std::string_view text, SingleByte single, DoubleByte twoBytes) {
  std::string result(text);
  for (std::size_t i = 0; i < result.size();) {
    const std::size_t length = CharLength(result, i);
    if (length == 2) {
      const auto code = static_cast<std::uint16_t>(static_cast<unsigned char>(result[i]) << 8 |
                                                   static_cast<unsigned char>(result[i + 1]));
      const std::uint16_t mapped = twoBytes(code);
      result[i] = static_cast<char>(mapped >> 8);
      result[i + 1] = static_cast<char>(mapped & 0xFF);
    } else {
      result[i] = single(result[i]);
    }
    i += length;
  }
  return result;
}

}  // namespace

std::size_t Find(std::string_view text, std::string_view needle) {
  const std::size_t at = FindFrom(text, needle, 0);
  return at == std::string_view::npos ? 0 : at + 1;
}

bool Contains(std::string_view text, std::string_view needle) { return Find(text, needle) > 0; }

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  std::string result;
  std::size_t copied = 0;
  std::size_t at = FindFrom(text, from, 0);
  if (at == std::string_view::npos) return std::string(text);
  result.reserve(text.size());
  while (at != std::string_view::npos) {
    result.append(text.substr(copied, at - copied));
    result.append(to);
    copied = at + from.size();
    at = FindFrom(text, from, copied);  // the rest is searched as a text of its own
  }
  result.append(text.substr(copied));
  return result;
}

std::string Trim(std::string_view text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && static_cast<unsigned char>(text[first]) <= 32) ++first;
  while (last > first && static_cast<unsigned char>(text[last - 1]) <= 32) --last;
  return std::string(text.substr(first, last - first));
}

std::string Cut(std::string_view text, long long pos, long long count) {
  if (pos < 1) pos = 1;
  if (count <= 0 || pos > static_cast<long long>(text.size())) return {};
  const auto start = static_cast<std::size_t>(pos - 1);
  return std::string(text.substr(start, static_cast<std::size_t>(count)));
}

std::string Left(std::string_view text, long long count) { return Cut(text, 1, count); }

std::string ToLower(std::string_view text) {
  return MapCase(
      text, [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }, LowerCode);
}

std::string ToUpper(std::string_view text) {
  return MapCase(
      text, [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }, UpperCode);
}

std::string ReverseCharacters(std::string_view text) {
  std::string result(text.size(), '\0');
  std::size_t write = text.size();
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = CharLength(text, i);
    write -= length;
    std::copy_n(text.begin() + static_cast<std::ptrdiff_t>(i), length,
                result.begin() + static_cast<std::ptrdiff_t>(write));
    i += length;
  }
  return result;
}

}  // namespace sjis
