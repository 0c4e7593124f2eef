#pragma once
// The main window as the reading loop sees it: its status line, result text, issue list,
// choices and HTML view.

#include <QTextDocument>
#include <QTimer>
#include <memory>

#include "retrieval/read_surface.h"
#include "viewer/memo_document_builder.h"

class TForm1;

class MainWindowReadSurface final : public ReadSurface {
 public:
  explicit MainWindowReadSurface(TForm1& form) : form_(form) {}

  void ShowStatus(const std::string& text) override;
  void ShowTaskTitle(const std::string& text) override;
  void ShowIdentity(const std::string& serviceLabel, const std::string& title) override;
  void SetResultLines(const StringList& lines) override;
  void AppendResultLines(const StringList& lines) override;
  void InsertResultLineAtStart(const std::string& line) override;
  void ScrollResultToEnd() override;
  void ReportLeftOut(const std::string& line) override;
  void SetIssueListText(const std::string& text) override;
  void OrderIssueList() override;
  int ReadChoice() override;
  int OrderChoice() override;
  std::string RangeKey() override;
  void SetRangeKey(const std::string& text) override;
  void ShowPage(const std::filesystem::path& page) override;
  void SealResultLines() override;
  void CompleteResultLines() override;

  // Memo1 takes the lines of a read itself up to this many; beyond them the whole text is
  // built beside the window and shown when the read ends.
  static constexpr std::size_t kPreviewLines = 1000;

 private:
  // Lines wait here until the event loop next runs, then go to Memo1 in one insertion.
  void FlushPendingLines();
  void Preview(const StringList& lines);

  TForm1& form_;
  StringList pendingLines_;
  bool flushScheduled_ = false;
  StringList allLines_;  // every line, until the builder takes over
  std::unique_ptr<MemoDocumentBuilder> builder_;
  bool scrolledToEnd_ = false;
  QTimer* readyCheck_ = nullptr;  // looks for the sealed document while messages are processed
};
