#include "app/archive_root.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;

TEST(ArchiveRoot, CommandLineThenEnvironmentThenAnExistingLogBesideTheProgramThenTheDataHome) {
  TempFolder temp;
  const fs::path portable = temp.path() / "portable";  // a copy with its archive beside it
  const fs::path installed = temp.path() / "bin";      // no archive beside it
  fs::create_directories(portable / "log");
  fs::create_directories(installed);
  const struct {
    const char* name;
    fs::path commandLine;
    ArchivePlaces places;
    fs::path expected;
  } rows[] = {
      {"--archive first", "/tmp/a/../b/", {"/env", portable, "/data", "/home/u"}, "/tmp/b"},
      {"then YOMITORU_ARCHIVE", "", {"/env/archive/", portable, "/data", "/home/u"}, "/env/archive"},
      {"then log beside the program", "", {"", portable, "/data", "/home/u"}, portable / "log"},
      {"then XDG_DATA_HOME", "", {"", installed, "/data", "/home/u"}, "/data/yomitoru/log"},
      {"else ~/.local/share", "", {"", installed, "", "/home/u"}, "/home/u/.local/share/yomitoru/log"},
      {"a relative XDG_DATA_HOME is ignored",
       "",
       {"", installed, "data", "/home/u"},
       "/home/u/.local/share/yomitoru/log"},
      {"a program at the root",
       "",
       {"", "/", "/data", "/home/u"},
       fs::exists("/log") ? "/log" : "/data/yomitoru/log"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(ChooseArchiveRoot(row.commandLine, row.places), row.expected) << row.name;
  // Choosing creates nothing, beside the program or anywhere else.
  EXPECT_FALSE(fs::exists(installed / "log"));
  EXPECT_FALSE(fs::exists(temp.path() / "data"));
  // A relative --archive or YOMITORU_ARCHIVE is taken from the current folder.
  EXPECT_EQ(ChooseArchiveRoot("rel", {}), fs::current_path() / "rel");
  EXPECT_EQ(ChooseArchiveRoot("", {"./rel/x/..", installed, "", "/h"}), fs::current_path() / "rel");
}

}  // namespace
