#include <gtest/gtest.h>

#include "app/main_window.h"

namespace {

TEST(ArchiveRoot, LogFolderBesideTheProgram) {
  EXPECT_EQ(ArchiveRootFor("/opt/yomitoru"), std::filesystem::path("/opt/yomitoru/log"));
  EXPECT_EQ(ArchiveRootFor("/opt/ヨミトル"), std::filesystem::path("/opt/ヨミトル/log"));
}

TEST(ArchiveRoot, ProgramAtTheRootGivesLogUnderTheRoot) {
  EXPECT_EQ(ArchiveRootFor("/"), std::filesystem::path("/log"));
  EXPECT_EQ(ArchiveRootFor("/opt/yomitoru/"), std::filesystem::path("/opt/yomitoru/log"));
}

}  // namespace
