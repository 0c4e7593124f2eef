#pragma once
// The program's message boxes, questions and save dialog as Qt dialogs over the active
// window; addresses go to the desktop's default browser.

#include "platform/dialogs.h"

class QtDialogs final : public Dialogs {
 public:
  // A modal box with an OK button, titled with the application name.
  void ShowMessage(const std::string& text) override;
  bool Ask(const std::string& text, QuestionButtons buttons) override;
  std::optional<SaveChoice> ChooseSaveFile(const std::string& defaultName,
                                           const std::vector<std::string>& nameFilters,
                                           int filterIndex) override;
  void OpenAddress(const std::string& address) override;
};
