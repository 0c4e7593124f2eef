#include "archive/magazine_log.h"

#include <gtest/gtest.h>

#include "platform/cp932.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;

const DateTime kFirstRun = MakeDateTime(2006, 12, 31, 15, 30, 5);
const DateTime kLaterRun = MakeDateTime(2007, 1, 7, 9, 0, 0);

class MagazineLogTest : public ::testing::Test {
 protected:
  MagazineLogTest() {
    state.ArchiveRoot = temp.path() / "reader" / "log";
    state.MagazineFolder = state.ArchiveRoot;
    state.MagazineId = "0000123456";
    state.MagazineTitle = Sj("週刊サンプル通信");
    state.ServiceLogBase = "http://blog.example/m/log";
    state.IssueCycle = Sj("週刊");
    state.LatestIssueDate = "2006/12/29";
    state.LatestCirculation = "1234";
  }

  std::string Update(std::string_view knownList, bool readOnly, DateTime at = kFirstRun) {
    return cp932::ToUtf8(UpdateMagazineLog(state, knownList, readOnly, [at] { return at; }));
  }
  fs::path Folder() const { return state.ArchiveRoot / "magumagu" / "0000123456"; }
  fs::path IndexFile() const { return state.ArchiveRoot / "log_all.ini"; }
  void AddIssueFile(const std::string& name) { WriteFileBytes(Folder() / name, "issue\r\n"); }
  std::string List() const { return cp932::ToUtf8(JoinLines(state.StoredIssueList)); }
  std::string LogBytes() const { return ReadFileBytes(Folder() / "log.ini"); }

  TempFolder temp;
  RecordingDialogs dialogs;
  SharedState state;
};

TEST_F(MagazineLogTest, FirstIdentificationCreatesTheTreeAndBothLogs) {
  EXPECT_EQ(Update("", false), "");
  EXPECT_EQ(state.MagazineFolder, Folder());
  EXPECT_TRUE(fs::is_directory(Folder()));
  EXPECT_EQ(ReadFileBytes(IndexFile()),
            Sj("[magumagu]\r\n0000123456=週刊サンプル通信,2006/12/31 15:30:05,週刊,2006/12/29,1234,0\r\n"));
  EXPECT_EQ(LogBytes(), Sj("[0000123456]\r\nName=週刊サンプル通信\r\nType1=magumagu\r\n"
                           "Url=http://blog.example/m/log/0000123456\r\nDate1=2006/12/31 15:30:05\r\n"));
  EXPECT_TRUE(state.StoredIssueList.empty());
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(MagazineLogTest, FirstReadMarksEveryIssueNewAndCountsThem) {
  fs::create_directories(Folder());
  AddIssueFile("20061229-0900.txt");
  AddIssueFile("20061222-0900.txt");
  AddIssueFile(cp932::ToUtf8(Sj("第12号.txt")));
  EXPECT_EQ(Update("x", false), "");
  EXPECT_EQ(List(), "*2006/12/22_09:00*new*\r\n*2006/12/29_09:00*new*\r\n*第12号*new*\r\n");
  EXPECT_EQ(ReadFileBytes(IndexFile()),
            Sj("[magumagu]\r\n0000123456=週刊サンプル通信,2006/12/31 15:30:05,週刊,2006/12/29,1234,3\r\n"));
}

TEST_F(MagazineLogTest, SecondReadMarksOnlyTheIssuesItAdded) {
  fs::create_directories(Folder());
  AddIssueFile("20061222-0900.txt");
  AddIssueFile("20061229-0900.txt");
  ASSERT_EQ(Update("x", false), "");
  const std::string shownBefore = JoinLines(state.StoredIssueList);
  AddIssueFile("20070105-0900.txt");
  AddIssueFile("20070106-0900.txt");
  ASSERT_EQ(Update(shownBefore + "x", false, kLaterRun), "");
  EXPECT_EQ(
      List(),
      "*2006/12/22_09:00*\r\n*2006/12/29_09:00*\r\n*2007/01/05_09:00*new*\r\n*2007/01/06_09:00*new*\r\n");
  EXPECT_EQ(ReadFileBytes(IndexFile()),
            Sj("[magumagu]\r\n0000123456=週刊サンプル通信,2007/01/07 09:00:00,週刊,2006/12/29,1234,4\r\n"));
}

TEST_F(MagazineLogTest, IdentifyingAgainWithAnUnchangedTitleWritesNothing) {
  ASSERT_EQ(Update("", false), "");
  AddIssueFile("20061229-0900.txt");
  const std::string index = ReadFileBytes(IndexFile());
  const std::string log = LogBytes();
  ASSERT_EQ(Update("", false, kLaterRun), "");
  EXPECT_EQ(ReadFileBytes(IndexFile()), index);
  EXPECT_EQ(LogBytes(), log);
  EXPECT_EQ(List(), "*2006/12/29_09:00*\r\n");
}

TEST_F(MagazineLogTest, AChangedTitleRewritesNameDateAndIndexLine) {
  ASSERT_EQ(Update("", false), "");
  state.MagazineTitle = Sj("月刊サンプル通信");
  ASSERT_EQ(Update("", false, kLaterRun), "");
  EXPECT_EQ(LogBytes(), Sj("[0000123456]\r\nName=月刊サンプル通信\r\nType1=magumagu\r\n"
                           "Url=http://blog.example/m/log/0000123456\r\nDate1=2007/01/07 09:00:00\r\n"));
  EXPECT_EQ(ReadFileBytes(IndexFile()),
            Sj("[magumagu]\r\n0000123456=月刊サンプル通信,2007/01/07 09:00:00,週刊,2006/12/29,1234,0\r\n"));
}

TEST_F(MagazineLogTest, TitlesAndFieldsCannotShiftTheIndexFields) {
  state.MagazineTitle = "A=B,C";
  state.IssueCycle = Sj("月,水");
  state.LatestIssueDate = "2006/12/29,";
  state.LatestCirculation = "12,345";
  ASSERT_EQ(Update("", false), "");
  EXPECT_EQ(ReadFileBytes(IndexFile()),
            Sj("[magumagu]\r\n0000123456=A＝B、C,2006/12/31 15:30:05,月、水,2006/12/29、,12345,0\r\n"));
  EXPECT_NE(LogBytes().find("Name=A=B,C\r\n"), std::string::npos);
  // The sanitised title in the index counts as unchanged next time.
  const std::string index = ReadFileBytes(IndexFile());
  ASSERT_EQ(Update("", false, kLaterRun), "");
  EXPECT_EQ(ReadFileBytes(IndexFile()), index);
}

TEST_F(MagazineLogTest, ReadOnlyOpeningWritesNothingAndTakesTheStoredName) {
  ASSERT_EQ(Update("", false), "");
  AddIssueFile("20061229-0900.txt");
  const std::string index = ReadFileBytes(IndexFile());
  const std::string log = LogBytes();
  state.MagazineTitle = Sj("週刊サンプル通信");
  state.ServiceLogBase = "http://elsewhere.example/m/log";
  ASSERT_EQ(Update("", true, kLaterRun), "");
  EXPECT_EQ(ReadFileBytes(IndexFile()), index);
  EXPECT_EQ(LogBytes(), log);
  EXPECT_EQ(List(), "*2006/12/29_09:00*\r\n");

  // A changed Name in the log replaces the title in memory only.
  WriteFileBytes(Folder() / "log.ini", Sj("[0000123456]\r\nName=改名後\r\n"));
  ASSERT_EQ(Update("", true, kLaterRun), "");
  EXPECT_EQ(cp932::ToUtf8(state.MagazineTitle), "改名後");
  EXPECT_EQ(LogBytes(), Sj("[0000123456]\r\nName=改名後\r\n"));
}

TEST_F(MagazineLogTest, ReadOnlyOpeningOfAMissingFolderListsNothing) {
  state.StoredIssueList = {"*2001/01/01_00:00*"};  // another newsletter's list
  fs::create_directories(state.ArchiveRoot);
  ASSERT_EQ(Update("", true), "");
  EXPECT_FALSE(fs::exists(Folder()));
  EXPECT_TRUE(state.StoredIssueList.empty());
}

TEST_F(MagazineLogTest, ScanListsOnlyPlainTextFiles) {
  fs::create_directories(Folder() / "d.txt");
  AddIssueFile("a.TXT");
  AddIssueFile("b.txt");
  AddIssueFile("c.htm");
  AddIssueFile(".hidden.txt");
  ASSERT_EQ(Update("", false), "");
  EXPECT_EQ(List(), "*a//:*\r\n*b//:*\r\n");
}

TEST_F(MagazineLogTest, EmptyOrUnsafeIdsTouchNothingButTheArchiveRoot) {
  for (const std::string& id : {std::string(""), std::string(".."), std::string("../outside"),
                                std::string("a/b"), std::string("a\\b"), std::string("tab\tid")}) {
    state.MagazineId = id;
    state.StoredIssueList = {"*kept*"};
    EXPECT_EQ(Update("x", false), "") << id;
    EXPECT_EQ(state.StoredIssueList, StringList{"*kept*"}) << id;
    EXPECT_FALSE(fs::exists(IndexFile())) << id;
  }
  EXPECT_TRUE(fs::is_directory(state.ArchiveRoot));
  EXPECT_FALSE(fs::exists(state.ArchiveRoot / "magumagu"));
  EXPECT_FALSE(fs::exists(state.ArchiveRoot.parent_path() / "outside"));
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(MagazineLogTest, AnArchiveRootThatCannotBeCreatedStopsEverything) {
  WriteFileBytes(temp.path() / "reader", "a file where the program folder should be");
  state.StoredIssueList = {"*kept*"};
  EXPECT_EQ(Update("x", false), "ログの書込み準備ができません。(1)");
  EXPECT_EQ(dialogs.messages, std::vector<std::string>{"ログの書込み準備ができません。(1)"});
  EXPECT_EQ(state.StoredIssueList, StringList{"*kept*"});
  EXPECT_EQ(state.MagazineFolder, state.ArchiveRoot);
}

TEST_F(MagazineLogTest, ANewsletterFolderThatCannotBeCreatedStillWritesTheIndexLine) {
  fs::create_directories(state.ArchiveRoot);
  WriteFileBytes(state.ArchiveRoot / "magumagu", "a file where the service folder should be");
  state.StoredIssueList = {"*kept*"};
  EXPECT_EQ(Update("x", false), "ログの書込み準備ができません。(2)");
  EXPECT_EQ(state.MagazineFolder, Folder());
  EXPECT_EQ(state.StoredIssueList, StringList{"*kept*"});
  EXPECT_EQ(ReadFileBytes(IndexFile()),
            Sj("[magumagu]\r\n0000123456=週刊サンプル通信,2006/12/31 15:30:05,週刊,2006/12/29,1234,0\r\n"));
}

TEST_F(MagazineLogTest, ARefusedLogWriteIsReportedWithTheFileAndStopsTheUpdate) {
  fs::create_directories(Folder() / "log.ini");  // a folder cannot be replaced by the log file
  const std::string error = Update("x", false);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(error, dialogs.messages.front());
  EXPECT_NE(error.find("log.ini"), std::string::npos);
  EXPECT_FALSE(fs::exists(IndexFile()));
}

TEST(SanitizeLogValue, ReplacesEqualsThenCommas) {
  EXPECT_EQ(cp932::ToUtf8(SanitizeLogValue("A=B,C==,")), "A＝B、C＝＝、");
  EXPECT_EQ(SanitizeLogValue(""), "");
}

}  // namespace

namespace {

TEST_F(MagazineLogTest, LineBreaksInTheTitleBecomeBlanksInBothLogs) {
  state.MagazineTitle = Sj("二行の\r\nタイトル");
  state.IssueCycle = Sj("毎週\n月曜日");
  ASSERT_EQ(Update("", false), "");
  EXPECT_EQ(
      ReadFileBytes(IndexFile()),
      Sj("[magumagu]\r\n0000123456=二行の タイトル,2006/12/31 15:30:05,毎週 月曜日,2006/12/29,1234,0\r\n"));
  EXPECT_NE(LogBytes().find(Sj("Name=二行の タイトル\r\n")), std::string::npos);
  // The same title next time is no change.
  const std::string log = LogBytes();
  ASSERT_EQ(Update("", false, kLaterRun), "");
  EXPECT_EQ(LogBytes(), log);
}

}  // namespace
