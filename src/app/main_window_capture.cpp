// IEからURL取得: the address the running browser shows, identified at once, with the
// stored issues of its newsletter listed.

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <utility>
#include <vector>

#include "app/main_window.h"
#include "app/main_window_read_surface.h"
#include "archive/magazine_log.h"
#include "capture/browser_address.h"
#include "retrieval/identification.h"
#include "viewer/issue_list.h"
#include "viewer/qt_text.h"

namespace {

// The browser is asked and the page fetched with window messages processed. A second
// capture, a read or an opening from the archive started meanwhile would identify another
// newsletter under this one and replace the page fetch's session beneath it, so their
// buttons are held until the capture is done.
class ButtonsHeld {
 public:
  ButtonsHeld(bool& capturing, std::initializer_list<QWidget*> buttons) : capturing_(capturing) {
    capturing_ = true;
    for (QWidget* button : buttons) {
      held_.emplace_back(button, button->isEnabled());
      button->setEnabled(false);
    }
  }
  ~ButtonsHeld() {
    for (auto& [button, wasEnabled] : held_) {
      if (button) button->setEnabled(wasEnabled);
    }
    capturing_ = false;
  }
  ButtonsHeld(const ButtonsHeld&) = delete;
  ButtonsHeld& operator=(const ButtonsHeld&) = delete;

 private:
  bool& capturing_;
  std::vector<std::pair<QPointer<QWidget>, bool>> held_;
};

}  // namespace

void TForm1::B_IEClick() {
  Label1->setText(Utf8("ＵＲＬ取得中....."));
  Label1->repaint();
  {
    const ButtonsHeld held(capturing_, {B_IE, B_Check, B_read});
    Edit1->setText(ToWidgetText(GetBrowserAddress(0, BrowserAddressSource(browserSource))));
    // A long address is shown from its start, where the site and the newsletter stand.
    Edit1->setCursorPosition(0);
  }
  TakeCapturedAddress();
}

void TForm1::TakeCapturedAddress() {
  const ButtonsHeld held(capturing_, {B_IE, B_Check, B_read});
  IdentifyMagazine(state, fetcher, serviceTable, FromQString(Edit1->text()), 1);
  if (UpdateMagazineLog(state, "", false).empty()) viewer->ListStoredIssues();
  if (state.ServiceKind.empty()) {
    Label1->setText(Utf8("URLが間違っています。"));
  } else {
    Label1->setText(state.HtmlFormatFlag == 1 ? Utf8("(このメールマガジンはHTML形式です)") : QString());
  }
  readSurface_->ShowIdentity(state.ServiceLabel, state.TitleText);
  Memo1->clear();
  state.ResultText.clear();
  WebB1->hide();
}
