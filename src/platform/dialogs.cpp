#include "platform/dialogs.h"

#include <iostream>

#include "platform/cp932.h"

namespace {

class StandardErrorDialogs final : public Dialogs {
 public:
  void ShowMessage(const std::string& text) override { std::cerr << cp932::ToUtf8(text) << '\n'; }
};

Dialogs*& Installed() {
  static Dialogs* installed = nullptr;
  return installed;
}

}  // namespace

Dialogs& CurrentDialogs() {
  static StandardErrorDialogs fallback;
  return Installed() != nullptr ? *Installed() : fallback;
}

void InstallDialogs(Dialogs* dialogs) { Installed() = dialogs; }
