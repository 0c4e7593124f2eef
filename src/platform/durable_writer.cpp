#include "platform/durable_writer.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <optional>

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

void DurableWriter::Submit(std::filesystem::path file, std::string bytes, ReplaceCheck mayReplace) {
  {
    std::lock_guard lock(mutex_);
    queue_.push_back({std::move(file), std::move(bytes), std::move(mayReplace)});
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

bool DurableWriter::NeedsWriting(const Job& job, Result& result) {
  if (job.file.empty()) return false;
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(job.file, error);
  result.notAFile = std::filesystem::exists(status) && !std::filesystem::is_regular_file(status);
  if (result.notAFile) return false;
  if (!job.mayReplace) return true;
  const std::optional<std::string> stored = ReadWholeFile(job.file);
  if (!stored) return true;
  if (*stored == job.bytes) return false;
  result.kept = !job.mayReplace(*stored, job.bytes);
  return !result.kept;
}

std::vector<DurableWriter::Result> DurableWriter::WriteBatch(std::deque<Job>& batch) {
  std::vector<Result> results;
  std::vector<std::filesystem::path> temporaries(batch.size());
  // The first failure of the batch (or of an earlier one) ends it: what comes after it is
  // given up, what came before it goes on.
  std::size_t failedAt = failed_ ? 0 : batch.size();
  const auto fail = [&](std::size_t at, std::error_code error) {
    results[at].error = error;
    failedAt = std::min(failedAt, at);
  };
  for (std::size_t i = 0; i < batch.size(); ++i) {
    results.push_back({batch[i].file, {}});
    if (i < failedAt && NeedsWriting(batch[i], results[i])) {
      if (std::error_code error = WriteTemporaryFor(batch[i].file, batch[i].bytes, false, temporaries[i]))
        fail(i, error);
    }
  }
  // Every byte of the batch is on the disk before any of its names is: one sync of the file
  // system costs far less than one per file, and the writing of each file started when it
  // was written.
  const auto firstWritten =
      std::find_if(temporaries.begin(), temporaries.begin() + static_cast<std::ptrdiff_t>(failedAt),
                   [](const auto& temporary) { return !temporary.empty(); });
  if (firstWritten != temporaries.begin() + static_cast<std::ptrdiff_t>(failedAt)) {
    if (std::error_code error = SyncFileSystemOf(folder_))
      fail(static_cast<std::size_t>(firstWritten - temporaries.begin()), error);
  }
  for (std::size_t i = 0; i < batch.size(); ++i) {
    if (i < failedAt && !temporaries[i].empty()) {
      if (std::error_code error = RenameIntoPlace(temporaries[i], batch[i].file)) fail(i, error);
      continue;
    }
    if (!temporaries[i].empty()) ::unlink(temporaries[i].c_str());
    if (i > failedAt || (i == failedAt && !results[i].error))
      results[i].error = std::make_error_code(std::errc::operation_canceled);
  }
  failed_ = failedAt < batch.size() || failed_;
  return results;
}
