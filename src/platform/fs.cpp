#include "platform/fs.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <limits>

#include "platform/cp932.h"
#include "platform/sjis.h"

namespace fs = std::filesystem;

namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

constexpr fs::perms kAnyWrite = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;

// Refuses what the user cannot write, and what nobody may write at all: a process running
// as root would otherwise write into folders and files the user has marked read-only.
std::error_code CheckWritable(const fs::path& path, const fs::file_status& status) {
  if ((status.permissions() & kAnyWrite) == fs::perms::none) {
    return std::make_error_code(std::errc::permission_denied);
  }
  if (::access(path.c_str(), W_OK) != 0) return LastError();
  return {};
}

constexpr std::string_view kTemporaryMark = ".tmp-";

fs::path FolderOf(const fs::path& file) {
  fs::path folder = file.parent_path();
  return folder.empty() ? fs::path(".") : folder;
}

bool EndsWithTxt(const std::string& name) {
  if (name.size() < 4) return false;
  const std::string_view tail = std::string_view(name).substr(name.size() - 4);
  std::string lower(tail);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return lower == ".txt";
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

// "." + name + ".tmp-" + process ID + "-" + counter, beside the file it becomes.
fs::path TemporaryName(const fs::path& file, unsigned counter) {
  return FolderOf(file) / ("." + file.filename().native() + std::string(kTemporaryMark) +
                           std::to_string(::getpid()) + "-" + std::to_string(counter));
}

// The process ID in a temporary name of ours, or 0 for any other name.
pid_t TemporaryNameProcess(const std::string& name) {
  if (name.size() < 2 || name[0] != '.') return 0;
  const std::size_t mark = name.rfind(kTemporaryMark);
  if (mark == std::string::npos || mark < 2) return 0;
  const std::string_view numbers = std::string_view(name).substr(mark + kTemporaryMark.size());
  const std::size_t dash = numbers.find('-');
  if (dash == std::string_view::npos || dash == 0 || dash + 1 == numbers.size()) return 0;
  const auto digits = [](std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (!digits(numbers.substr(0, dash)) || !digits(numbers.substr(dash + 1))) return 0;
  pid_t process = 0;
  const auto [end, error] = std::from_chars(numbers.data(), numbers.data() + dash, process);
  return error == std::errc() && end == numbers.data() + dash ? process : 0;
}

}  // namespace

// Signal 0 only asks whether the process exists; EPERM means it does, under another user.
bool ProcessRuns(pid_t process) { return ::kill(process, 0) == 0 || errno == EPERM; }

NameLimit::NameLimit(const fs::path& folder) {
  const long limit = ::pathconf(folder.c_str(), _PC_NAME_MAX);
  limit_ = static_cast<std::size_t>(limit > 0 ? limit : NAME_MAX);
}

bool NameLimit::Fits(std::string_view sjisName) const {
  // The longest temporary name: the largest process ID and counter there can be.
  const std::size_t temporaryExtra = 1 + kTemporaryMark.size() + 10 + 1 + 10;
  const std::size_t nameBytes = fs::path(cp932::ToUtf8(sjisName)).native().size();
  return nameBytes + temporaryExtra <= limit_;
}

void RemoveStaleTemporaryFiles(const fs::path& folder) {
  std::error_code error;
  for (fs::directory_iterator it(folder, error); !error && it != fs::directory_iterator();
       it.increment(error)) {
    const pid_t process = TemporaryNameProcess(it->path().filename().native());
    std::error_code statusError;
    if (process <= 0 || ProcessRuns(process) || !fs::is_regular_file(it->symlink_status(statusError)))
      continue;
    ::unlink(it->path().c_str());
  }
}

// A folder that cannot be synced is not an error: the files in it are complete anyway.
void SyncFolder(const fs::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

fs::path JoinSjis(const fs::path& folder, std::string_view sjisName) {
  return folder / fs::path(cp932::ToUtf8(sjisName));
}

std::string NativeNameToSjis(const fs::path& name) { return cp932::FromUtf8(name.native()); }

bool IsFolder(const fs::path& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

bool IsRegularFile(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

bool CreateFolders(const fs::path& path) {
  if (path.empty()) return false;
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (fs::is_directory(status)) return true;
  if (fs::exists(status)) return false;
  // The nearest existing ancestor decides whether anything may be created below it.
  fs::path existing = path.parent_path();
  while (!existing.empty() && !fs::exists(existing, error)) {
    const fs::path parent = existing.parent_path();
    if (parent == existing) break;
    existing = parent;
  }
  if (existing.empty()) existing = ".";
  const fs::file_status ancestor = fs::status(existing, error);
  if (!fs::is_directory(ancestor) || CheckWritable(existing, ancestor)) return false;
  fs::create_directories(path, error);
  return fs::is_directory(path, error);
}

std::vector<TextFile> ScanTextFilesWithTimes(const fs::path& folder) {
  std::vector<TextFile> files;
  std::error_code error;
  fs::directory_iterator it(folder, error);
  for (; !error && it != fs::directory_iterator(); it.increment(error)) {
    const std::string name = it->path().filename().native();
    if (name.empty() || name[0] == '.' || !EndsWithTxt(name)) continue;
    // stat follows symlinks: a link to a folder is skipped, a link to a file is listed.
    struct stat info {};
    if (::stat(it->path().c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    const std::int64_t modified = std::int64_t{info.st_mtim.tv_sec} * 1'000'000'000 + info.st_mtim.tv_nsec;
    files.push_back({NativeNameToSjis(name), static_cast<std::int64_t>(info.st_size), modified});
  }
  std::sort(files.begin(), files.end(), [](const TextFile& a, const TextFile& b) { return a.name < b.name; });
  return files;
}

StringList ScanTextFiles(const fs::path& folder) {
  StringList names;
  for (TextFile& file : ScanTextFilesWithTimes(folder)) names.push_back(std::move(file.name));
  return names;
}

StringList ScanFolders(const fs::path& folder) {
  StringList names;
  std::error_code error;
  for (fs::directory_iterator it(folder, error); !error && it != fs::directory_iterator();
       it.increment(error)) {
    const std::string name = it->path().filename().native();
    std::error_code statusError;
    if (name.empty() || name[0] == '.' || !it->is_directory(statusError)) continue;
    std::string sjisName = NativeNameToSjis(name);
    if (cp932::ToUtf8(sjisName) == name) names.push_back(std::move(sjisName));
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool ReadWholeFileInto(const fs::path& file, std::string& bytes) {
  return ReadRegularFileInto(file, bytes, std::numeric_limits<std::size_t>::max()) == FileRead::kRead;
}

FileRead ReadRegularFileInto(const fs::path& file, std::string& bytes, std::size_t maxBytes) {
  bytes.clear();
  // A pipe or a device under a file's name could block the open or the read for ever, or
  // never end: the name is looked at first, and the file opened without waiting.
  struct stat info {};
  if (::stat(file.c_str(), &info) != 0) return FileRead::kUnreadable;
  if (!S_ISREG(info.st_mode)) return FileRead::kNotAFile;
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return FileRead::kUnreadable;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return FileRead::kNotAFile;
  }
  if (static_cast<std::uintmax_t>(info.st_size) > maxBytes) {
    ::close(fd);
    return FileRead::kTooLarge;
  }
  // The size is a hint only: the file may grow or shrink while it is read.
  std::size_t used = 0;
  bytes.resize(static_cast<std::size_t>(info.st_size) + 1);
  while (true) {
    if (used == bytes.size()) bytes.resize(bytes.size() * 2);
    const ssize_t got = ::read(fd, bytes.data() + used, bytes.size() - used);
    if (got < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      bytes.clear();
      return FileRead::kUnreadable;
    }
    if (got == 0) break;
    used += static_cast<std::size_t>(got);
    if (used > maxBytes) {
      ::close(fd);
      bytes.clear();
      return FileRead::kTooLarge;
    }
  }
  ::close(fd);
  bytes.resize(used);
  return FileRead::kRead;
}

std::optional<std::string> ReadWholeFile(const fs::path& file) {
  std::string bytes;
  if (!ReadWholeFileInto(file, bytes)) return std::nullopt;
  return bytes;
}

std::error_code CheckReplaceable(const fs::path& file) {
  if (file.filename().empty()) return std::make_error_code(std::errc::invalid_argument);
  std::error_code error;
  const fs::path folder = FolderOf(file);
  const fs::file_status folderStatus = fs::status(folder, error);
  if (error) return error;
  if (!fs::is_directory(folderStatus)) return std::make_error_code(std::errc::not_a_directory);
  if (std::error_code refused = CheckWritable(folder, folderStatus)) return refused;
  const fs::file_status fileStatus = fs::status(file, error);
  if (!fs::exists(fileStatus)) return {};
  if (fs::is_directory(fileStatus)) return std::make_error_code(std::errc::is_a_directory);
  return CheckWritable(file, fileStatus);
}

std::error_code WriteTemporaryFor(const fs::path& file, std::string_view bytes, bool syncData,
                                  fs::path& temporary) {
  if (std::error_code refused = CheckReplaceable(file)) return refused;

  // The old file's permissions carry over to its replacement.
  struct stat old {};
  const bool hadFile = ::stat(file.c_str(), &old) == 0;

  static std::atomic<unsigned> counter{0};
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = TemporaryName(file, counter++);
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return LastError();
  }
  if (fd < 0) return std::make_error_code(std::errc::file_exists);

  std::error_code error;
  if (hadFile && ::fchmod(fd, old.st_mode & 07777) != 0) error = LastError();
  if (!error && !WriteAll(fd, bytes)) error = LastError();
  if (!error && syncData && ::fsync(fd) != 0) error = LastError();
  // Unsynced bytes start on their way to the disk now, so a later sync finds them there.
  if (!error && !syncData) ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
  if (::close(fd) != 0 && !error) error = LastError();
  if (error) ::unlink(temporary.c_str());
  return error;
}

namespace {
std::function<std::error_code(DurabilityStep, const fs::path&)>& DurabilityHook() {
  static std::function<std::error_code(DurabilityStep, const fs::path&)> hook;
  return hook;
}
}  // namespace

void SetDurabilityStepHook(std::function<std::error_code(DurabilityStep, const fs::path&)> hook) {
  DurabilityHook() = std::move(hook);
}

std::error_code SyncFileSystemOf(const fs::path& folder) {
  if (DurabilityHook()) {
    if (std::error_code refused = DurabilityHook()(DurabilityStep::kSync, folder)) return refused;
  }
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return LastError();
  std::error_code error;
  if (::syncfs(fd) != 0) error = LastError();
  ::close(fd);
  return error;
}

std::error_code RenameIntoPlace(const fs::path& temporary, const fs::path& file) {
  std::error_code error;
  if (DurabilityHook()) error = DurabilityHook()(DurabilityStep::kRename, file);
  if (!error) {
    if (::rename(temporary.c_str(), file.c_str()) == 0) return {};
    error = LastError();
  }
  ::unlink(temporary.c_str());
  return error;
}

std::error_code WriteFileAtomically(const fs::path& file, std::string_view bytes, Durability durability) {
  fs::path temporary;
  if (std::error_code error = WriteTemporaryFor(file, bytes, durability != Durability::kNone, temporary))
    return error;
  if (std::error_code error = RenameIntoPlace(temporary, file)) return error;
  if (durability == Durability::kFileAndFolder) SyncFolder(FolderOf(file));
  return {};
}

bool IsTemporaryFileName(std::string_view nativeName) {
  return TemporaryNameProcess(std::string(nativeName)) > 0;
}

bool IsPlainName(std::string_view sjisName) {
  if (sjisName.empty() || sjisName == "." || sjisName == "..") return false;
  for (std::size_t i = 0; i < sjisName.size();) {
    const auto byte = static_cast<unsigned char>(sjisName[i]);
    const std::size_t length = sjis::CharLength(sjisName, i);
    // A "\" may be the trail byte of a character; "/" and control bytes never are, and a
    // broken pair must not smuggle them into the native name either.
    for (std::size_t k = i; k < i + length; ++k) {
      const auto b = static_cast<unsigned char>(sjisName[k]);
      if (b < 0x20 || b == 0x7F || b == '/') return false;
    }
    if (length == 1 && byte == '\\') return false;
    i += length;
  }
  return true;
}
