#pragma once
// What the reading loop shows and reads in the main window: the status line, the
// result text, the issue list and the choices. The window implements it; all texts are
// Shift-JIS.

#include <filesystem>
#include <string>

#include "platform/text_lines.h"

class ReadSurface {
 public:
  virtual ~ReadSurface() = default;

  virtual void ShowStatus(const std::string& text) = 0;     // Label1
  virtual void ShowTaskTitle(const std::string& text) = 0;  // the title the task bar shows
  virtual void ShowIdentity(const std::string& serviceLabel, const std::string& title) = 0;  // Panel3, Panel1

  // Memo1: replaced whole, lines added at its end, or one line put before its first.
  virtual void SetResultLines(const StringList& lines) = 0;
  virtual void AppendResultLines(const StringList& lines) = 0;
  virtual void InsertResultLineAtStart(const std::string& line) = 0;
  virtual void ScrollResultToEnd() = 0;
  // No line follows (but the one put before the first): Memo1 may take the whole result in
  // while messages are processed.
  virtual void SealResultLines() = 0;
  // Every line given is in Memo1 once this returns (called when the read ends).
  virtual void CompleteResultLines() = 0;

  // A line the result shows in place of an issue that was not stored, as it is added.
  virtual void ReportLeftOut(const std::string& line) = 0;

  // Memo3's refill in the chosen order.
  virtual void SetIssueListText(const std::string& text) = 0;
  virtual void OrderIssueList() = 0;

  virtual int ReadChoice() = 0;   // RadioG2: 0 未読取分, 1 すべて
  virtual int OrderChoice() = 0;  // RadioG1: 0 新着順, 1 発行順

  virtual std::string RangeKey() = 0;  // Edit6
  virtual void SetRangeKey(const std::string& text) = 0;

  // Loads the page into the HTML view and makes the view visible.
  virtual void ShowPage(const std::filesystem::path& page) = 0;
};
