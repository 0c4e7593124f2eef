#pragma once
// The forms of an issue's name: issue key ("yyyy/mm/dd hh:mm" or with "第"), file name,
// list key, list line ("*" + list key + "*" or "*new*"), plain key and base name. A file
// stored under one rule must be found again under the other, so the steps and their order
// are fixed.

#include <string>
#include <string_view>

#include "platform/text_lines.h"

// Mode 0: file name of an issue key. Mode 1: file name of a list line. Any other mode:
// base name (no extension) of an issue key or a list line.
std::string IssueFileName(std::string_view name, int mode);

// True for a number key (第N号): any name that contains "第".
bool IsNumberKey(std::string_view name);

// Mode 0: list key of a file name (with or without ".txt"). Any other mode: plain key of a
// list line.
std::string IssueListKey(std::string_view name, int mode);

// The form a list line or queue line is ordered by: the run of ASCII digits right after
// each "第" left-padded with zeros to 10 digits, so that 第9号 comes before 第10号.
std::string IssueOrderForm(std::string_view line);

// Sorts list lines or queue lines ascending, as the text of IssueOrderForm, case ignored.
void SortIssueLines(StringList& lines);
