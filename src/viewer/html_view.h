#pragma once
// The HTML view of the main window: shows the local Shift-JIS pages the program writes,
// with print, preview, find, select-all and copy. It runs no scripts and loads nothing
// from the network: what a page names is read only from the page's own folder (see
// page_resources.h), and a clicked web link opens in the user's browser instead.

#include <QDialog>
#include <QPointer>
#include <QTextBrowser>
#include <QTextDocument>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QThread;
class QLabel;
class QLineEdit;
class QPushButton;
class HtmlView;

// The find dialog over the page: non-modal, searches from the caret and wraps once.
class HtmlFindDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit HtmlFindDialog(HtmlView& view);

  // Selects the next (previous) occurrence of the text in the page; false when there is
  // none anywhere in the page.
  bool FindNext();
  bool FindPrevious();

  QLineEdit* textEdit;
  QCheckBox* matchCase;
  QPushButton* nextButton;
  QPushButton* previousButton;
  QPushButton* closeButton;
  QLabel* status;

 private:
  bool Find(QTextDocument::FindFlags direction);

  HtmlView& view_;
};

class HtmlView final : public QTextBrowser {
  Q_OBJECT

 public:
  explicit HtmlView(QWidget* parent = nullptr);
  ~HtmlView() override;

  // Reads `localFile` as a Shift-JIS page and shows it. A small page is shown at once; a
  // large one is laid out in the background and shown when ready, the view being busy
  // meanwhile. False (and an empty page) when the file cannot be read.
  bool Navigate(const std::filesystem::path& localFile);
  // Ends any loading in progress; the page shown stays.
  void Stop();
  // True while a page is loading.
  bool IsBusy() const { return busy_; }
  // The view and all its parents are visible.
  bool IsShownOnScreen() const;
  // Later key input goes to the page.
  void TakeFocus();

  // The print dialog, then the page printed on the chosen printer.
  void Print();
  // The print preview window of the page.
  void PrintPreview();
  void SelectAll();
  // The selection to the clipboard (HTML and plain text).
  void Copy();
  // True when part of the page is selected.
  bool CanCopy() const;
  // Opens (or raises) the find dialog.
  void ShowFindDialog();

  // The page last navigated to; empty before the first.
  const std::filesystem::path& CurrentFile() const { return currentFile_; }
  // Null until the find dialog was first opened.
  HtmlFindDialog* FindDialog() const { return findDialog_; }

  // Runs the print and preview dialogs modally and returns their result. Tests replace it
  // so that no dialog blocks them.
  std::function<int(QDialog&)> runDialog;
  // Opens a web or mail link outside the view (the user's default browser).
  std::function<void(const QUrl&)> openExternal;

 private:
  void FollowLink(const QUrl& link);
  // Shows the bytes of the page `localFile` (nothing when there are none).
  void ShowPage(const std::filesystem::path& localFile, std::optional<std::string> bytes);
  void LoadInBackground(std::string bytes, const QUrl& base);
  void ShowLoadedDocument(QTextDocument* loaded, quint64 load);
  void DisposeLater(QPointer<QTextDocument> document);

  std::filesystem::path currentFile_;
  bool busy_ = false;
  quint64 loadNumber_ = 0;         // the load whose page may still be shown
  std::vector<QThread*> loaders_;  // background loads still running
  HtmlFindDialog* findDialog_ = nullptr;
};
