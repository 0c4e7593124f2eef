#pragma once
// The excerpt a search hit shows: one line of the issue body around its first hit.

#include <string>
#include <string_view>

#include "archive/search_query.h"

// At most this many characters.
inline constexpr std::size_t kExcerptCharacters = 60;

// The line of `body` (Shift-JIS, as SearchableBody gives it) that holds the earliest
// occurrence of a term, from a few characters before it, without leading blanks; tabs
// become blanks. Empty when no term occurs.
std::string SearchExcerpt(std::string_view body, const SearchQuery& query);
