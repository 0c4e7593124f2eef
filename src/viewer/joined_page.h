#pragma once
// The page of joined issues: the plain head line, a banner naming the first and the last
// issue when there are two or more, each issue's text, and the plain tail line; every
// line ends in CR LF. Pure Shift-JIS text.

#include <string>
#include <string_view>

// One issue's part of the page: its file's text with CR LF breaks, then CR LF, so a text
// that ends in a break is followed by an empty line.
std::string JoinedIssueBlock(std::string_view fileText);

// What names a join, from the base names of the first and the last issue joined.
struct JoinCaption {
  std::string banner;     // empty when first and last are the same
  std::string rangeText;  // display keys: "2008/01/10_08:00号～2008/01/02_12:34号"
  std::string rangeKey;   // Edit6: first, or first + "_" + last
  std::string status;     // the status line once the page is shown
};
JoinCaption DescribeJoin(std::string_view firstBaseName, std::string_view lastBaseName);

// The lines before the issues (head line and banner) and the line after them.
std::string JoinedPageHead(std::string_view banner);
std::string JoinedPageTail();
