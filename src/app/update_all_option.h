#pragma once
// yomitoru --update-all [--quit]: 一括読取 of the whole archive as the list window runs it,
// started once the main window is shown. One line a newsletter on standard output (its ID,
// a tab, its title, a tab, its read's final status line; UTF-8), then the summary. With
// --quit the program ends with the run: 0 when every newsletter was read and every queued
// issue stored, 1 otherwise, 2 when the archive has no newsletter, cannot be opened, or
// another refresh of it runs.

#include <QObject>
#include <iosfwd>

#include "app/archive_update.h"

class TForm1;
class TForm4;

class UpdateAllOption final : public QObject {
  Q_OBJECT

 public:
  UpdateAllOption(TForm1& form, TForm4& list, ArchiveUpdate& update, bool quit, std::ostream& out);

  // Opens the list window as 履歴から参照 does and presses 一括読取 in it.
  void Run();

 private:
  // Says why the run cannot start (a message box, or standard error without a window) and
  // ends the program with 2.
  void Refuse(const char* why);

  TForm1& form_;
  TForm4& list_;
  ArchiveUpdate& update_;
  bool quit_;
  std::ostream& out_;
};
