#include "app/main_window.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindowStateChangeEvent>
#include <initializer_list>
#include <iostream>
#include <stdexcept>

#include "about/notice_check.h"
#include "about/notice_links.h"
#include "about/version_info.h"
#include "app/archive_root.h"
#include "app/button_glyphs.h"
#include "app/date_caption.h"
#include "app/event_gap_probe.h"
#include "app/main_window_read_surface.h"
#include "platform/bench_trace.h"
#include "platform/cp932.h"
#include "platform/dialogs.h"
#include "platform/fs.h"
#include "sample_site/browser_session.h"
#include "sample_site/sample_site.h"
#include "viewer/issue_join.h"
#include "viewer/issue_list.h"
#include "viewer/qt_text.h"

namespace {

constexpr int kDemoPort = 18080;

QString RunningCaption() { return Utf8("Yomitoru メルマガ バックナンバー・リーダー ★ヨミトル★"); }

void Name(QWidget* widget, const char* name) { widget->setObjectName(QLatin1String(name)); }

QPushButton* MakeButton(QWidget* parent, const char* name, QRect geometry, const char* caption,
                        const char* hint, std::optional<Glyph> glyph) {
  auto* button = new QPushButton(Utf8(caption), parent);
  Name(button, name);
  button->setGeometry(geometry);
  button->setToolTip(Utf8(hint));
  button->setAutoDefault(false);
  if (glyph) {
    button->setIcon(GlyphIcon(*glyph));
    button->setIconSize(QSize(16, 16));
  }
  return button;
}

QPlainTextEdit* MakeMemo(QWidget* parent, const char* name, QRect geometry) {
  auto* memo = new QPlainTextEdit(parent);
  Name(memo, name);
  memo->setGeometry(geometry);
  memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo->setUndoRedoEnabled(false);
  return memo;
}

QLabel* MakeTextPanel(QWidget* parent, const char* name, QRect geometry) {
  auto* panel = new QLabel(parent);
  Name(panel, name);
  panel->setGeometry(geometry);
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  panel->setIndent(3);
  panel->setTextFormat(Qt::PlainText);
  return panel;
}

void SetFill(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, colour);
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

}  // namespace

TForm1::TForm1(SharedState& sharedState, QWidget* parent)
    : QWidget(parent),
      state(sharedState),
      serviceTable(MakeServiceTable(ChooseMag2SiteRoot({}))),
      noticeBase(ChooseNoticeBase({})),
      browserSource(ChooseBrowserSourceSettings({})),
      fetcher(sharedState) {
  setObjectName(QStringLiteral("TForm1"));
  setWindowTitle(Utf8("Yomitoru メルマガバックナンバーリーダー★ヨミトル★"));
  setWindowIcon(WindowIcon());
  setFont(UiFont(12));
  // The window is painted in the face colour of buttons.
  SetFill(this, palette().color(QPalette::Active, QPalette::Button));
  resize(kDesignWidth, kDesignHeight);
  setMinimumSize(kDesignWidth, kDesignHeight);

  BuildControls();
  viewer = std::make_unique<IssueListViewer>(
      state,
      IssueListWidgets{Memo3, Memo4, Memo1, Edit6, Label1, WebB1, [this] { return RadioG1->ItemIndex(); }});
  readSurface_ = std::make_unique<MainWindowReadSurface>(*this);
  driver_ = std::make_unique<RetrievalDriver>(state, fetcher, serviceTable, *readSurface_);
  ConnectIssueListHandlers();
  ConnectViewCommandHandlers();
  ConnectSearchShortcut();
  connect(B_Check, &QPushButton::clicked, this, &TForm1::B_CheckClick);
  connect(B_read, &QPushButton::clicked, this, &TForm1::B_readClick);
  connect(B_IE, &QPushButton::clicked, this, &TForm1::B_IEClick);
  connect(L_var, &LinkLabel::Click, this, [this] {
    if (Form3 != nullptr) L_varClick(versionNotice, *Form3);
  });
  connect(L_note, &LinkLabel::Click, this, [this] { L_noteClick(versionNotice); });
  FormCreate();
  FormResize();
}

void TForm1::ConnectIssueListHandlers() {
  connect(RadioG1, &RadioGroup::Click, this, [this] { viewer->RadioG1Click(); });
  connect(B_Back, &QPushButton::clicked, this, [this] { viewer->B_BackClick(); });
  connect(B_Next, &QPushButton::clicked, this, [this] { viewer->B_NextClick(); });
}

TForm1::~TForm1() { FormDestroy(); }

void TForm1::BuildControls() {
  // The links lie on the window beneath Panel0, as the designer's labels do; an enlarged
  // Panel0 covers them.
  L_var = new LinkLabel(Utf8("バージョン情報.."), this);
  Name(L_var, "L_var");
  L_var->setGeometry(4, 450, 75, 11);
  L_note = new LinkLabel(Utf8("お知らせ"), this);
  Name(L_note, "L_note");
  L_note->setGeometry(100, 450, 41, 11);
  QFont linkFont = UiFont(11);
  linkFont.setUnderline(true);
  for (LinkLabel* link : {L_var, L_note}) link->setFont(FitWidth(linkFont, {link->text()}, link->width()));

  Panel0 = new QFrame(this);
  Name(Panel0, "Panel0");
  Panel0->setGeometry(0, 0, 659, 449);
  Panel0->setFrameStyle(QFrame::Panel | QFrame::Sunken);

  B_view = MakeButton(Panel0, "B_view", {8, 8, 89, 25}, "サイト表示", "まぐまぐＨＰを、ＩＥで表示します。",
                      Glyph::Site);
  B_read = MakeButton(Panel0, "B_read", {104, 8, 105, 25}, "履歴から参照",
                      "読取済みのメルマガを、選択して表示します。", Glyph::History);
  B_findt = MakeButton(Panel0, "B_findt", {224, 8, 65, 25}, "検索",
                       "表示しているメルマガから、指定した文字を検索します。", Glyph::Find);
  B_allt = MakeButton(Panel0, "B_allt", {290, 8, 65, 25}, "全選択",
                      "表示しているメルマガを、全て選択します。", Glyph::SelectAll);
  B_copyt = MakeButton(Panel0, "B_copyt", {355, 8, 65, 25}, "コピー",
                       "表示しているメルマガの選択部分を、クリップボードにコピーします。", Glyph::Copy);
  B_prn = MakeButton(Panel0, "B_prn", {432, 8, 65, 25}, "印刷", "表示しているメルマガを、印刷します。",
                     Glyph::Print);
  // プレビュー fills its narrow button by itself: a glyph beside it would clip the caption.
  B_pre = MakeButton(Panel0, "B_pre", {498, 8, 69, 25}, "プレビュー", "印刷のプレビュー画面を表示します。",
                     std::nullopt);
  B_save = MakeButton(Panel0, "B_save", {568, 8, 65, 25}, "保存",
                      "表示中のメルマガを、指定したフォルダに保存します。", Glyph::Save);

  Label6 = new QLabel(Utf8("メルマガURL"), Panel0);
  Name(Label6, "Label6");
  Label6->setGeometry(10, 44, 86, 16);
  Label6->setFont(FitWidth(UiFont(16), {Label6->text()}, Label6->width()));

  Edit1 = new QLineEdit(Panel0);
  Name(Edit1, "Edit1");
  Edit1->setGeometry(102, 40, 427, 25);
  Edit1->setFont(UiFont(16));
  // Addresses are typed in Latin letters: the input method stays closed here.
  Edit1->setInputMethodHints(Qt::ImhLatinOnly | Qt::ImhNoAutoUppercase | Qt::ImhUrlCharactersOnly);
  Edit1->setAttribute(Qt::WA_InputMethodEnabled, false);
  Edit1->installEventFilter(this);

  Panel4 = new DatePanel(Panel0);
  Name(Panel4, "Panel4");
  Panel4->setGeometry(536, 37, 108, 32);
  Panel4->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel4->setFont(UiFont(13));
  Panel4->setToolTip(Utf8("本日"));
  connect(Panel4, &DatePanel::Enter, this, &TForm1::Panel4Enter);
  Label4 = new CentredLinesLabel(Panel4);
  Name(Label4, "Label4");
  Label4->setGeometry(8, 4, 97, 25);

  B_IE = MakeButton(Panel0, "B_IE", {8, 68, 113, 33}, "IEからURL取得",
                    "IEに表示した、まぐまぐメルマガサイトのＵＲＬを取得します。", Glyph::FromBrowser);
  B_Check = MakeButton(Panel0, "B_Check", {128, 68, 89, 33}, "読取り",
                       "メルマガＵＲＬから、バックナンバーを読み取ります。", Glyph::Read);
  B_Check->setFont(UiFont(15));

  RadioG2 = new RadioGroup(QStringLiteral("RadioG2"), {Utf8("未読取分"), Utf8("すべて")}, 2,
                           {222, 65, 155, 33}, Panel0);
  RadioG2->setToolTip(Utf8("読取り方法を指定します。"));

  Panel3 = new FittedTextPanel(Panel0);
  Name(Panel3, "Panel3");
  Panel3->setGeometry(8, 104, 121, 22);

  Label1 = new QLabel(Panel0);
  Name(Label1, "Label1");
  Label1->setGeometry(128, 106, 513, 17);
  Label1->setFont(UiFont(13));
  Label1->setWordWrap(true);
  Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Label1->setTextFormat(Qt::PlainText);
  Label1->setIndent(3);

  Panel1 = MakeTextPanel(Panel0, "Panel1", {8, 128, 641, 30});
  Panel1->setFont(UiFont(16));

  // Memo1's designer hint ("ダブルクリックで結果をコピーできます。") is switched off; its
  // words reach the user through Memo1DblClick's message box.
  Memo1 = MakeMemo(Panel0, "Memo1", {8, 158, 457, 283});
  Memo1->setReadOnly(true);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setAttribute(Qt::WA_InputMethodEnabled, false);
  Memo1->viewport()->installEventFilter(this);

  // The view lies over Memo1; it stays hidden until a page is shown, so the empty result
  // area (and its double-click hint) is what the user meets first.
  WebB1 = new HtmlView(Panel0);
  Name(WebB1, "WebB1");
  WebB1->setGeometry(8, 158, 457, 250);
  WebB1->hide();

  RadioG1 = new RadioGroup(QStringLiteral("RadioG1"), {Utf8("新着順"), Utf8("発行順")}, 2,
                           {472, 158, 129, 33}, Panel0);
  RadioG1->setToolTip(Utf8("バックナンバーの表示順を指定します。"));

  B_Back = MakeButton(Panel0, "B_Back", {472, 193, 41, 25}, "前", "前へ", Glyph::Back);
  B_Next = MakeButton(Panel0, "B_Next", {517, 193, 41, 25}, "次", "次へ", Glyph::Next);
  B_join = MakeButton(Panel0, "B_join", {560, 193, 49, 25}, "結合",
                      "マウスで選択したバックナンバーを、１つに結合して表示します。", Glyph::Join);
  B_allm = MakeButton(Panel0, "B_allm", {612, 193, 37, 25}, "全",
                      "バックナンバーを全てを結合して表示します。", Glyph::JoinAll);

  Memo3 = MakeMemo(Panel0, "Memo3", {472, 224, 177, 216});
  Memo3->setReadOnly(true);
  Memo3->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo3->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

  Memo2 = MakeMemo(Panel0, "Memo2", {272, 248, 233, 89});
  Memo2->hide();
  Memo4 = MakeMemo(Panel0, "Memo4", {256, 328, 161, 89});
  Memo4->hide();
  Edit6 = new QLineEdit(Panel0);
  Name(Edit6, "Edit6");
  Edit6->setGeometry(288, 184, 161, 20);
  Edit6->hide();

  // The Cancel button's frame sits on the window, over Panel0, so a busy Panel0 does not
  // take it along.
  Panel2 = new QFrame(this);
  Name(Panel2, "Panel2");
  Panel2->setGeometry(560, 71, 88, 32);
  Panel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
  SetFill(Panel2, palette().color(QPalette::Active, QPalette::Button));
  bt_can = MakeButton(Panel2, "bt_can", {4, 4, 81, 25}, "キャンセル", "バックナンバーの読取りを中止します。",
                      Glyph::Cancel);
  connect(bt_can, &QPushButton::clicked, this, &TForm1::bt_canClick);
  Panel2->setEnabled(false);
  bt_can->setEnabled(false);
  Panel2->raise();

  for (QWidget* display :
       std::initializer_list<QWidget*>{Label6, Edit1, Panel4, Panel3, Label1, Panel1, Memo1, WebB1, Memo3}) {
    KeepLookWhileParentInactive(display);
  }
}

void TForm1::FormCreate() {
  // The three lists of the shared state start empty.
  state.IssueQueue.clear();
  state.ResultText.clear();
  state.StoredIssueList.clear();

  Edit1->clear();
  Memo1->clear();
  Memo2->clear();
  Memo3->clear();
  Memo4->clear();
  Label1->clear();

  versionNotice.FileVersionText.clear();
  versionNotice.VersionText.clear();
  versionNotice.NoticeMessage.clear();
  versionNotice.NoticeNote.clear();
  versionNotice.NoticeDownloadUrl.clear();
  ReadVersionInfo(versionNotice);

  Panel1->clear();
  Panel3->clear();

  RadioG1->SetItemIndex(0);
  RadioG2->SetItemIndex(0);

  Label4->setText(ToWidgetText(DateCaption()));
}

void TForm1::FormShow() {
  state.ArchiveRoot = ChooseArchiveRoot(archiveFolder, CurrentArchivePlaces());
  state.MagazineFolder = state.ArchiveRoot;

  setWindowTitle(RunningCaption());

  // The marks are applied now, with no notice yet, and again when the notice has come.
  CheckNotice(versionNotice, noticeBase, this, [this] { ApplyNoticeMarks(versionNotice, *L_var, *L_note); });
  ApplyNoticeMarks(versionNotice, *L_var, *L_note);
}

void TForm1::FormClose() { WebB1->Stop(); }

void TForm1::FormDestroy() {
  state.IssueQueue.clear();
  state.ResultText.clear();
  state.StoredIssueList.clear();
}

void TForm1::FormResize() {
  const int cw = width();
  const int ch = height();
  if (cw < 658 || ch < 463) return;
  // Only lefts, widths and heights change; every top stays.
  auto setLeft = [](QWidget* widget, int left) { widget->move(left, widget->y()); };
  auto setWidth = [](QWidget* widget, int width) { widget->resize(width, widget->height()); };
  auto setHeight = [](QWidget* widget, int height) { widget->resize(widget->width(), height); };

  setLeft(Memo3, cw - 186);
  setHeight(Memo3, ch - 247);
  setLeft(B_Back, Memo3->x());
  setLeft(B_Next, B_Back->x() + 45);
  setLeft(B_join, B_Back->x() + 90);
  setLeft(B_allm, B_Back->x() + 142);
  setLeft(RadioG1, Memo3->x());
  Panel0->resize(cw, ch - 14);
  Memo1->resize(cw - 207, ch - 180);
  WebB1->resize(Memo1->size());
  setWidth(Edit1, cw - 232);
  setWidth(Panel1, cw - 17);
  setLeft(Panel2, cw - 96);
  setLeft(Panel4, cw - 117);
}

void TForm1::Panel4Enter() { Label4->setText(ToWidgetText(DateCaption())); }

void TForm1::Edit1DblClick() { Edit1->selectAll(); }

void TForm1::Memo1DblClick() {
  Memo1->selectAll();
  if (!state.ResultText.empty()) {
    QGuiApplication::clipboard()->setText(ToQString(JoinLines(state.ResultText)));
    CurrentDialogs().ShowMessage(cp932::FromUtf8("■ 結果をコピーしました。"));
  } else if (Memo1->document()->isEmpty()) {
    CurrentDialogs().ShowMessage(cp932::FromUtf8("■ ダブルクリックで結果をコピーできます。"));
  }
}

void TForm1::ApplyCommandLine(const CommandLine& options) {
  if (!options.archive.empty()) archiveFolder = options.archive;
  std::string siteRoot = options.serviceRoot;
  std::string demoNoticeBase;
  browserSource = ChooseBrowserSourceSettings(options.browserSession);
  if (options.demo) {
    // The sample service takes the place of the real one, whatever else was given.
    demoSite_ = std::make_unique<sample_site::SampleSite>();
    // One port on every start while it is free, so the addresses an earlier demo session
    // stored in the archive still name the service; any free port otherwise.
    try {
      demoSite_->Start(kDemoPort);
    } catch (const std::runtime_error&) {
      demoSite_->Start();
    }
    siteRoot = demoSite_->Root();
    demoNoticeBase = demoSite_->NoticeBase("full");
    const std::string address = demoSite_->NewsletterAddress("0000100001");
    Edit1->setText(QString::fromStdString(address));
    // A browser "showing" the sample newsletter, unless a session file was named.
    if (browserSource.sessionFile.empty()) {
      demoSession_ = std::make_unique<QTemporaryDir>();
      const std::filesystem::path session =
          std::filesystem::path(QFile::encodeName(demoSession_->path()).toStdString()) / "recovery.jsonlz4";
      const std::string bytes = sample_site::FirefoxSessionFile(
          sample_site::SingleTabSession(address, "まぐまぐ - 週刊サンプル通信 -"));
      if (demoSession_->isValid() && !WriteFileAtomically(session, bytes))
        browserSource.sessionFile = session;
    }
  }
  serviceTable = MakeServiceTable(ChooseMag2SiteRoot(siteRoot));
  noticeBase = ChooseNoticeBase(options.noticeBase.empty() ? demoNoticeBase : options.noticeBase);
  pendingRead = options.read;
}

void TForm1::StartPendingRead() {
  if (!pendingRead) return;
  Edit1->setText(QString::fromStdString(pendingRead->url));
  // As a user who took the address from the browser: identified and the stored issues
  // listed, so that 未読取分 skips them.
  TakeCapturedAddress();
  if (pendingRead->all) RadioG2->SetItemIndex(1);
  B_CheckClick();
  // Nothing was posted (no address, or an HTML-format newsletter): the run ends here.
  if (pendingRead->quit && !IsReadPosted()) QTimer::singleShot(0, this, &TForm1::FinishPendingRead);
}

void TForm1::Interrupt() {
  const bool again = interrupted_;
  interrupted_ = true;
  exitStatus_ = 1;
  if ((reading_ || readPosted_) && !again) {
    bt_canClick();
    return;
  }
  if (reading_) {
    closeWhenIdle_ = true;
    fetcher.Abandon();
    return;
  }
  pendingRead.reset();
  close();
}

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // Restoring from the task bar is no new show.
  if (!event->spontaneous()) {
    TraceMoment("window-shown");
    FormShow();
  }
}

void TForm1::closeEvent(QCloseEvent* event) {
  // A capture's page fetch is given up with the window.
  if (capturing_) fetcher.Abandon();
  if (reading_) {
    // The read is running inside this very event: it is cancelled, its page fetch given
    // up, and the window closes once the read has unwound.
    state.CancelRequested = -1;
    fetcher.Abandon();
    closeWhenIdle_ = true;
    event->ignore();
    return;
  }
  FormClose();
  event->accept();
}

bool TForm1::event(QEvent* event) {
  if (event->type() == StartReadMessage) {
    StartReadHandler();
    return true;
  }
  return QWidget::event(event);
}

void TForm1::B_CheckClick() {
  TraceMoment("read-pressed");
  if (BenchTraceEnabled()) readGapProbe_ = std::make_unique<EventGapProbe>();
  state.IssueQueue.clear();
  Memo1->clear();
  Memo2->clear();
  state.ResultText.clear();
  WebB1->Stop();
  WebB1->hide();
  state.CancelRequested = 0;
  if (Edit1->text().isEmpty()) return;
  if (state.HtmlFormatFlag == 1) {
    CurrentDialogs().ShowMessage(cp932::FromUtf8("HTML形式のメールマガジンは、今後対応予定です"));
    return;
  }
  readPosted_ = true;
  QCoreApplication::postEvent(this, new QEvent(StartReadMessage));
}

void TForm1::StartReadHandler() {
  readPosted_ = false;
  reading_ = true;
  SetControlState(-1);
  if (interrupted_) state.CancelRequested = -1;
  driver_->RunRetrieval(FromQString(Edit1->text()));
  if (!state.MagazineId.empty())
    searchIndex.RequestUpdate(state.ArchiveRoot, SearchIndexKeeper::Need::kIfPresent, state.MagazineId);
  SetControlState(1);
  if (readGapProbe_) {
    TraceMoment("read-idle", std::to_string(readGapProbe_->LongestGapMs()));
    readGapProbe_.reset();
  }
  reading_ = false;
  Q_EMIT ReadEnded();
  if (closeWhenIdle_) {
    close();
  } else if (pendingRead && pendingRead->quit) {
    FinishPendingRead();
  }
}

bool TForm1::StartUpdateRead(const std::string& address) {
  state.HtmlFormatFlag = 0;
  state.StoredIssueList.clear();
  Memo3->clear();
  Edit1->setText(ToQString(address));
  RadioG2->SetItemIndex(0);
  B_CheckClick();
  return readPosted_;
}

void TForm1::ShowTaskTitle(const QString& title) {
  setWindowTitle(title == QStringLiteral("Yomitoru") ? RunningCaption()
                                                     : RunningCaption() + QStringLiteral(" - ") + title);
}

void TForm1::FinishPendingRead() {
  pendingRead.reset();
  std::cout << Label1->text().toStdString() << std::endl;
  const ReadEnd end = IsReadPosted() || reading_ ? ReadEnd::kNone : driver_->LastEnd();
  if (end == ReadEnd::kNotRead && Label1->text().isEmpty()) {
    // The service panel tells a user at the window why nothing was read; a script hears it here.
    std::cerr << Panel3->text().toStdString() << std::endl;
  }
  if (end != ReadEnd::kComplete) exitStatus_ = 1;
  close();
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FormResize();
  // A single border: the user cannot drag the frame to another size. The window
  // manager is still told the window can grow, or it would offer no maximize; a frame
  // dragged to another size springs back once the drag has settled.
  if (!sizeCheckPending_ &&
      !(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized)) &&
      size() != QSize(kDesignWidth, kDesignHeight)) {
    sizeCheckPending_ = true;
    QTimer::singleShot(50, this, &TForm1::KeepDesignSize);
  }
}

void TForm1::KeepDesignSize() {
  sizeCheckPending_ = false;
  // The window manager may report a maximize after its new size: look again.
  if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized)) return;
  if (size() != QSize(kDesignWidth, kDesignHeight)) resize(kDesignWidth, kDesignHeight);
}

void TForm1::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  // Maximized, the window takes the screen's size, even a small screen's; restored, it
  // is held at the designed size again.
  if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
    setMinimumSize(0, 0);
  } else {
    setMinimumSize(kDesignWidth, kDesignHeight);
  }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick) {
    if (watched == Edit1) {
      Edit1DblClick();
      return true;
    }
    if (watched == Memo1->viewport()) {
      Memo1DblClick();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}
