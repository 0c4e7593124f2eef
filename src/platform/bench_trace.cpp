#include "platform/bench_trace.h"

#include <time.h>

#include <cstdio>
#include <cstdlib>

bool BenchTraceEnabled() {
  static const bool enabled = std::getenv("YOMITORU_BENCH_TRACE") != nullptr;
  return enabled;
}

void TraceMoment(std::string_view name, std::string_view detail) {
  if (!BenchTraceEnabled()) return;
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const long long nanoseconds = static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec;
  std::fprintf(stderr, "trace %.*s %lld %.*s\n", static_cast<int>(name.size()), name.data(), nanoseconds,
               static_cast<int>(detail.size()), detail.data());
  std::fflush(stderr);
}
