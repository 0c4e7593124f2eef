#pragma once
// The rows of the search window's grid: one per hit, with the newsletter's title, the issue
// key in list form and the excerpt. Rows are read from the results as the view asks for them,
// so a query with many thousand hits shows at once.

#include <QAbstractTableModel>
#include <optional>

#include "archive/archive_search.h"

class SearchResultsModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  using QAbstractTableModel::QAbstractTableModel;

  void SetResults(std::optional<SearchResults> results);
  // Hit `row`, or nothing for a row that is not there.
  const SearchHit* Hit(int row) const;

  int rowCount(const QModelIndex& parent) const override;
  int columnCount(const QModelIndex& parent) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  // Reading a hit fills the results' cache: the rows are the model's own, mutable state.
  mutable std::optional<SearchResults> results_;
};
