// The names a save gives its file, and the save itself against real temporary folders.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/text_lines.h"
#include "support/test_support.h"
#include "viewer/full_width_name.h"
#include "viewer/save_shown_text.h"

namespace fs = std::filesystem;

namespace {

TEST(ToFullWidthName, ReplacesTheSignsInOrder) {
  const std::pair<const char*, const char*> cases[] = {
      {R"(/\><*%?"|:;,+=[] )", "／￥＞＜＊％？”｜：；、＋＝［］_"},
      {"a b+c", "a_b＋c"},
      {"memo.txt", "memo.txt"},
      {"週刊 サンプル通信20080102-1234", "週刊_サンプル通信20080102-1234"},
      // Trail bytes 5C, 7C, 5B and 5D (ソ 表 ポ ゼ ゾ) are parts of their characters.
      {"ソ表ポゼゾ", "ソ表ポゼゾ"},
      {"ソ\\ポ|", "ソ￥ポ｜"},
  };
  for (const auto& [name, expected] : cases)
    EXPECT_EQ(Hex(ToFullWidthName(Sj(name))), Hex(Sj(expected))) << name;
}

TEST(PlanSave, SplitsAtTheLastSlashAndChoosesTheExtension) {
  struct Case {
    const char* chosen;
    int filter;
    const char* folder;
    const char* name;
    bool html;
  };
  const Case cases[] = {
      {"/home/u/a b+c", 1, "/home/u/", "a_b＋c.htm", true},
      {"/home/u/memo.txt", 1, "/home/u/", "memo.txt", false},
      {"/home/u/page.htm", 2, "/home/u/", "page.htm", false},
      {"/home/u/notes", 2, "/home/u/", "notes.txt", false},
      {"/home/u/c:\\x", 1, "/home/u/", "c：￥x.htm", true},
      {"/home/u/新しい フォルダ/号", 1, "/home/u/新しい フォルダ/", "号.htm", true},
      {"plain", 1, ".", "plain.htm", true},
  };
  for (const Case& c : cases) {
    const std::optional<SavePlan> plan = PlanSave(c.chosen, c.filter);
    ASSERT_TRUE(plan) << c.chosen;
    EXPECT_EQ(plan->folder, fs::path(c.folder)) << c.chosen;
    EXPECT_EQ(Hex(plan->name), Hex(Sj(c.name))) << c.chosen;
    EXPECT_EQ(plan->html, c.html) << c.chosen;
  }
  EXPECT_FALSE(PlanSave("/home/u/", 1));
  EXPECT_FALSE(PlanSave("", 1));
}

// One save of the result into a temporary folder, as the dialog answers.
struct Saved {
  RecordingDialogs dialogs;
  TempFolder folder;
  const StringList result = {Sj("一行目"), "line 2"};

  void Save(const fs::path& chosen, int filter, std::deque<bool> answers = {}) {
    dialogs.nextFileName = chosen;
    dialogs.nextFilter = filter;
    dialogs.answers = std::move(answers);
    SaveShownText(result, false, Sj("週刊/サンプル"), "20080102-1234");
  }
};

TEST(SaveShownText, WritesTheResultAndSaysWhere) {
  Saved s;
  s.Save(s.folder.path() / "sub" / "deeper" / "a b", 1);
  const fs::path file = s.folder.path() / "sub" / "deeper" / "a_b.htm";
  const std::string wrapped =
      "<HTML><HEAD></HEAD><BODY><pre>\r\n" + Sj("一行目") + "\r\nline 2\r\n</pre></BODY></HTML>\r\n";
  EXPECT_EQ(Hex(ReadFileBytes(file)), Hex(wrapped));
  ASSERT_EQ(s.dialogs.saveRequests.size(), 1u);
  // A "/" in the title would make the dialog open a folder of that name.
  EXPECT_EQ(s.dialogs.saveRequests[0].defaultName, "週刊／サンプル20080102-1234");
  EXPECT_EQ(s.dialogs.saveRequests[0].nameFilters,
            (std::vector<std::string>{"HTMLファイル(*.htm)", "テキストファイル(*.txt)"}));
  EXPECT_EQ(s.dialogs.saveRequests[0].filterIndex, 1);
  EXPECT_EQ(s.dialogs.messages, std::vector<std::string>{file.string() + "に保存しました。"});

  // Again over the same name: asked first, then the same bytes as before.
  s.Save(s.folder.path() / "sub" / "deeper" / "a b", 1, {true});
  EXPECT_EQ(s.dialogs.questions, std::vector<std::string>{"a_b.htmを上書きしますか?"});
  EXPECT_EQ(ReadFileBytes(file), wrapped);
  s.Save(s.folder.path() / "t", 2);
  EXPECT_EQ(ReadFileBytes(s.folder.path() / "t.txt"), Sj("一行目") + "\r\nline 2\r\n");
  EXPECT_EQ(s.result, (StringList{Sj("一行目"), "line 2"}));
}

TEST(SaveShownText, RefusalsKeepWhatIsThere) {
  Saved s;
  const fs::path old = s.folder.path() / "old.txt";
  WriteFileBytes(old, "old bytes");
  WriteFileBytes(s.folder.path() / "plain", "a file, not a folder");
  fs::create_directory(s.folder.path() / "taken.htm");
  fs::create_directory(s.folder.path() / "locked");
  WriteFileBytes(s.folder.path() / "locked" / "kept.txt", "kept bytes");
  chmod((s.folder.path() / "locked").c_str(), 0555);

  s.Save(old, 1, {false});  // overwrite declined
  s.Save(s.folder.path() / "plain" / "x", 1);
  s.Save(s.folder.path() / "taken", 1);
  s.Save(s.folder.path() / "locked" / "kept.txt", 1, {true});
  s.Save(s.folder.path() / "locked" / "new", 1);
  s.dialogs.nextFileName.reset();  // cancelled
  SaveShownText(s.result, false, "", "");
  s.dialogs.nextFileName = s.folder.path() / "unseen";  // nothing shown: no dialog
  SaveShownText(s.result, true, "", "");

  EXPECT_EQ(s.dialogs.messages,
            (std::vector<std::string>{
                "出力用フォルダ(" + (s.folder.path() / "plain").string() + "/)を作成できません",
                "出力ファイル(taken.htm)を上書できません", "出力ファイル(kept.txt)を上書できません",
                "ファイルに書き込めません。\r\n" + (s.folder.path() / "locked" / "new.htm").string()}));
  EXPECT_EQ(s.dialogs.saveRequests.size(), 6u);
  EXPECT_EQ(ReadFileBytes(old), "old bytes");
  EXPECT_EQ(ReadFileBytes(s.folder.path() / "locked" / "kept.txt"), "kept bytes");
  EXPECT_FALSE(fs::exists(s.folder.path() / "unseen.htm"));
  // No temporary file left behind either.
  EXPECT_EQ(std::distance(fs::directory_iterator(s.folder.path() / "locked"), fs::directory_iterator()), 1);
}

}  // namespace
