#pragma once
// The program's message boxes as Qt dialogs, over the active window.

#include "platform/dialogs.h"

class QtDialogs final : public Dialogs {
 public:
  // A modal box with an OK button, titled with the application name.
  void ShowMessage(const std::string& text) override;
};
