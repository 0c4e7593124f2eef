#pragma once
// The full-text search window (TFormSearch): a query in Edit1, the number of hits in Label1
// and the hits in SGrid1 (newsletter title, issue key, a line around the first hit), over
// every stored issue of the archive. Enter or a double click on a hit chooses it and closes
// the window, as a choice in the list window does; whoever opened it shows the hit.

#include <QDialog>
#include <filesystem>
#include <memory>
#include <optional>

#include "archive/archive_search.h"
#include "archive/search_index_keeper.h"
#include "archive/search_query.h"

class QLabel;
class QLineEdit;
class QTableView;
class QTimer;
class SearchResultsModel;

class TFormSearch final : public QDialog {
  Q_OBJECT

 public:
  // Searches the archive at `archiveRoot`; `keeper` brings its index up to date.
  TFormSearch(const std::filesystem::path& archiveRoot, SearchIndexKeeper& keeper, QWidget* parent = nullptr);
  ~TFormSearch() override;

  // The query changed: searched after a short pause (through the index only).
  void Edit1Change();
  // Enter in the query: searched at once, and the first hit becomes current.
  void Edit1Enter();
  // A double click or Enter on a hit: it is chosen.
  void SGrid1DblClick();
  // Runs the query of Edit1 now.
  void Search();

  // Controls, under their designer names (also their objectName).
  QLineEdit* Edit1;
  QTableView* SGrid1;
  QLabel* Label1;

  // The hit chosen and the query that found it, once the window has closed by a choice.
  std::optional<SearchHit> ChosenHit;
  SearchQuery ChosenQuery;

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowCount();
  // While the index is brought up to date: once it is, the query runs again.
  void WatchIndexing();
  // The index could not be made: searches read the files, and the user is told once.
  void FallBackToFiles();

  std::filesystem::path archiveRoot_;
  SearchIndexKeeper& keeper_;
  std::unique_ptr<ArchiveSearch> search_;
  SearchQuery query_;
  SearchResultsModel* model_;
  QTimer* typing_;
  QTimer* indexing_;
  bool fallbackShown_ = false;
};
