#pragma once
// The issue list's lines as its text widget counts them, for the line walks of a show
// and of a join.

#include <vector>

class QTextDocument;

// A break in the list widget's text counts one position.
inline constexpr long long kWidgetBreakLength = 1;

// The list's lines as the user sees them, without their breaks: the widget's blocks,
// less the empty block after a final break (a final break adds no line).
std::vector<long long> ListLineLengths(const QTextDocument& document);
