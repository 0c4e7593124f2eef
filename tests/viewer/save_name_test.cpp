// The name a save gives its file, and the save itself in real temporary folders.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/test_support.h"
#include "viewer/full_width_name.h"
#include "viewer/save_shown_text.h"

namespace fs = std::filesystem;

namespace {

TEST(ToFullWidthName, ReplacesTheSignsButNeverATrailByte) {
  EXPECT_EQ(Hex(ToFullWidthName(Sj(R"(/\><*%?"|:;,+=[] .)"))), Hex(Sj("／￥＞＜＊％？”｜：；、＋＝［］_.")));
  // ソ 表 ポ ゼ ゾ end in the bytes of \ | [ ].
  EXPECT_EQ(Hex(ToFullWidthName(Sj("ソ表ポゼゾ\\|"))), Hex(Sj("ソ表ポゼゾ￥｜")));
}

TEST(PlanSave, SplitsAtTheLastSlashAndChoosesTheExtension) {
  struct Case {
    const char *chosen, *folder, *name;
    int filter;
    bool html;
  };
  const Case cases[] = {
      {"/u/a b+c", "/u/", "a_b＋c.htm", 1, true},
      {"/u/memo.txt", "/u/", "memo.txt", 1, false},
      {"/u/page.htm", "/u/", "page.htm", 2, false},
      {"/u/x/c:\\d", "/u/x/", "c：￥d.txt", 2, false},
      {"/u/新しい 箱/号", "/u/新しい 箱/", "号.htm", 1, true},
      {"plain", ".", "plain.htm", 1, true},
  };
  for (const Case& c : cases) {
    const std::optional<SavePlan> plan = PlanSave(c.chosen, c.filter);
    ASSERT_TRUE(plan) << c.chosen;
    EXPECT_EQ(plan->folder, fs::path(c.folder));
    EXPECT_EQ(Hex(plan->name), Hex(Sj(c.name))) << c.chosen;
    EXPECT_EQ(plan->html, c.html) << c.chosen;
  }
  EXPECT_FALSE(PlanSave("/u/", 1));  // no name: nothing is saved
}

TEST(SaveShownText, WritesOnlyWhatMayBeWrittenAndKeepsWhatIsThere) {
  RecordingDialogs dialogs;
  TempFolder temp;
  const fs::path& t = temp.path();
  const StringList result = {Sj("一行目"), "line 2"};
  const auto save = [&](const fs::path& chosen, int filter, std::deque<bool> answers = {}) {
    dialogs.nextFileName = chosen;
    dialogs.nextFilter = filter;
    dialogs.answers = std::move(answers);
    SaveShownText(result, false, Sj("週刊/サンプル"), "20080102-1234");
  };
  WriteFileBytes(t / "plain", "a file where a folder should be");
  fs::create_directory(t / "taken.htm");
  fs::create_directory(t / "locked");
  WriteFileBytes(t / "locked" / "kept.txt", "kept");
  chmod((t / "locked").c_str(), 0555);

  save(t / "new" / "deeper" / "a b", 1);           // folders made, wrapped
  save(t / "new" / "deeper" / "a b", 1, {false});  // declined
  save(t / "new" / "deeper" / "a b", 1, {true});   // the same bytes again
  save(t / "t", 2);                                // text
  save(t / "plain" / "x", 1);                      // no folder can be made
  save(t / "taken", 1);                            // a folder of that name
  save(t / "locked" / "kept.txt", 1, {true});      // the old file cannot be replaced
  save(t / "locked" / "new", 1);                   // nor a new one written
  SaveShownText(result, true, "", "");             // nothing shown: no dialog

  const std::string saved = (t / "new" / "deeper" / "a_b.htm").string();
  EXPECT_EQ(Hex(ReadFileBytes(saved)), Hex("<HTML><HEAD></HEAD><BODY><pre>\r\n" + Sj("一行目") +
                                           "\r\nline 2\r\n</pre></BODY></HTML>\r\n"));
  EXPECT_EQ(ReadFileBytes(t / "t.txt"), Sj("一行目") + "\r\nline 2\r\n");
  EXPECT_EQ(ReadFileBytes(t / "locked" / "kept.txt"), "kept");
  EXPECT_EQ(std::distance(fs::directory_iterator(t / "locked"), fs::directory_iterator()), 1);
  EXPECT_EQ(dialogs.questions,
            (std::vector<std::string>{"a_b.htmを上書きしますか?", "a_b.htmを上書きしますか?",
                                      "kept.txtを上書きしますか?"}));
  EXPECT_EQ(
      dialogs.messages,
      (std::vector<std::string>{
          saved + "に保存しました。", saved + "に保存しました。", (t / "t.txt").string() + "に保存しました。",
          "出力用フォルダ(" + (t / "plain").string() + "/)を作成できません",
          "出力ファイル(taken.htm)を上書できません", "出力ファイル(kept.txt)を上書できません",
          "ファイルに書き込めません。\r\n" + (t / "locked" / "new.htm").string()}));
  ASSERT_EQ(dialogs.saveRequests.size(), 8u);
  // A "/" in the title would make the dialog open a folder of that name.
  EXPECT_EQ(dialogs.saveRequests[0].defaultName, "週刊／サンプル20080102-1234");
  EXPECT_EQ(dialogs.saveRequests[0].nameFilters,
            (std::vector<std::string>{"HTMLファイル(*.htm)", "テキストファイル(*.txt)"}));
  EXPECT_EQ(dialogs.saveRequests[0].filterIndex, 1);
}

}  // namespace
