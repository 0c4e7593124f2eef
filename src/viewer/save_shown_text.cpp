#include "viewer/save_shown_text.h"

#include <system_error>

#include "archive/work_pages.h"
#include "platform/cp932.h"
#include "platform/dialogs.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "viewer/full_width_name.h"

namespace fs = std::filesystem;

namespace {

void ShowCannotOverwrite(const std::string& name) {
  CurrentDialogs().ShowMessage(cp932::FromUtf8("出力ファイル(") + name +
                               cp932::FromUtf8(")を上書できません"));
}

}  // namespace

const std::vector<std::string>& SaveNameFilters() {
  static const std::vector<std::string> kFilters = {"HTMLファイル(*.htm)", "テキストファイル(*.txt)"};
  return kFilters;
}

std::optional<SavePlan> PlanSave(const fs::path& chosen, int filterIndex) {
  const std::string& native = chosen.native();
  const std::size_t slash = native.rfind('/');
  const std::string namePart = slash == std::string::npos ? native : native.substr(slash + 1);
  if (namePart.empty()) return std::nullopt;

  SavePlan plan;
  plan.folder = slash == std::string::npos ? fs::path(".") : fs::path(native.substr(0, slash + 1));
  plan.name = ToFullWidthName(NativeNameToSjis(namePart));
  if (!sjis::Contains(plan.name, ".")) {
    plan.html = filterIndex == kHtmlFilter;
    plan.name += plan.html ? ".htm" : ".txt";
  }
  return plan;
}

std::string SavedFileBytes(const StringList& resultText, bool html) {
  if (!html) return JoinLines(resultText);
  return std::string(kPlainHead) + "\r\n" + JoinLines(resultText) + std::string(kPlainTail) + "\r\n";
}

void SaveShownText(const StringList& resultText, bool nothingShown, std::string_view title,
                   std::string_view rangeKey) {
  if (nothingShown) return;
  // A "/" in the title would make the dialog take the name for a folder and a file.
  const std::string proposed =
      sjis::ReplaceAll(std::string(title) + std::string(rangeKey), "/", cp932::FromUtf8("／"));
  const std::optional<SaveChoice> choice =
      CurrentDialogs().ChooseSaveFile(proposed, SaveNameFilters(), kHtmlFilter);
  if (!choice) return;
  const std::optional<SavePlan> plan = PlanSave(choice->file, choice->filterIndex);
  if (!plan) return;

  if (!IsFolder(plan->folder) && !CreateFolders(plan->folder)) {
    CurrentDialogs().ShowMessage(cp932::FromUtf8("出力用フォルダ(") + NativeNameToSjis(plan->folder) +
                                 cp932::FromUtf8(")を作成できません"));
    return;
  }

  const fs::path path = JoinSjis(plan->folder, plan->name);
  std::error_code error;
  const fs::file_status existing = fs::status(path, error);
  if (fs::is_directory(existing)) {
    ShowCannotOverwrite(plan->name);
    return;
  }
  if (fs::exists(existing)) {
    if (!CurrentDialogs().Ask(plan->name + cp932::FromUtf8("を上書きしますか?"), QuestionButtons::kYesNo))
      return;
    // The old file goes only when the new one has taken its place.
    if (CheckReplaceable(path)) {
      ShowCannotOverwrite(plan->name);
      return;
    }
  }
  if (WriteFileAtomically(path, SavedFileBytes(resultText, plan->html))) {
    ShowWriteFailure(path);
    return;
  }
  CurrentDialogs().ShowMessage(NativeNameToSjis(path) + cp932::FromUtf8("に保存しました。"));
}
