// The full-text search from the main window: Ctrl+Shift+F opens the search window, and a hit
// chosen there (or in the search window opened from the list window) is shown: its
// newsletter opened as from the archive, its issue shown as a click on its line, its first
// hit selected.

#include <QKeySequence>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTextBlock>

#include "app/main_window.h"
#include "archive/issue_naming.h"
#include "archive/magazine_log.h"
#include "archive/windows/search_window.h"
#include "viewer/hit_selection.h"
#include "viewer/issue_list.h"
#include "viewer/qt_text.h"

void TForm1::ConnectSearchShortcut() {
  auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F), this);
  shortcut->setObjectName(QStringLiteral("SearchShortcut"));
  connect(shortcut, &QShortcut::activated, this, &TForm1::OpenSearchWindow);
}

void TForm1::OpenSearchWindow() {
  // As 履歴から参照, which a read or a join switches off.
  if (!B_read->isEnabled() || reading_) return;
  TFormSearch search(state.ArchiveRoot, searchIndex, this);
  if (search.exec() != QDialog::Accepted || !search.ChosenHit) return;
  const SearchHit& hit = *search.ChosenHit;
  if (OpenChosenMagazine(hit.issue.magazineId, hit.issue.title, std::string(kServiceFolderName)))
    ShowSearchHit(hit, search.ChosenQuery);
}

void TForm1::ShowSearchHit(const SearchHit& hit, const SearchQuery& query) {
  const std::string line = "*" + hit.issue.listKey + "*";
  const QString lineText = ToQString(line);
  for (QTextBlock block = Memo3->document()->begin(); block.isValid(); block = block.next()) {
    if (block.text() != lineText) continue;
    Memo3->setFocus(Qt::OtherFocusReason);
    Memo3->setTextCursor(QTextCursor(block));
    viewer->Memo3Click();
    // A newer show (the user went on meanwhile) leaves the view to that one.
    if (FromQString(Edit6->text()) == IssueFileName(line, 2)) SelectFirstHit(*WebB1, query);
    return;
  }
}
