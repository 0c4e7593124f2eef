#include "viewer/joined_page.h"

#include "archive/issue_naming.h"
#include "archive/work_pages.h"
#include "platform/cp932.h"
#include "platform/text_lines.h"

namespace {

// The key an issue is shown by: 20080102-1234 as 2008/01/02_12:34; 第123号 stays.
std::string DisplayKey(std::string_view baseName) { return IssueListKey(baseName, 0); }

}  // namespace

std::string JoinedIssueBlock(std::string_view fileText) { return NormalizeLineBreaks(fileText) + "\r\n"; }

JoinCaption DescribeJoin(std::string_view firstBaseName, std::string_view lastBaseName) {
  JoinCaption caption;
  const std::string first = DisplayKey(firstBaseName);
  if (lastBaseName == firstBaseName) {
    caption.rangeText = first;
    caption.rangeKey = std::string(firstBaseName);
    caption.status = cp932::FromUtf8("** メルマガ ") + first + " **";
    return caption;
  }
  static const std::string kIssue = cp932::FromUtf8("号");
  // The full-width tilde (CP932 8160), not the wave dash, which the code page lacks.
  static const std::string kTilde = cp932::FromUtf8("\uFF5E");
  const std::string last = DisplayKey(lastBaseName);
  caption.banner = cp932::FromUtf8("*** メルマガの") + first + cp932::FromUtf8("号から") + last +
                   cp932::FromUtf8("号を、結合しました。***");
  caption.rangeText = first + kIssue + kTilde + last + kIssue;
  caption.rangeKey = std::string(firstBaseName) + "_" + std::string(lastBaseName);
  caption.status = cp932::FromUtf8("** 結合完成(") + caption.rangeText + ") **";
  return caption;
}

std::string JoinedPageHead(std::string_view banner) {
  std::string head = std::string(kPlainHead) + "\r\n";
  if (!banner.empty()) head += std::string(banner) + "\r\n";
  return head;
}

std::string JoinedPageTail() { return std::string(kPlainTail) + "\r\n"; }
