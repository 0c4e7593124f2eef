#pragma once
// The program's message boxes, behind one interface: the application installs the Qt
// implementation, tests install one that records the texts and gives scripted answers.

#include <filesystem>
#include <string>

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // A message box with an OK button; `text` is Shift-JIS.
  virtual void ShowMessage(const std::string& text) = 0;
};

// The dialogs in use. Until something is installed, messages go to standard error.
Dialogs& CurrentDialogs();

// Installs `dialogs` (not owned; it must outlive its use); nullptr restores the default.
void InstallDialogs(Dialogs* dialogs);

// Shows the report of a file or folder that cannot be written, naming it, and returns
// the text shown.
std::string ShowWriteFailure(const std::filesystem::path& file);
