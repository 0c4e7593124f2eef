#pragma once
// The program's message boxes, questions, save dialog and hand-offs to the desktop, behind
// one interface: the application installs the Qt implementation, tests install one that
// records the texts and gives scripted answers.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The buttons of a question; Yes is the default button of both.
enum class QuestionButtons { kYesCancel, kYesNo };

// What the user chose in the save dialog.
struct SaveChoice {
  std::filesystem::path file;  // native path as confirmed
  int filterIndex = 1;         // 1-based index of the chosen name filter
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // A message box with an OK button; `text` is Shift-JIS.
  virtual void ShowMessage(const std::string& text) = 0;
  // A question with a question icon; true when the answer is Yes. `text` is Shift-JIS.
  virtual bool Ask(const std::string& text, QuestionButtons buttons) = 0;
  // The save dialog: `defaultName` (Shift-JIS) proposed, `nameFilters` (UTF-8, such as
  // "HTMLファイル(*.htm)") offered with the 1-based `filterIndex` chosen. Nothing when
  // the user cancels.
  virtual std::optional<SaveChoice> ChooseSaveFile(const std::string& defaultName,
                                                   const std::vector<std::string>& nameFilters,
                                                   int filterIndex) = 0;
  // Hands an address (Shift-JIS) to the desktop's default program for it, as a shell
  // "open" would.
  virtual void OpenAddress(const std::string& address) = 0;
};

// The dialogs in use. Until something is installed, messages go to standard error, every
// question is answered No, the save dialog is cancelled and nothing is opened.
Dialogs& CurrentDialogs();

// Installs `dialogs` (not owned; it must outlive its use); nullptr restores the default.
void InstallDialogs(Dialogs* dialogs);
// What is installed now; nullptr for the default.
Dialogs* InstalledDialogs();

// Shows the report of a file or folder that cannot be written, naming it, and returns
// the text shown.
std::string ShowWriteFailure(const std::filesystem::path& file);
// The same for a file that cannot be read.
std::string ShowReadFailure(const std::filesystem::path& file);
