// 履歴から参照: the newsletter list window, then the newsletter chosen there becomes the
// main window's current one, from the archive alone, or the main window lets go of a
// newsletter deleted there.

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/main_window.h"
#include "app/main_window_read_surface.h"
#include "archive/magazine_log.h"
#include "archive/windows/newsletter_list_window.h"
#include "platform/fs.h"
#include "platform/ini.h"
#include "retrieval/identification.h"
#include "viewer/issue_list.h"
#include "viewer/qt_text.h"

namespace {

// The result area and the HTML view emptied; the view stops and hides.
void ClearShownResult(TForm1& form) {
  form.Memo1->clear();
  form.state.ResultText.clear();
  form.WebB1->Stop();
  form.WebB1->hide();
  form.Edit6->clear();
}

// The chosen newsletter becomes the current one: its stored address, the service of that
// address, the title from the list, and its stored issues rescanned without writing.
void OpenStoredMagazine(TForm1& form, const std::string& id, const std::string& title,
                        const std::string& serviceFolder) {
  SharedState& state = form.state;
  state.MagazineId = id;
  state.MagazineFolder = JoinSjis(JoinSjis(state.ArchiveRoot, serviceFolder), state.MagazineId);
  form.Edit1->setText(
      ToQString(ReadIniValue(MagazineLogFile(state.MagazineFolder), state.MagazineId, "Url")));
  IdentifyMagazine(state, form.fetcher, form.serviceTable, FromQString(form.Edit1->text()), 2);
  state.ServiceLabel += " ID:" + state.MagazineId;
  state.TitleText = title;
  state.MagazineTitle = state.TitleText;
  if (!UpdateMagazineLog(state, "", true).empty()) return;
  form.searchIndex.RequestUpdate(state.ArchiveRoot, SearchIndexKeeper::Need::kIfPresent, state.MagazineId);
  form.viewer->ListStoredIssues();
}

}  // namespace

void TForm1::B_readClick() {
  if (Form4 == nullptr) return;
  Form4->exec();
  const std::string& chosen = Form4->ChosenMagazineId;
  if (chosen.empty()) {
    // The current newsletter was deleted in the list: nothing of it stays shown.
    if (state.MagazineId.empty() ||
        !ReadIniValue(ArchiveIndexFile(state.ArchiveRoot), kServiceFolderName, state.MagazineId).empty()) {
      return;
    }
    Label1->clear();
    Edit1->clear();
    Memo3->clear();
    Panel3->clear();
    Panel1->clear();
    ClearShownResult(*this);
    return;
  }
  const bool opened = OpenChosenMagazine(chosen, Form4->ChosenMagazineTitle, Form4->ChosenServiceFolder);
  if (opened && Form4->ChosenHit) ShowSearchHit(*Form4->ChosenHit, Form4->ChosenQuery);
}

bool TForm1::OpenChosenMagazine(const std::string& id, const std::string& title,
                                const std::string& serviceFolder) {
  // An ID that is no plain folder name leads to no folder: nothing is opened.
  const bool plainName = IsPlainName(id);
  const bool opened = plainName && id != "-1";
  if (opened) OpenStoredMagazine(*this, id, title, serviceFolder);
  readSurface_->ShowIdentity(state.ServiceLabel, state.TitleText);
  ClearShownResult(*this);
  const bool wrongAddress = !plainName || (opened && state.ServiceKind.empty());
  Label1->setText(wrongAddress ? Utf8("URLが間違っています。") : QString());
  return opened;
}
