#pragma once
// One read of a newsletter: identification, the walk over its listing pages, the fetch
// and storing of every issue not stored yet, the log update and the result page.

#include <string>
#include <string_view>

#include "platform/shared_state.h"
#include "retrieval/page_fetch.h"
#include "retrieval/read_surface.h"
#include "retrieval/service_table.h"

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

 private:
  void ReadLinksOfPage(const std::string& knownKeys);
  bool IsKnown(const std::string& entry, const std::string& knownKeys) const;
  // Fetches and stores one queued issue; false when the read has to stop.
  bool ReadIssue(const std::string& queueLine, int& storedCount, std::string& lastBaseName);
  void CancelEnd();
  void AppendResult(const StringList& lines);

  SharedState& state_;
  PageFetcher& fetcher_;
  const ServiceTable& services_;
  ReadSurface& surface_;
  StringList resultLines_;  // what Memo1 holds, kept here so it is never read back from the widget
};
