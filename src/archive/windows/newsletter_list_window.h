#pragma once
// The window that lists the newsletters of the archive (TForm4): one row per line of the
// archive index, sorted by any column, to choose one newsletter for the main window, to
// delete one with its files, or to read what is new in all of them (一括読取, which the
// program runs through the main window; this window shows its progress). The main
// window shows it modally and reads the choice from the hand-off strings once it has
// closed.

#include <QDialog>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/archive_search.h"
#include "archive/magazine_list.h"
#include "archive/search_index_keeper.h"
#include "archive/search_query.h"
#include "platform/shared_state.h"

class QLabel;
class QPushButton;
class StringGrid;

class TForm4 final : public QDialog {
  Q_OBJECT

 public:
  // `state` gives ArchiveRoot when the window is shown; `searchIndex` keeps the archive's
  // search index (the window keeps one of its own when none is given).
  explicit TForm4(const SharedState& state, QWidget* parent = nullptr,
                  SearchIndexKeeper* searchIndex = nullptr);
  ~TForm4() override;

  // The window's events.
  void FormCreate();
  void FormShow();
  void FormResize();
  void FormDblClick();
  void FormDestroy();
  void SGrid1SelectCell(int column, int row);
  void SGrid2SelectCell(int column, int row);
  void SGrid2DblClick();
  void SGrid1DblClick();
  void Bt_selClick();
  void Bt_delClick();
  // 全文検索: the search window; a hit chosen there is chosen here too.
  void Bt_srchClick();
  // 一括読取, or 中止 while a run goes on.
  void Bt_updClick();

  // 一括読取 as the run sees the window: the IDs in the order the list shows them; a run
  // going on (the buttons and the sorting held, the button reading 中止); the row being
  // read; a row's cells taken again from its index line once its log is written, or its
  // read time shown as エラー; the progress and the summary in Lb_upd (Shift-JIS).
  std::vector<std::string> ListedMagazineIds() const;
  void SetUpdateRunning(bool running);
  void SelectMagazineRow(const std::string& id);
  void RefreshMagazineRow(const std::string& id);
  void MarkMagazineError(const std::string& id);
  void ShowUpdateText(const std::string& text);

  // Reads the archive index into the rows grid, ordered by ID, with plain headers.
  void FillMagazineList();
  // Sorts the rows by `column` (1 to 7, else 1): ascending the first time, then
  // descending and ascending in turn, the header showing "↓" or "↑".
  void SortMagazineList(int column);

  // Controls, under their designer names (also their objectName).
  QPushButton* Bt_sel;
  QPushButton* Bt_del;
  QPushButton* Bt_srch;
  QPushButton* Bt_upd;
  QLabel* Lb_upd;
  StringGrid* SGrid2;  // the column headers
  StringGrid* SGrid1;  // the rows

  // The choice handed to the main window (Shift-JIS): the ID (empty when the window was
  // closed without one), its title, and the archive's name of its service.
  std::string ChosenMagazineId;
  std::string ChosenMagazineTitle;
  std::string ChosenServiceFolder;
  // With a choice made in the search window: the hit, to be shown with the query that found it.
  std::optional<SearchHit> ChosenHit;
  SearchQuery ChosenQuery;

  // Work list of the fill and the sort.
  StringList ListLines;
  // Pixel widths of the columns 0 to 7.
  std::array<int, kMagazineListColumns> ListColumnWidths{};

  // Closing (close box or Esc, both of which reject) while a run goes on asks for 中止
  // first; the window closes when the run has ended.
  void reject() override;

 Q_SIGNALS:
  void UpdateAllRequested();
  void UpdateCancelRequested();

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void ApplyColumnWidths();
  void ChooseTopRow();
  // 一括読取 is offered when the list holds a newsletter, and 中止 while a run goes on.
  void UpdateUpdateButton();
  // The row of `id` in the grid, or -1.
  int RowOf(const std::string& id) const;
  SearchIndexKeeper& SearchKeeper();

  const SharedState& state_;
  bool updateRunning_ = false;
  bool closeAfterUpdate_ = false;
  SearchIndexKeeper* searchIndex_;
  std::unique_ptr<SearchIndexKeeper> ownSearchIndex_;
};
