#pragma once
// Many files written into one folder without holding up the caller: a worker thread writes
// each to a temporary file, waits until the whole batch is on the disk (one sync of the
// file system for the batch), and only then
// renames the batch into place. A file under its final name is therefore always complete,
// even after a power cut, and the caller never waits for the disk until it asks to.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

class DurableWriter {
 public:
  explicit DurableWriter(std::filesystem::path folder);
  // Waits for what was submitted (see Finish).
  ~DurableWriter();
  DurableWriter(const DurableWriter&) = delete;
  DurableWriter& operator=(const DurableWriter&) = delete;

  // Whether `bytes` may replace the different file `stored`; asked on the worker thread.
  using ReplaceCheck = std::function<bool(const std::string& stored, const std::string& bytes)>;

  // Queues `bytes` for `file` (in the writer's folder). An empty `file` writes nothing and
  // only keeps its place in the order of results; nor does a name that something other than
  // a regular file has taken (it is never opened). With `mayReplace`, a file already stored
  // is looked at first: the same bytes are not written again, and different ones only when
  // the check allows it. (The look is the worker's: on the caller's thread it would wait
  // for the folder while the worker creates and renames in it.)
  void Submit(std::filesystem::path file, std::string bytes, ReplaceCheck mayReplace = {});

  struct Result {
    std::filesystem::path file;
    std::error_code error;  // after the first failure, every later submission fails too
    bool kept = false;      // the stored file stayed, as the check decided; not an error
    bool notAFile = false;  // a folder, pipe or device has the name: passed over, not an error
  };
  // Results not taken yet, in the order of submission; a result means the file stands
  // complete and durable under its name (or failed).
  std::vector<Result> TakeResults();

  // Waits until every submission has its result, running `whileWaiting` every few
  // milliseconds, then makes the names durable.
  template <typename Callback>
  void Finish(Callback whileWaiting) {
    while (!Idle()) {
      whileWaiting();
      WaitBriefly();
    }
    SyncNames();
  }

  bool Idle();

 private:
  struct Job {
    std::filesystem::path file;
    std::string bytes;
    ReplaceCheck mayReplace;
  };
  // What the job leaves to write: false when its file is to stay as it is (`result` says why).
  static bool NeedsWriting(const Job& job, Result& result);
  void Work();
  void WaitBriefly();
  void SyncNames();
  std::vector<Result> WriteBatch(std::deque<Job>& batch);

  std::filesystem::path folder_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable progressed_;
  std::deque<Job> queue_;
  std::vector<Result> results_;
  std::size_t submitted_ = 0;
  std::size_t finished_ = 0;
  bool failed_ = false;  // touched by the worker only
  bool stopping_ = false;
  std::thread worker_;
};
