#include "app/update_all_option.h"

#include <QCoreApplication>
#include <QTimer>
#include <ostream>

#include "app/main_window.h"
#include "archive/windows/newsletter_list_window.h"
#include "platform/cp932.h"
#include "platform/dialogs.h"
#include "platform/fs.h"

UpdateAllOption::UpdateAllOption(TForm1& form, TForm4& list, ArchiveUpdate& update, bool quit,
                                 std::ostream& out)
    : form_(form), list_(list), update_(update), quit_(quit), out_(out) {
  connect(&update_, &ArchiveUpdate::NewsletterFinished, this, [this](const NewsletterUpdate& done) {
    out_ << done.id << '\t' << cp932::ToUtf8(done.title) << '\t' << cp932::ToUtf8(done.result) << std::endl;
  });
  connect(&update_, &ArchiveUpdate::Finished, this, [this] {
    out_ << cp932::ToUtf8(UpdateSummary(update_.Done(), update_.Total(), update_.Cancelled())) << std::endl;
    // Every event loop ends, the list window's with the main one.
    if (quit_) QCoreApplication::exit(UpdateExitStatus(update_.Done(), update_.Total(), update_.Cancelled()));
  });
}

void UpdateAllOption::Run() {
  if (!IsFolder(form_.state.ArchiveRoot)) return Refuse("アーカイブのフォルダがありません。");
  // Pressed once the list window is up, inside its own event loop.
  QTimer::singleShot(0, &list_, [this] {
    if (update_.Start()) return;
    // Start has said it when another run holds the archive.
    if (update_.RefusedAsBusy()) {
      QCoreApplication::exit(2);
    } else {
      Refuse("アーカイブにメルマガがありません。");
    }
  });
  form_.B_readClick();
}

void UpdateAllOption::Refuse(const char* why) {
  CurrentDialogs().ShowMessage(cp932::FromUtf8(why));
  QCoreApplication::exit(2);
}
