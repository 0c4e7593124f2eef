#include "platform/dialogs.h"

#include <iostream>

#include "platform/cp932.h"
#include "platform/fs.h"

namespace {

class StandardErrorDialogs final : public Dialogs {
 public:
  void ShowMessage(const std::string& text) override { std::cerr << cp932::ToUtf8(text) << '\n'; }
  // Nobody can answer: the question is printed and answered No, the safe answer.
  bool Ask(const std::string& text, QuestionButtons) override {
    ShowMessage(text);
    return false;
  }
  std::optional<SaveChoice> ChooseSaveFile(const std::string&, const std::vector<std::string>&,
                                           int) override {
    return std::nullopt;
  }
  void OpenAddress(const std::string&) override {}
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

Dialogs* InstalledDialogs() { return Installed(); }

std::string ShowWriteFailure(const std::filesystem::path& file) {
  const std::string message = cp932::FromUtf8("ファイルに書き込めません。\r\n") + NativeNameToSjis(file);
  CurrentDialogs().ShowMessage(message);
  return message;
}

std::string ShowReadFailure(const std::filesystem::path& file) {
  const std::string message = cp932::FromUtf8("ファイルを読み込めません。\r\n") + NativeNameToSjis(file);
  CurrentDialogs().ShowMessage(message);
  return message;
}
