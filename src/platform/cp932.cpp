#include "platform/cp932.h"

#include <iconv.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/sjis.h"

namespace cp932 {
namespace {

constexpr char16_t kDefaultChar = u'\u30FB';
constexpr std::uint16_t kNoCode = 0;  // U+0000 is handled before the table is asked

struct Tables {
  std::vector<char16_t> decode = std::vector<char16_t>(0x10000, kDefaultChar);
  std::vector<std::uint16_t> encode = std::vector<std::uint16_t>(0x10000, kNoCode);
};

class IconvHandle {
 public:
  IconvHandle(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
  ~IconvHandle() {
    if (handle_ != reinterpret_cast<iconv_t>(-1)) iconv_close(handle_);
  }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;

  // Converts one complete character; false when the code page has no mapping.
  bool DecodeOne(const unsigned char* bytes, std::size_t length, char16_t& out) {
    char input[2] = {static_cast<char>(bytes[0]), length > 1 ? static_cast<char>(bytes[1]) : '\0'};
    char output[8];
    char* in = input;
    char* outPtr = output;
    std::size_t inLeft = length;
    std::size_t outLeft = sizeof output;
    iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    if (iconv(handle_, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) return false;
    if (sizeof output - outLeft != 2 || inLeft != 0) return false;  // outside the BMP or partial
    out = static_cast<char16_t>(static_cast<unsigned char>(output[0]) | static_cast<unsigned char>(output[1])
                                                                            << 8);
    return true;
  }

 private:
  iconv_t handle_;
};

// Windows' best fit for Latin-1 (its table for code page 932): letters lose their
// accents, a few signs take their full-width forms. 0 marks the characters with no fit.
constexpr std::array<std::uint16_t, 0x5F> kLatin1BestFit{{
    0x0021, 0x8191, 0x8192, 0,      0x005C, 0x007C, 0x8198, 0x814E,  // A1-A8
    0x0063, 0x0061, 0x81E1, 0x81CA, 0x002D, 0x0052, 0x8150, 0x818B,  // A9-B0
    0x817D, 0x0032, 0x0033, 0x814C, 0x83CA, 0x81F7, 0x8145, 0x8143,  // B1-B8
    0x0031, 0x006F, 0x81E2, 0,      0,      0,      0x003F, 0x0041,  // B9-C0
    0x0041, 0x0041, 0x0041, 0x0041, 0x0041, 0x0041, 0x0043, 0x0045,  // C1-C8
    0x0045, 0x0045, 0x0045, 0x0049, 0x0049, 0x0049, 0x0049, 0x0044,  // C9-D0
    0x004E, 0x004F, 0x004F, 0x004F, 0x004F, 0x004F, 0x817E, 0x004F,  // D1-D8
    0x0055, 0x0055, 0x0055, 0x0055, 0x0059, 0x0054, 0x0073, 0x0061,  // D9-E0
    0x0061, 0x0061, 0x0061, 0x0061, 0x0061, 0x0061, 0x0063, 0x0065,  // E1-E8
    0x0065, 0x0065, 0x0065, 0x0069, 0x0069, 0x0069, 0x0069, 0x0064,  // E9-F0
    0x006E, 0x006F, 0x006F, 0x006F, 0x006F, 0x006F, 0x8180, 0x006F,  // F1-F8
    0x0075, 0x0075, 0x0075, 0x0075, 0x0079, 0x0074, 0x0079,          // F9-FF
}};

void AddDoubleByteRow(Tables& tables, IconvHandle& converter, unsigned lead) {
  for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
    if (trail == 0x7F) continue;
    const unsigned char bytes[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
    char16_t unit = 0;
    if (!converter.DecodeOne(bytes, 2, unit)) continue;
    const auto code = static_cast<std::uint16_t>(lead << 8 | trail);
    tables.decode[code] = unit;
    // Rows are added in Windows' order of preference, so the first code wins.
    if (tables.encode[unit] == kNoCode) tables.encode[unit] = code;
  }
}

Tables BuildTables() {
  Tables tables;
  IconvHandle converter("UTF-16LE", "CP932");
  for (unsigned byte = 0; byte < 0x100; ++byte) {
    if (sjis::IsLeadByte(static_cast<unsigned char>(byte))) continue;
    const unsigned char bytes[1] = {static_cast<unsigned char>(byte)};
    char16_t unit = 0;
    if (!converter.DecodeOne(bytes, 1, unit)) continue;
    tables.decode[byte] = unit;
    tables.encode[unit] = static_cast<std::uint16_t>(byte);
  }
  // Single bytes glibc leaves undefined: Windows maps 0x80 to U+0080 and the four
  // unused bytes to private-use characters, so every single byte round-trips.
  const std::array<std::pair<unsigned, char16_t>, 5> extraSingles{
      {{0x80, u'\u0080'}, {0xA0, u'\uF8F0'}, {0xFD, u'\uF8F1'}, {0xFE, u'\uF8F2'}, {0xFF, u'\uF8F3'}}};
  for (const auto& [byte, unit] : extraSingles) {
    tables.decode[byte] = unit;
    tables.encode[unit] = static_cast<std::uint16_t>(byte);
  }
  // JIS rows and NEC row 13 first, then the IBM extensions, then the NEC-selected
  // copies of the IBM extensions, then the user-defined area.
  for (unsigned lead = 0x81; lead <= 0x9F; ++lead) AddDoubleByteRow(tables, converter, lead);
  for (unsigned lead = 0xE0; lead <= 0xEC; ++lead) AddDoubleByteRow(tables, converter, lead);
  for (unsigned lead = 0xFA; lead <= 0xFC; ++lead) AddDoubleByteRow(tables, converter, lead);
  for (unsigned lead = 0xED; lead <= 0xEE; ++lead) AddDoubleByteRow(tables, converter, lead);
  for (unsigned lead = 0xEF; lead <= 0xF9; ++lead) AddDoubleByteRow(tables, converter, lead);

  for (std::size_t i = 0; i < kLatin1BestFit.size(); ++i) {
    auto& slot = tables.encode[0xA1 + i];
    if (slot == kNoCode && kLatin1BestFit[i] != 0) slot = kLatin1BestFit[i];
  }
  tables.encode[0x3094] = 0x8394;  // hiragana vu as katakana vu
  return tables;
}

const Tables& GetTables() {
  static const Tables tables = BuildTables();
  return tables;
}

void AppendCode(std::string& out, std::uint16_t code) {
  if (code > 0xFF) out.push_back(static_cast<char>(code >> 8));
  out.push_back(static_cast<char>(code & 0xFF));
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

}  // namespace

std::u16string Decode(std::string_view bytes) {
  const Tables& tables = GetTables();
  std::u16string result;
  result.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    if (!sjis::IsLeadByte(first)) {
      result.push_back(tables.decode[first]);
      ++i;
    } else if (i + 1 < bytes.size()) {
      result.push_back(tables.decode[first << 8 | static_cast<unsigned char>(bytes[i + 1])]);
      i += 2;
    } else {
      result.push_back(kDefaultChar);
      ++i;
    }
  }
  return result;
}

std::string Encode(std::u16string_view text) {
  const Tables& tables = GetTables();
  std::string result;
  result.reserve(text.size() * 2);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit == 0) {
      result.push_back('\0');
      continue;
    }
    const bool highSurrogate = unit >= 0xD800 && unit <= 0xDBFF;
    if (highSurrogate && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) ++i;
    const std::uint16_t code = tables.encode[unit];
    if (code == kNoCode) {
      result.push_back('?');
    } else {
      AppendCode(result, code);
    }
  }
  return result;
}

Utf8Step ReadUtf8At(std::string_view utf8, std::size_t at) {
  const auto lead = static_cast<unsigned char>(utf8[at]);
  if (lead < 0x80) return {lead, 1, true};
  // The well-formed sequences: the lead byte fixes the length and the range of the second
  // byte (which excludes overlong forms, surrogates and code points above U+10FFFF).
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  }
  char32_t code = lead & (0x7F >> length);
  std::size_t taken = 1;
  while (length > 0 && taken < length && at + taken < utf8.size()) {
    const auto next = static_cast<unsigned char>(utf8[at + taken]);
    if (next < low || next > high) break;
    code = code << 6 | (next & 0x3F);
    low = 0x80;
    high = 0xBF;
    ++taken;
  }
  return {code, taken, taken == length};
}

std::string FromUtf8(std::string_view utf8) {
  std::u16string units;
  units.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const Utf8Step step = ReadUtf8At(utf8, i);
    // A malformed sequence is one "?"; outside the BMP: "?" too.
    units.push_back(step.wellFormed && step.code < 0x10000 ? static_cast<char16_t>(step.code) : u'?');
    i += step.length;
  }
  return Encode(units);
}

std::string ToUtf8(std::string_view bytes) {
  const std::u16string units = Decode(bytes);
  std::string result;
  result.reserve(units.size() * 3);
  for (const char16_t unit : units) AppendUtf8(result, unit);
  return result;
}

}  // namespace cp932
