#include "sample_site/newsletter_pages.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "platform/cp932.h"
#include "sample_site/issue_text.h"

namespace sample_site {
namespace {

constexpr int kMaxIssues = 1'000'000;

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian).
long long DaysFromCivil(long long year, int month, int day) {
  year -= month <= 2;
  const long long era = (year >= 0 ? year : year - 399) / 400;
  const long long yearOfEra = year - era * 400;
  const long long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(long long days, long long& year, int& month, int& day) {
  days += 719468;
  const long long era = (days >= 0 ? days : days - 146096) / 146097;
  const long long dayOfEra = days - era * 146097;
  const long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const long long monthIndex = (5 * dayOfYear + 2) / 153;
  day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  year = yearOfEra + era * 400 + (month <= 2);
}

// The newest issue of every newsletter is dated 2026/12/07, between 10:00 and 17:59
// Japanese time.
const long long kNewestMinute = DaysFromCivil(2026, 12, 7) * 1440 + 10 * 60;
constexpr long long kNewestSpread = 8 * 60;

std::string FormatDate(long long localMinute) {
  long long year = 0;
  int month = 0;
  int day = 0;
  const long long days = localMinute >= 0 ? localMinute / 1440 : (localMinute - 1439) / 1440;
  const long long minuteOfDay = localMinute - days * 1440;
  CivilFromDays(days, year, month, day);
  char text[96];  // room for any value, not only the dates the service makes
  std::snprintf(text, sizeof text, "%04lld/%02d/%02d %02lld:%02lld", year, month, day, minuteOfDay / 60,
                minuteOfDay % 60);
  return text;
}

std::string LineEnd(const SampleNewsletter& description) { return description.crlfLineEnds ? "\r\n" : "\n"; }

std::string Charset(PageEncoding encoding) {
  switch (encoding) {
    case PageEncoding::EucJp:
      return "EUC-JP";
    case PageEncoding::Utf8:
      return "UTF-8";
    case PageEncoding::ShiftJis:
      break;
  }
  return "Shift_JIS";
}

std::string LatestDate(const Newsletter& newsletter) {
  if (!newsletter.description.latestDate.empty()) return newsletter.description.latestDate;
  if (newsletter.issues.empty()) return {};
  return newsletter.issues.front().date.substr(0, 10);
}

std::string PageHead(const Newsletter& newsletter, const std::string& lineEnd) {
  const SampleNewsletter& description = newsletter.description;
  return "<html>" + lineEnd + "<head>" + lineEnd +
         "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=" + Charset(description.encoding) +
         "\">" + lineEnd + "<title>まぐまぐ - " + description.title + " -</title>" + lineEnd + "</head>" +
         lineEnd + "<body>" + lineEnd + "<h1>" + description.title + "</h1>" + lineEnd;
}

// The newsletter data: each marker followed by its value and the value's end mark.
std::string DataBlock(const Newsletter& newsletter, const std::string& lineEnd) {
  const SampleNewsletter& description = newsletter.description;
  const auto marker = [&](const std::string& label) {
    return description.upperCaseMarkers ? "<FONT color=\"#666666\"><B>" + label + "</B></FONT>"
                                        : "<font color=\"#666666\"><b>" + label + "</b></font>";
  };
  return "<table class=\"magazine-data\"><tr><td>" + lineEnd + marker("発行周期：") + description.cycle +
         "&nbsp;(予定)<br>" + lineEnd + marker("最新号発行日：") + LatestDate(newsletter) + "&nbsp;<br>" +
         lineEnd + marker("最新号発行部数：") + description.circulation + "部<br>" + lineEnd +
         "</td></tr></table>" + lineEnd;
}

std::string ListingAddress(const Newsletter& newsletter, const std::string& page) {
  return "/m/log/" + newsletter.description.id + "/?page=" + page;
}

std::string PageLinkCell(const Newsletter& newsletter, const std::string& page, const std::string& content) {
  const std::string address = ListingAddress(newsletter, page);
  return "<td><a href=\"" + address + "\" onclick=\"dynamicLink('" + address + "'); return false;\">" +
         content + "</a></td>";
}

// The first cell points at the last page: the reader takes the page count from it.
std::string PaginationTable(const Newsletter& newsletter, const std::string& lineEnd) {
  std::string table = "<table><tr>";
  const std::string& announced = newsletter.description.announcedPageCount;
  table += PageLinkCell(newsletter, announced.empty() ? std::to_string(newsletter.pageCount) : announced,
                        "<img src=\"/img/last.gif\" alt=\"一番後へ\">");
  table += PageLinkCell(newsletter, "1", "<img src=\"/img/first.gif\" alt=\"一番前へ\">");
  for (int page = 1; page <= newsletter.pageCount; ++page) {
    table += PageLinkCell(newsletter, std::to_string(page), std::to_string(page));
  }
  return table + "</tr></table>" + lineEnd;
}

std::string IssueLink(const Newsletter& newsletter, int index, int page) {
  const IssueEntry& issue = newsletter.issues[static_cast<std::size_t>(index)];
  const std::string& id = newsletter.description.id;
  if (newsletter.description.naming == IssueNaming::Numbered) {
    const std::string address = "/m/log/" + id + "/" + issue.pathTail;
    return "<li><a href=\"" + address + "\" onclick=\"dynamicLink('" + address + "'); return false;\">" +
           issue.keyUtf8 + " " + issue.title + "</a></li>";
  }
  const std::string address = ListingAddress(newsletter, std::to_string(page)) + "#" + issue.pathTail;
  return "<li><a href=\"" + address + "\" onclick=\"dynamicLink('" + address + "')\">" + issue.keyUtf8 +
         "</a> " + issue.title + "</li>";
}

// Issue text as blog-entry HTML: headings, rules and line breaks as tags.
std::string BlogHtml(const std::vector<std::string>& lines, const std::string& lineEnd) {
  std::string html;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (i > 0) html += lineEnd;
    if (line.empty()) {
      html += "<br>";
    } else if (line.rfind("━", 0) == 0) {
      html += "<hr>";
    } else if (line.rfind("【", 0) == 0) {
      html += "<h3>" + line + "</h3>";
    } else {
      html += line + "<br>";
    }
  }
  return html;
}

std::string EncodeEucJp(std::string_view utf8) {
  std::string out;
  iconv_t converter = iconv_open("EUC-JP", "UTF-8");
  if (converter == reinterpret_cast<iconv_t>(-1)) return std::string(utf8);
  out.resize(utf8.size() * 2 + 16);
  char* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size();
  char* outPtr = out.data();
  std::size_t outLeft = out.size();
  while (inLeft > 0) {
    if (iconv(converter, &in, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1)) break;
    const bool outputFull = errno == E2BIG;
    if (outputFull || outLeft == 0) {
      const std::size_t used = out.size() - outLeft;
      out.resize(out.size() * 2);
      outPtr = out.data() + used;
      outLeft = out.size() - used;
      if (outputFull) continue;
    }
    // An unmappable or malformed character: a "?" in its place, then the next one.
    *outPtr++ = '?';
    --outLeft;
    std::size_t skip = 1;
    while (skip < inLeft && (static_cast<unsigned char>(in[skip]) & 0xC0) == 0x80) ++skip;
    in += skip;
    inLeft -= skip;
  }
  out.resize(out.size() - outLeft);
  iconv_close(converter);
  return out;
}

// Each newsletter has its own hour, so that path tails differ between newsletters and an
// issue asked for under the wrong ID is not found.
long long NewestMinute(std::uint64_t seed) {
  return kNewestMinute + static_cast<long long>(seed % kNewestSpread);
}

// The send time in seconds, as the real service named its files.
std::string PathTail(long long localMinute, int second) {
  char tail[32];
  std::snprintf(tail, sizeof tail, "%010lld.html", localMinute * 60 + second - 9 * 3600);
  return tail;
}

// Local minutes of a "yyyy/mm/dd hh:mm" date as FormatDate writes it.
long long MinuteOf(const std::string& date) {
  long long year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  std::sscanf(date.c_str(), "%lld/%d/%d %d:%d", &year, &month, &day, &hour, &minute);
  return DaysFromCivil(year, month, day) * 1440 + hour * 60 + minute;
}

}  // namespace

Newsletter WithNewerIssue(Newsletter newsletter) {
  SampleNewsletter& description = newsletter.description;
  if (description.issueCount >= kMaxIssues) return newsletter;
  const long long minute = newsletter.issues.empty() ? NewestMinute(newsletter.seed)
                                                     : MinuteOf(newsletter.issues.front().date) + 7 * 1440;
  ++newsletter.newerIssues;
  ++description.issueCount;
  IssueEntry issue;
  issue.date = FormatDate(minute);
  issue.keyUtf8 = description.naming == IssueNaming::Numbered
                      ? "第" + std::to_string(description.issueCount) + "号"
                      : issue.date;
  issue.pathTail = PathTail(minute, 0);
  issue.title = IssueTitle(newsletter.seed, -newsletter.newerIssues, description.theme);
  newsletter.issues.insert(newsletter.issues.begin(), std::move(issue));
  newsletter.pageCount = ListingPageCount(description);
  // The latest date follows the new issue; the issues answering 404 stay the same ones.
  description.latestDate.clear();
  std::set<int> missing;
  for (const int index : description.missingIssues) missing.insert(index + 1);
  description.missingIssues = std::move(missing);
  newsletter.issueByTail.clear();
  for (std::size_t index = 0; index < newsletter.issues.size(); ++index)
    newsletter.issueByTail.emplace(newsletter.issues[index].pathTail, static_cast<int>(index));
  return newsletter;
}

Newsletter BuildNewsletter(const SampleNewsletter& description) {
  Newsletter newsletter;
  newsletter.description = description;
  newsletter.description.issueCount = std::clamp(description.issueCount, 0, kMaxIssues);
  newsletter.description.issuesPerPage = std::max(1, description.issuesPerPage);
  newsletter.seed = SeedOf(description.id);
  newsletter.pageCount = ListingPageCount(newsletter.description);

  const int count = newsletter.description.issueCount;
  // About a week between issues, closer for very long runs so that the oldest issue
  // stays within the last twenty years (path tails keep their ten digits).
  const long long averageGap = std::min<long long>(6 * 1440, 9'000'000 / std::max(count, 1));
  Random random(newsletter.seed);
  long long minute = NewestMinute(newsletter.seed);
  newsletter.issues.reserve(static_cast<std::size_t>(count));
  for (int index = 0; index < count; ++index) {
    if (index > 0 && averageGap >= 2 * 1440) {
      // Some days earlier, sent in the daytime.
      const int days = static_cast<int>(averageGap / 1440);
      const long long day = minute / 1440 - random.Between(std::max(1, days / 2), days * 3 / 2);
      minute = day * 1440 + random.Between(6 * 60, 22 * 60 + 59);
    } else if (index > 0) {
      minute -=
          std::max<long long>(1, averageGap / 2 + static_cast<long long>(random.Next() % (averageGap + 1)));
    }
    IssueEntry issue;
    issue.date = FormatDate(minute);
    issue.keyUtf8 = description.naming == IssueNaming::Numbered ? "第" + std::to_string(count - index) + "号"
                                                                : issue.date;
    issue.pathTail = PathTail(minute, static_cast<int>(random.Next() % 60));
    issue.title = IssueTitle(newsletter.seed, index, description.theme);
    const auto linkKey = description.linkKeys.find(index);
    if (linkKey != description.linkKeys.end()) issue.keyUtf8 = linkKey->second;
    newsletter.issueByTail.emplace(issue.pathTail, index);
    newsletter.issues.push_back(std::move(issue));
  }
  return newsletter;
}

std::string IssueBodyUtf8(const Newsletter& newsletter, int index) {
  const SampleNewsletter& description = newsletter.description;
  IssueTextRequest request;
  request.newsletterSeed = newsletter.seed;
  request.index = index - newsletter.newerIssues;
  request.theme = description.theme;
  request.newsletterTitle = description.title;
  request.issueLabel = newsletter.issues[static_cast<std::size_t>(index)].keyUtf8;
  request.newsletterId = description.id;
  request.minLines = description.minBodyLines;
  request.maxLines = description.maxBodyLines;
  request.codePage932Extras = description.encoding == PageEncoding::ShiftJis;
  std::vector<std::string> lines = IssueTextLines(request);
  if (newsletter.correctedTails.count(newsletter.issues[static_cast<std::size_t>(index)].pathTail) > 0) {
    for (std::string& line : lines) {
      if (line.rfind("発行：", 0) == 0) line.replace(0, std::string("発行").size(), "発信");
    }
  }
  const std::string lineEnd = LineEnd(description);
  if (description.body == BodyStyle::BlogEntry) return BlogHtml(lines, lineEnd);
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += lineEnd;
    text += lines[i];
  }
  return text;
}

std::string ListingPageUtf8(const Newsletter& newsletter, int page) {
  const SampleNewsletter& description = newsletter.description;
  const std::string lineEnd = LineEnd(description);
  std::string html = PageHead(newsletter, lineEnd);
  if (description.htmlFormat) {
    html +=
        "<p><font color=\"#cc0000\"><font size=\"2\">※</font>このメールマガジンはHTML形式です。"
        "本文は新規ウィンドウで表示されます</font></p>" +
        lineEnd;
  }
  html += DataBlock(newsletter, lineEnd);
  html += PaginationTable(newsletter, lineEnd);
  html += "<ul>" + lineEnd;
  const int first = (std::min(page, newsletter.pageCount) - 1) * description.issuesPerPage;
  const int last = page > newsletter.pageCount && description.pastLastPage == PastLastPage::Empty
                       ? first
                       : std::min(description.issueCount, first + description.issuesPerPage);
  for (int index = first; index < last; ++index) html += IssueLink(newsletter, index, page) + lineEnd;
  html += "</ul>" + lineEnd + "</body>" + lineEnd + "</html>" + lineEnd;
  return html;
}

std::string IssuePageUtf8(const Newsletter& newsletter, int index) {
  const SampleNewsletter& description = newsletter.description;
  const IssueEntry& issue = newsletter.issues[static_cast<std::size_t>(index)];
  const std::string lineEnd = LineEnd(description);
  const std::string backLink = "<a href=\"/m/log/" + description.id + "\">バックナンバー一覧へ</a>";
  std::string html = PageHead(newsletter, lineEnd);
  html += DataBlock(newsletter, lineEnd);
  html += "<h2>" + issue.keyUtf8 + "　" + issue.title + "</h2>" + lineEnd;
  // The reader drops the one character before the end marker: it is this LF.
  if (description.body == BodyStyle::BlogEntry) {
    html += "<div class=\"backnumber-entry\">" + IssueBodyUtf8(newsletter, index) + "\n" +
            "<div class=\"backnumber-entry-footer\">" + issue.date + " | " + backLink + "</div>" + lineEnd +
            "</div>" + lineEnd;
  } else {
    html += "<pre><tt>" + IssueBodyUtf8(newsletter, index) + "\n</tt></pre>" + lineEnd;
  }
  html += "<p>" + backLink + "</p>" + lineEnd + "</body>" + lineEnd + "</html>" + lineEnd;
  return html;
}

std::string EncodeText(std::string_view utf8, PageEncoding encoding) {
  switch (encoding) {
    case PageEncoding::EucJp:
      return EncodeEucJp(utf8);
    case PageEncoding::Utf8:
      return std::string(utf8);
    case PageEncoding::ShiftJis:
      break;
  }
  return cp932::FromUtf8(utf8);
}

}  // namespace sample_site
