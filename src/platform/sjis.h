#pragma once
// Shift-JIS (CP932) byte-string primitives. Every algorithm of the program works on
// Shift-JIS bytes with 1-based positions; these are the only implementations of the
// searches, cuts and case changes it uses.

#include <cstddef>
#include <string>
#include <string_view>

namespace sjis {

// True for the bytes that open a double-byte character (0x81-0x9F, 0xE0-0xFC). Inline:
// every search walks the text with it.
inline bool IsLeadByte(unsigned char byte) {
  return static_cast<unsigned char>(byte - 0x81) <= 0x9F - 0x81 ||
         static_cast<unsigned char>(byte - 0xE0) <= 0xFC - 0xE0;
}

// Length in bytes of the character that starts at 0-based index `at`: 2 for a lead byte
// that has a byte after it, else 1. A lead byte at the very end stands alone.
inline std::size_t CharLength(std::string_view text, std::size_t at) {
  return IsLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
}

// 1-based position of the first occurrence of `needle` that starts on a character
// boundary, or 0. An empty needle is never found.
std::size_t Find(std::string_view text, std::string_view needle);
bool Contains(std::string_view text, std::string_view needle);

// The same search from the 0-based index `fromBoundary`, which must be a character
// boundary: the 0-based index of the first occurrence at or after it, or npos.
std::size_t FindFrom(std::string_view text, std::string_view needle, std::size_t fromBoundary);

// True when `asciiNeedle` occurs on a character boundary with ASCII letters compared
// without regard to case: what a search of the upper-cased text for the upper-cased
// needle finds, without making the copy.
bool ContainsIgnoringAsciiCase(std::string_view text, std::string_view asciiNeedle);
// The 1-based position of that occurrence, or 0.
std::size_t FindIgnoringAsciiCase(std::string_view text, std::string_view asciiNeedle);

// Every occurrence of `from`, left to right, replaced by `to`; matches start on
// character boundaries only, and a replaced stretch is never searched again.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// Removes leading and trailing bytes of value 32 or less.
std::string Trim(std::string_view text);

// Up to `count` bytes starting at the 1-based position `pos`; fewer at the end of the
// text, nothing beyond it. A position below 1 counts as 1. May cut a double-byte
// character in two and keep its lead byte.
std::string Cut(std::string_view text, long long pos, long long count);

// The first `count` bytes (fewer when the text is shorter).
std::string Left(std::string_view text, long long count);

// Case changes that never change the byte length: ASCII letters and the double-byte
// letters with case (full-width Latin, Greek, Cyrillic, Roman numerals). Trail bytes
// are never touched, so positions found in a cased copy hold in the original.
std::string ToLower(std::string_view text);
std::string ToUpper(std::string_view text);

// The characters of `text` in reverse order; a double-byte character stays whole.
std::string ReverseCharacters(std::string_view text);

}  // namespace sjis
