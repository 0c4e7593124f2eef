#pragma once
// What the user asks the full-text search for: words separated by blanks, all of which must
// occur, and phrases in double quotes, each taken whole. Terms are folded as the searched
// text is (text_normalisation.h), and matched against folded text.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct SearchQuery {
  std::vector<std::u16string> terms;  // folded; none is empty
};

// Blanks (full-width ones too) separate words; a double quote (full-width too) opens a
// phrase that runs to the next one, or to the end. Empty words and phrases are dropped.
SearchQuery ParseSearchQuery(std::u16string_view text);

// Characters (code points) of a term: the index looks up terms shorter than three
// characters differently from longer ones.
std::size_t CharacterCount(std::u16string_view term);

struct TextSpan {
  std::size_t start = 0;
  std::size_t length = 0;
};

// True when every term occurs in the folded text.
bool ContainsEveryTerm(std::u16string_view folded, const SearchQuery& query);

// The earliest occurrence of any term in `text` (not folded), as a stretch of `text`: the
// text is folded and the occurrence found there is mapped back.
std::optional<TextSpan> FindFirstHit(std::u16string_view text, const SearchQuery& query);
