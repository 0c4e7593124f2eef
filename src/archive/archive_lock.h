#pragma once
// The archive's advisory locks: whoever rewrites the archive's log files from what it read
// holds the archive lock, so two processes ending a read at once cannot drop each other's
// index line; a refresh of the whole archive holds the update lock for all its run.

#include <chrono>
#include <filesystem>

class ArchiveLock {
 public:
  // The hidden lock file in the archive root (never in a newsletter's folder).
  static constexpr const char* kFileName = ".yomitoru.lock";
  static constexpr const char* kUpdateFileName = ".yomitoru-update.lock";
  // Long enough for any other process's log update; a holder that keeps it longer (a
  // message box left open) is not waited for without end.
  static constexpr std::chrono::milliseconds kDefaultWait{5000};

  // Takes the lock (flock on the lock file, created when missing), waiting at most `wait`.
  // A lock that cannot be had (a read-only archive, a holder that does not let go) is not
  // held, and the caller goes on without it.
  explicit ArchiveLock(const std::filesystem::path& archiveRoot,
                       std::chrono::milliseconds wait = kDefaultWait, const char* fileName = kFileName);
  ~ArchiveLock();
  ArchiveLock(const ArchiveLock&) = delete;
  ArchiveLock& operator=(const ArchiveLock&) = delete;

  bool Held() const { return held_; }
  // Not held because another holder had it for the whole wait.
  bool Busy() const { return busy_; }

 private:
  int fd_ = -1;
  bool held_ = false;
  bool busy_ = false;
};
