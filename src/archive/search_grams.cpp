#include "archive/search_grams.h"

#include <unicode/utf16.h>

#include <cstdint>
#include <vector>

namespace {

// A pair packs two code points (21 bits each); a single character has no second.
constexpr std::uint64_t kNoSecond = 0x1FFFFF;

void AppendHex(std::string& out, std::uint32_t codePoint) {
  static constexpr char kDigits[] = "0123456789abcdef";
  for (int shift = 20; shift >= 0; shift -= 4) out.push_back(kDigits[(codePoint >> shift) & 0xF]);
}

void AppendToken(std::string& out, std::uint64_t gram) {
  AppendHex(out, static_cast<std::uint32_t>(gram >> 21));
  if ((gram & kNoSecond) != kNoSecond) AppendHex(out, static_cast<std::uint32_t>(gram & kNoSecond));
}

std::vector<std::uint32_t> CodePoints(std::u16string_view text) {
  std::vector<std::uint32_t> codePoints;
  codePoints.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    UChar32 c = 0;
    U16_NEXT(text.data(), at, text.size(), c);
    codePoints.push_back(static_cast<std::uint32_t>(c));
  }
  return codePoints;
}

bool IsBreak(std::uint32_t c) { return c == '\r' || c == '\n'; }

}  // namespace

std::string GramTokens(std::u16string_view folded) {
  const std::vector<std::uint32_t> text = CodePoints(folded);
  // Each gram once, in the order met: an open-addressed set, twice as large as needed (a
  // sort of every gram took most of the indexing time).
  std::size_t capacity = 16;
  while (capacity < text.size() * 4) capacity *= 2;
  constexpr std::uint64_t kEmpty = ~std::uint64_t{0};
  std::vector<std::uint64_t> seen(capacity, kEmpty);
  std::string tokens;
  tokens.reserve(text.size() * 8);
  const auto add = [&](std::uint64_t gram) {
    std::size_t slot = static_cast<std::size_t>((gram * 0x9E3779B97F4A7C15ULL) >> 20) & (capacity - 1);
    while (seen[slot] != kEmpty) {
      if (seen[slot] == gram) return;
      slot = (slot + 1) & (capacity - 1);
    }
    seen[slot] = gram;
    if (!tokens.empty()) tokens.push_back(' ');
    AppendToken(tokens, gram);
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsBreak(text[i])) continue;
    add(std::uint64_t{text[i]} << 21 | kNoSecond);
    if (i + 1 < text.size() && !IsBreak(text[i + 1])) add(std::uint64_t{text[i]} << 21 | text[i + 1]);
  }
  return tokens;
}

std::string GramToken(std::u16string_view term) {
  const std::vector<std::uint32_t> text = CodePoints(term);
  std::string token;
  if (text.empty()) return token;
  AppendToken(token, std::uint64_t{text[0]} << 21 | (text.size() > 1 ? text[1] : kNoSecond));
  return token;
}
