#include "support/test_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/cp932.h"

std::string Sj(std::string_view utf8) { return cp932::FromUtf8(utf8); }

std::string Hex(std::string_view bytes) {
  std::string out;
  char buffer[4];
  for (const char c : bytes) {
    std::snprintf(buffer, sizeof buffer, "%02X", static_cast<unsigned char>(c));
    if (!out.empty()) out += ' ';
    out += buffer;
  }
  return out;
}

TempFolder::TempFolder() {
  static std::atomic<int> counter{0};
  std::random_device random;
  path_ =
      std::filesystem::temp_directory_path() / ("yomitoru-test-" + std::to_string(getpid()) + "-" +
                                                std::to_string(counter++) + "-" + std::to_string(random()));
  std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code error;
  // Tests make folders read-only on purpose; give them back before removing.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, error);
       !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, error);
  }
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                               error);
  std::filesystem::remove_all(path_, error);
}

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

std::string ReadFileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

pid_t EndedProcessId() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  return child;
}

void WriteFileBytes(const std::filesystem::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

RecordingDialogs::RecordingDialogs() { InstallDialogs(this); }
RecordingDialogs::~RecordingDialogs() { InstallDialogs(nullptr); }

void RecordingDialogs::ShowMessage(const std::string& text) { messages.push_back(cp932::ToUtf8(text)); }

bool RecordingDialogs::Ask(const std::string& text, QuestionButtons buttons) {
  questions.push_back(cp932::ToUtf8(text));
  questionButtons.push_back(buttons);
  if (answers.empty()) return false;
  const bool answer = answers.front();
  answers.pop_front();
  return answer;
}

std::optional<SaveChoice> RecordingDialogs::ChooseSaveFile(const std::string& defaultName,
                                                           const std::vector<std::string>& nameFilters,
                                                           int filterIndex) {
  saveRequests.push_back({cp932::ToUtf8(defaultName), nameFilters, filterIndex});
  if (!nextFileName) return std::nullopt;
  SaveChoice choice{*nextFileName, nextFilter != 0 ? nextFilter : filterIndex};
  nextFileName.reset();
  nextFilter = 0;
  return choice;
}

void RecordingDialogs::OpenAddress(const std::string& address) {
  openedAddresses.push_back(cp932::ToUtf8(address));
  if (whileOpening) whileOpening();
}
