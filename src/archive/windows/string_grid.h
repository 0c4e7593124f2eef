#pragma once
// A string grid: a table view over rows of eight Shift-JIS cells, shown through the one
// Shift-JIS/QString boundary. Column 0 is drawn as the fixed column. Rows are kept as
// bytes, so what is read back from a cell is exactly what was put in.

#include <QTableView>
#include <array>
#include <set>
#include <string>
#include <vector>

#include "archive/magazine_list.h"

class StringGridModel;

class StringGrid final : public QTableView {
  Q_OBJECT

 public:
  // Pixels between a cell's text and the edge it is aligned to.
  static constexpr int kCellMargin = 2;

  // `rightAligned`: the columns whose texts are drawn flush right.
  StringGrid(const QString& name, std::set<int> rightAligned, QWidget* parent);

  int RowCount() const;
  const std::vector<MagazineRow>& Rows() const;
  const std::string& Cell(int column, int row) const;
  // Replaces every row; an empty list leaves one empty row, as a grid always keeps one.
  // With as many rows as before, the current cell and the selection stay; otherwise the
  // current cell goes to the first row, in the column it was in (column 1 at first).
  void SetRows(std::vector<MagazineRow> rows);

  void SetColumnWidths(const std::array<int, kMagazineListColumns>& widths);
  // The width inside the frame and the vertical scroll bar.
  int InnerWidth() const;

  int CurrentColumn() const;
  int CurrentRow() const;
  // Makes cell (column, row) current and selected, without SelectCell: only the user's
  // moves report.
  void MoveTo(int column, int row);
  // The topmost selected row; the current row when nothing is selected.
  int TopSelectedRow() const;

 Q_SIGNALS:
  // The user made a cell current.
  void SelectCell(int column, int row);
  // A double click anywhere on the grid, on a cell or not.
  void DblClick();

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  StringGridModel* model_;
  bool moving_ = false;
};
