// EucJpToShiftJis on any page: at most one byte longer than the page (a lone final lead
// byte), ASCII unchanged, the page converted character by character (a two-byte character
// to one double-byte character, half-width katakana to its second byte, any other byte
// copied), and every JIS X 0208 character (rows 0x21-0x74) the same character as glibc's
// EUC-JP-MS reads it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "platform/cp932.h"
#include "platform/page_encoding.h"

namespace {

FUZZ_CHECK bool InRange(unsigned char byte, unsigned char low, unsigned char high) {
  return byte >= low && byte <= high;
}

// Whether the double-byte character the converter gave for an EUC-JP pair is the character
// glibc reads there (true where glibc knows none); asked of glibc once per pair.
FUZZ_CHECK bool SameAsGlibc(unsigned char lead, unsigned char trail, std::string_view converted) {
  static fuzz::Glibc eucJp("EUC-JP-MS");
  static std::vector<signed char> verdicts(0x10000, -1);
  signed char& verdict = verdicts[lead << 8 | trail];
  if (verdict < 0) {
    const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
    const std::optional<std::u16string> text = eucJp.ToUtf16(pair);
    verdict = !text || cp932::Decode(converted) == *text;
  }
  return verdict == 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string page(reinterpret_cast<const char*>(data), size);
  const std::string result = EucJpToShiftJis(page);
  fuzz::Require(result.size() <= page.size() + 1, "at most one byte longer");
  if (fuzz::AsciiOnly(page)) fuzz::Require(result == page, "ASCII passes unchanged");

  std::size_t at = 0;  // in the result
  for (std::size_t i = 0; i < size;) {
    const unsigned char byte = data[i];
    const unsigned char next = i + 1 < size ? data[i + 1] : 0;
    if (InRange(byte, 0xA1, 0xFE)) {
      fuzz::Require(at + 2 <= result.size() && fuzz::Lead(static_cast<unsigned char>(result[at])),
                    "a two-byte character gives a double-byte one");
      if (byte <= 0xF4 && InRange(next, 0xA1, 0xFE)) {
        fuzz::Require(SameAsGlibc(byte, next, std::string_view(result).substr(at, 2)),
                      "the same character as glibc reads");
      }
      at += 2;
      i += 2;
    } else if (byte == 0x8E && InRange(next, 0xA1, 0xDF)) {
      fuzz::Require(at < result.size() && static_cast<unsigned char>(result[at]) == next,
                    "half-width katakana loses its prefix");
      ++at;
      i += 2;
    } else {
      fuzz::Require(at < result.size() && static_cast<unsigned char>(result[at]) == byte,
                    "any other byte is copied");
      ++at;
      ++i;
    }
  }
  fuzz::Require(at == result.size(), "nothing more than the characters");
  return 0;
}
