#pragma once
// Text made comparable for the full-text search: Unicode NFKC with case folding (ICU's
// NFKC_Casefold), so that ＡＢＣ, ABC and abc, or ｶﾀｶﾅ and カタカナ, read alike. The
// search works on this folded UTF-16; the index stores it as UTF-8.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The folded text. Without ICU's normaliser (never on a sound installation) the text
// comes back unchanged.
std::u16string FoldForSearch(std::u16string_view text);

// True when folding leaves the text as it is (most Japanese text).
bool IsFolded(std::u16string_view text);

// The folded text, and for each of its units the stretch [start, end) of the source it
// came from, so a match found in the folded text can be shown in the source.
struct FoldedText {
  std::u16string text;
  std::vector<std::size_t> sourceStart;
  std::vector<std::size_t> sourceEnd;
};
FoldedText FoldWithSources(std::u16string_view text);

// UTF-16 and UTF-8 (the index's and the command line's form); broken sequences become
// U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);
