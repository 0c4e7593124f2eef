#pragma once
// The part of a stored issue file that the full-text search reads: the issue text after
// its header line (the key and the address), with HTML tags taken out and the common
// character references written out, as the view shows it.

#include <string>
#include <string_view>

// Shift-JIS in and out. A file without a line break holds no body.
std::string SearchableBody(std::string_view fileBytes);

// Shift-JIS decoded for the search: every character becomes exactly one UTF-16 unit, so
// unit positions are character positions; a code the code page does not define becomes
// U+FFFD, which no query holds.
std::u16string DecodeForSearch(std::string_view sjis);
