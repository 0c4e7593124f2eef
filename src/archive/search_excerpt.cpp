#include "archive/search_excerpt.h"

#include <algorithm>

#include "archive/issue_body_text.h"
#include "platform/sjis.h"

namespace {

// Characters of the line shown before the hit.
constexpr std::size_t kLeadCharacters = 12;

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\u3000'; }

// Byte offset of character `index` (one character per UTF-16 unit of DecodeForSearch).
std::size_t ByteOffset(std::string_view sjisText, std::size_t index, std::size_t fromByte,
                       std::size_t fromIndex) {
  std::size_t byte = fromByte;
  for (std::size_t i = fromIndex; i < index && byte < sjisText.size(); ++i)
    byte += sjis::CharLength(sjisText, byte);
  return byte;
}

std::string ExcerptOfLine(std::string_view line, std::u16string_view text, const TextSpan& hit) {
  std::size_t from = hit.start >= kLeadCharacters ? hit.start - kLeadCharacters : 0;
  while (from < hit.start && IsBlank(text[from])) ++from;
  const std::size_t to = std::min(text.size(), from + kExcerptCharacters);
  const std::size_t fromByte = ByteOffset(line, from, 0, 0);
  std::string excerpt(line.substr(fromByte, ByteOffset(line, to, fromByte, from) - fromByte));
  std::replace(excerpt.begin(), excerpt.end(), '\t', ' ');
  return excerpt;
}

}  // namespace

std::string SearchExcerpt(std::string_view body, const SearchQuery& query) {
  // Line by line: the first line with a hit is the excerpt's, and what follows it is never
  // decoded. CR and LF lie below the trail bytes' range, so a byte search finds only them.
  for (std::size_t lineStart = 0; lineStart < body.size();) {
    const std::size_t lineEnd = std::min(body.find_first_of("\r\n", lineStart), body.size());
    const std::string_view line = body.substr(lineStart, lineEnd - lineStart);
    const std::u16string text = DecodeForSearch(line);
    if (const std::optional<TextSpan> hit = FindFirstHit(text, query)) return ExcerptOfLine(line, text, *hit);
    lineStart = lineEnd + 1;
  }
  return {};
}
