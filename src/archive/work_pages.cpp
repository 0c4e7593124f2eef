#include "archive/work_pages.h"

#include "platform/sjis.h"
#include "platform/text_lines.h"

std::string WrapIssuePage(std::string_view issueText, std::string_view serviceRoot) {
  const std::string text = NormalizeLineBreaks(issueText);
  std::string page;
  std::string_view tail;
  if (sjis::Contains(text, kEntryMarker)) {
    page = "<HTML><HEAD><link rel=\"stylesheet\" type=\"text/css\" href=\"" + std::string(serviceRoot) +
           "/css/default.css\">\r\n<script type=\"text/javascript\" src=\"" + std::string(serviceRoot) +
           "/javascript/mag2blog.js\"></script>\r\n</HEAD><BODY>\r\n";
    tail = "</BODY></HTML>";
  } else {
    page = std::string(kPlainHead) + "\r\n";
    tail = kPlainTail;
  }
  page += text;
  const bool endsWithBreak = text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0;
  if (text.empty() || endsWithBreak) {
    page += std::string(tail) + "\r\n";
  } else {
    page += "\r\n" + std::string(tail);
  }
  return page;
}

std::string NextWorkPageName(int& workPageIndex) {
  switch (workPageIndex) {
    case 0:
      workPageIndex = 1;
      return "work0.htm";
    case 1:
      workPageIndex = 2;
      return "work1.htm";
    default:
      workPageIndex = 0;
      return "work2.htm";
  }
}
