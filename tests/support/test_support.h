#pragma once
// Helpers shared by the tests.

#include <sys/types.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dialogs.h"

// Shift-JIS bytes of a UTF-8 literal, so tests can be written in readable Japanese.
std::string Sj(std::string_view utf8);

// Hex dump ("82 A0 41") of bytes, for readable failure messages.
std::string Hex(std::string_view bytes);

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// `size` bytes of noise, the same for the same seed.
std::string RandomBytes(std::size_t size, unsigned seed);

std::string ReadFileBytes(const std::filesystem::path& file);
void WriteFileBytes(const std::filesystem::path& file, std::string_view bytes);

// The ID of a child process that has ended: it names no running process any more.
pid_t EndedProcessId();

// Records every message box, question, save dialog and opened address (texts as UTF-8)
// while it is installed, and gives the scripted answers.
class RecordingDialogs final : public Dialogs {
 public:
  RecordingDialogs();
  ~RecordingDialogs() override;
  RecordingDialogs(const RecordingDialogs&) = delete;
  RecordingDialogs& operator=(const RecordingDialogs&) = delete;

  void ShowMessage(const std::string& text) override;
  bool Ask(const std::string& text, QuestionButtons buttons) override;
  std::optional<SaveChoice> ChooseSaveFile(const std::string& defaultName,
                                           const std::vector<std::string>& nameFilters,
                                           int filterIndex) override;
  void OpenAddress(const std::string& address) override;

  std::vector<std::string> messages;             // UTF-8
  std::vector<std::string> questions;            // UTF-8
  std::vector<QuestionButtons> questionButtons;  // the buttons of each question
  std::deque<bool> answers;                      // next answers; No once used up

  struct SaveRequest {
    std::string defaultName;  // UTF-8
    std::vector<std::string> nameFilters;
    int filterIndex = 0;
  };
  std::vector<SaveRequest> saveRequests;
  // The next file "typed" into the save dialog, and the filter then chosen (0 keeps the
  // proposed one); cancelled when no file is given.
  std::optional<std::filesystem::path> nextFileName;
  int nextFilter = 0;

  std::vector<std::string> openedAddresses;  // UTF-8
  std::function<void()> whileOpening;        // runs as an address is handed over
};
