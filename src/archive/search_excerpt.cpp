#include "archive/search_excerpt.h"

#include <algorithm>

#include "archive/issue_body_text.h"
#include "platform/sjis.h"

namespace {

// Characters of the line shown before the hit.
constexpr std::size_t kLeadCharacters = 12;

bool IsBreak(char16_t c) { return c == u'\r' || c == u'\n'; }
bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\u3000'; }

// Byte offset of character `index` (one character per UTF-16 unit of DecodeForSearch).
std::size_t ByteOffset(std::string_view sjisText, std::size_t index, std::size_t fromByte,
                       std::size_t fromIndex) {
  std::size_t byte = fromByte;
  for (std::size_t i = fromIndex; i < index && byte < sjisText.size(); ++i)
    byte += sjis::CharLength(sjisText, byte);
  return byte;
}

}  // namespace

std::string SearchExcerpt(std::string_view body, const SearchQuery& query) {
  const std::u16string text = DecodeForSearch(body);
  const std::optional<TextSpan> hit = FindFirstHit(text, query);
  if (!hit) return {};
  std::size_t lineStart = hit->start;
  while (lineStart > 0 && !IsBreak(text[lineStart - 1])) --lineStart;
  std::size_t lineEnd = hit->start;
  while (lineEnd < text.size() && !IsBreak(text[lineEnd])) ++lineEnd;

  std::size_t from = std::max(lineStart, hit->start >= kLeadCharacters ? hit->start - kLeadCharacters : 0);
  while (from < hit->start && IsBlank(text[from])) ++from;
  const std::size_t to = std::min(lineEnd, from + kExcerptCharacters);

  const std::size_t fromByte = ByteOffset(body, from, 0, 0);
  const std::size_t toByte = ByteOffset(body, to, fromByte, from);
  std::string excerpt(body.substr(fromByte, toByte - fromByte));
  std::replace(excerpt.begin(), excerpt.end(), '\t', ' ');
  return excerpt;
}
