#include "viewer/whole_lines.h"

std::optional<LineRange> WidenToWholeLines(const std::vector<long long>& lineLengths, long long breakLength,
                                           long long selectionStart, long long selectionEnd) {
  std::optional<long long> start;
  long long lineStart = 0;
  for (const long long length : lineLengths) {
    const long long afterBreak = lineStart + length + breakLength;
    if (!start && afterBreak > selectionStart) start = lineStart;
    if (afterBreak >= selectionEnd) {
      if (!start) return std::nullopt;
      return LineRange{*start, afterBreak};
    }
    lineStart = afterBreak;
  }
  return std::nullopt;
}
