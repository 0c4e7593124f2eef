#include "about/notice_fields.h"

#include "platform/page_encoding.h"
#include "platform/sjis.h"

namespace {

struct NoticeField {
  std::string VersionNotice::*field;
  const char* opening;
  const char* closing;
  long long guard;   // the field is taken only when closing - opening exceeds this
  long long offset;  // where it starts, counted from the opening tag
};

constexpr NoticeField kFields[] = {
    {&VersionNotice::NoticeMessage, "<msg>", "</msg>", 5, 5},
    {&VersionNotice::NoticeNote, "<note>", "</note>", 6, 6},
    {&VersionNotice::NoticeDownloadUrl, "<d_url>", "</d_url>", 6, 7},
};

}  // namespace

std::string NoticeAddress(std::string_view noticeBase, std::string_view fileVersion) {
  return std::string(noticeBase) + std::string(fileVersion) + ".html";
}

void CutNoticeFields(VersionNotice& notice) {
  std::string& text = notice.NoticeText;
  if (text.empty()) return;
  if (DeclaresCharset(PageHead(text), "EUC-JP")) text = EucJpToShiftJis(text);
  for (const NoticeField& field : kFields) {
    const auto start = static_cast<long long>(sjis::Find(text, field.opening));
    const auto end = static_cast<long long>(sjis::Find(text, field.closing));
    if (end - start > field.guard)
      notice.*field.field = sjis::Cut(text, start + field.offset, end - start - field.offset);
  }
}
