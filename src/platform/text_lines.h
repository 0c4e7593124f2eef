#pragma once
// Lines of Shift-JIS text: the text form of a string list (CR LF after every line),
// splitting text into lines, and CR LF line breaks.

#include <string>
#include <string_view>
#include <vector>

using StringList = std::vector<std::string>;

// Every line followed by CR LF.
std::string JoinLines(const StringList& lines);

// CR LF between the lines, none after the last: the text that adds exactly these lines to
// a memo.
std::string JoinLinesWithoutLastBreak(const StringList& lines);

// Splits at CR LF, lone CR and lone LF (LF CR is two breaks); a final break adds no
// empty line.
StringList SplitLines(std::string_view text);

// CR LF, lone CR and lone LF all become CR LF.
std::string NormalizeLineBreaks(std::string_view text);
