#pragma once
// A selection in the issue list widened to whole lines, for a join. Pure, counted as the
// target line of a show is: a break counts 1 in the list widget, CR LF 2 in the
// program's text.

#include <optional>
#include <vector>

struct LineRange {
  long long start = 0;  // 0-based start of the first line
  long long end = 0;    // just after the last line's break
};

// `lineLengths` and `breakLength` as for FindTargetLine; the selection runs from
// `selectionStart` to `selectionEnd`. The first line whose break ends after the start
// opens the range, the first whose break ends at or after the end closes it, so a
// selection that ends exactly where a line starts leaves that line out. Nothing when the
// selection lies beyond the last line.
std::optional<LineRange> WidenToWholeLines(const std::vector<long long>& lineLengths, long long breakLength,
                                           long long selectionStart, long long selectionEnd);
