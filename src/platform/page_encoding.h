#pragma once
// Conversions of fetched pages to Shift-JIS: EUC-JP by arithmetic on the JIS row and
// cell, UTF-8 through UTF-16 and code page 932; and which of them a page asks for.

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

// Where a page declares its charset: the text before its first "</head>", or, without
// one, before its first "<body" (case ignored); the whole page when it has neither. An
// issue's own text may well mention a charset (a newsletter about writing web pages),
// and that must not decide how the issue is read.
std::string_view PageHead(std::string_view page);

// True when `head` declares `charset` ("EUC-JP", "UTF-8"): "charset=", an optional
// quote, then the name, case ignored; so both <meta ... content="text/html; charset=X">
// and <meta charset="X"> count.
bool DeclaresCharset(std::string_view head, std::string_view charset);

enum class PageCharset { kShiftJis, kEucJp, kUtf8 };
// The encoding a fetched page is read in: EUC-JP when its head declares it, else UTF-8
// when declared, else EUC-JP when the head holds the title "<title>Yahoo! JAPAN</title>"
// (exact case), else Shift-JIS.
PageCharset ChoosePageCharset(std::string_view page);
