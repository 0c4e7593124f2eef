#include "viewer/html_view.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <optional>

#include "platform/fs.h"
#include "viewer/page_resources.h"
#include "viewer/qt_text.h"

namespace {

// Pages longer than this are built in the background.
constexpr std::size_t kBackgroundLoadBytes = 256 * 1024;
// Lines of a page let go of that are freed between two events.
constexpr int kDisposedBlocksPerStep = 4000;

QString FileName(const std::filesystem::path& path) { return QFile::decodeName(QByteArray(path.c_str())); }

// The page's fonts are sized in pixels, as on screen: a printer at the screen's resolution
// sets them at the size the user sees, where one at its own resolution would print them
// a few points high.
constexpr QPrinter::PrinterMode kPrinterMode = QPrinter::ScreenResolution;

bool IsExternalScheme(const QString& scheme) {
  for (const char* external : {"http", "https", "ftp", "mailto"}) {
    if (scheme.compare(QLatin1String(external), Qt::CaseInsensitive) == 0) return true;
  }
  return false;
}

}  // namespace

HtmlFindDialog::HtmlFindDialog(HtmlView& view) : QDialog(&view), view_(view) {
  setObjectName(QStringLiteral("FindDialog"));
  setWindowTitle(Utf8("検索"));
  setModal(false);

  auto* label = new QLabel(Utf8("検索する文字列(&N):"), this);
  textEdit = new QLineEdit(this);
  textEdit->setObjectName(QStringLiteral("FindText"));
  label->setBuddy(textEdit);
  matchCase = new QCheckBox(Utf8("大文字と小文字を区別する(&C)"), this);
  matchCase->setObjectName(QStringLiteral("FindMatchCase"));
  nextButton = new QPushButton(Utf8("次を検索(&F)"), this);
  nextButton->setObjectName(QStringLiteral("FindNext"));
  nextButton->setDefault(true);
  previousButton = new QPushButton(Utf8("前を検索(&B)"), this);
  previousButton->setObjectName(QStringLiteral("FindPrevious"));
  closeButton = new QPushButton(Utf8("閉じる"), this);
  closeButton->setObjectName(QStringLiteral("FindClose"));
  status = new QLabel(this);
  status->setObjectName(QStringLiteral("FindStatus"));

  auto* grid = new QGridLayout(this);
  grid->addWidget(label, 0, 0);
  grid->addWidget(textEdit, 0, 1);
  grid->addWidget(nextButton, 0, 2);
  grid->addWidget(matchCase, 1, 0, 1, 2);
  grid->addWidget(previousButton, 1, 2);
  grid->addWidget(status, 2, 0, 1, 2);
  grid->addWidget(closeButton, 2, 2);
  grid->setColumnMinimumWidth(1, 180);

  connect(nextButton, &QPushButton::clicked, this, &HtmlFindDialog::FindNext);
  connect(previousButton, &QPushButton::clicked, this, &HtmlFindDialog::FindPrevious);
  connect(closeButton, &QPushButton::clicked, this, &QDialog::hide);
  connect(textEdit, &QLineEdit::textChanged, status, &QLabel::clear);
}

bool HtmlFindDialog::FindNext() { return Find({}); }

bool HtmlFindDialog::FindPrevious() { return Find(QTextDocument::FindBackward); }

bool HtmlFindDialog::Find(QTextDocument::FindFlags direction) {
  status->clear();
  const QString text = textEdit->text();
  if (text.isEmpty()) return false;
  QTextDocument::FindFlags flags = direction;
  if (matchCase->isChecked()) flags |= QTextDocument::FindCaseSensitively;
  if (view_.find(text, flags)) return true;

  // Not found between the caret and the end (or start): go round once.
  const QTextCursor before = view_.textCursor();
  QTextCursor from(view_.document());
  from.movePosition(direction & QTextDocument::FindBackward ? QTextCursor::End : QTextCursor::Start);
  view_.setTextCursor(from);
  if (view_.find(text, flags)) {
    status->setText(direction & QTextDocument::FindBackward ? Utf8("末尾から検索しました。")
                                                            : Utf8("先頭から検索しました。"));
    return true;
  }
  view_.setTextCursor(before);
  status->setText(Utf8("見つかりませんでした。"));
  return false;
}

HtmlView::HtmlView(QWidget* parent) : QTextBrowser(parent) {
  setDocument(new PageDocument(this));
  runDialog = [](QDialog& dialog) { return dialog.exec(); };
  openExternal = [](const QUrl& url) { QDesktopServices::openUrl(url); };
  setOpenLinks(false);
  setOpenExternalLinks(false);
  setUndoRedoEnabled(false);
  // Text in <pre> is laid out in a Japanese monospace face, so columns of the issues'
  // ruled lines and tables stay aligned. A substitution for the generic family costs
  // nothing per line, where a default style sheet is matched against every line.
  QFont::insertSubstitutions(QStringLiteral("monospace"),
                             {QStringLiteral("MS Gothic"), QStringLiteral("IPAGothic")});
  connect(this, &QTextBrowser::anchorClicked, this, &HtmlView::FollowLink);
}

HtmlView::~HtmlView() {
  for (QThread* loader : loaders_) loader->wait();
}

bool HtmlView::Navigate(const std::filesystem::path& localFile) {
  std::optional<std::string> bytes = ReadWholeFile(localFile);
  const bool read = bytes.has_value();
  ShowPage(localFile, std::move(bytes));
  return read;
}

void HtmlView::ShowPage(const std::filesystem::path& localFile, std::optional<std::string> bytes) {
  Stop();
  currentFile_ = localFile;
  // Relative names in the page (images, style sheets) resolve against its folder.
  const QUrl base = QUrl::fromLocalFile(FileName(localFile));
  if (!bytes || bytes->size() < kBackgroundLoadBytes) {
    document()->setBaseUrl(base);
    setHtml(bytes ? ToWidgetText(*bytes) : QString());
  } else {
    LoadInBackground(std::move(*bytes), base);
  }
}

// A page of many thousand lines takes the HTML importer a good part of a second, and its
// decoding a noticeable moment; both done in a thread of its own, they leave the window
// answering meanwhile.
void HtmlView::LoadInBackground(std::string bytes, const QUrl& base) {
  busy_ = true;
  const quint64 load = ++loadNumber_;
  // The built page is held here until the view takes it; should the view go first, the
  // holder deletes it.
  auto built = std::make_shared<std::unique_ptr<PageDocument>>();
  QThread* loader = QThread::create([built, bytes = std::move(bytes), base, guiThread = thread()] {
    auto document = std::make_unique<PageDocument>();
    document->setUndoRedoEnabled(false);
    document->setBaseUrl(base);
    document->setHtml(ToWidgetText(bytes));
    document->moveToThread(guiThread);
    *built = std::move(document);
  });
  loader->setParent(this);
  loaders_.push_back(loader);
  connect(loader, &QThread::finished, this, [this, loader, built, load] {
    loaders_.erase(std::remove(loaders_.begin(), loaders_.end(), loader), loaders_.end());
    loader->deleteLater();
    ShowLoadedDocument(built->release(), load);
  });
  loader->start();
}

void HtmlView::ShowLoadedDocument(QTextDocument* loaded, quint64 load) {
  if (load != loadNumber_) {  // stopped, or another page was asked for meanwhile
    delete loaded;
    return;
  }
  busy_ = false;
  if (loaded == nullptr) return;
  // setDocument deletes only the view's first page; a page loaded here before is the
  // view's child and goes too, or every large page shown would stay in memory.
  const QPointer<QTextDocument> previous = document();
  setDocument(loaded);
  loaded->setParent(this);
  if (previous && previous->parent() == this) DisposeLater(previous);
}

// A page of many thousand laid-out lines takes tens of milliseconds to free at once; it
// goes from its end (where a removal lays nothing out again) a slice at a time, each after
// the window has answered.
void HtmlView::DisposeLater(QPointer<QTextDocument> document) {
  QTimer::singleShot(0, this, [this, document] {
    if (!document) return;
    const int blocks = document->blockCount();
    if (blocks <= kDisposedBlocksPerStep) {
      delete document;
      return;
    }
    QTextCursor cursor(document->findBlockByNumber(blocks - kDisposedBlocksPerStep));
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    DisposeLater(document);
  });
}

void HtmlView::Stop() {
  ++loadNumber_;
  busy_ = false;
}

bool HtmlView::IsShownOnScreen() const {
  // isVisible() already requires every parent up to the window, and the window, shown.
  return isVisible();
}

void HtmlView::TakeFocus() { setFocus(Qt::OtherFocusReason); }

void HtmlView::Print() {
  QPrinter printer(kPrinterMode);
  QPrintDialog dialog(&printer, this);
  if (runDialog(dialog) == QDialog::Accepted) document()->print(&printer);
}

void HtmlView::PrintPreview() {
  QPrinter printer(kPrinterMode);
  QPrintPreviewDialog dialog(&printer, this);
  dialog.resize(800, 640);
  connect(&dialog, &QPrintPreviewDialog::paintRequested, this,
          [this](QPrinter* target) { document()->print(target); });
  runDialog(dialog);
}

void HtmlView::SelectAll() { selectAll(); }

void HtmlView::Copy() { copy(); }

bool HtmlView::CanCopy() const { return textCursor().hasSelection(); }

void HtmlView::ShowFindDialog() {
  if (findDialog_ == nullptr) findDialog_ = new HtmlFindDialog(*this);
  if (CanCopy()) findDialog_->textEdit->setText(textCursor().selectedText());
  findDialog_->show();
  findDialog_->raise();
  findDialog_->activateWindow();
  findDialog_->textEdit->setFocus(Qt::OtherFocusReason);
  findDialog_->textEdit->selectAll();
}

void HtmlView::FollowLink(const QUrl& link) {
  if (IsExternalScheme(link.scheme())) {
    openExternal(link);
    return;
  }
  if (link.isRelative() && link.path().isEmpty() && link.hasFragment()) {
    scrollToAnchor(link.fragment());
    return;
  }
  // A page the link leads to is shown only when it may be loaded as a resource could.
  const QUrl page = QUrl::fromLocalFile(FileName(currentFile_));
  std::optional<std::string> bytes = LoadPageResource(page, link);
  if (!bytes) return;
  const QUrl target = page.resolved(link);
  ShowPage(LocalFilePath(target), std::move(bytes));
  if (target.hasFragment()) scrollToAnchor(target.fragment());
}
