#pragma once
// 保存: the current result written to a file the user chooses in the save dialog, as an
// HTML file (inside the plain wrapper) or as a text file.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text_lines.h"

// The dialog's name filters, UTF-8: index 1 "HTMLファイル(*.htm)", index 2
// "テキストファイル(*.txt)".
inline constexpr int kHtmlFilter = 1;
const std::vector<std::string>& SaveNameFilters();

// Where a chosen path is saved.
struct SavePlan {
  std::filesystem::path folder;  // the chosen path up to its last "/"; "." when it has none
  std::string name;              // Shift-JIS: the rest, full-width signs, extension added
  bool html = false;             // ".htm" was added, so the text goes inside the wrapper
};

// The chosen path split at its last "/" (":" and "\" belong to the name), the name made
// full-width, and a name without "." given ".htm" under the HTML filter, else ".txt".
// Nothing when the path ends without a name.
std::optional<SavePlan> PlanSave(const std::filesystem::path& chosen, int filterIndex);

// The saved file: the lines of the result, each ended by CR LF, inside the plain wrapper
// lines for HTML.
std::string SavedFileBytes(const StringList& resultText, bool html);

// The whole dialogue of 保存: nothing when nothing is shown; the save dialog proposes the
// title followed by the range key; the folder is created when missing; an existing file
// is replaced only after a Yes, and only once the new file is complete, so a failed save
// keeps it. Texts are Shift-JIS.
void SaveShownText(const StringList& resultText, bool nothingShown, std::string_view title,
                   std::string_view rangeKey);
