#include "archive/search_query.h"

#include <unicode/utf16.h>

#include <algorithm>

#include "archive/text_normalisation.h"

namespace {

bool IsLineBreak(char16_t c) { return c == u'\r' || c == u'\n' || c == u'\u2028' || c == u'\u2029'; }

// Folded text holds U+3000 as U+0020 already.
bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || IsLineBreak(c); }

// A phrase keeps its blanks, but as spaces: no term holds a line break, so no hit reaches
// over the end of a line.
void AddTerm(SearchQuery& query, std::u16string_view term) {
  if (std::all_of(term.begin(), term.end(), IsBlank)) return;
  std::u16string& added = query.terms.emplace_back(term);
  std::replace_if(added.begin(), added.end(), IsLineBreak, u' ');
}

// The earliest of the terms in folded text; the longer of two that start at one place.
std::optional<TextSpan> EarliestTerm(std::u16string_view folded, const SearchQuery& query) {
  std::optional<TextSpan> first;
  for (const std::u16string& term : query.terms) {
    const std::size_t at = folded.find(term);
    if (at == std::u16string_view::npos) continue;
    if (first && (at > first->start || (at == first->start && term.size() <= first->length))) continue;
    first = TextSpan{at, term.size()};
  }
  return first;
}

std::optional<TextSpan> FirstHitInLine(std::u16string_view line, const SearchQuery& query) {
  // Most lines are folded already, and their hits need no mapping back.
  if (IsFolded(line)) return EarliestTerm(line, query);
  const FoldedText folded = FoldWithSources(line);
  const std::optional<TextSpan> first = EarliestTerm(folded.text, query);
  if (!first) return std::nullopt;
  const std::size_t start = folded.sourceStart[first->start];
  return TextSpan{start, folded.sourceEnd[first->start + first->length - 1] - start};
}

}  // namespace

SearchQuery ParseSearchQuery(std::u16string_view text) {
  const std::u16string folded = FoldForSearch(text);
  const std::u16string_view rest(folded);
  SearchQuery query;
  std::size_t at = 0;
  while (at < rest.size()) {
    if (rest[at] == u'"') {
      const std::size_t close = rest.find(u'"', at + 1);
      const std::size_t end = close == std::u16string_view::npos ? rest.size() : close;
      AddTerm(query, rest.substr(at + 1, end - at - 1));
      at = end + 1;
    } else if (IsBlank(rest[at])) {
      ++at;
    } else {
      std::size_t end = at;
      while (end < rest.size() && !IsBlank(rest[end]) && rest[end] != u'"') ++end;
      AddTerm(query, rest.substr(at, end - at));
      at = end;
    }
  }
  return query;
}

std::size_t CharacterCount(std::u16string_view term) {
  std::size_t count = 0;
  for (std::size_t at = 0; at < term.size(); ++count) U16_FWD_1(term.data(), at, term.size());
  return count;
}

bool ContainsEveryTerm(std::u16string_view folded, const SearchQuery& query) {
  for (const std::u16string& term : query.terms) {
    if (folded.find(term) == std::u16string_view::npos) return false;
  }
  return !query.terms.empty();
}

std::optional<TextSpan> FindFirstHit(std::u16string_view text, const SearchQuery& query) {
  // The first line that holds a hit holds the earliest one.
  for (std::size_t lineStart = 0; lineStart <= text.size();) {
    std::size_t lineEnd = lineStart;
    while (lineEnd < text.size() && !IsLineBreak(text[lineEnd])) ++lineEnd;
    if (const std::optional<TextSpan> hit =
            FirstHitInLine(text.substr(lineStart, lineEnd - lineStart), query))
      return TextSpan{lineStart + hit->start, hit->length};
    lineStart = lineEnd + 1;
  }
  return std::nullopt;
}
