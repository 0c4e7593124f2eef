#pragma once
// Removing a newsletter from the archive, as the list window's delete does: its line in
// the archive index, then the files of its own folder, and nothing outside that folder.

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

// Removes the key `id` (Shift-JIS) from the archive index; empty error_code on success,
// also when the key, the section or the file is missing.
std::error_code RemoveMagazineIndexLine(const std::filesystem::path& archiveRoot, std::string_view id);

// Deletes what lies directly in `folder` and is the archive's own: regular files and
// symbolic links (removed as links, never followed) whose names do not start with ".",
// and the temporary files of interrupted writes. Sub-folders, hidden files and special
// files stay. The folder itself is removed only when it is empty then; a link standing
// in its place is removed as a link. Failures are not reported.
void DeleteMagazineFolder(const std::filesystem::path& folder);

// The index line of `id`, then, for an ID that is a plain folder name, its folder under
// ArchiveRoot + "/magumagu". An index that cannot be rewritten is reported and nothing
// is deleted. Returns the text shown, empty on success.
std::string DeleteMagazine(const std::filesystem::path& archiveRoot, std::string_view id);
