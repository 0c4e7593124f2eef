#pragma once
// The version strings and the maker's notice, held for the life of the process.

#include <string>

// Shift-JIS; empty means none.
struct VersionNotice {
  std::string VersionText;        // "key=value" CR LF per version key found
  std::string FileVersionText;    // the value of FileVersion
  std::string NoticeText;         // the whole notice page
  std::string NoticeMessage;      // between <msg> and </msg>
  std::string NoticeNote;         // between <note> and </note>
  std::string NoticeDownloadUrl;  // between <d_url> and </d_url>
};
