#pragma once
// The main window TForm1: every control of the design, named as designed, at its
// designed place (absolute geometry; FormResize keeps the layout when the window is
// enlarged), and the window's own events.

#include <QEvent>
#include <QWidget>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>

#include "about/version_dialog.h"
#include "app/command_line.h"
#include "app/controls.h"
#include "archive/archive_search.h"
#include "archive/search_index_keeper.h"
#include "capture/browser_address.h"
#include "platform/shared_state.h"
#include "retrieval/page_fetch.h"
#include "retrieval/read_driver.h"
#include "retrieval/service_table.h"
#include "viewer/html_view.h"

class QLabel;
class QLineEdit;
class TForm3;
class TForm4;
class QPlainTextEdit;
class QTemporaryDir;
class QPushButton;
class IssueListViewer;
class IssueJoiner;
class MainWindowReadSurface;
class EventGapProbe;

namespace sample_site {
class SampleSite;
}

class TForm1 final : public QWidget {
  Q_OBJECT

 public:
  // The designed client size; the window keeps it unless maximized.
  static constexpr int kDesignWidth = 659;
  static constexpr int kDesignHeight = 463;

  // Builds the controls and runs FormCreate. `state` is the process's one record.
  explicit TForm1(SharedState& state, QWidget* parent = nullptr);
  ~TForm1() override;

  // Takes --archive, --service-root, --demo, --notice-base, --browser-session and --read.
  // With --demo the sample service starts here (throws std::runtime_error when it cannot
  // listen).
  void ApplyCommandLine(const CommandLine& options);
  // Runs the read asked for on the command line, once the window is shown.
  void StartPendingRead();
  // SIGINT or SIGTERM without a window: a running read is cancelled as by bt_can; with no
  // read running (or at a second signal) the window closes.
  void Interrupt();
  // What a --read ... --quit run exits with: 0 when the read ran and stored every issue it
  // queued, 1 otherwise.
  int ExitStatus() const { return exitStatus_; }

  // The window's events.
  void FormCreate();
  void FormShow();
  void FormClose();
  void FormDestroy();
  void FormResize();
  void Panel4Enter();
  void Edit1DblClick();
  void Memo1DblClick();

  // IEからURL取得: the address the running browser shows goes into Edit1, and the newsletter
  // it names is identified and its stored issues listed (TakeCapturedAddress).
  void B_IEClick();
  // The capture's steps after the address: identification of Edit1's address (the page
  // fetched as it is), the stored issues in Memo3, the outcome in Label1, Panel3 and Panel1,
  // the result emptied. A --read begins with it too.
  void TakeCapturedAddress();

  // Busy (negative mode) and idle (positive mode) states of the controls; 0 changes
  // nothing. -1/1 frame a read (Cancel usable), -2/2 a join.
  void SetControlState(int mode);
  // Asks the running read to stop.
  void bt_canClick();

  // A press of 読取り: prepares the read and posts StartReadMessage, so the read starts
  // after the click has been handled.
  void B_CheckClick();
  // Delivery of StartReadMessage: the read between the busy and the idle state.
  void StartReadHandler();
  // A press of 履歴から参照: the newsletter list window, then the newsletter chosen there.
  void B_readClick();
  // Ctrl+Shift+F: the full-text search window, then the hit chosen there, opened as from the
  // list window.
  void OpenSearchWindow();
  // Shows the issue of a hit in the newsletter just opened, as a click on its line does, with
  // its first hit selected in the view.
  void ShowSearchHit(const SearchHit& hit, const SearchQuery& query);
  static constexpr QEvent::Type StartReadMessage = static_cast<QEvent::Type>(QEvent::User + 1);

  // 結合 and 全 (between the join's busy and idle states), 保存, the view commands 検索,
  // 全選択, コピー, 印刷 and プレビュー, and サイト表示.
  void B_joinClick();
  void B_allmClick();
  void B_saveClick();
  void B_findtClick();
  void B_alltClick();
  void B_copytClick();
  void B_prnClick();
  void B_preClick();
  void B_viewClick();

  // A read of 一括読取: the 未読取分 of `address` (Shift-JIS), as a press of 読取り after
  // typing it, inheriting nothing of the newsletter shown before (its issue list, an
  // HTML-format refusal). False when no read was posted.
  bool StartUpdateRead(const std::string& address);
  const RetrievalDriver& Driver() const { return *driver_; }

  // The title the task bar shows: "Yomitoru", or the read's progress after the caption.
  void ShowTaskTitle(const QString& title);
  bool IsReading() const { return reading_; }
  bool IsReadPosted() const { return readPosted_; }

  // Controls, under their designer names (also their objectName).
  QFrame* Panel0;
  QPushButton* B_view;
  QPushButton* B_read;
  QPushButton* B_findt;
  QPushButton* B_allt;
  QPushButton* B_copyt;
  QPushButton* B_prn;
  QPushButton* B_pre;
  QPushButton* B_save;
  QLabel* Label6;
  QLineEdit* Edit1;
  DatePanel* Panel4;
  CentredLinesLabel* Label4;
  QPushButton* B_IE;
  QPushButton* B_Check;
  RadioGroup* RadioG2;
  FittedTextPanel* Panel3;  // panels showing text are framed labels
  QLabel* Label1;
  QLabel* Panel1;
  QPlainTextEdit* Memo1;
  HtmlView* WebB1;
  RadioGroup* RadioG1;
  QPushButton* B_Back;
  QPushButton* B_Next;
  QPushButton* B_join;
  QPushButton* B_allm;
  QPlainTextEdit* Memo3;
  QPlainTextEdit* Memo2;  // hidden work buffer
  QPlainTextEdit* Memo4;  // hidden work buffer
  QLineEdit* Edit6;       // hidden: RangeKey
  QFrame* Panel2;
  QPushButton* bt_can;
  LinkLabel* L_var;
  LinkLabel* L_note;

  // The process's shared state record.
  SharedState& state;
  // The services, with the Mag2 site root chosen at start-up.
  ServiceTable serviceTable;
  // Version strings and the notice of the maker's page.
  VersionNotice versionNotice;
  // Where the notice of this version is asked for; empty: nowhere.
  std::string noticeBase;
  // Which browsers IEからURL取得 asks, and how.
  BrowserSourceSettings browserSource;
  // The read asked for with --read, until it is done.
  std::optional<PendingRead> pendingRead;
  // ArchiveRoot given with --archive; empty: chosen as archive_root.h says.
  std::filesystem::path archiveFolder;
  // The page fetch with the process's internet session.
  PageFetcher fetcher;
  // The issue list and its paging.
  std::unique_ptr<IssueListViewer> viewer;
  // Joining the issues selected in the list.
  std::unique_ptr<IssueJoiner> joiner;
  // The archive's search index, brought up to date after reads and openings.
  SearchIndexKeeper searchIndex;
  // The version dialog and the newsletter list window, created after this window.
  TForm3* Form3 = nullptr;
  TForm4* Form4 = nullptr;

 Q_SIGNALS:
  // A read has ended and the controls are idle again.
  void ReadEnded();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void BuildControls();
  void KeepDesignSize();

  void ConnectIssueListHandlers();
  void ConnectSearchShortcut();
  // Opens the newsletter `id` of the archive as a choice in the list window does; false when
  // the ID names no newsletter that can be opened (the view is reset all the same).
  bool OpenChosenMagazine(const std::string& id, const std::string& title, const std::string& serviceFolder);
  void ConnectViewCommandHandlers();
  // Ends a --read ... --quit run: the status line on standard output, then the window closes.
  void FinishPendingRead();

  std::unique_ptr<sample_site::SampleSite> demoSite_;
  // With --demo: the Firefox session showing the sample newsletter that IEからURL取得 reads.
  std::unique_ptr<QTemporaryDir> demoSession_;
  std::unique_ptr<MainWindowReadSurface> readSurface_;
  std::unique_ptr<RetrievalDriver> driver_;
  bool readPosted_ = false;
  bool reading_ = false;
  bool closeWhenIdle_ = false;
  bool capturing_ = false;
  bool sizeCheckPending_ = false;
  bool interrupted_ = false;
  // For the benchmarks: the longest wait of the event loop during a read.
  std::unique_ptr<EventGapProbe> readGapProbe_;
  int exitStatus_ = 0;
};
