#include "capture/profile_lock.h"

#include <charconv>
#include <system_error>

#include "platform/fs.h"

std::optional<ProfileLock> ReadProfileLock(const std::filesystem::path& link, char separator) {
  std::error_code error;
  const std::string target = std::filesystem::read_symlink(link, error).string();
  if (error) return std::nullopt;
  const std::size_t split = target.rfind(separator);
  // At most 10 digits: a process ID fits an int.
  if (split == std::string::npos || split + 1 >= target.size() || target.size() - split > 11)
    return std::nullopt;
  pid_t process = 0;
  const char* const end = target.data() + target.size();
  const auto [stop, parsed] = std::from_chars(target.data() + split + 1, end, process);
  if (parsed != std::errc() || stop != end || process <= 0) return std::nullopt;
  return ProfileLock{target.substr(0, split), process};
}

bool LockHeld(const ProfileLock& lock, bool sandboxed) { return sandboxed || ProcessRuns(lock.process); }
