#include "archive/windows/newsletter_list_window.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <algorithm>
#include <numeric>
#include <utility>

#include "archive/magazine_deletion.h"
#include "archive/magazine_log.h"
#include "archive/windows/search_window.h"
#include "archive/windows/string_grid.h"
#include "platform/collation.h"
#include "platform/cp932.h"
#include "platform/dialogs.h"
#include "platform/ini.h"
#include "platform/qstring_text.h"

namespace {

constexpr QSize kDesignSize(807, 416);
constexpr QPoint kDesignPlace(465, 194);
constexpr int kHeaderTop = 31;
constexpr int kHeaderHeight = 25;
constexpr int kRowsTop = 56;
constexpr int kRowHeight = 18;
constexpr std::array<int, kMagazineListColumns> kDesignWidths{23, 65, 300, 40, 108, 63, 50, 114};
constexpr int kTitleColumn = 2;
// The sum of the seven widths besides the title's, and the pixels left for grid lines.
constexpr int kOtherColumnsWidth =
    std::accumulate(kDesignWidths.begin(), kDesignWidths.end(), 0) - kDesignWidths[kTitleColumn];
constexpr int kGridLines = 7;
constexpr int kMinTitleWidth = 100;
constexpr int kUpdateLabelLeft = 360;

// The title takes what the other columns leave of a grid's inner width.
int TitleWidthWithin(int innerWidth) { return innerWidth - kOtherColumnsWidth - kGridLines; }

// The designed place, moved in just enough that the window stays on a smaller screen.
QPoint PlaceOnScreen(QPoint place, QSize size) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return place;
  const QRect area = screen->availableGeometry();
  place.setX(std::max(area.left(), std::min(place.x(), area.right() + 1 - size.width())));
  place.setY(std::max(area.top(), std::min(place.y(), area.bottom() + 1 - size.height())));
  return place;
}

// The IPA faces run wider than the face the columns were designed for: the grids' face
// narrows (never below 80 %) until the headers and a row of typical contents fit.
QFont GridFont(QFont font, const std::array<int, kMagazineListColumns>& widths) {
  static const MagazineRow typical{"   1",       "0000123456", "", "     57", "2006/12/31 15:30:05",
                                   "2006/12/29", "  123456",   ""};
  const QFontMetrics metrics(font);
  int stretch = 100;
  for (const MagazineRow* row : {&typical, &MagazineListHeaders()}) {
    for (std::size_t column = 0; column < row->size(); ++column) {
      const int advance = metrics.horizontalAdvance(ToQString((*row)[column]));
      // One pixel of each cell is its grid line.
      const int room = widths[column] - 1 - StringGrid::kCellMargin;
      if (static_cast<int>(column) != kTitleColumn && advance > 0)
        stretch = std::min(stretch, room * 100 / advance);
    }
  }
  font.setStretch(std::max(80, stretch));
  return font;
}

QPushButton* MakeButton(QWidget* parent, const char* name, QRect geometry, const char* caption) {
  auto* button = new QPushButton(Utf8(caption), parent);
  button->setObjectName(QLatin1String(name));
  button->setGeometry(geometry);
  button->setAutoDefault(false);
  return button;
}

}  // namespace

TForm4::TForm4(const SharedState& state, QWidget* parent, SearchIndexKeeper* searchIndex)
    : QDialog(parent), state_(state), searchIndex_(searchIndex) {
  setObjectName(QStringLiteral("TForm4"));
  setWindowTitle(Utf8("Yomitoru 読取メールマガジン一覧"));
  resize(kDesignSize);
  move(PlaceOnScreen(kDesignPlace, kDesignSize));

  Bt_sel = MakeButton(this, "Bt_sel", {8, 4, 73, 25}, "選択");
  Bt_del = MakeButton(this, "Bt_del", {96, 4, 73, 25}, "削除");
  Bt_srch = MakeButton(this, "Bt_srch", {184, 4, 73, 25}, "全文検索");
  Bt_upd = MakeButton(this, "Bt_upd", {272, 4, 73, 25}, "一括読取");
  Bt_upd->setToolTip(Utf8("一覧のメルマガすべての未読取分を読み取ります。"));
  Lb_upd = new QLabel(this);
  Lb_upd->setObjectName(QStringLiteral("Lb_upd"));
  Lb_upd->setGeometry(kUpdateLabelLeft, 8, width() - kUpdateLabelLeft - 8, 17);
  Lb_upd->setTextFormat(Qt::PlainText);

  SGrid2 = new StringGrid(QStringLiteral("SGrid2"), {}, this);
  SGrid2->setGeometry(0, kHeaderTop, width(), kHeaderHeight);
  SGrid2->setSelectionBehavior(QAbstractItemView::SelectItems);
  SGrid2->setSelectionMode(QAbstractItemView::SingleSelection);
  SGrid2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  SGrid2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  SGrid2->verticalHeader()->setDefaultSectionSize(kHeaderHeight - 2 * SGrid2->frameWidth());
  SGrid2->setFocusPolicy(Qt::ClickFocus);
  QPalette face = SGrid2->palette();
  face.setColor(QPalette::Base, face.color(QPalette::Active, QPalette::Button));
  SGrid2->setPalette(face);

  SGrid1 = new StringGrid(QStringLiteral("SGrid1"), {0, 3, 6}, this);
  SGrid1->setGeometry(0, kRowsTop, width(), height() - kRowsTop);
  SGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
  SGrid1->setSelectionMode(QAbstractItemView::ContiguousSelection);
  SGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // Always shown, so the inner width the title column is fitted to does not change with
  // the number of rows.
  SGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

  // A grid's current cell starts in its first column after the fixed one.
  SGrid1->MoveTo(1, 0);
  SGrid2->MoveTo(1, 0);
  setTabOrder(SGrid1, Bt_del);
  setTabOrder(Bt_del, Bt_sel);
  setTabOrder(Bt_sel, Bt_srch);
  setTabOrder(Bt_srch, Bt_upd);

  connect(Bt_sel, &QPushButton::clicked, this, &TForm4::Bt_selClick);
  connect(Bt_del, &QPushButton::clicked, this, &TForm4::Bt_delClick);
  connect(Bt_srch, &QPushButton::clicked, this, &TForm4::Bt_srchClick);
  connect(Bt_upd, &QPushButton::clicked, this, &TForm4::Bt_updClick);
  connect(SGrid1, &StringGrid::SelectCell, this, &TForm4::SGrid1SelectCell);
  connect(SGrid2, &StringGrid::SelectCell, this, &TForm4::SGrid2SelectCell);
  connect(SGrid1, &StringGrid::DblClick, this, &TForm4::SGrid1DblClick);
  connect(SGrid2, &StringGrid::DblClick, this, &TForm4::SGrid2DblClick);
  FormCreate();
  hide();
}

TForm4::~TForm4() { FormDestroy(); }

void TForm4::FormCreate() {
  ListLines.clear();
  SGrid1->verticalHeader()->setDefaultSectionSize(kRowHeight);
  ListColumnWidths = kDesignWidths;
  ListColumnWidths[kTitleColumn] = TitleWidthWithin(SGrid1->InnerWidth());
  ApplyColumnWidths();
  const QFont gridFont = GridFont(font(), ListColumnWidths);
  SGrid1->setFont(gridFont);
  SGrid2->setFont(gridFont);
}

void TForm4::FormShow() { FillMagazineList(); }

void TForm4::FormResize() {
  Lb_upd->resize(std::max(0, width() - kUpdateLabelLeft - 8), Lb_upd->height());
  const int gridWidth = width() - 2;
  SGrid2->setGeometry(0, kHeaderTop, gridWidth, kHeaderHeight);
  SGrid1->setGeometry(0, kRowsTop, gridWidth, std::max(0, height() - kRowsTop));
  ListColumnWidths[kTitleColumn] = TitleWidthWithin(SGrid1->InnerWidth());
  if (ListColumnWidths[kTitleColumn] < kMinTitleWidth) {
    // The columns keep their widths; the grids grow past the window's edge instead.
    ListColumnWidths[kTitleColumn] = kMinTitleWidth;
    const int columnsWidth = kOtherColumnsWidth + kMinTitleWidth;
    SGrid2->resize(columnsWidth, SGrid2->height());
    SGrid1->resize(columnsWidth, SGrid1->height());
  }
  ApplyColumnWidths();
}

// A double click on the window's background chooses nothing.
void TForm4::FormDblClick() {}

void TForm4::FormDestroy() { ListLines.clear(); }

void TForm4::SGrid1SelectCell(int column, int /*row*/) { SGrid2->MoveTo(column, 0); }

void TForm4::SGrid2SelectCell(int column, int row) { SGrid1->MoveTo(column, row); }

void TForm4::SGrid2DblClick() {
  if (!updateRunning_) SortMagazineList(SGrid1->CurrentColumn());
}

void TForm4::SGrid1DblClick() {
  if (!updateRunning_) ChooseTopRow();
}

void TForm4::Bt_selClick() { ChooseTopRow(); }

void TForm4::Bt_delClick() {
  const int row = SGrid1->TopSelectedRow();
  const std::string id = SGrid1->Cell(1, row);
  if (id.empty()) return;
  ChosenMagazineId = id;
  ChosenMagazineTitle = SGrid1->Cell(2, row);
  const std::string question = cp932::FromUtf8("『") + ChosenMagazineTitle + "(" + id + ")" +
                               cp932::FromUtf8("』 の履歴を削除しますか？");
  if (!CurrentDialogs().Ask(question, QuestionButtons::kYesCancel)) {
    // Declining is no choice: closing the window afterwards opens nothing.
    ChosenMagazineId.clear();
    ChosenMagazineTitle.clear();
    return;
  }
  DeleteMagazine(state_.ArchiveRoot, id);
  SearchKeeper().RequestUpdate(state_.ArchiveRoot, SearchIndexKeeper::Need::kIfPresent, id);
  FillMagazineList();
}

void TForm4::Bt_srchClick() {
  TFormSearch search(state_.ArchiveRoot, SearchKeeper(), this);
  if (search.exec() != QDialog::Accepted || !search.ChosenHit) return;
  ChosenMagazineId = search.ChosenHit->issue.magazineId;
  ChosenMagazineTitle = search.ChosenHit->issue.title;
  ChosenHit = std::move(search.ChosenHit);
  ChosenQuery = std::move(search.ChosenQuery);
  accept();
}

void TForm4::FillMagazineList() {
  ListLines.clear();
  ChosenMagazineId.clear();
  ChosenHit.reset();
  ChosenServiceFolder = kServiceFolderName;
  SGrid2->SetRows({MagazineListHeaders()});
  ListLines = ReadIniSection(ArchiveIndexFile(state_.ArchiveRoot), kServiceFolderName);
  SortIgnoringCase(ListLines);
  std::vector<MagazineRow> rows;
  rows.reserve(ListLines.size());
  for (const std::string& line : ListLines) {
    rows.push_back(CutIndexLine(line));
    rows.back()[0] = RowNumberCell(rows.size());
  }
  // The grid shrinks to its one row first, so a new list starts on its first row.
  SGrid1->SetRows({});
  SGrid1->SetRows(std::move(rows));
  SGrid1->setFocus();
  UpdateUpdateButton();
}

void TForm4::Bt_updClick() {
  if (updateRunning_) {
    Q_EMIT UpdateCancelRequested();
  } else if (!ListedMagazineIds().empty()) {
    Q_EMIT UpdateAllRequested();
  }
}

std::vector<std::string> TForm4::ListedMagazineIds() const {
  std::vector<std::string> ids;
  for (const MagazineRow& row : SGrid1->Rows()) {
    if (!row[1].empty()) ids.push_back(row[1]);
  }
  return ids;
}

void TForm4::SetUpdateRunning(bool running) {
  updateRunning_ = running;
  Bt_upd->setText(Utf8(running ? "中止" : "一括読取"));
  for (QPushButton* button : {Bt_sel, Bt_del, Bt_srch}) button->setEnabled(!running);
  UpdateUpdateButton();
  if (!running && std::exchange(closeAfterUpdate_, false)) QDialog::reject();
}

void TForm4::UpdateUpdateButton() { Bt_upd->setEnabled(updateRunning_ || !ListedMagazineIds().empty()); }

int TForm4::RowOf(const std::string& id) const {
  for (int row = 0; row < SGrid1->RowCount(); ++row) {
    if (SGrid1->Cell(1, row) == id) return row;
  }
  return -1;
}

void TForm4::SelectMagazineRow(const std::string& id) {
  const int row = RowOf(id);
  if (row >= 0) SGrid1->MoveTo(1, row);
}

void TForm4::RefreshMagazineRow(const std::string& id) {
  const int row = RowOf(id);
  const std::string value = ReadIniValue(ArchiveIndexFile(state_.ArchiveRoot), kServiceFolderName, id);
  if (row < 0 || value.empty()) return;
  std::vector<MagazineRow> rows = SGrid1->Rows();
  MagazineRow cells = CutIndexLine(id + "=" + value);
  cells[0] = rows[static_cast<std::size_t>(row)][0];
  rows[static_cast<std::size_t>(row)] = std::move(cells);
  SGrid1->SetRows(std::move(rows));
  SGrid1->MoveTo(1, row);
}

void TForm4::MarkMagazineError(const std::string& id) {
  const int row = RowOf(id);
  if (row < 0) return;
  std::vector<MagazineRow> rows = SGrid1->Rows();
  rows[static_cast<std::size_t>(row)][4] = cp932::FromUtf8("エラー");
  SGrid1->SetRows(std::move(rows));
}

void TForm4::ShowUpdateText(const std::string& text) { Lb_upd->setText(ToQString(text)); }

void TForm4::reject() {
  if (updateRunning_) {
    closeAfterUpdate_ = true;
    Q_EMIT UpdateCancelRequested();
    return;
  }
  QDialog::reject();
}

void TForm4::SortMagazineList(int column) {
  ListLines.clear();
  if (column < 1 || column >= kMagazineListColumns) column = 1;
  MagazineRow headers = MagazineListHeaders();
  headers[static_cast<std::size_t>(column)] = NextSortHeader(SGrid2->Cell(column, 0));
  SGrid2->SetRows({headers});
  if (SGrid1->RowCount() <= 1) return;

  std::vector<MagazineRow> rows = SGrid1->Rows();
  for (const MagazineRow& row : rows) ListLines.push_back(SortLineOf(row, column));
  SortIgnoringCase(ListLines);
  const bool ascending = IsAscendingHeader(headers[static_cast<std::size_t>(column)]);
  for (std::size_t r = 0; r < rows.size(); ++r)
    TakeCellsFromSortLine(rows[r], ListLines[ascending ? r : rows.size() - 1 - r]);
  SGrid1->SetRows(std::move(rows));
}

void TForm4::ChooseTopRow() {
  const int row = SGrid1->TopSelectedRow();
  if (SGrid1->Cell(1, row).empty()) return;
  ChosenMagazineId = SGrid1->Cell(1, row);
  ChosenMagazineTitle = SGrid1->Cell(2, row);
  accept();
}

SearchIndexKeeper& TForm4::SearchKeeper() {
  if (searchIndex_ != nullptr) return *searchIndex_;
  if (!ownSearchIndex_) ownSearchIndex_ = std::make_unique<SearchIndexKeeper>();
  return *ownSearchIndex_;
}

void TForm4::ApplyColumnWidths() {
  SGrid2->SetColumnWidths(ListColumnWidths);
  SGrid1->SetColumnWidths(ListColumnWidths);
}

void TForm4::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TForm4::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  FormResize();
}

void TForm4::mouseDoubleClickEvent(QMouseEvent* event) {
  QDialog::mouseDoubleClickEvent(event);
  FormDblClick();
}
