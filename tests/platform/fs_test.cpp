#include "platform/fs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;

constexpr fs::perms kAnyWrite = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;

std::vector<std::string> Entries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(ScanTextFiles, ListsPlainVisibleTxtFilesOnlySortedByName) {
  TempFolder folder;
  const fs::path& root = folder.path();
  for (const char* name : {"b.txt", "a.TXT", "c.htm", ".hidden.txt", "e.Txt.bak", "txt", "f.tXt"}) {
    WriteFileBytes(root / name, "x");
  }
  fs::create_directory(root / "d.txt");
  fs::create_directory(root / "target");
  fs::create_directory_symlink(root / "target", root / "g.txt");  // a link to a folder
  fs::create_symlink(root / "b.txt", root / "h.txt");             // a link to a file
  fs::create_symlink(root / "missing", root / "i.txt");           // a dangling link
  EXPECT_EQ(ScanTextFiles(root), (StringList{"a.TXT", "b.txt", "f.tXt", "h.txt"}));
}

TEST(ScanTextFiles, JapaneseNamesComeBackAsShiftJisInByteOrder) {
  TempFolder folder;
  for (const char* name : {"第2号.txt", "20080102-1234.txt", "第10号-春の特集.txt", "ソ.txt"}) {
    WriteFileBytes(folder.path() / name, "x");
  }
  // 83 5C (ソ) < 91 E6 (第); within 第, "1" (31) < "2" (32).
  EXPECT_EQ(ScanTextFiles(folder.path()),
            (StringList{"20080102-1234.txt", Sj("ソ.txt"), Sj("第10号-春の特集.txt"), Sj("第2号.txt")}));
}

TEST(ScanTextFiles, MissingFolderOrAFileGivesNothing) {
  TempFolder folder;
  EXPECT_TRUE(ScanTextFiles(folder.path() / "none").empty());
  WriteFileBytes(folder.path() / "file.txt", "x");
  EXPECT_TRUE(ScanTextFiles(folder.path() / "file.txt").empty());
}

TEST(ScanFolders, ListsVisibleFoldersWithNamesThatSurviveShiftJis) {
  TempFolder folder;
  const fs::path& root = folder.path();
  for (const char* name : {"0000000002", "第1号誌", "ソ", ".hidden", "€uro", "target"}) {
    fs::create_directory(root / name);
  }
  WriteFileBytes(root / "0000000001", "a file");
  fs::create_directory_symlink(root / "target", root / "0000000003");  // a link to a folder
  fs::create_symlink(root / "0000000001", root / "0000000004");        // a link to a file
  fs::create_symlink(root / "missing", root / "0000000005");           // a dangling link
  EXPECT_EQ(ScanFolders(root), (StringList{"0000000002", "0000000003", "target", Sj("ソ"), Sj("第1号誌")}));
  EXPECT_TRUE(ScanFolders(root / "none").empty());
  EXPECT_TRUE(ScanFolders(root / "0000000001").empty());
}

TEST(SjisNames, RoundTripThroughNativePaths) {
  TempFolder folder;
  for (const std::string& name : {Sj("第123号-春の特集.txt"), Sj("ソ表①～.txt"), std::string("plain.txt")}) {
    const fs::path path = JoinSjis(folder.path(), name);
    EXPECT_EQ(path.parent_path(), folder.path());
    WriteFileBytes(path, "x");
    EXPECT_EQ(NativeNameToSjis(path.filename()), name) << Hex(name);
  }
  // The native name is UTF-8, so other programs see the Japanese name.
  EXPECT_EQ(JoinSjis("/a", Sj("第1号.txt")), fs::path("/a/第1号.txt"));
  // The trail byte 5C of ソ is not a separator.
  EXPECT_EQ(JoinSjis("/a", Sj("ソ")).filename(), fs::path("ソ"));
  // A character outside the code page.
  EXPECT_EQ(NativeNameToSjis("€.txt"), "?.txt");
}

TEST(ReadWholeFile, ReadsEveryByteOrNothing) {
  TempFolder folder;
  const std::string bytes("a\0b\r\n\x82\xA0", 7);
  WriteFileBytes(folder.path() / "f", bytes);
  WriteFileBytes(folder.path() / "empty", "");
  EXPECT_EQ(ReadWholeFile(folder.path() / "f"), bytes);
  EXPECT_EQ(ReadWholeFile(folder.path() / "empty"), std::string());
  EXPECT_EQ(ReadWholeFile(folder.path() / "none"), std::nullopt);
  EXPECT_EQ(ReadWholeFile(folder.path()), std::nullopt);
  std::string reused = "old content";
  EXPECT_FALSE(ReadWholeFileInto(folder.path() / "none", reused));
  EXPECT_EQ(reused, "");
  EXPECT_TRUE(ReadWholeFileInto(folder.path() / "f", reused));
  EXPECT_EQ(reused, bytes);
}

TEST(ReadRegularFile, PipesDevicesAndFoldersAreNeverWaitedFor) {
  TempFolder folder;
  WriteFileBytes(folder.path() / "f", "12345");
  ASSERT_EQ(::mkfifo((folder.path() / "fifo").c_str(), 0644), 0);
  std::filesystem::create_symlink("/dev/zero", folder.path() / "zero");
  std::filesystem::create_symlink(folder.path() / "f", folder.path() / "link");
  const struct {
    const char* name;
    std::size_t maxBytes;
    FileRead read;
  } rows[] = {
      {"f", 5, FileRead::kRead},
      {"link", 5, FileRead::kRead},
      {"f", 4, FileRead::kTooLarge},
      {"fifo", 100, FileRead::kNotAFile},
      {"zero", 100, FileRead::kNotAFile},
      {".", 100, FileRead::kNotAFile},
      {"none", 100, FileRead::kUnreadable},
  };
  for (const auto& row : rows) {
    std::string bytes = "old";
    EXPECT_EQ(ReadRegularFileInto(folder.path() / row.name, bytes, row.maxBytes), row.read) << row.name;
    EXPECT_EQ(bytes, row.read == FileRead::kRead ? "12345" : "") << row.name;
  }
  // The whole-file readers never block on a pipe either.
  EXPECT_EQ(ReadWholeFile(folder.path() / "fifo"), std::nullopt);
}

TEST(WriteFileAtomically, WritesAndReplacesWithoutLeavingTemporaryFiles) {
  TempFolder folder;
  const fs::path file = JoinSjis(folder.path(), Sj("第1号.txt"));
  ASSERT_FALSE(WriteFileAtomically(file, Sj("本文\r\n")));
  EXPECT_EQ(ReadFileBytes(file), Sj("本文\r\n"));
  ASSERT_FALSE(WriteFileAtomically(file, "shorter"));
  EXPECT_EQ(ReadFileBytes(file), "shorter");
  ASSERT_FALSE(WriteFileAtomically(file, ""));
  EXPECT_EQ(ReadFileBytes(file), "");
  EXPECT_EQ(Entries(folder.path()), std::vector<std::string>{"第1号.txt"});
}

TEST(WriteFileAtomically, FailureKeepsTheOldFileAndLeavesNoTemporaryFile) {
  TempFolder folder;
  const fs::path file = folder.path() / "log.ini";
  WriteFileBytes(file, "old");

  fs::permissions(file, kAnyWrite, fs::perm_options::remove);
  EXPECT_EQ(WriteFileAtomically(file, "new"), std::errc::permission_denied);
  fs::permissions(file, fs::perms::owner_write, fs::perm_options::add);

  fs::permissions(folder.path(), kAnyWrite, fs::perm_options::remove);
  EXPECT_EQ(WriteFileAtomically(file, "new"), std::errc::permission_denied);
  EXPECT_TRUE(WriteFileAtomically(folder.path() / "fresh.ini", "new"));
  fs::permissions(folder.path(), fs::perms::owner_write, fs::perm_options::add);

  EXPECT_TRUE(WriteFileAtomically(folder.path() / "none" / "log.ini", "new"));
  fs::create_directory(folder.path() / "sub");
  EXPECT_TRUE(WriteFileAtomically(folder.path() / "sub", "new"));  // a folder is not replaced
  EXPECT_TRUE(WriteFileAtomically(folder.path() / "log.ini" / "x", "new"));

  EXPECT_EQ(ReadFileBytes(file), "old");
  EXPECT_EQ(Entries(folder.path()), (std::vector<std::string>{"log.ini", "sub"}));
  EXPECT_TRUE(Entries(folder.path() / "sub").empty());
}

TEST(WriteFileAtomically, KeepsThePermissionsOfTheFileItReplaces) {
  TempFolder folder;
  const fs::path file = folder.path() / "f.txt";
  WriteFileBytes(file, "old");
  const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read;
  fs::permissions(file, mode);
  ASSERT_FALSE(WriteFileAtomically(file, "new"));
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, mode);
}

TEST(CreateFolders, CreatesMissingParentsAndReportsWhatExists) {
  TempFolder folder;
  const fs::path deep = JoinSjis(folder.path() / "log" / "magumagu", "0000123456");
  EXPECT_TRUE(CreateFolders(deep));
  EXPECT_TRUE(IsFolder(deep));
  EXPECT_TRUE(CreateFolders(deep));  // already there
  WriteFileBytes(folder.path() / "file", "x");
  EXPECT_FALSE(CreateFolders(folder.path() / "file"));
  EXPECT_FALSE(CreateFolders(folder.path() / "file" / "below"));
  EXPECT_FALSE(IsFolder(folder.path() / "file"));
  EXPECT_FALSE(IsFolder(folder.path() / "none"));
  EXPECT_FALSE(CreateFolders(""));
}

TEST(CreateFolders, RefusesToCreateBelowAReadOnlyFolder) {
  TempFolder folder;
  fs::create_directory(folder.path() / "ro");
  fs::permissions(folder.path() / "ro", kAnyWrite, fs::perm_options::remove);
  EXPECT_FALSE(CreateFolders(folder.path() / "ro" / "log" / "magumagu"));
  EXPECT_FALSE(fs::exists(folder.path() / "ro" / "log"));
  EXPECT_TRUE(CreateFolders(folder.path() / "ro"));  // it exists, which is all that is asked
}

TEST(IsTemporaryFileName, KnowsOnlyTheNamesOfInterruptedWrites) {
  for (const char* name : {".log.ini.tmp-4021-0", ".20080102-1234.txt.tmp-7-12", ".a.tmp-1-2"}) {
    EXPECT_TRUE(IsTemporaryFileName(name)) << name;
  }
  for (const char* name : {"log.ini.tmp-1-2", ".tmp-1-2", ".a.tmp-1", ".a.tmp-1-", ".a.tmp--2", ".a.tmp-x-2",
                           ".a.tmp-1-2-3", ".a.tmp-1-2.txt", ".hidden", ".a.tmp-"}) {
    EXPECT_FALSE(IsTemporaryFileName(name)) << name;
  }
}

TEST(IsPlainName, AcceptsOnlySingleNames) {
  EXPECT_TRUE(IsPlainName("0000123456"));
  EXPECT_TRUE(IsPlainName(Sj("ソ")));  // 83 5C: the "\" is a trail byte
  EXPECT_TRUE(IsPlainName(Sj("表示")));
  EXPECT_TRUE(IsPlainName("..."));
  EXPECT_TRUE(IsPlainName(".hidden"));
  EXPECT_FALSE(IsPlainName(""));
  EXPECT_FALSE(IsPlainName("."));
  EXPECT_FALSE(IsPlainName(".."));
  EXPECT_FALSE(IsPlainName("a/b"));
  EXPECT_FALSE(IsPlainName("a\\b"));
  EXPECT_FALSE(IsPlainName("\\"));
  EXPECT_FALSE(IsPlainName(Sj("ソ\\")));
  EXPECT_FALSE(IsPlainName("a\tb"));
  EXPECT_FALSE(IsPlainName("a\x7F"));
  EXPECT_FALSE(IsPlainName(std::string("a\0b", 3)));
  EXPECT_FALSE(IsPlainName("line\r\n"));
  // A broken pair cannot carry a "/" or a control byte past the check.
  EXPECT_FALSE(IsPlainName("\x82/"));
  EXPECT_FALSE(IsPlainName("\x82\x0A"));
}

TEST(RemoveStaleTemporaryFiles, RemovesOnlyOurTemporariesOfProcessesThatAreGone) {
  const std::string dead = std::to_string(EndedProcessId());
  const std::string alive = std::to_string(getpid());
  TempFolder folder;
  const struct {
    std::string name;
    bool stays;
  } rows[] = {
      {".20080102-1234.txt.tmp-" + dead + "-0", false},
      {".log_all.ini.tmp-" + dead + "-17", false},
      {".20080102-1234.txt.tmp-" + alive + "-0", true},  // a write in progress
      {"20080102-1234.txt.tmp-" + dead + "-0", true},    // not hidden: not ours
      {".a.tmp-" + dead, true},                          // no counter
      {".a.tmp-x" + dead + "-1", true},
      {".yomitoru.lock", true},
      {"20080102-1234.txt", true},
  };
  for (const auto& row : rows) WriteFileBytes(folder.path() / row.name, "x");
  fs::create_directory(folder.path() / (".d.tmp-" + dead + "-1"));  // a folder is never removed
  RemoveStaleTemporaryFiles(folder.path());
  for (const auto& row : rows) EXPECT_EQ(fs::exists(folder.path() / row.name), row.stays) << row.name;
  EXPECT_TRUE(fs::is_directory(folder.path() / (".d.tmp-" + dead + "-1")));
}

TEST(NameLimit, LeavesRoomForTheTemporaryName) {
  TempFolder folder;
  const std::string kana = Sj("ｱ");  // one byte in Shift-JIS, three in a native name
  const auto repeat = [](const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
  };
  const NameLimit limit(folder.path());
  EXPECT_TRUE(limit.Fits("20080102-1234.txt"));
  EXPECT_TRUE(limit.Fits(repeat("a", 200) + ".txt"));
  EXPECT_FALSE(limit.Fits(repeat("a", 240) + ".txt"));
  EXPECT_TRUE(limit.Fits(Sj("第") + repeat(kana, 60) + Sj("号.txt")));
  EXPECT_FALSE(limit.Fits(Sj("第") + repeat(kana, 100) + Sj("号.txt")));
  // What fits can be written; the limit is real.
  const std::string longest = repeat("a", 200) + ".txt";
  EXPECT_FALSE(WriteFileAtomically(folder.path() / longest, "x"));
}

}  // namespace
