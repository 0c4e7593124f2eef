#pragma once
// Fetching one page: status 200 only, the body read in small chunks under a whole-body
// time limit with window messages processed between them, converted to Shift-JIS, and
// left in PageText / PageTextLower.

#include <memory>
#include <string_view>

#include "platform/shared_state.h"
#include "platform/clock.h"
#include "platform/http.h"

class PageFetcher {
 public:
  static constexpr int kReadLimitMs = 40'000;
  static constexpr std::size_t kReadChunkBytes = 500;
  static constexpr const char* kAgentName = "Yomitor_Get";

  explicit PageFetcher(SharedState& state, Clock clock = SystemClock());

  // mode < 0: close the session, return 0. mode 1: open a new session, then fetch.
  // Other modes fetch with the open session. Returns 0 for an empty address, 1 when the
  // address was opened and its status read (PageText holds the body only for status
  // 200), -1 without a session, -2 when the address cannot be opened or its body breaks
  // off.
  int FetchPage(std::string_view address, int mode);

  bool HasSession() const { return session_ != nullptr; }

  // Gives up the fetch in progress and every later one (they fail with -2): the program
  // is closing.
  void Abandon() { abandoned_ = true; }

 private:
  // Reads the body into PageTextLower; false when the transfer broke off.
  bool ReadBody(HttpRequest& request);
  void ConvertToShiftJis();

  SharedState& state_;
  Clock clock_;
  std::unique_ptr<HttpSession> session_;
  bool abandoned_ = false;
};
