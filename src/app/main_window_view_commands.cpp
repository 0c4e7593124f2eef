// The main window's handlers of 結合, 全, 保存, the view commands and サイト表示.

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/main_window.h"
#include "viewer/issue_join.h"
#include "viewer/qt_text.h"
#include "viewer/save_shown_text.h"
#include "viewer/site_launch.h"
#include "viewer/view_commands.h"

void TForm1::ConnectViewCommandHandlers() {
  joiner =
      std::make_unique<IssueJoiner>(state, *viewer, JoinWidgets{Memo3, Memo2, Memo1, Edit6, Label1, WebB1},
                                    [this](int mode) { SetControlState(mode); });
  connect(B_join, &QPushButton::clicked, this, &TForm1::B_joinClick);
  connect(B_allm, &QPushButton::clicked, this, &TForm1::B_allmClick);
  connect(B_save, &QPushButton::clicked, this, &TForm1::B_saveClick);
  connect(B_findt, &QPushButton::clicked, this, &TForm1::B_findtClick);
  connect(B_allt, &QPushButton::clicked, this, &TForm1::B_alltClick);
  connect(B_copyt, &QPushButton::clicked, this, &TForm1::B_copytClick);
  connect(B_prn, &QPushButton::clicked, this, &TForm1::B_prnClick);
  connect(B_pre, &QPushButton::clicked, this, &TForm1::B_preClick);
  connect(B_view, &QPushButton::clicked, this, &TForm1::B_viewClick);
}

void TForm1::B_joinClick() {
  SetControlState(-2);
  joiner->JoinSelectedIssues();
  SetControlState(2);
}

void TForm1::B_allmClick() {
  Memo3->selectAll();
  B_joinClick();
}

void TForm1::B_saveClick() {
  SaveShownText(state.ResultText, Memo1->document()->isEmpty(), FromQString(Panel1->text()),
                FromQString(Edit6->text()));
}

void TForm1::B_findtClick() { RunViewCommand(*WebB1, state.ResultText, ViewCommand::kFind); }

void TForm1::B_alltClick() { RunViewCommand(*WebB1, state.ResultText, ViewCommand::kSelectAll); }

void TForm1::B_copytClick() { RunViewCommand(*WebB1, state.ResultText, ViewCommand::kCopy); }

void TForm1::B_prnClick() { RunViewCommand(*WebB1, state.ResultText, ViewCommand::kPrint); }

void TForm1::B_preClick() { RunViewCommand(*WebB1, state.ResultText, ViewCommand::kPreview); }

void TForm1::B_viewClick() {
  // Row 1 follows the service root in use, so --service-root and --demo apply to it.
  const SiteTable sites = MakeSiteTable(serviceTable[0].siteRoot, kMelmaSiteRoot);
  LaunchSite(*Edit1, *Label1, sites, state, FromQString(Panel1->text()));
}
