#pragma once
// Keeps the search index of an archive up to date on a worker thread with its own
// connection, so the window never waits for the indexing. One update runs at a time; a
// request that comes meanwhile runs once the current one ends.

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

class SearchIndexKeeper {
 public:
  // kCreate: the search is wanted (its window, the command line); kIfPresent: the archive
  // changed (a read, a deletion, an opening), and an archive never searched gets no index.
  enum class Need { kIfPresent, kCreate };

  SearchIndexKeeper() = default;
  // Stops a running update at its next file and waits for it.
  ~SearchIndexKeeper();
  SearchIndexKeeper(const SearchIndexKeeper&) = delete;
  SearchIndexKeeper& operator=(const SearchIndexKeeper&) = delete;

  // `newsletter`: the ID (Shift-JIS) of the one newsletter whose files changed, and the
  // archive index; the files of the others are not looked at. Empty: the whole archive.
  void RequestUpdate(const std::filesystem::path& archiveRoot, Need need, const std::string& newsletter = {});
  // An update is running or waiting.
  bool IsUpdating() const;
  // The last update of `archiveRoot` could not open or write its index.
  bool Failed(const std::filesystem::path& archiveRoot) const;
  // Returns once no update runs or waits.
  void WaitUntilIdle();

 private:
  struct Request {
    std::filesystem::path archiveRoot;
    Need need = Need::kIfPresent;
    std::string newsletter;
  };
  void Run();

  mutable std::mutex mutex_;
  std::condition_variable idle_;
  std::optional<Request> pending_;
  bool running_ = false;
  std::map<std::filesystem::path, bool> failed_;
  std::atomic<bool> stop_{false};
  std::thread worker_;
};
