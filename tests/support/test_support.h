#pragma once
// Helpers shared by the tests.

#include <deque>
#include <filesystem>
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

std::string ReadFileBytes(const std::filesystem::path& file);
void WriteFileBytes(const std::filesystem::path& file, std::string_view bytes);

// Records every message box (as UTF-8) while it is installed.
class RecordingDialogs final : public Dialogs {
 public:
  RecordingDialogs();
  ~RecordingDialogs() override;
  RecordingDialogs(const RecordingDialogs&) = delete;
  RecordingDialogs& operator=(const RecordingDialogs&) = delete;

  void ShowMessage(const std::string& text) override;

  std::vector<std::string> messages;  // UTF-8
};
