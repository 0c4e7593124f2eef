#pragma once
// Sorting lines as the user's locale orders text, ignoring case: ICU's Japanese
// collator at secondary strength.

#include <functional>
#include <string>

#include "platform/text_lines.h"

// Sorts Shift-JIS lines ascending; lines that compare equal keep their order. With
// `collatedForm`, each line is ordered as the text it gives.
void SortIgnoringCase(StringList& lines,
                      const std::function<std::string(const std::string&)>& collatedForm = {});
