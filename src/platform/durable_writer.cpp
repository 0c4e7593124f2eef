#include "platform/durable_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "platform/fs.h"

DurableWriter::DurableWriter(std::filesystem::path folder)
    : folder_(std::move(folder)), worker_([this] { Work(); }) {}

DurableWriter::~DurableWriter() {
  Finish([] {});
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  worker_.join();
}

void DurableWriter::Submit(std::filesystem::path file, std::string bytes) {
  {
    std::lock_guard lock(mutex_);
    queue_.push_back({std::move(file), std::move(bytes)});
    ++submitted_;
  }
  wake_.notify_one();
}

std::vector<DurableWriter::Result> DurableWriter::TakeResults() {
  std::lock_guard lock(mutex_);
  std::vector<Result> taken;
  taken.swap(results_);
  return taken;
}

bool DurableWriter::Idle() {
  std::lock_guard lock(mutex_);
  return finished_ == submitted_;
}

void DurableWriter::WaitBriefly() {
  std::unique_lock lock(mutex_);
  progressed_.wait_for(lock, std::chrono::milliseconds(5), [this] { return finished_ == submitted_; });
}

void DurableWriter::SyncNames() { SyncFolder(folder_); }

void DurableWriter::Work() {
  std::unique_lock lock(mutex_);
  while (true) {
    wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (queue_.empty()) return;
    // Whatever piled up while the last batch was on its way to the disk is the next batch.
    std::deque<Job> batch;
    batch.swap(queue_);
    lock.unlock();
    std::vector<Result> done = WriteBatch(batch);
    lock.lock();
    finished_ += done.size();
    results_.insert(results_.end(), std::make_move_iterator(done.begin()),
                    std::make_move_iterator(done.end()));
    progressed_.notify_all();
  }
}

std::vector<DurableWriter::Result> DurableWriter::WriteBatch(std::deque<Job>& batch) {
  std::vector<Result> results;
  std::vector<std::filesystem::path> temporaries(batch.size());
  for (std::size_t i = 0; i < batch.size(); ++i) {
    results.push_back({batch[i].file, {}});
    if (failed_) {
      results[i].error = std::make_error_code(std::errc::operation_canceled);
    } else if (!batch[i].file.empty()) {
      results[i].error = WriteTemporaryFor(batch[i].file, batch[i].bytes, false, temporaries[i]);
      failed_ = static_cast<bool>(results[i].error);
    }
  }
  // One sync for the batch: every byte is on the disk before any name is.
  std::error_code synced;
  const bool written =
      std::any_of(temporaries.begin(), temporaries.end(), [](const auto& t) { return !t.empty(); });
  if (written) {
    const int fd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || ::syncfs(fd) != 0) synced = {errno, std::generic_category()};
    if (fd >= 0) ::close(fd);
  }
  for (std::size_t i = 0; i < batch.size(); ++i) {
    if (temporaries[i].empty()) continue;
    if (!failed_ && synced) {
      results[i].error = synced;
      failed_ = true;
    }
    if (failed_ && !results[i].error) results[i].error = std::make_error_code(std::errc::operation_canceled);
    if (results[i].error) {
      ::unlink(temporaries[i].c_str());
      continue;
    }
    results[i].error = RenameIntoPlace(temporaries[i], batch[i].file);
    failed_ = static_cast<bool>(results[i].error);
  }
  return results;
}
