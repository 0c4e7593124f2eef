#pragma once
// yomitoru --search WORDS [--archive DIR]: the archive's hits without a window, one a line:
// the newsletter's ID, a tab, the issue key in list form, a tab, the excerpt (UTF-8), in
// the search window's order. The index is brought up to date first; without it the issue
// files are read.

#include <filesystem>
#include <iosfwd>
#include <string_view>

// The exit status: 0 with hits, 1 without, 2 on an error (told on `errors`).
int RunCommandLineSearch(std::string_view words, const std::filesystem::path& archiveRoot, std::ostream& out,
                         std::ostream& errors);
