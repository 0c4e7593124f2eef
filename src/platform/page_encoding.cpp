#include "platform/page_encoding.h"

#include "platform/cp932.h"
#include "platform/sjis.h"

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

std::string_view PageHead(std::string_view page) {
  std::size_t end = sjis::FindIgnoringAsciiCase(page, "</head>");
  if (end == 0) end = sjis::FindIgnoringAsciiCase(page, "<body");
  return end == 0 ? page : page.substr(0, end - 1);
}

bool DeclaresCharset(std::string_view head, std::string_view charset) {
  constexpr std::string_view kMark = "charset=";
  for (std::size_t from = 0; from < head.size();) {
    const std::size_t found = sjis::FindIgnoringAsciiCase(head.substr(from), kMark);
    if (found == 0) return false;
    std::size_t value = from + found - 1 + kMark.size();
    if (value < head.size() && (head[value] == '"' || head[value] == '\'')) ++value;
    if (sjis::FindIgnoringAsciiCase(head.substr(value, charset.size()), charset) == 1) return true;
    from += found - 1 + kMark.size();
  }
  return false;
}

PageCharset ChoosePageCharset(std::string_view page) {
  const std::string_view head = PageHead(page);
  if (DeclaresCharset(head, "EUC-JP")) return PageCharset::kEucJp;
  if (DeclaresCharset(head, "UTF-8")) return PageCharset::kUtf8;
  if (sjis::Contains(head, "<title>Yahoo! JAPAN</title>")) return PageCharset::kEucJp;
  return PageCharset::kShiftJis;
}
