#pragma once
// Cutting listing links into queue lines ("key,path tail") and issue pages into issue text.
// Pure functions on Shift-JIS bytes; positions are 1-based bytes and every search starts
// on a character boundary.

#include <string>
#include <string_view>

#include "platform/text_lines.h"

// What opens every link of a listing page.
inline constexpr std::string_view kListingLinkMarker = "onclick=\"dynamicLink(";

// The queue lines of every issue link of a listing page, in page order: each link's marker
// is read and deleted from `pageText` in turn, up to 500 bytes after it (to "</a>") go to
// ParseAnchorLink or ParseIssueLink by their form, and links of neither form (such as those
// to other listing pages) give nothing.
StringList TakeIssueLinks(std::string& pageText);

// The queue line of a link whose target holds "page=" and "#": the link text (at most 100
// bytes) and, when a "#" stands before "')", "," and what lies between them. The whole
// snippet when neither gives anything.
std::string ParseAnchorLink(std::string_view snippet);

// The queue line of a link that holds "return false;" and ".html": the link text, narrowed
// to "第...号" when it holds one, and "," with the path after "/m/log/" + ID + "/" up to and
// including ".html". The whole snippet when neither gives anything.
std::string ParseIssueLink(std::string_view snippet);

// The issue text of an issue page, from the opening marker up to two bytes before the end
// marker, with CR LF line breaks; empty when the markers are missing or out of order.
std::string ExtractIssueBody(std::string_view page);
