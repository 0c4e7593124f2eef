#include "archive/text_normalisation.h"

#include <unicode/normalizer2.h>
#include <unicode/unistr.h>
#include <unicode/utf16.h>

namespace {

const icu::Normalizer2* Folding() {
  static const icu::Normalizer2* const folding = [] {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* instance = icu::Normalizer2::getNFKCCasefoldInstance(status);
    return U_SUCCESS(status) ? instance : nullptr;
  }();
  return folding;
}

// A read-only ICU view of the units, without a copy.
icu::UnicodeString View(std::u16string_view text) {
  return icu::UnicodeString(false, text.data(), static_cast<int32_t>(text.size()));
}

std::u16string Units(const icu::UnicodeString& text) {
  return std::u16string(text.getBuffer(), static_cast<std::size_t>(text.length()));
}

void Append(FoldedText& folded, std::u16string_view units, std::size_t start, std::size_t end) {
  folded.text.append(units);
  folded.sourceStart.insert(folded.sourceStart.end(), units.size(), start);
  folded.sourceEnd.insert(folded.sourceEnd.end(), units.size(), end);
}

}  // namespace

std::u16string FoldForSearch(std::u16string_view text) {
  const icu::Normalizer2* folding = Folding();
  if (folding == nullptr) return std::u16string(text);
  UErrorCode status = U_ZERO_ERROR;
  const icu::UnicodeString folded = folding->normalize(View(text), status);
  return U_SUCCESS(status) ? Units(folded) : std::u16string(text);
}

bool IsFolded(std::u16string_view text) {
  const icu::Normalizer2* folding = Folding();
  UErrorCode status = U_ZERO_ERROR;
  return folding == nullptr ||
         (folding->spanQuickCheckYes(View(text), status) == static_cast<int32_t>(text.size()) &&
          U_SUCCESS(status));
}

FoldedText FoldWithSources(std::u16string_view text) {
  FoldedText folded;
  folded.text.reserve(text.size());
  folded.sourceStart.reserve(text.size());
  folded.sourceEnd.reserve(text.size());
  const icu::Normalizer2* folding = Folding();
  const auto length = static_cast<int32_t>(text.size());
  int32_t at = 0;
  while (at < length) {
    // Most Japanese text is folded already: such stretches map one to one.
    UErrorCode status = U_ZERO_ERROR;
    int32_t settled =
        folding == nullptr ? length : at + folding->spanQuickCheckYes(View(text.substr(at)), status);
    if (U_FAILURE(status)) settled = length;
    folded.text.append(text.substr(static_cast<std::size_t>(at), static_cast<std::size_t>(settled - at)));
    for (int32_t i = at; i < settled; ++i) {
      folded.sourceStart.push_back(static_cast<std::size_t>(i));
      folded.sourceEnd.push_back(static_cast<std::size_t>(i) + 1);
    }
    at = settled;
    if (at >= length) break;
    // The next piece runs up to the next character that starts a fresh normalisation.
    int32_t end = at;
    U16_FWD_1(text.data(), end, length);
    while (end < length) {
      UChar32 c = 0;
      U16_GET(text.data(), 0, end, length, c);
      if (folding->hasBoundaryBefore(c)) break;
      U16_FWD_1(text.data(), end, length);
    }
    const std::u16string_view piece =
        text.substr(static_cast<std::size_t>(at), static_cast<std::size_t>(end - at));
    const icu::UnicodeString pieceFolded = folding->normalize(View(piece), status);
    Append(folded, U_SUCCESS(status) ? Units(pieceFolded) : std::u16string(piece),
           static_cast<std::size_t>(at), static_cast<std::size_t>(end));
    at = end;
  }
  return folded;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string utf8;
  View(text).toUTF8String(utf8);
  return utf8;
}

std::u16string Utf8ToUtf16(std::string_view text) {
  return Units(
      icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size()))));
}
