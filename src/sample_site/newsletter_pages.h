#pragma once
// A newsletter's issue list and the pages made from it: listing pages and issue
// pages, generated as UTF-8 HTML and then put into the newsletter's encoding.

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "sample_site/sample_site.h"

namespace sample_site {

struct IssueEntry {
  std::string date;      // "yyyy/mm/dd hh:mm"
  std::string keyUtf8;   // the date, or "第N号"
  std::string pathTail;  // "{10 digits}.html"
  std::string title;     // UTF-8
};

struct Newsletter {
  SampleNewsletter description;
  std::uint64_t seed = 0;
  int pageCount = 1;
  std::vector<IssueEntry> issues;  // newest first
  std::unordered_map<std::string, int> issueByTail;
  // Issues published after the build, at the front of `issues`; an issue's text is drawn
  // from its place counted from the first built issue, so it never changes.
  int newerIssues = 0;
  std::set<std::string> correctedTails;  // issues whose text the publisher has corrected
};

Newsletter BuildNewsletter(const SampleNewsletter& description);

// The newsletter with one more issue, a week after its newest (for a newsletter without
// issues, at the time its first issue would have had).
Newsletter WithNewerIssue(Newsletter newsletter);

// The issue text as it stands between the page's markers (UTF-8); see IssueInfo.
std::string IssueBodyUtf8(const Newsletter& newsletter, int index);

// Listing page `page` (1..pageCount) and the page of issue `index` (0 = newest), UTF-8.
std::string ListingPageUtf8(const Newsletter& newsletter, int page);
std::string IssuePageUtf8(const Newsletter& newsletter, int index);

// UTF-8 text in the given encoding. Characters the encoding lacks become "?".
std::string EncodeText(std::string_view utf8, PageEncoding encoding);

}  // namespace sample_site
