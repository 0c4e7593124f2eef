#pragma once
// What the notice page says: the page converted from EUC-JP when it declares so, and the
// three tagged fields cut from it.

#include <string>
#include <string_view>

#include "about/version_notice.h"

// The page of this version under `noticeBase`: the base, the version, ".html".
std::string NoticeAddress(std::string_view noticeBase, std::string_view fileVersion);

// Converts NoticeText when its upper-cased form holds "CHARSET=EUC-JP", then sets each
// field whose closing tag lies far enough behind its opening tag (positions 0 when absent):
// NoticeMessage, NoticeNote and NoticeDownloadUrl. Other fields keep their values.
void CutNoticeFields(VersionNotice& notice);
