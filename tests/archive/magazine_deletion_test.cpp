#include "archive/magazine_deletion.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>

#include "archive/magazine_log.h"
#include "platform/ini.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;

class MagazineDeletionTest : public ::testing::Test {
 protected:
  MagazineDeletionTest() {
    fs::create_directories(outside);
    WriteFileBytes(outside / "target.txt", "keep");
    for (const char* id : {"0000000001", "0000000002"}) Store(id);
  }
  void Store(const std::string& id) {
    fs::create_directories(Folder(id));
    for (const char* name : {"log.ini", "20261207-1000.txt", "work.htm"})
      WriteFileBytes(Folder(id) / name, "x");
    ASSERT_FALSE(WriteIniValue(ArchiveIndexFile(root), "magumagu", id, "t,2026/12/07 10:00:00,c,d,1,2"));
  }
  fs::path Folder(const std::string& id) const { return root / "magumagu" / id; }
  std::string IndexValue(const std::string& id) const {
    return ReadIniValue(ArchiveIndexFile(root), "magumagu", id);
  }
  void ExpectNeighbourAndOutsideKept() const {
    EXPECT_FALSE(IndexValue("0000000002").empty());
    EXPECT_EQ(ReadFileBytes(Folder("0000000002") / "20261207-1000.txt"), "x");
    EXPECT_EQ(ReadFileBytes(outside / "target.txt"), "keep");
  }

  TempFolder temp;
  RecordingDialogs dialogs;
  fs::path root = temp.path() / "log";
  fs::path outside = temp.path() / "outside";
};

TEST_F(MagazineDeletionTest, OnlyTheFolderOwnFilesGo) {
  const fs::path folder = Folder("0000000001");
  const struct {
    const char* what;
    std::function<void()> add;
    std::vector<std::string> left;  // what stays in the folder; empty: the folder is gone
  } cases[] = {
      {"plain files", [] {}, {}},
      {"a hidden file", [&] { WriteFileBytes(folder / ".hidden", "x"); }, {".hidden"}},
      {"a sub-folder", [&] { fs::create_directory(folder / "sub"); }, {"sub"}},
      {"a link to a file outside",
       [&] { fs::create_symlink(outside / "target.txt", folder / "link.txt"); },
       {}},
      {"a link to a folder outside", [&] { fs::create_directory_symlink(outside, folder / "dir"); }, {}},
      {"a temporary file", [&] { WriteFileBytes(folder / ".log.ini.tmp-77-3", "x"); }, {}},
      {"a pipe", [&] { ::mkfifo((folder / "pipe").c_str(), 0600); }, {"pipe"}},
      {"a link in the folder's place",
       [&] {
         fs::remove_all(folder);
         fs::create_directory_symlink(outside, folder);
       },
       {}},
  };
  for (const auto& c : cases) {
    Store("0000000001");
    c.add();
    EXPECT_EQ(DeleteMagazine(root, "0000000001"), "") << c.what;
    EXPECT_EQ(IndexValue("0000000001"), "") << c.what;
    std::vector<std::string> left;
    if (fs::exists(fs::symlink_status(folder)))
      for (const auto& inside : fs::directory_iterator(folder)) left.push_back(inside.path().filename());
    EXPECT_EQ(left, c.left) << c.what;
    ExpectNeighbourAndOutsideKept();
    fs::remove_all(folder);
  }
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(MagazineDeletionTest, AnIdThatIsNoPlainNameLosesOnlyItsLine) {
  WriteFileBytes(root / "magumagu" / "loose.txt", "x");
  for (const std::string id : {"..", ".", "0000000002/..", "a\x01"}) {
    ASSERT_FALSE(WriteIniValue(ArchiveIndexFile(root), "magumagu", id, "t"));
    EXPECT_EQ(DeleteMagazine(root, id), "") << id;
    EXPECT_EQ(IndexValue(id), "") << id;
    EXPECT_EQ(ReadFileBytes(root / "magumagu" / "loose.txt"), "x");
    ExpectNeighbourAndOutsideKept();
  }
}

TEST_F(MagazineDeletionTest, AnIndexThatCannotBeRewrittenKeepsEveryFile) {
  fs::permissions(root, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  EXPECT_NE(DeleteMagazine(root, "0000000001"), "");
  fs::permissions(root, fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(dialogs.messages.size(), 1u);
  EXPECT_FALSE(IndexValue("0000000001").empty());
  EXPECT_EQ(ReadFileBytes(Folder("0000000001") / "20261207-1000.txt"), "x");
}

}  // namespace
