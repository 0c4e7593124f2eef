#include "archive/windows/string_grid.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>

#include "platform/qstring_text.h"

class StringGridModel final : public QAbstractTableModel {
 public:
  StringGridModel(std::set<int> rightAligned, QBrush fixedColumn, QObject* parent)
      : QAbstractTableModel(parent),
        rows_(1),
        rightAligned_(std::move(rightAligned)),
        fixedColumn_(std::move(fixedColumn)) {}

  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
  }
  int columnCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : kMagazineListColumns;
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid()) return {};
    switch (role) {
      case Qt::DisplayRole:
        return ToQString(Cell(index.column(), index.row()));
      case Qt::TextAlignmentRole:
        return QVariant::fromValue(
            Qt::AlignVCenter | (rightAligned_.count(index.column()) > 0 ? Qt::AlignRight : Qt::AlignLeft));
      case Qt::BackgroundRole:
        return index.column() == 0 ? QVariant(fixedColumn_) : QVariant();
      default:
        return {};
    }
  }

  const std::string& Cell(int column, int row) const {
    static const std::string none;
    if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 0 || column >= kMagazineListColumns)
      return none;
    return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
  }

  // False when the row count changed, which resets the view's current cell and selection.
  bool SetRows(std::vector<MagazineRow> rows) {
    if (rows.empty()) rows.emplace_back();
    if (rows.size() == rows_.size()) {
      rows_ = std::move(rows);
      Q_EMIT dataChanged(index(0, 0), index(rowCount({}) - 1, kMagazineListColumns - 1));
      return true;
    }
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
    return false;
  }

  const std::vector<MagazineRow>& Rows() const { return rows_; }

 private:
  std::vector<MagazineRow> rows_;
  std::set<int> rightAligned_;
  QBrush fixedColumn_;
};

namespace {

// Texts are drawn as a string grid draws them: 2 pixels in from the cell's edge and cut
// off at the other edge, never shortened with "…".
class GridCellDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QString text = cell.text;
    cell.text.clear();
    const QStyle* style = cell.widget != nullptr ? cell.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, cell.widget);
    const QPalette::ColorGroup group = !(cell.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (cell.state & QStyle::State_Active) ? QPalette::Active
                                                                             : QPalette::Inactive;
    painter->save();
    painter->setClipRect(cell.rect);
    painter->setFont(cell.font);
    painter->setPen(cell.palette.color(
        group, (cell.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(cell.rect.adjusted(StringGrid::kCellMargin, 0, -StringGrid::kCellMargin, 0),
                      static_cast<int>(cell.displayAlignment), text);
    painter->restore();
  }
};

}  // namespace

StringGrid::StringGrid(const QString& name, std::set<int> rightAligned, QWidget* parent)
    : QTableView(parent),
      model_(new StringGridModel(std::move(rightAligned), palette().brush(QPalette::Active, QPalette::Button),
                                 this)) {
  setObjectName(name);
  setModel(model_);
  setItemDelegate(new GridCellDelegate(this));
  horizontalHeader()->hide();
  verticalHeader()->hide();
  horizontalHeader()->setMinimumSectionSize(1);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setMinimumSectionSize(1);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setWordWrap(false);
  setShowGrid(true);
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current, const QModelIndex&) {
            if (!moving_ && current.isValid()) Q_EMIT SelectCell(current.column(), current.row());
          });
}

int StringGrid::RowCount() const { return static_cast<int>(model_->Rows().size()); }

const std::vector<MagazineRow>& StringGrid::Rows() const { return model_->Rows(); }

const std::string& StringGrid::Cell(int column, int row) const { return model_->Cell(column, row); }

void StringGrid::SetRows(std::vector<MagazineRow> rows) {
  const int column = CurrentColumn() < 0 ? 1 : CurrentColumn();
  if (!model_->SetRows(std::move(rows))) MoveTo(column, 0);
}

void StringGrid::SetColumnWidths(const std::array<int, kMagazineListColumns>& widths) {
  for (int column = 0; column < kMagazineListColumns; ++column)
    setColumnWidth(column, widths[static_cast<std::size_t>(column)]);
}

int StringGrid::InnerWidth() const {
  const int scrollBar = verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn
                            ? style()->pixelMetric(QStyle::PM_ScrollBarExtent)
                            : 0;
  return width() - 2 * frameWidth() - scrollBar;
}

int StringGrid::CurrentColumn() const { return currentIndex().isValid() ? currentIndex().column() : -1; }

int StringGrid::CurrentRow() const { return currentIndex().isValid() ? currentIndex().row() : -1; }

void StringGrid::MoveTo(int column, int row) {
  const QModelIndex target = model_->index(row, column);
  if (!target.isValid()) return;
  QItemSelectionModel::SelectionFlags flags = QItemSelectionModel::ClearAndSelect;
  if (selectionBehavior() == SelectRows) flags |= QItemSelectionModel::Rows;
  moving_ = true;
  selectionModel()->setCurrentIndex(target, flags);
  moving_ = false;
}

int StringGrid::TopSelectedRow() const {
  const QModelIndexList selected = selectionModel()->selectedIndexes();
  if (selected.isEmpty()) return std::max(0, CurrentRow());
  const auto top =
      std::min_element(selected.begin(), selected.end(),
                       [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  return top->row();
}

void StringGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  QTableView::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton) Q_EMIT DblClick();
}
