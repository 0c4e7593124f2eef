// The main window driven offscreen: its controls against the design, the start-up and
// show steps, the resize rules, maximize and restore, the double-click handlers and the
// command line options that reach the window.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QClipboard>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QtTest>
#include <map>

#include "app/date_caption.h"
#include "app/main_window.h"
#include "support/test_support.h"
#include "viewer/qt_text.h"

namespace {

struct ControlRow {
  const char* name;
  const char* kind;     // the class the control is, or derives from
  const char* parent;   // objectName of its parent
  QRect design;         // left, top, width, height as designed
  const char* caption;  // text; radio items joined by "|"; nullptr: checked by its own test
  const char* hint;
  bool hidden;
};

// The designed controls, one row each.
const ControlRow kControls[] = {
    {"Panel0", "QFrame", "TForm1", {0, 0, 659, 449}, "", "", false},
    {"B_view",
     "QPushButton",
     "Panel0",
     {8, 8, 89, 25},
     "サイト表示",
     "まぐまぐＨＰを、ＩＥで表示します。",
     false},
    {"B_read",
     "QPushButton",
     "Panel0",
     {104, 8, 105, 25},
     "履歴から参照",
     "読取済みのメルマガを、選択して表示します。",
     false},
    {"B_findt",
     "QPushButton",
     "Panel0",
     {224, 8, 65, 25},
     "検索",
     "表示しているメルマガから、指定した文字を検索します。",
     false},
    {"B_allt",
     "QPushButton",
     "Panel0",
     {290, 8, 65, 25},
     "全選択",
     "表示しているメルマガを、全て選択します。",
     false},
    {"B_copyt",
     "QPushButton",
     "Panel0",
     {355, 8, 65, 25},
     "コピー",
     "表示しているメルマガの選択部分を、クリップボードにコピーします。",
     false},
    {"B_prn",
     "QPushButton",
     "Panel0",
     {432, 8, 65, 25},
     "印刷",
     "表示しているメルマガを、印刷します。",
     false},
    {"B_pre",
     "QPushButton",
     "Panel0",
     {498, 8, 69, 25},
     "プレビュー",
     "印刷のプレビュー画面を表示します。",
     false},
    {"B_save",
     "QPushButton",
     "Panel0",
     {568, 8, 65, 25},
     "保存",
     "表示中のメルマガを、指定したフォルダに保存します。",
     false},
    {"Label6", "QLabel", "Panel0", {10, 44, 86, 16}, "メルマガURL", "", false},
    {"Edit1", "QLineEdit", "Panel0", {102, 40, 427, 25}, "", "", false},
    {"Panel4", "QFrame", "Panel0", {536, 37, 108, 32}, nullptr, "本日", false},
    {"Label4", "QLabel", "Panel4", {8, 4, 97, 25}, nullptr, "", false},
    {"B_IE",
     "QPushButton",
     "Panel0",
     {8, 68, 113, 33},
     "IEからURL取得",
     "IEに表示した、まぐまぐメルマガサイトのＵＲＬを取得します。",
     false},
    {"B_Check",
     "QPushButton",
     "Panel0",
     {128, 68, 89, 33},
     "読取り",
     "メルマガＵＲＬから、バックナンバーを読み取ります。",
     false},
    {"RadioG2",
     "QGroupBox",
     "Panel0",
     {222, 65, 155, 33},
     "未読取分|すべて",
     "読取り方法を指定します。",
     false},
    {"Panel3", "QLabel", "Panel0", {8, 104, 121, 22}, "", "", false},
    {"Label1", "QLabel", "Panel0", {128, 106, 513, 17}, "", "", false},
    {"Panel1", "QLabel", "Panel0", {8, 128, 641, 30}, "", "", false},
    {"Memo1", "QPlainTextEdit", "Panel0", {8, 158, 457, 283}, "", "", false},
    {"WebB1", "HtmlView", "Panel0", {8, 158, 457, 250}, "", "", true},
    {"RadioG1",
     "QGroupBox",
     "Panel0",
     {472, 158, 129, 33},
     "新着順|発行順",
     "バックナンバーの表示順を指定します。",
     false},
    {"B_Back", "QPushButton", "Panel0", {472, 193, 41, 25}, "前", "前へ", false},
    {"B_Next", "QPushButton", "Panel0", {517, 193, 41, 25}, "次", "次へ", false},
    {"B_join",
     "QPushButton",
     "Panel0",
     {560, 193, 49, 25},
     "結合",
     "マウスで選択したバックナンバーを、１つに結合して表示します。",
     false},
    {"B_allm",
     "QPushButton",
     "Panel0",
     {612, 193, 37, 25},
     "全",
     "バックナンバーを全てを結合して表示します。",
     false},
    {"Memo3", "QPlainTextEdit", "Panel0", {472, 224, 177, 216}, "", "", false},
    {"Memo2", "QPlainTextEdit", "Panel0", {272, 248, 233, 89}, "", "", true},
    {"Memo4", "QPlainTextEdit", "Panel0", {256, 328, 161, 89}, "", "", true},
    {"Edit6", "QLineEdit", "Panel0", {288, 184, 161, 20}, "", "", true},
    {"Panel2", "QFrame", "TForm1", {560, 71, 88, 32}, nullptr, "", false},
    {"bt_can",
     "QPushButton",
     "Panel2",
     {4, 4, 81, 25},
     "キャンセル",
     "バックナンバーの読取りを中止します。",
     false},
    {"L_var", "LinkLabel", "TForm1", {4, 450, 75, 11}, "バージョン情報..", "", false},
    {"L_note", "LinkLabel", "TForm1", {100, 450, 41, 11}, "お知らせ", "", false},
};

// Where the resize rules put the controls they move, at the designed client size.
const std::map<std::string, QRect> kAtDesignSize = {
    {"Memo3", {473, 224, 177, 216}}, {"B_Back", {473, 193, 41, 25}}, {"B_Next", {518, 193, 41, 25}},
    {"B_join", {563, 193, 49, 25}},  {"B_allm", {615, 193, 37, 25}}, {"RadioG1", {473, 158, 129, 33}},
    {"Panel0", {0, 0, 659, 449}},    {"Memo1", {8, 158, 452, 283}},  {"WebB1", {8, 158, 452, 283}},
    {"Edit1", {102, 40, 427, 25}},   {"Panel1", {8, 128, 642, 30}},  {"Panel2", {563, 71, 88, 32}},
    {"Panel4", {542, 37, 108, 32}},
};

QWidget* Find(const TForm1& form, const char* name) { return form.findChild<QWidget*>(QLatin1String(name)); }

QString Caption(QWidget* widget) {
  if (auto* group = qobject_cast<RadioGroup*>(widget)) {
    QStringList items;
    for (int i = 0; i < group->Count(); ++i) items << group->Item(i)->text();
    return items.join(QLatin1Char('|'));
  }
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text();
  if (auto* memo = qobject_cast<QPlainTextEdit*>(widget)) return memo->toPlainText();
  return {};
}

// Geometry of every designed control, by name.
std::map<std::string, QRect> Geometries(const TForm1& form) {
  std::map<std::string, QRect> geometries;
  for (const ControlRow& row : kControls) geometries[row.name] = Find(form, row.name)->geometry();
  return geometries;
}

// The resize rules written out for a client area of cw x ch.
std::map<std::string, QRect> ExpectedAfterResize(const std::map<std::string, QRect>& before, int cw, int ch) {
  std::map<std::string, QRect> expected = before;
  auto left = [&](const char* name, int x) { expected[name].moveLeft(x); };
  auto width = [&](const char* name, int w) { expected[name].setWidth(w); };
  auto height = [&](const char* name, int h) { expected[name].setHeight(h); };
  left("Memo3", cw - 186);
  height("Memo3", ch - 247);
  left("B_Back", cw - 186);
  left("B_Next", cw - 186 + 45);
  left("B_join", cw - 186 + 90);
  left("B_allm", cw - 186 + 142);
  left("RadioG1", cw - 186);
  height("Panel0", ch - 14);
  width("Panel0", cw);
  width("Memo1", cw - 207);
  height("Memo1", ch - 180);
  width("WebB1", cw - 207);
  height("WebB1", ch - 180);
  width("Edit1", cw - 232);
  width("Panel1", cw - 17);
  left("Panel2", cw - 96);
  left("Panel4", cw - 117);
  return expected;
}

std::string Describe(const std::map<std::string, QRect>& geometries) {
  std::string text;
  for (const auto& [name, r] : geometries) {
    text += name + "(" + std::to_string(r.x()) + "," + std::to_string(r.y()) + " " +
            std::to_string(r.width()) + "x" + std::to_string(r.height()) + ") ";
  }
  return text;
}

}  // namespace

class MainWindowTest final : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void controlsMatchTheDesign();
  void controlsStartAsDesigned();
  void fontsAndColours();
  void captionsFitTheirControls();
  void buttonsCarryTwoStateGlyphs();
  void showFixesArchiveRootAndCaption();
  void resizeRulesAtTheDesignSize();
  void resizeRulesAtAnySize();
  void maximizeStretchesAndRestoreReturns();
  void draggedFrameSpringsBack();
  void dateCaptionRefreshedWhenThePanelTakesFocus();
  void edit1DoubleClickSelectsAll();
  void memo1DoubleClickBeforeAnyResult();
  void memo1DoubleClickCopiesTheResult();
  void memo1DoubleClickWithTextButNoResult();
  void commandLineArchiveAndServiceRoot();
  void commandLineDemoStartsTheSampleService();
  void commandLineReadFillsTheAddressAndQuits();
  void closingTheWindowEmptiesTheListsWithIt();
};

void MainWindowTest::controlsMatchTheDesign() {
  SharedState state;
  TForm1 form(state);
  QCOMPARE(form.objectName(), QStringLiteral("TForm1"));
  for (const ControlRow& row : kControls) {
    const QString name = QLatin1String(row.name);
    const QList<QWidget*> matches = form.findChildren<QWidget*>(name);
    QVERIFY2(matches.size() == 1, row.name);
    QWidget* control = matches.front();
    QVERIFY2(control->inherits(row.kind), row.name);
    QCOMPARE(control->parentWidget()->objectName(), QLatin1String(row.parent));
    const auto moved = kAtDesignSize.find(row.name);
    const QRect expected = moved != kAtDesignSize.end() ? moved->second : row.design;
    QVERIFY2(control->geometry() == expected, row.name);
    if (row.caption != nullptr) QCOMPARE(Caption(control), Utf8(row.caption));
    QCOMPARE(control->toolTip(), Utf8(row.hint));
    QVERIFY2(control->isHidden() == row.hidden, row.name);
  }
  // The members are the named controls.
  QCOMPARE(static_cast<QWidget*>(form.B_Check), Find(form, "B_Check"));
  QCOMPARE(static_cast<QWidget*>(form.Memo3), Find(form, "Memo3"));
  QCOMPARE(static_cast<QWidget*>(form.bt_can), Find(form, "bt_can"));
  QCOMPARE(static_cast<QWidget*>(form.WebB1), Find(form, "WebB1"));

  // The date panel shows today's date in two lines.
  QCOMPARE(form.Label4->text(), ToWidgetText(DateCaption()));
  QCOMPARE(form.Label4->text().count(QLatin1Char('\n')), 1);

  // The memos and the address box.
  QCOMPARE(form.Memo1->lineWrapMode(), QPlainTextEdit::NoWrap);
  QCOMPARE(form.Memo3->lineWrapMode(), QPlainTextEdit::NoWrap);
  QVERIFY(form.Memo1->isReadOnly());
  QVERIFY(form.Memo3->isReadOnly());
  QCOMPARE(form.Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  QCOMPARE(form.Memo1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  QCOMPARE(form.Memo3->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  QCOMPARE(form.Memo3->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  QVERIFY(!form.Edit1->testAttribute(Qt::WA_InputMethodEnabled));
  QVERIFY(!form.Memo1->testAttribute(Qt::WA_InputMethodEnabled));
  QVERIFY(form.Edit1->inputMethodHints() & Qt::ImhLatinOnly);
  QVERIFY(form.Label1->wordWrap());

  // The links are clickable.
  QSignalSpy clicks(form.L_var, &LinkLabel::Click);
  QTest::mouseClick(form.L_var, Qt::LeftButton);
  QCOMPARE(clicks.size(), 1);
  QCOMPARE(form.L_var->cursor().shape(), Qt::PointingHandCursor);
  QCOMPARE(form.L_note->cursor().shape(), Qt::PointingHandCursor);

  // The two other windows are not created by the main window.
  QVERIFY(form.Form3 == nullptr && form.Form4 == nullptr);
}

void MainWindowTest::controlsStartAsDesigned() {
  SharedState state;
  state.ResultText = {"x"};
  state.IssueQueue = {"y"};
  state.StoredIssueList = {"z"};
  TForm1 form(state);
  // FormCreate: the lists and the text areas empty, both radio groups at their first item.
  QVERIFY(state.ResultText.empty() && state.IssueQueue.empty() && state.StoredIssueList.empty());
  QCOMPARE(form.RadioG1->ItemIndex(), 0);
  QCOMPARE(form.RadioG2->ItemIndex(), 0);
  for (const ControlRow& row : kControls) {
    QWidget* control = Find(form, row.name);
    const bool cancel = QLatin1String(row.name) == QLatin1String("Panel2") ||
                        QLatin1String(row.name) == QLatin1String("bt_can");
    QVERIFY2(control->isEnabled() == !cancel, row.name);
  }
  QCOMPARE(form.size(), QSize(TForm1::kDesignWidth, TForm1::kDesignHeight));
  QCOMPARE(form.windowTitle(), Utf8("Yomitoru メルマガバックナンバーリーダー★ヨミトル★"));
  QVERIFY(!form.windowIcon().isNull());
  // The radio groups: an item index that follows the user's click.
  QSignalSpy clicks(form.RadioG2, &RadioGroup::Click);
  QTest::mouseClick(form.RadioG2->Item(1), Qt::LeftButton);
  QCOMPARE(form.RadioG2->ItemIndex(), 1);
  QCOMPARE(clicks.size(), 1);
  form.RadioG2->SetItemIndex(-1);
  QCOMPARE(form.RadioG2->ItemIndex(), -1);
  form.RadioG2->SetItemIndex(0);
  QCOMPARE(form.RadioG2->ItemIndex(), 0);
  QCOMPARE(clicks.size(), 1);
}

void MainWindowTest::fontsAndColours() {
  SharedState state;
  TForm1 form(state);
  const std::map<std::string, int> pixelSizes = {{"Label6", 16}, {"Edit1", 16},   {"Panel4", 13},
                                                 {"Label4", 13}, {"B_Check", 15}, {"Label1", 13},
                                                 {"Panel1", 16}, {"L_var", 11},   {"L_note", 11}};
  for (const ControlRow& row : kControls) {
    QWidget* control = Find(form, row.name);
    const auto special = pixelSizes.find(row.name);
    QVERIFY2(control->font().pixelSize() == (special != pixelSizes.end() ? special->second : 12), row.name);
    // Whatever face stands in for the designed one can write Japanese.
    const QString family = QFontInfo(control->font()).family();
    QVERIFY2(QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese), qPrintable(family));
  }
  QCOMPARE(form.font().families().value(0), Utf8("ＭＳ Ｐゴシック"));
  QVERIFY(form.L_var->font().underline());
  QVERIFY(form.L_note->font().underline());
  // The window is painted in the face colour of buttons.
  QVERIFY(form.autoFillBackground());
  QCOMPARE(form.palette().color(QPalette::Window), form.palette().color(QPalette::Button));
}

void MainWindowTest::captionsFitTheirControls() {
  SharedState state;
  TForm1 form(state);
  // A push button lays out glyph, 4 pixels and caption inside its 1-pixel frame.
  for (QPushButton* button : form.findChildren<QPushButton*>()) {
    const int glyph = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
    const int needed = glyph + button->fontMetrics().horizontalAdvance(button->text());
    QVERIFY2(needed <= button->width() - 4, qPrintable(button->objectName()));
  }
  for (QLabel* label : {form.Label6, static_cast<QLabel*>(form.L_var), static_cast<QLabel*>(form.L_note)}) {
    QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->width(),
             qPrintable(label->objectName()));
  }
  for (RadioGroup* group : {form.RadioG1, form.RadioG2}) {
    for (int i = 0; i < group->Count(); ++i) {
      QRadioButton* item = group->Item(i);
      QVERIFY(group->rect().contains(item->geometry()));
      QVERIFY2(item->sizeHint().width() <= item->width(),
               qPrintable(item->text() +
                          QStringLiteral(" %1 > %2").arg(item->sizeHint().width()).arg(item->width())));
    }
  }
  // The widest dates fit the date label once it narrows its face.
  const QStringList widest = {Utf8("平成31(2019)年"), Utf8("12月27日(水曜日)")};
  const QFont fitted = FitWidth(form.Label4->font(), widest, form.Label4->width() - 4);
  for (const QString& line : widest) {
    QVERIFY(QFontMetrics(fitted).horizontalAdvance(line) <= form.Label4->width() - 4);
  }
  QCOMPARE(fitted.pixelSize(), 13);
}

void MainWindowTest::buttonsCarryTwoStateGlyphs() {
  SharedState state;
  TForm1 form(state);
  int withGlyph = 0;
  for (QPushButton* button : form.findChildren<QPushButton*>()) {
    if (button->icon().isNull()) continue;
    ++withGlyph;
    const QImage normal =
        button->icon().pixmap(16, QIcon::Normal).toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage disabled =
        button->icon().pixmap(16, QIcon::Disabled).toImage().convertToFormat(QImage::Format_ARGB32);
    QVERIFY(!normal.isNull() && normal != disabled);
    // The inactive glyph is grey.
    bool grey = true;
    for (int y = 0; y < disabled.height(); ++y) {
      for (int x = 0; x < disabled.width(); ++x) {
        const QRgb pixel = disabled.pixel(x, y);
        if (qAlpha(pixel) > 0 && (qRed(pixel) != qGreen(pixel) || qGreen(pixel) != qBlue(pixel)))
          grey = false;
      }
    }
    QVERIFY2(grey, qPrintable(button->objectName()));
  }
  // Every button but プレビュー, whose caption fills it.
  QCOMPARE(withGlyph, static_cast<int>(form.findChildren<QPushButton*>().size()) - 1);
  QVERIFY(form.B_pre->icon().isNull());
}

void MainWindowTest::showFixesArchiveRootAndCaption() {
  // Without --archive and YOMITORU_ARCHIVE, and with no log beside the program: the
  // archive of the user's data folder, which showing the window does not create.
  TempFolder data;
  const QByteArray savedArchive = qgetenv("YOMITORU_ARCHIVE");
  const QByteArray savedData = qgetenv("XDG_DATA_HOME");
  qunsetenv("YOMITORU_ARCHIVE");
  qputenv("XDG_DATA_HOME", QByteArray(data.path().c_str()));
  const std::filesystem::path beside =
      std::filesystem::path(QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString()) / "log";
  const std::filesystem::path expected =
      std::filesystem::exists(beside) ? beside : data.path() / "yomitoru" / "log";
  SharedState state;
  TForm1 form(state);
  QVERIFY(state.ArchiveRoot.empty());
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  qputenv("YOMITORU_ARCHIVE", savedArchive);
  qputenv("XDG_DATA_HOME", savedData);
  QCOMPARE(state.ArchiveRoot, expected);
  QCOMPARE(state.MagazineFolder, state.ArchiveRoot);
  QVERIFY(!std::filesystem::exists(data.path() / "yomitoru"));
  QCOMPARE(form.windowTitle(), Utf8("Yomitoru メルマガ バックナンバー・リーダー ★ヨミトル★"));
  // No notice: the notice link is hidden and the version link keeps its colour.
  QVERIFY(form.L_note->isHidden());
  QVERIFY(form.L_var->isVisible());
  QVERIFY(form.L_var->palette().color(QPalette::WindowText) != QColor(255, 0, 0));
}

void MainWindowTest::resizeRulesAtTheDesignSize() {
  SharedState state;
  TForm1 form(state);
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  QCOMPARE(form.size(), QSize(659, 463));
  const auto geometries = Geometries(form);
  QCOMPARE(geometries.at("Memo3").left(), 473);
  QCOMPARE(geometries.at("Panel4").left(), 542);
  QCOMPARE(geometries.at("WebB1").height(), 283);
  QCOMPARE(geometries.at("WebB1").height(), geometries.at("Memo1").height());
  // Running the rules again at the same size moves nothing.
  form.FormResize();
  QVERIFY2(Geometries(form) == geometries, Describe(Geometries(form)).c_str());
}

void MainWindowTest::resizeRulesAtAnySize() {
  SharedState state;
  TForm1 form(state);
  const auto atDesign = Geometries(form);
  // Not shown, the window takes any size at once and runs the rules when asked; without
  // a minimum, as when maximized.
  form.setMinimumSize(0, 0);
  for (const QSize size : {QSize(1000, 700), QSize(658, 463), QSize(800, 600), QSize(1920, 1080)}) {
    form.resize(size);
    form.FormResize();
    const auto geometries = Geometries(form);
    QVERIFY2(geometries == ExpectedAfterResize(atDesign, size.width(), size.height()),
             Describe(geometries).c_str());
    // The links stay at top 450, beneath Panel0 when it grows over them.
    QCOMPARE(geometries.at("L_var").top(), 450);
    QCOMPARE(geometries.at("L_note").top(), 450);
  }
  form.resize(1000, 700);
  form.FormResize();
  const auto at1000 = Geometries(form);
  QCOMPARE(at1000.at("Memo3"), QRect(814, 224, 177, 453));
  QCOMPARE(at1000.at("WebB1"), QRect(8, 158, 793, 520));
  QCOMPARE(at1000.at("Panel0"), QRect(0, 0, 1000, 686));

  // Below 658 x 463 nothing moves.
  for (const QSize small : {QSize(657, 463), QSize(1000, 462), QSize(500, 300)}) {
    form.resize(small);
    form.FormResize();
    QVERIFY2(Geometries(form) == at1000, Describe(Geometries(form)).c_str());
  }
}

void MainWindowTest::maximizeStretchesAndRestoreReturns() {
  SharedState state;
  TForm1 form(state);
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  const auto atDesign = Geometries(form);

  form.showMaximized();
  QTRY_VERIFY(form.windowState() & Qt::WindowMaximized);
  QTRY_VERIFY(form.size() != QSize(659, 463));
  QVERIFY(form.width() >= 658 && form.height() >= 463);
  QVERIFY(form.minimumSize().width() < 659);
  // It stays maximized: the frame is not pulled back to the designed size.
  QTest::qWait(200);
  QVERIFY(form.windowState() & Qt::WindowMaximized);
  const auto maximized = Geometries(form);
  QVERIFY2(maximized == ExpectedAfterResize(atDesign, form.width(), form.height()),
           Describe(maximized).c_str());

  form.showNormal();
  QTRY_COMPARE(form.size(), QSize(659, 463));
  QCOMPARE(form.minimumSize(), QSize(659, 463));
  QVERIFY2(Geometries(form) == atDesign, Describe(Geometries(form)).c_str());
}

void MainWindowTest::draggedFrameSpringsBack() {
  SharedState state;
  TForm1 form(state);
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  const auto atDesign = Geometries(form);
  form.resize(900, 650);
  QTRY_COMPARE(form.size(), QSize(659, 463));
  QVERIFY2(Geometries(form) == atDesign, Describe(Geometries(form)).c_str());
  // The window manager is not told the size is fixed, or it would offer no maximize.
  QCOMPARE(form.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
}

void MainWindowTest::dateCaptionRefreshedWhenThePanelTakesFocus() {
  SharedState state;
  TForm1 form(state);
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  form.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&form));
  form.Label4->setText(QStringLiteral("stale\nstale"));
  // A click on the date gives its panel the focus.
  QTest::mouseClick(form.Label4, Qt::LeftButton);
  QTRY_VERIFY(form.Panel4->hasFocus());
  QCOMPARE(form.Label4->text(), ToWidgetText(DateCaption()));
}

void MainWindowTest::edit1DoubleClickSelectsAll() {
  SharedState state;
  TForm1 form(state);
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  const QString address = QStringLiteral("http://blog.mag2.com/m/log/0000100001/?page=2");
  form.Edit1->setText(address);
  QTest::mouseDClick(form.Edit1, Qt::LeftButton, {}, QPoint(20, form.Edit1->height() / 2));
  QCOMPARE(form.Edit1->selectedText(), address);
}

void MainWindowTest::memo1DoubleClickBeforeAnyResult() {
  SharedState state;
  TForm1 form(state);
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  RecordingDialogs dialogs;
  QGuiApplication::clipboard()->setText(QStringLiteral("untouched"));
  QTest::mouseDClick(form.Memo1->viewport(), Qt::LeftButton);
  QCOMPARE(dialogs.messages, std::vector<std::string>{"■ ダブルクリックで結果をコピーできます。"});
  QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("untouched"));
}

void MainWindowTest::memo1DoubleClickCopiesTheResult() {
  SharedState state;
  TForm1 form(state);
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  RecordingDialogs dialogs;
  // Memo1 shows the page with its wrapper; the result holds the issues alone.
  SetMemoText(*form.Memo1,
              Sj("<HTML><HEAD></HEAD><BODY><pre>\r\n2026/12/07 10:00 http://x/1.html\r\n本文①～\r\n"
                 "</pre></BODY></HTML>\r\n"));
  state.ResultText = {Sj("2026/12/07 10:00 http://x/1.html"), Sj("本文①～"), ""};
  QTest::mouseDClick(form.Memo1->viewport(), Qt::LeftButton);
  QCOMPARE(dialogs.messages, std::vector<std::string>{"■ 結果をコピーしました。"});
  QCOMPARE(QGuiApplication::clipboard()->text(), Utf8("2026/12/07 10:00 http://x/1.html\r\n本文①～\r\n\r\n"));
  QCOMPARE(form.Memo1->textCursor().selectedText().size(), form.Memo1->document()->characterCount() - 1);
}

void MainWindowTest::memo1DoubleClickWithTextButNoResult() {
  SharedState state;
  TForm1 form(state);
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  RecordingDialogs dialogs;
  QGuiApplication::clipboard()->setText(QStringLiteral("untouched"));
  SetMemoText(*form.Memo1, Sj("*** キャンセルしました ***\r\n"));
  QTest::mouseDClick(form.Memo1->viewport(), Qt::LeftButton);
  QVERIFY(dialogs.messages.empty());
  QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("untouched"));
  QVERIFY(form.Memo1->textCursor().hasSelection());
}

void MainWindowTest::commandLineArchiveAndServiceRoot() {
  SharedState state;
  TForm1 form(state);
  TempFolder temp;
  CommandLine options;
  options.archive = temp.path() / "archive/";
  options.serviceRoot = "http://127.0.0.1:8123/";
  form.ApplyCommandLine(options);
  QCOMPARE(form.serviceTable[0].logBase, std::string("http://127.0.0.1:8123/m/log"));
  QCOMPARE(form.serviceTable[0].siteRoot, std::string("http://127.0.0.1:8123"));
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  QCOMPARE(state.ArchiveRoot, temp.path() / "archive");
  QCOMPARE(state.MagazineFolder, state.ArchiveRoot);
  QVERIFY(!std::filesystem::exists(temp.path() / "archive"));

  // A relative folder is taken from the working folder; the environment gives the root
  // when the command line does not.
  qputenv("YOMITORU_SERVICE_ROOT", "http://localhost:9");
  SharedState other;
  TForm1 second(other);
  CommandLine relative;
  relative.archive = "arc";
  second.ApplyCommandLine(relative);
  qunsetenv("YOMITORU_SERVICE_ROOT");
  second.show();
  QVERIFY(QTest::qWaitForWindowExposed(&second));
  QCOMPARE(other.ArchiveRoot, std::filesystem::current_path() / "arc");
  QCOMPARE(second.serviceTable[0].logBase, std::string("http://localhost:9/m/log"));
}

void MainWindowTest::commandLineDemoStartsTheSampleService() {
  SharedState state;
  TForm1 form(state);
  CommandLine options;
  options.demo = true;
  options.serviceRoot = "http://ignored.example";
  form.ApplyCommandLine(options);
  const std::string root = form.serviceTable[0].siteRoot;
  QVERIFY(root.starts_with("http://127.0.0.1:"));
  QCOMPARE(form.Edit1->text(), QString::fromStdString(form.serviceTable[0].logBase + "/0000100001"));
  // The service answers on its loopback port.
  const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
  QVERIFY(socket >= 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(std::stoi(root.substr(17))));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const int connected = ::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  ::close(socket);
  QCOMPARE(connected, 0);
}

void MainWindowTest::commandLineReadFillsTheAddressAndQuits() {
  SharedState state;
  TForm1 form(state);
  TempFolder archive;
  CommandLine options;
  options.archive = archive.path() / "log";
  options.read = PendingRead{"http://127.0.0.1:1/m/log/0000100002", true, true};
  form.ApplyCommandLine(options);
  QVERIFY(form.pendingRead);
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  form.StartPendingRead();
  QCOMPARE(form.Edit1->text(), QStringLiteral("http://127.0.0.1:1/m/log/0000100002"));
  QCOMPARE(form.RadioG2->ItemIndex(), 1);
  QTRY_VERIFY(!form.isVisible());
}

void MainWindowTest::closingTheWindowEmptiesTheListsWithIt() {
  SharedState state;
  {
    TForm1 form(state);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    state.ResultText = {"a"};
    state.StoredIssueList = {"b"};
    state.IssueQueue = {"c"};
    QVERIFY(form.close());
    QVERIFY(!form.isVisible());
  }
  QVERIFY(state.ResultText.empty() && state.StoredIssueList.empty() && state.IssueQueue.empty());
}

QTEST_MAIN(MainWindowTest)
#include "main_window_window_test.moc"
