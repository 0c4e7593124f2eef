#include "archive/windows/search_window.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>
#include <QTableView>
#include <QTimer>

#include "archive/windows/search_results_model.h"
#include "platform/cp932.h"
#include "platform/dialogs.h"
#include "platform/qstring_text.h"

namespace {

constexpr QSize kDesignSize(640, 400);
constexpr int kGridTop = 40;
constexpr int kLabelWidth = 270;
constexpr int kRowHeight = 18;
// A pause in typing this long runs the query.
constexpr int kTypingPauseMs = 250;
constexpr int kIndexingPollMs = 200;

bool IsEnter(const QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  const int key = static_cast<const QKeyEvent*>(event)->key();
  return key == Qt::Key_Return || key == Qt::Key_Enter;
}

}  // namespace

TFormSearch::TFormSearch(const std::filesystem::path& archiveRoot, SearchIndexKeeper& keeper, QWidget* parent)
    : QDialog(parent), archiveRoot_(archiveRoot), keeper_(keeper) {
  setObjectName(QStringLiteral("TFormSearch"));
  setWindowTitle(Utf8("Yomitoru 全文検索"));
  resize(kDesignSize);

  Edit1 = new QLineEdit(this);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Edit1->setPlaceholderText(Utf8("検索する語句"));
  Edit1->setToolTip(
      Utf8("読み取ったすべての号の本文から検索します。空白で区切った語句はすべてを含む号を、"
           "\"\"で囲んだ語句はそのとおりの並びを探します。"));
  Edit1->installEventFilter(this);

  Label1 = new QLabel(this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setTextFormat(Qt::PlainText);
  Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

  model_ = new SearchResultsModel(this);
  SGrid1 = new QTableView(this);
  SGrid1->setObjectName(QStringLiteral("SGrid1"));
  SGrid1->setModel(model_);
  SGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
  SGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
  SGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  SGrid1->setWordWrap(false);
  SGrid1->setTextElideMode(Qt::ElideRight);
  SGrid1->verticalHeader()->hide();
  // Rows of one height are laid out without asking every row for its size.
  SGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  SGrid1->verticalHeader()->setDefaultSectionSize(kRowHeight);
  SGrid1->horizontalHeader()->setHighlightSections(false);
  SGrid1->horizontalHeader()->setStretchLastSection(true);
  SGrid1->setColumnWidth(0, 160);
  SGrid1->setColumnWidth(1, 120);
  SGrid1->installEventFilter(this);
  setTabOrder(Edit1, SGrid1);

  typing_ = new QTimer(this);
  typing_->setSingleShot(true);
  typing_->setInterval(kTypingPauseMs);
  indexing_ = new QTimer(this);
  indexing_->setInterval(kIndexingPollMs);
  connect(Edit1, &QLineEdit::textEdited, this, &TFormSearch::Edit1Change);
  connect(Edit1, &QLineEdit::returnPressed, this, &TFormSearch::Edit1Enter);
  connect(SGrid1, &QTableView::doubleClicked, this, &TFormSearch::SGrid1DblClick);
  connect(typing_, &QTimer::timeout, this, &TFormSearch::Search);
  connect(indexing_, &QTimer::timeout, this, &TFormSearch::WatchIndexing);
}

TFormSearch::~TFormSearch() = default;

void TFormSearch::Edit1Change() {
  // Without the index every search reads every file: only Enter runs it.
  if (search_ && !search_->ReadsFiles()) typing_->start();
}

void TFormSearch::Edit1Enter() {
  Search();
  if (model_->rowCount({}) == 0) return;
  SGrid1->setFocus(Qt::OtherFocusReason);
  SGrid1->selectRow(0);
}

void TFormSearch::SGrid1DblClick() {
  const SearchHit* hit = model_->Hit(SGrid1->currentIndex().row());
  if (hit == nullptr || hit->issue.magazineId.empty()) return;
  ChosenHit = *hit;
  ChosenQuery = query_;
  accept();
}

void TFormSearch::Search() {
  typing_->stop();
  if (!search_) return;
  query_ = ParseSearchQuery(Edit1->text().toStdU16String());
  if (query_.terms.empty()) {
    model_->SetResults(std::nullopt);
  } else {
    model_->SetResults(search_->Run(query_));
  }
  ShowCount();
}

void TFormSearch::ShowCount() {
  if (query_.terms.empty()) {
    Label1->clear();
    return;
  }
  QString count = QString::number(model_->rowCount({})) + Utf8("件");
  if (!search_->ReadsFiles() && keeper_.IsUpdating()) count += Utf8("（索引を更新中: 一部のみ）");
  Label1->setText(count);
}

void TFormSearch::WatchIndexing() {
  if (keeper_.IsUpdating()) return;
  indexing_->stop();
  if (search_ && !search_->ReadsFiles() && keeper_.Failed(archiveRoot_)) {
    // The rows still read the index: they go first.
    model_->SetResults(std::nullopt);
    search_->GiveUpIndex();
    FallBackToFiles();
  }
  if (!query_.terms.empty()) {
    Search();
  } else {
    ShowCount();
  }
}

void TFormSearch::FallBackToFiles() {
  if (fallbackShown_) return;
  fallbackShown_ = true;
  CurrentDialogs().ShowMessage(cp932::FromUtf8(kIndexUnavailableUtf8));
}

void TFormSearch::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  ChosenHit.reset();
  keeper_.RequestUpdate(archiveRoot_, SearchIndexKeeper::Need::kCreate);
  search_ = std::make_unique<ArchiveSearch>(archiveRoot_);
  if (search_->ReadsFiles()) FallBackToFiles();
  indexing_->start();
  Edit1->setFocus(Qt::OtherFocusReason);
  Edit1->selectAll();
  if (!Edit1->text().isEmpty()) Search();
}

void TFormSearch::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  const int labelLeft = std::max(8, width() - kLabelWidth - 8);
  Edit1->setGeometry(8, 8, std::max(0, labelLeft - 16), 25);
  Label1->setGeometry(labelLeft, 8, width() - labelLeft - 8, 25);
  SGrid1->setGeometry(0, kGridTop, width(), std::max(0, height() - kGridTop));
}

bool TFormSearch::eventFilter(QObject* watched, QEvent* event) {
  if (watched == SGrid1 && IsEnter(event)) {
    SGrid1DblClick();
    return true;
  }
  // Down from the query moves into the hits.
  if (watched == Edit1 && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Down && model_->rowCount({}) > 0) {
    SGrid1->setFocus(Qt::OtherFocusReason);
    if (!SGrid1->currentIndex().isValid()) SGrid1->selectRow(0);
    return true;
  }
  return QDialog::eventFilter(watched, event);
}
