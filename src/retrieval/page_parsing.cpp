#include "retrieval/page_parsing.h"

#include <utility>

#include "platform/cp932.h"
#include "platform/sjis.h"
#include "platform/text_lines.h"

namespace {

// The link text follows the quote that closes the target and the ">" of the tag.
constexpr std::string_view kLinkTextMarker = "\">";
constexpr long long kKeyLength = 100;

using Pos = long long;

const std::string& Dai() {
  static const std::string text = cp932::FromUtf8("第");
  return text;
}

const std::string& Gou() {
  static const std::string text = cp932::FromUtf8("号");
  return text;
}

Pos FindPos(std::string_view text, std::string_view needle) {
  return static_cast<Pos>(sjis::Find(text, needle));
}

// The link text after the marker, or empty when there is no marker.
std::string LinkText(std::string_view snippet) {
  const Pos p = FindPos(snippet, kLinkTextMarker);
  if (p == 0) return {};
  return sjis::Cut(snippet, p + 2, kKeyLength);
}

// From the last "第" to the last "号" of the trimmed text, both included, when that "号"
// stands after that "第"; empty otherwise. Reversing the text turns "last" into "first".
std::string NumberStretch(std::string_view key) {
  const std::string reversed = sjis::ReverseCharacters(sjis::Trim(key));
  const Pos a = FindPos(reversed, Gou());
  const Pos b = FindPos(reversed, Dai());
  const std::string piece = sjis::Cut(reversed, a, b + 2 - a);
  return sjis::ReverseCharacters(piece);
}

}  // namespace

std::string ParseAnchorLink(std::string_view snippet) {
  std::string key = LinkText(snippet);
  const Pos h = FindPos(snippet, "#");
  const Pos c = FindPos(snippet, "')");
  if (h > 0 && h < c) {
    key += ',';
    key += sjis::Cut(snippet, h + 1, c - h - 1);
  }
  return key.empty() ? std::string(snippet) : key;
}

std::string ParseIssueLink(std::string_view snippet) {
  std::string key = LinkText(snippet);
  if (sjis::Contains(key, Gou()) && sjis::Contains(key, Dai())) {
    std::string stretch = NumberStretch(key);
    if (!stretch.empty()) key = std::move(stretch);
  }
  const Pos m = FindPos(snippet, "/m/log/");
  Pos e = FindPos(snippet, ".html');");
  if (e == 0) e = FindPos(snippet, ".html?");
  if (m > 0 && e > 0 && m < e) {
    // The path starts after "/m/log/", an ID taken to be 10 bytes long, and "/".
    key += ',';
    key += sjis::Cut(snippet, m + 18, e - m - 13);
  }
  return key.empty() ? std::string(snippet) : key;
}

std::string ExtractIssueBody(std::string_view page) {
  Pos f = FindPos(page, "<div class=\"backnumber-entry\">");
  Pos e = 0;
  if (f > 0) {
    // A blog entry; its footer ends it, and the plain form is not tried.
    e = FindPos(page, "<div class=\"backnumber-entry-footer\">");
  } else {
    f = FindPos(page, "<pre><tt>");
    e = FindPos(page, "</tt></pre>");
  }
  if (f <= 0 || f >= e) return {};
  // The byte just before the end marker is dropped with it.
  return NormalizeLineBreaks(sjis::Cut(page, f, e - f - 1));
}

StringList TakeIssueLinks(std::string& pageText) {
  StringList entries;
  // Each marker read is deleted and the search starts again from the start of the page.
  // Nothing before the deleted marker can match any more, except a match that runs across
  // the place it left: the search resumes at the last boundary before such a start.
  const std::size_t markerSize = kListingLinkMarker.size();
  std::size_t resume = 0;
  while (true) {
    const std::size_t at = sjis::FindFrom(pageText, kListingLinkMarker, resume);
    if (at == std::string::npos) break;
    std::string link = sjis::Cut(pageText, static_cast<long long>(at) + 23, 500);
    pageText.erase(at, markerSize);
    const std::size_t earliestStart = at >= markerSize - 1 ? at - (markerSize - 1) : 0;
    for (std::size_t next = resume; next <= earliestStart && next < pageText.size();
         next += sjis::CharLength(pageText, next))
      resume = next;
    if (const std::size_t end = sjis::Find(link, "</a>"))
      link = sjis::Left(link, static_cast<long long>(end) - 1);
    std::string entry;
    if (sjis::Contains(link, "page=") && sjis::Contains(link, "#")) {
      entry = ParseAnchorLink(link);
    } else if (sjis::Contains(link, "return false;") && sjis::Contains(link, ".html")) {
      entry = ParseIssueLink(link);
    }
    if (!entry.empty()) entries.push_back(std::move(entry));
  }
  return entries;
}
