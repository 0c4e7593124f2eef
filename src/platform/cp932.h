#pragma once
// Code page 932 as Windows converts it, on glibc's "CP932" table with Windows'
// own choices: one code for characters that have several, best-fit mappings for
// Latin-1, and "?" for everything else.

#include <string>
#include <string_view>

namespace cp932 {

// Shift-JIS bytes to UTF-16. Undefined double-byte codes and a lone final lead byte
// become U+30FB, the code page's default character.
std::u16string Decode(std::string_view bytes);

// UTF-16 to Shift-JIS bytes. A character the code page cannot hold, exactly or by
// best fit, becomes "?"; a surrogate pair counts as one character.
std::string Encode(std::u16string_view text);

// UTF-8 to and from Shift-JIS. Each malformed UTF-8 sequence (the longest start of a
// well-formed one, or a single stray byte) becomes one "?", and the text after it is kept.
std::string FromUtf8(std::string_view utf8);

// One step of reading UTF-8 at `at`: a well-formed sequence gives its code point; a
// malformed one is cut where Unicode's maximal-subpart rule ends it (the lead and the bytes
// that fitted), and the byte that did not fit starts the next step.
struct Utf8Step {
  char32_t code = 0;
  std::size_t length = 1;
  bool wellFormed = false;
};
Utf8Step ReadUtf8At(std::string_view utf8, std::size_t at);
std::string ToUtf8(std::string_view bytes);

}  // namespace cp932
