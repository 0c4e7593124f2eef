#pragma once
// Whether bytes are well formed in an encoding. A page whose bytes do not fit the encoding
// it was read in has lost characters in the conversion, or was labelled wrongly.

#include <string_view>

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF, no cut sequence.
bool IsWellFormedUtf8(std::string_view bytes);

// EUC-JP: ASCII and controls, two bytes of 0xA1-0xFE, 0x8E with a half-width katakana
// byte, 0x8F with two bytes of 0xA1-0xFE.
bool IsWellFormedEucJp(std::string_view bytes);

// Code page 932: ASCII and controls, half-width katakana, and lead bytes followed by a
// trail byte (0x40-0x7E, 0x80-0xFC). The unused single bytes 0x80, 0xA0, 0xFD-0xFF are not.
bool IsWellFormedCp932(std::string_view bytes);

// True when `bytes` hold at least one byte above 0x7F.
bool HasNonAscii(std::string_view bytes);
