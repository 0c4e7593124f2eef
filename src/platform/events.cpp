#include "platform/events.h"

#include <chrono>
#include <thread>

namespace {
std::function<void()>& Pump() {
  static std::function<void()> pump;
  return pump;
}
}  // namespace

void ProcessMessages() {
  if (Pump()) Pump()();
}

void WaitWithMessages(int milliseconds) { WaitWithMessagesUnless(milliseconds, {}); }

bool WaitWithMessagesUnless(int milliseconds, const std::function<bool()>& stop) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (true) {
    ProcessMessages();
    if (stop && stop()) return false;
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return true;
    std::this_thread::sleep_for(
        std::min<std::chrono::steady_clock::duration>(deadline - now, std::chrono::milliseconds(5)));
  }
}

void SetMessagePump(std::function<void()> pump) { Pump() = std::move(pump); }
