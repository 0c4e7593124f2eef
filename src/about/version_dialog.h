#pragma once
// The version dialog (TForm3) and the version and notice values the main window shows
// through its links. The dialog's content and the notice check come with the version
// feature; for now the hooks are in place and do nothing.

#include <QDialog>
#include <string>

// Values held for the life of the process (Shift-JIS; empty means none).
struct VersionNotice {
  std::string VersionText;
  std::string FileVersionText;
  std::string NoticeText;
  std::string NoticeMessage;
  std::string NoticeNote;
  std::string NoticeDownloadUrl;
};

// Reads the program's version strings into `notice` (called while the main window is
// created).
void ReadVersionInfo(VersionNotice& notice);

// Asks the maker's page for a notice for this version (called when the main window is
// shown). Always returns -1.
int CheckNotice(VersionNotice& notice);

class TForm3 final : public QDialog {
  Q_OBJECT

 public:
  explicit TForm3(QWidget* parent = nullptr);

  // What the dialog shows (Shift-JIS), set before it is shown.
  std::string AboutText;
  std::string AboutLink;
};
