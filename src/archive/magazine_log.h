#pragma once
// The archive's log files: the newsletter's folder and "log.ini", its line in the
// archive index "log_all.ini", and the list of its stored issues.

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/shared_state.h"

// The archive's name of the Mag2 service: its folder under ArchiveRoot, the section of the
// archive index and the value of Type1.
inline constexpr std::string_view kServiceFolderName = "magumagu";

// ArchiveRoot + "/magumagu/" + ID.
std::filesystem::path NewsletterFolder(const std::filesystem::path& archiveRoot, std::string_view id);

// ArchiveRoot + "/log_all.ini", and a newsletter folder + "/log.ini".
std::filesystem::path ArchiveIndexFile(const std::filesystem::path& archiveRoot);
std::filesystem::path MagazineLogFile(const std::filesystem::path& magazineFolder);

// Brings the archive up to date for state.MagazineId and rebuilds StoredIssueList from
// the newsletter's folder. knownList: the issue list as the user saw it before a read
// ("" when no read happened); readOnly: opening from the archive, nothing is written but
// the index line. Returns the error text: empty on success and on the quiet stops, else
// the message that was shown.
std::string UpdateMagazineLog(SharedState& state, std::string_view knownList, bool readOnly,
                              const Clock& clock = SystemClock());

// "=" becomes "＝", then "," becomes "、".
std::string SanitizeLogValue(std::string_view text);
