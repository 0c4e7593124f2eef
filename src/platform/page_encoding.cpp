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

std::string Utf8ToShiftJis(std::string_view text) { return cp932::FromUtf8(text); }
