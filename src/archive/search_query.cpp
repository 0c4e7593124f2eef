#include "archive/search_query.h"

#include <unicode/utf16.h>

#include "archive/text_normalisation.h"

namespace {

// Folded text holds U+3000 as U+0020 already.
bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

void AddTerm(SearchQuery& query, std::u16string_view term) {
  for (const char16_t c : term) {
    if (!IsBlank(c)) {
      query.terms.emplace_back(term);
      return;
    }
  }
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
  const FoldedText folded = FoldWithSources(text);
  std::optional<TextSpan> first;
  for (const std::u16string& term : query.terms) {
    const std::size_t at = std::u16string_view(folded.text).find(term);
    if (at == std::u16string_view::npos) continue;
    // The longer of two terms that start at one place is the hit.
    if (first && (at > first->start || (at == first->start && term.size() <= first->length))) continue;
    first = TextSpan{at, term.size()};
  }
  if (!first) return std::nullopt;
  const std::size_t start = folded.sourceStart[first->start];
  return TextSpan{start, folded.sourceEnd[first->start + first->length - 1] - start};
}
