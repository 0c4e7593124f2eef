#pragma once
// For the benchmarks: with YOMITORU_BENCH_TRACE set, moments of the program go to standard
// error as "trace <name> <CLOCK_MONOTONIC nanoseconds> [detail]", so that a benchmark can
// set them against its own clock (the moment it started the program or sent a signal).

#include <string_view>

bool BenchTraceEnabled();
void TraceMoment(std::string_view name, std::string_view detail = {});
