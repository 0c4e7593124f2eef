#include "archive/search_index_keeper.h"

#include <string>

#include "archive/search_index.h"

SearchIndexKeeper::~SearchIndexKeeper() {
  {
    const std::lock_guard lock(mutex_);
    pending_.reset();
    stop_ = true;
  }
  if (worker_.joinable()) worker_.join();
}

void SearchIndexKeeper::RequestUpdate(const std::filesystem::path& archiveRoot, Need need,
                                      const std::string& newsletter) {
  if (archiveRoot.empty()) return;
  const std::lock_guard lock(mutex_);
  if (stop_) return;
  Request request{archiveRoot, need, newsletter};
  // Two requests for one archive make one: a wish for the index outweighs a note that the
  // archive changed, and changes in two places make a look at the whole.
  if (pending_ && pending_->archiveRoot == archiveRoot) {
    if (pending_->need == Need::kCreate) request.need = Need::kCreate;
    if (pending_->newsletter != newsletter) request.newsletter.clear();
  }
  pending_ = std::move(request);
  if (running_) return;
  running_ = true;
  // The last worker has left its loop (running_ was false): it ends at once.
  if (worker_.joinable()) worker_.join();
  worker_ = std::thread(&SearchIndexKeeper::Run, this);
}

void SearchIndexKeeper::Run() {
  for (;;) {
    Request request;
    {
      const std::lock_guard lock(mutex_);
      if (!pending_ || stop_) {
        running_ = false;
        idle_.notify_all();
        return;
      }
      request = *pending_;
      pending_.reset();
    }
    std::string error;
    const std::unique_ptr<SearchIndex> index =
        SearchIndex::Open(request.archiveRoot, request.need == Need::kCreate, error);
    // Without an index there is nothing to keep, unless one was asked for.
    const bool failed = index ? !index->Update(stop_, request.newsletter) : request.need == Need::kCreate;
    const std::lock_guard lock(mutex_);
    if (index || request.need == Need::kCreate) failed_[request.archiveRoot] = failed;
  }
}

bool SearchIndexKeeper::IsUpdating() const {
  const std::lock_guard lock(mutex_);
  return running_;
}

bool SearchIndexKeeper::Failed(const std::filesystem::path& archiveRoot) const {
  const std::lock_guard lock(mutex_);
  const auto found = failed_.find(archiveRoot);
  return found != failed_.end() && found->second;
}

void SearchIndexKeeper::WaitUntilIdle() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return !running_; });
}
