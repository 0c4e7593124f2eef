#pragma once
// Which line of the issue list a show request means, from the caret and a direction.
// Pure, so it can be checked both with the list's own counting (a break counts 1 in a
// text widget) and with the byte counting of the program's text (CR LF counts 2).

#include <optional>
#include <vector>

struct LineSpan {
  long long start = 0;   // 0-based position of the line's first character
  long long length = 0;  // without the line break
};

// `lineLengths`: the list's lines, without their breaks (a final break adds no empty line);
// each is followed by a break of `breakLength`. `caret`: the selection start. `direction`:
// -1 the line before the caret line, +1 the line after it, 0 the caret line. 前 on the
// first line and 次 on the last give that line itself; a caret after the last line gives
// the last line. Nothing (nullopt) when there is no line to take.
std::optional<LineSpan> FindTargetLine(const std::vector<long long>& lineLengths, long long breakLength,
                                       long long caret, int direction);
