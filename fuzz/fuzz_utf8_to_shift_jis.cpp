// Utf8ToShiftJis on any page: never longer than the page, always well-formed Shift-JIS,
// ASCII unchanged, valid UTF-8 converted as glibc reads its characters, a malformed page
// marked with "?", and a byte that cannot continue a sequence starts afresh, so the page
// converts the same in two pieces cut there.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "platform/cp932.h"
#include "platform/page_encoding.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string page(reinterpret_cast<const char*>(data), size);
  const std::string result = Utf8ToShiftJis(page);
  fuzz::Require(result.size() <= page.size(), "never longer than the page");
  fuzz::Require(fuzz::WellFormed(result), "well-formed Shift-JIS");
  if (fuzz::AsciiOnly(page)) fuzz::Require(result == page, "ASCII passes unchanged");

  static fuzz::Glibc utf8("UTF-8");
  if (const std::optional<std::u16string> text = utf8.ToUtf16(page)) {
    fuzz::Require(result == cp932::Encode(*text), "valid UTF-8 as its characters");
  } else {
    fuzz::Require(result.find('?') != std::string::npos, "a malformed sequence leaves a \"?\"");
  }

  if (size > 0) {
    const std::size_t cut = data[0] % (size + 1);
    const bool startsAfresh = cut == size || (data[cut] & 0xC0) != 0x80;
    if (startsAfresh) {
      fuzz::Require(result == Utf8ToShiftJis(page.substr(0, cut)) + Utf8ToShiftJis(page.substr(cut)),
                    "a page converts the same in pieces cut before a non-continuation byte");
    }
  }
  return 0;
}
