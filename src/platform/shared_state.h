#pragma once
// The one record through which identification, retrieval, archive and viewer hand
// their results to one another. All strings are Shift-JIS bytes; empty means none.

#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/text_lines.h"

struct SharedState {
  // The last page fetched, converted to Shift-JIS.
  std::string PageText;
  // Receive buffer of the fetch; after an identification, the lower-cased PageText.
  std::string PageTextLower;

  // What the last identification found.
  std::string ServiceKind;  // "a" Mag2, "b" melma, empty: none
  std::int32_t HtmlFormatFlag = 0;
  std::string MagazineTitle;
  std::string ServiceLogBase;
  std::string ServiceRoot;
  std::string MagazineId;
  std::string IssueCycle;
  std::string LatestIssueDate;
  std::string LatestCirculation;
  std::string ServiceLabel;  // shown in Panel3
  std::string TitleText;     // shown in Panel1

  // Native folders: the archive, and the current newsletter's folder within it.
  std::filesystem::path ArchiveRoot;
  std::filesystem::path MagazineFolder;

  // Anything but 0 asks the running read to stop.
  std::int32_t CancelRequested = 0;

  StringList IssueQueue;       // queue lines of the running read
  StringList ResultText;       // the current result
  StringList StoredIssueList;  // "*" + list key + "*" or "*new*", sorted
};
