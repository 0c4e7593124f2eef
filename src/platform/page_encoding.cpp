#include "platform/page_encoding.h"

#include "platform/cp932.h"

std::string JisPairToShiftJis(unsigned char j1, unsigned char j2) {
  if (j1 < 0x21 || j1 > 0x7E) return {};
  unsigned char trail = 0;
  if (j1 % 2 == 1) {
    trail = static_cast<unsigned char>(j2 < 0x60 ? j2 + 0x1F : j2 + 0x20);
  } else {
    trail = static_cast<unsigned char>(j2 + 0x7E);
  }
  const auto lead = static_cast<unsigned char>(((j1 + 1) >> 1) + (j1 < 0x5F ? 0x70 : 0xB0));
  return {static_cast<char>(lead), static_cast<char>(trail)};
}

std::string EucJpToShiftJis(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    if (byte >= 0xA1 && byte <= 0xFE) {
      result +=
          JisPairToShiftJis(static_cast<unsigned char>(byte - 0x80), static_cast<unsigned char>(next - 0x80));
      i += 2;
    } else if (byte == 0x8E && next >= 0xA1 && next <= 0xDF) {
      result.push_back(static_cast<char>(next));
      i += 2;
    } else {
      result.push_back(static_cast<char>(byte));
      ++i;
    }
  }
  return result;
}

std::string Utf8ToShiftJis(std::string_view text) {
  std::u16string units;
  units.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      units.push_back(lead);
      ++i;
      continue;
    }
    // Four-byte forms are decoded whole and end up as "?": a page with one character
    // outside the BMP (an emoji) must not lose all its text.
    const std::size_t extra = (lead & 0xF8) == 0xF0 ? 3 : (lead & 0x20) ? 2 : 1;
    if (i + extra >= text.size()) return {};
    char32_t c = extra == 3 ? (lead & 0x07) : extra == 2 ? (lead & 0x0F) : (lead & 0x1F);
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto byte = static_cast<unsigned char>(text[i + k]);
      if (byte < 0x80 || byte > 0xBF) return {};
      c = c << 6 | (byte & 0x3F);
    }
    units.push_back(c < 0x10000 ? static_cast<char16_t>(c) : u'\uFFFF');
    i += extra + 1;
  }
  return cp932::Encode(units);
}
