#pragma once
// One read of a newsletter: identification, the walk over its listing pages, the fetch
// and storing of every issue not stored yet, the log update and the result page.

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/durable_writer.h"
#include "platform/fs.h"
#include "platform/shared_state.h"
#include "retrieval/page_fetch.h"
#include "retrieval/read_surface.h"
#include "retrieval/service_table.h"

// How the last read ended, for a caller that reports it (a scripted read's exit status).
enum class ReadEnd {
  kNone,        // no read has run
  kComplete,    // every queued issue is stored
  kIncomplete,  // the read ran to its end, but some queued issue was not stored
  kCancelled,
  kFailed,   // an error end: the top page, a listing page, a write or the log
  kNotRead,  // the address names no newsletter that can be read
};

class RetrievalDriver {
 public:
  RetrievalDriver(SharedState& state, PageFetcher& fetcher, const ServiceTable& services,
                  ReadSurface& surface);

  // From the emptying of the state to the HTML view of the result.
  void RunRetrieval(std::string_view address);

  // The reading loop for a Mag2 newsletter whose top page the identification fetched.
  void ReadBackNumbers();

  // The page count that listing page 1 announces; 1 when it cannot be read.
  static int ListingPageCount(const SharedState& state);

  ReadEnd LastEnd() const { return end_; }
  // Of the last read: the issues stored, and the issues it named as not stored (left out,
  // a name taken by a folder, pipe or device, a name too long).
  int StoredCount() const { return storedCount_; }
  int LeftOutCount() const { return leftOutCount_; }

 private:
  // An issue on its way to the disk, with what it shows once its file stands.
  struct StoredIssue {
    StringList lines;
    std::string baseName;  // empty for a note that stores nothing
    std::string key;       // the issue's key as the listing gave it
  };

  bool IsKnown(const std::string& entry, const std::string& knownKeys) const;
  // What a queue line asks for: the issue's address when it is to be fetched.
  struct IssuePlan {
    std::string key;
    std::string fileName;
    std::string address;        // empty: passed over
    bool nameTooLong = false;   // passed over because its file name cannot be made
    bool nameUnusable = false;  // passed over because its key gives no plain file name
  };
  IssuePlan PlanIssue(const std::string& queueLine) const;
  // Fetches one planned issue (sending for the next one meanwhile) and hands it to the
  // writer, or the line that says why it was left out; false when it was passed over.
  bool ReadIssue(const IssuePlan& plan, const IssuePlan& next);
  // Queues `content` for `file` (an empty `file` writes nothing) and the issue's lines.
  void Store(StoredIssue issue, std::filesystem::path file, std::string content,
             DurableWriter::ReplaceCheck mayReplace = {});
  // Queues the line that stands in the result in place of an issue that was not stored.
  void StoreNote(std::string line);
  void StoreLeftOut(const std::string& key, std::string_view reasonUtf8);
  // Shows the issues whose files stand by now (all of them, waiting for the disk, with
  // `waitForAll`) and notes those passed over; false once a write has failed, which it
  // reports.
  bool ShowStoredIssues(bool waitForAll);
  void ErrorEnd();
  // The status line of a cancelled read, which is returned.
  std::string ShowCancelStatus();
  void CancelEnd();
  void AppendResult(const StringList& lines);

  SharedState& state_;
  PageFetcher& fetcher_;
  const ServiceTable& services_;
  ReadSurface& surface_;
  StringList resultLines_;  // what Memo1 holds, kept here so it is never read back from the widget
  ReadEnd end_ = ReadEnd::kNone;
  bool writeFailureShown_ = false;      // one message box per read
  std::optional<NameLimit> nameLimit_;  // of the newsletter's folder, once it exists for this read
  bool skipped_ = false;                // a queued issue of this read was not stored
  bool serverGone_ = false;             // the service could no longer be reached: nothing more is asked
  DurableWriter* writer_ = nullptr;     // the issue phase's writer
  std::deque<StoredIssue> awaiting_;    // in the writer's order
  int storedCount_ = 0;
  int leftOutCount_ = 0;
  std::string lastBaseName_;
};
