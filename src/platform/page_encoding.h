#pragma once
// Conversions of fetched pages to Shift-JIS: EUC-JP by arithmetic on the JIS row and
// cell, UTF-8 through UTF-16 and code page 932.

#include <string>
#include <string_view>

// Two Shift-JIS bytes for the JIS pair (j1, j2), or nothing when j1 lies outside
// 0x21..0x7E. The cell is not range-checked.
std::string JisPairToShiftJis(unsigned char j1, unsigned char j2);

// EUC-JP to Shift-JIS. Two-byte characters are converted without checking their second
// byte; a lone final lead byte pairs with a zero byte; half-width katakana lose their
// 0x8E prefix; everything else is copied.
std::string EucJpToShiftJis(std::string_view text);

// UTF-8 to Shift-JIS. Each malformed or truncated sequence becomes one "?" and the rest of
// the page is kept: one stray byte must not cost the whole page.
std::string Utf8ToShiftJis(std::string_view text);
