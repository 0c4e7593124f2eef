#pragma once
// The order of search hits: dated issues newest first by their key, then numbered issues by
// number, largest first, then any other stored file.

#include <cstdint>
#include <string_view>

// The rank of an issue's list key (Shift-JIS, as IssueListKey gives it): a higher rank
// comes first. Ranks lie in [0, 2^41).
std::int64_t IssueRank(std::string_view listKey);
