#pragma once
// Sorting lines as the user's locale orders text, ignoring case: ICU's Japanese
// collator at secondary strength.

#include "platform/text_lines.h"

// Sorts Shift-JIS lines ascending; lines that compare equal keep their order.
void SortIgnoringCase(StringList& lines);
