#pragma once
// Where the archive lives: --archive DIR; else YOMITORU_ARCHIVE; else a "log" folder that
// already exists beside the program (a portable copy keeps the layout the archive has
// always had); else $XDG_DATA_HOME/yomitoru/log (~/.local/share/yomitoru/log), made on
// first use. Nothing is ever created beside the program, where an installed program may
// not write.

#include <filesystem>
#include <string>

struct ArchivePlaces {
  std::string environment;              // YOMITORU_ARCHIVE
  std::filesystem::path programFolder;  // the folder of the running program
  std::string dataHome;                 // XDG_DATA_HOME
  std::string home;                     // HOME
};

// Those of this process (the application object must exist).
ArchivePlaces CurrentArchivePlaces();

// `commandLine` (--archive; empty when not given) or the first of the places above.
// Absolute and without a trailing separator.
std::filesystem::path ChooseArchiveRoot(const std::filesystem::path& commandLine,
                                        const ArchivePlaces& places);

// `folder` absolute, ".." and "." taken out, without a trailing separator.
std::filesystem::path AbsoluteFolder(const std::filesystem::path& folder);
