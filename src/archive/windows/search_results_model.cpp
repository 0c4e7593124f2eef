#include "archive/windows/search_results_model.h"

#include <array>

#include "platform/qstring_text.h"

void SearchResultsModel::SetResults(std::optional<SearchResults> results) {
  beginResetModel();
  results_ = std::move(results);
  endResetModel();
}

const SearchHit* SearchResultsModel::Hit(int row) const {
  if (!results_ || row < 0 || static_cast<std::size_t>(row) >= results_->Count()) return nullptr;
  return &results_->Hit(static_cast<std::size_t>(row));
}

int SearchResultsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() || !results_ ? 0 : static_cast<int>(results_->Count());
}

int SearchResultsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 3; }

QVariant SearchResultsModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole) return {};
  const SearchHit* hit = Hit(index.row());
  if (hit == nullptr) return {};
  switch (index.column()) {
    case 0:
      return ToQString(hit->issue.title);
    case 1:
      return ToQString(hit->issue.listKey);
    default:
      return ToQString(hit->excerpt);
  }
}

QVariant SearchResultsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section > 2) return {};
  static const std::array<const char*, 3> kHeaders = {"タイトル", "号", "本文"};
  return Utf8(kHeaders[static_cast<std::size_t>(section)]);
}
