#include "viewer/target_line.h"

#include <cstddef>

std::optional<LineSpan> FindTargetLine(const std::vector<long long>& lineLengths, long long breakLength,
                                       long long caret, int direction) {
  // The line before the current one; an empty line counts too, so its content end is its
  // start (only the very first line can end at 0).
  LineSpan previous;
  long long start = 0;
  for (std::size_t i = 0; i < lineLengths.size(); ++i) {
    const long long length = lineLengths[i];
    const long long afterBreak = start + length + breakLength;
    if (length > 0 && afterBreak > caret) {
      if (direction < 0 && previous.start + previous.length > 0) return previous;
      if (direction > 0 && i + 1 < lineLengths.size()) return LineSpan{afterBreak, lineLengths[i + 1]};
      return LineSpan{start, length};
    }
    previous = LineSpan{start, length};
    start = afterBreak;
  }
  if (previous.start + previous.length > 0) return previous;
  return std::nullopt;
}
