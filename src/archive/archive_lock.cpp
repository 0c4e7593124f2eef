#include "archive/archive_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

ArchiveLock::ArchiveLock(const std::filesystem::path& archiveRoot, std::chrono::milliseconds wait,
                         const char* fileName) {
  const std::filesystem::path file = archiveRoot / fileName;
  // No symbolic link is followed out of the archive, and no pipe planted there blocks the open.
  constexpr int kFlags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
  fd_ = ::open(file.c_str(), O_RDWR | O_CREAT | kFlags, 0644);
  // A read-only archive may still hold the file from an earlier run: a read-only
  // descriptor locks as well.
  if (fd_ < 0) fd_ = ::open(file.c_str(), O_RDONLY | kFlags);
  if (fd_ < 0) return;

  const auto deadline = std::chrono::steady_clock::now() + wait;
  auto pause = std::chrono::milliseconds(1);
  while (true) {
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
      held_ = true;
      return;
    }
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) return;
    if (std::chrono::steady_clock::now() >= deadline) {
      busy_ = true;
      return;
    }
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds(20));
  }
}

ArchiveLock::~ArchiveLock() {
  // Closing the last descriptor releases the lock.
  if (fd_ >= 0) ::close(fd_);
}
