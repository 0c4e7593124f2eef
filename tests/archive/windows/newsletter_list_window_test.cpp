// The newsletter list window driven offscreen over archives written by the archive's own
// log writer and INI code.

#include "archive/windows/newsletter_list_window.h"

#include <QPushButton>
#include <QtTest>
#include <cstdio>
#include <filesystem>

#include "archive/magazine_log.h"
#include "archive/windows/string_grid.h"
#include "platform/cp932.h"
#include "platform/ini.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

struct Archive {
  Archive() {
    state.ArchiveRoot = temp.path() / "log";
    fs::create_directories(state.ArchiveRoot);
  }
  fs::path Folder(const std::string& id) const { return state.ArchiveRoot / "magumagu" / id; }

  // A newsletter as a finished read leaves it: issue files, log.ini and the index line.
  void Read(const std::string& id, int issues) {
    SharedState read;
    read.ArchiveRoot = state.ArchiveRoot;
    read.MagazineId = id;
    read.MagazineTitle = Sj("週刊サンプル通信");
    read.ServiceLogBase = "http://127.0.0.1:9/m/log";
    read.IssueCycle = Sj("週刊");
    read.LatestIssueDate = "2006/12/29";
    read.LatestCirculation = "1234";
    fs::create_directories(Folder(id));
    for (int i = 0; i < issues; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "%04d%02d01-0900.txt", 2000 + i / 12, i % 12 + 1);
      WriteFileBytes(Folder(id) / name, "x");
    }
    UpdateMagazineLog(read, "x", false, [] { return MakeDateTime(2006, 12, 31, 15, 30, 5); });
  }
  void Line(const std::string& id, const std::string& valueUtf8) {
    QVERIFY(!WriteIniValue(ArchiveIndexFile(state.ArchiveRoot), "magumagu", Sj(id), Sj(valueUtf8)));
  }

  TempFolder temp;
  RecordingDialogs dialogs;
  SharedState state;
};

// The cells 1 to 7 of every row (UTF-8, "|" between cells), top to bottom.
QStringList Rows(const TForm4& form) {
  QStringList rows;
  for (const MagazineRow& row : form.SGrid1->Rows()) {
    QStringList cells;
    for (std::size_t cell = 1; cell < row.size(); ++cell)
      cells << QString::fromStdString(cp932::ToUtf8(row[cell]));
    rows << cells.join(QLatin1Char('|'));
  }
  return rows;
}

QStringList Ids(const TForm4& form) {
  QStringList ids;
  for (const MagazineRow& row : form.SGrid1->Rows()) ids << QString::fromStdString(row[1]);
  return ids;
}

QPoint CellCentre(const StringGrid* grid, int column, int row) {
  return grid->visualRect(grid->model()->index(row, column)).center();
}

void ClickCell(StringGrid* grid, int column, int row, Qt::KeyboardModifiers keys = {}) {
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, keys, CellCentre(grid, column, row));
}

void DoubleClickHeader(TForm4& form, int column) {
  ClickCell(form.SGrid2, column, 0);
  QTest::mouseDClick(form.SGrid2->viewport(), Qt::LeftButton, {}, CellCentre(form.SGrid2, column, 0));
}

}  // namespace

class NewsletterListWindowTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // The face the program gives every window: 12 pixels of the IPA P Gothic on Linux.
  void initTestCase() {
    QFont face(QStringLiteral("IPAPGothic"));
    face.setPixelSize(12);
    QApplication::setFont(face);
  }
  void designedWindowAndColumns();
  void fillsTheLineOfAReadExactly();
  void fillsRowsInIdOrder_data();
  void fillsRowsInIdOrder();
  void sortsByAColumnInTurn_data();
  void sortsByAColumnInTurn();
  void onlyTheLastSortedHeaderIsMarked();
  void aHeaderClickMovesToTheFirstRowAndChoosesIt();
  void severalSelectedRowsChooseTheTopmost();
  void anEmptyArchiveChoosesAndDeletesNothing();
  void deletes_data();
  void deletes();
  void theTitleColumnKeepsItsFloor_data();
  void theTitleColumnKeepsItsFloor();
};

void NewsletterListWindowTest::designedWindowAndColumns() {
  Archive archive;
  TForm4 form(archive.state);
  form.show();
  QCOMPARE(form.windowTitle(), QString::fromUtf8("Yomitoru 読取メールマガジン一覧"));
  QCOMPARE(form.size(), QSize(807, 416));
  QCOMPARE(form.findChild<QPushButton*>(QStringLiteral("Bt_sel"))->geometry(), QRect(8, 4, 73, 25));
  QCOMPARE(form.Bt_sel->text(), QString::fromUtf8("選択"));
  QCOMPARE(form.findChild<QPushButton*>(QStringLiteral("Bt_del"))->geometry(), QRect(96, 4, 73, 25));
  QCOMPARE(form.Bt_del->text(), QString::fromUtf8("削除"));
  QCOMPARE(form.findChild<StringGrid*>(QStringLiteral("SGrid2"))->geometry(), QRect(0, 31, 805, 25));
  QCOMPARE(form.findChild<StringGrid*>(QStringLiteral("SGrid1"))->geometry(), QRect(0, 56, 805, 360));
  const int title = form.SGrid1->InnerWidth() - 470;
  const int widths[] = {23, 65, title, 40, 108, 63, 50, 114};
  for (int column = 0; column < 8; ++column) {
    QCOMPARE(form.SGrid1->columnWidth(column), widths[column]);
    QCOMPARE(form.SGrid2->columnWidth(column), widths[column]);
  }
  QCOMPARE(form.SGrid1->rowHeight(0), 18);
  // The face narrows so that an ID, a read time and the headers fit their columns.
  const QFontMetrics metrics(form.SGrid1->font());
  for (const auto& [text, column] :
       {std::pair{"0000123456", 1}, {"2006/12/31 15:30:05", 4}, {"最新部数", 6}}) {
    QVERIFY2(
        metrics.horizontalAdvance(QString::fromUtf8(text)) <= widths[column] - 1 - StringGrid::kCellMargin,
        text);
  }
  QCOMPARE(form.SGrid2->font(), form.SGrid1->font());
}

void NewsletterListWindowTest::fillsTheLineOfAReadExactly() {
  Archive archive;
  archive.Read("0000123456", 57);
  TForm4 form(archive.state);
  form.show();
  const MagazineRow expected{
      "   1",     "0000123456", Sj("週刊サンプル通信"), "     57", "2006/12/31 15:30:05", "2006/12/29",
      "    1234", Sj("週刊")};
  QCOMPARE(form.SGrid1->Rows().size(), std::size_t{1});
  for (int cell = 0; cell < 8; ++cell)
    QCOMPARE(form.SGrid1->Cell(cell, 0), expected[static_cast<std::size_t>(cell)]);
  const QModelIndex title = form.SGrid1->model()->index(0, 2);
  QCOMPARE(title.data().toString(), QString::fromUtf8("週刊サンプル通信"));
  QCOMPARE(form.SGrid2->model()->index(0, 3).data().toString(), QString::fromUtf8("読取数"));
  QCOMPARE(form.focusWidget(), static_cast<QWidget*>(form.SGrid1));
}

void NewsletterListWindowTest::fillsRowsInIdOrder_data() {
  QTest::addColumn<QStringList>("lines");  // "ID=value", in file order
  QTest::addColumn<QStringList>("rows");
  QTest::newRow("three IDs") << QStringList{"0000000300=c,t3", "0000000020=b,t2", "0000000001=a,t1"}
                             << QStringList{"0000000001|a||t1|||", "0000000020|b||t2|||",
                                            "0000000300|c||t3|||"};
  QTest::newRow("no comma") << QStringList{"123=abc"} << QStringList{"123|abc|||||"};
  QTest::newRow("legacy comma in the circulation")
      << QStringList{"9=t,2006/12/31 15:30:05,週刊,2006/12/29,12,345,57"}
      << QStringList{"9|t|  34557|2006/12/31 15:30:05|2006/12/29|      12|週刊"};
  QTest::newRow("unsafe ID as it stands") << QStringList{"..=t,x"} << QStringList{"..|t||x|||"};
}

void NewsletterListWindowTest::fillsRowsInIdOrder() {
  QFETCH(QStringList, lines);
  QFETCH(QStringList, rows);
  Archive archive;
  for (const QString& line : lines) {
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    archive.Line(line.left(equals).toStdString(), line.mid(equals + 1).toStdString());
  }
  TForm4 form(archive.state);
  form.show();
  QCOMPARE(Rows(form), rows);
  for (int row = 0; row < rows.size(); ++row) QCOMPARE(form.SGrid1->Cell(0, row), RowNumberCell(row + 1));
  QCOMPARE(form.ChosenServiceFolder, std::string("magumagu"));
}

void NewsletterListWindowTest::sortsByAColumnInTurn_data() {
  QTest::addColumn<int>("column");
  QTest::addColumn<QStringList>("values");  // of the IDs 1, 2, 3
  QTest::addColumn<QString>("ascending");   // the IDs from the top
  QTest::newRow("読取数") << 3 << QStringList{"t,a,c,d,9,123", "t,a,c,d,9,57", "t,a,c,d,9,1000"} << "213";
  QTest::newRow("最新部数") << 6 << QStringList{"t,a,c,d,1000,1", "t,a,c,d,999,1", "t,a,c,d,12,1"} << "321";
  QTest::newRow("読取日時") << 4
                            << QStringList{"t,2007/01/07 09:00:00,c,d,9,1", "t,2006/12/31 15:30:05,c,d,9,1",
                                           "t,2007/01/01 00:00:00,c,d,9,1"}
                            << "231";
}

void NewsletterListWindowTest::sortsByAColumnInTurn() {
  QFETCH(int, column);
  QFETCH(QStringList, values);
  QFETCH(QString, ascending);
  Archive archive;
  for (int id = 1; id <= 3; ++id) archive.Line(std::to_string(id), values[id - 1].toStdString());
  TForm4 form(archive.state);
  form.show();
  const QString header = QString::fromUtf8(QTest::currentDataTag());
  QString descending = ascending;
  std::reverse(descending.begin(), descending.end());
  const struct {
    QString mark;
    QString order;
  } turns[] = {{QString::fromUtf8("↓"), ascending},
               {QString::fromUtf8("↑"), descending},
               {QString::fromUtf8("↓"), ascending}};
  for (const auto& turn : turns) {
    DoubleClickHeader(form, column);
    QCOMPARE(Ids(form).join(QString()), turn.order);
    QCOMPARE(form.SGrid2->model()->index(0, column).data().toString(), turn.mark + header);
    for (int row = 0; row < 3; ++row) QCOMPARE(form.SGrid1->Cell(0, row), RowNumberCell(row + 1));
  }
}

void NewsletterListWindowTest::onlyTheLastSortedHeaderIsMarked() {
  Archive archive;
  archive.Line("2", "Alpha,x");
  archive.Line("1", "beta,y");
  TForm4 form(archive.state);
  form.show();
  DoubleClickHeader(form, 2);
  QCOMPARE(Ids(form), (QStringList{"2", "1"}));  // case is ignored: A before b
  DoubleClickHeader(form, 1);
  QCOMPARE(Ids(form), (QStringList{"1", "2"}));
  QStringList headers;
  for (int column = 1; column < 8; ++column)
    headers << form.SGrid2->model()->index(0, column).data().toString();
  QCOMPARE(headers,
           QString::fromUtf8("↓ID|タイトル|読取数|読取日時|最新日|最新部数|周期").split(QLatin1Char('|')));
}

void NewsletterListWindowTest::aHeaderClickMovesToTheFirstRowAndChoosesIt() {
  Archive archive;
  for (const char* id : {"1", "2", "3"}) archive.Line(id, "t,x");
  TForm4 form(archive.state);
  form.show();
  ClickCell(form.SGrid1, 4, 2);
  QCOMPARE(form.SGrid2->CurrentColumn(), 4);
  ClickCell(form.SGrid2, 5, 0);
  QCOMPARE(form.SGrid1->CurrentRow(), 0);
  QCOMPARE(form.SGrid1->CurrentColumn(), 5);
  QTest::mouseDClick(&form, Qt::LeftButton, {}, QPoint(400, 12));  // the background chooses nothing
  QVERIFY(form.isVisible());
  QTest::mouseClick(form.Bt_sel, Qt::LeftButton);
  QVERIFY(!form.isVisible());
  QCOMPARE(form.result(), int(QDialog::Accepted));
  QCOMPARE(form.ChosenMagazineId, std::string("1"));
  QCOMPARE(form.ChosenMagazineTitle, std::string("t"));
}

void NewsletterListWindowTest::severalSelectedRowsChooseTheTopmost() {
  Archive archive;
  for (const char* id : {"1", "2", "3", "4"}) archive.Line(id, std::string("title") + id + ",x");
  TForm4 form(archive.state);
  form.show();
  ClickCell(form.SGrid1, 2, 1);
  ClickCell(form.SGrid1, 2, 3, Qt::ShiftModifier);
  QCOMPARE(form.SGrid1->CurrentRow(), 3);
  QTest::mouseDClick(form.SGrid1->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                     CellCentre(form.SGrid1, 2, 3));
  QCOMPARE(form.ChosenMagazineId, std::string("2"));
  QCOMPARE(form.ChosenMagazineTitle, std::string("title2"));
}

void NewsletterListWindowTest::anEmptyArchiveChoosesAndDeletesNothing() {
  Archive archive;
  TForm4 form(archive.state);
  form.show();
  QCOMPARE(Rows(form), QStringList{QStringLiteral("||||||")});
  QTest::mouseClick(form.Bt_sel, Qt::LeftButton);
  QTest::mouseClick(form.Bt_del, Qt::LeftButton);
  QVERIFY(form.isVisible());
  QVERIFY(form.ChosenMagazineId.empty());
  QVERIFY(archive.dialogs.questions.empty());
}

void NewsletterListWindowTest::deletes_data() {
  QTest::addColumn<QString>("id");
  QTest::addColumn<bool>("yes");
  QTest::addColumn<QString>("extra");           // what else lies in the folder
  QTest::addColumn<QStringList>("folderLeft");  // the folder's entries afterwards; empty: gone
  QTest::addColumn<QStringList>("rowsLeft");
  QTest::newRow("the only newsletter") << "0000000001" << true << "" << QStringList{} << QStringList{""};
  QTest::newRow("a hidden file and a sub-folder")
      << "0000000001" << true << "hidden" << QStringList{".hidden", "sub"} << QStringList{""};
  QTest::newRow("a link outside") << "0000000001" << true << "link" << QStringList{} << QStringList{""};
  QTest::newRow("declined") << "0000000001" << false << "" << QStringList{"20000101-0900.txt", "log.ini"}
                            << QStringList{"0000000001"};
  QTest::newRow("an unsafe ID") << ".." << true << "" << QStringList{"20000101-0900.txt", "log.ini"}
                                << QStringList{"0000000001"};
}

void NewsletterListWindowTest::deletes() {
  QFETCH(QString, id);
  QFETCH(bool, yes);
  QFETCH(QString, extra);
  QFETCH(QStringList, folderLeft);
  QFETCH(QStringList, rowsLeft);
  Archive archive;
  archive.Read("0000000001", 1);
  const fs::path folder = archive.Folder("0000000001");
  const fs::path outside = archive.temp.path() / "outside.txt";
  WriteFileBytes(outside, "keep");
  if (extra == QStringLiteral("hidden")) {
    WriteFileBytes(folder / ".hidden", "x");
    fs::create_directory(folder / "sub");
  } else if (extra == QStringLiteral("link")) {
    fs::create_symlink(outside, folder / "link.txt");
  }
  if (id == QStringLiteral("..")) archive.Line("..", "危険,x");
  TForm4 form(archive.state);
  form.show();
  archive.dialogs.answers = {yes};
  ClickCell(form.SGrid1, 1, Ids(form).indexOf(id));
  QTest::mouseClick(form.Bt_del, Qt::LeftButton);

  const QString title =
      id == QStringLiteral("..") ? QString::fromUtf8("危険") : QString::fromUtf8("週刊サンプル通信");
  QCOMPARE(archive.dialogs.questions,
           std::vector<std::string>{("『" + title + "(" + id + ")』 の履歴を削除しますか？").toStdString()});
  QCOMPARE(archive.dialogs.questionButtons, std::vector<QuestionButtons>{QuestionButtons::kYesCancel});
  QStringList left;
  if (fs::exists(folder)) {
    for (const auto& entry : fs::directory_iterator(folder))
      left << QString::fromStdString(entry.path().filename());
  }
  left.sort();
  QCOMPARE(left, folderLeft);
  QCOMPARE(Ids(form), rowsLeft);
  QVERIFY(form.ChosenMagazineId.empty());
  QCOMPARE(ReadFileBytes(outside), std::string("keep"));
  QVERIFY(fs::exists(ArchiveIndexFile(archive.state.ArchiveRoot)));
}

void NewsletterListWindowTest::theTitleColumnKeepsItsFloor_data() {
  QTest::addColumn<int>("inner");  // inner width of the rows grid the window is sized for
  QTest::addColumn<bool>("floor");
  QTest::newRow("wide") << 900 << false;
  QTest::newRow("570") << 570 << false;
  QTest::newRow("569") << 569 << true;
  QTest::newRow("narrow") << 300 << true;
}

void NewsletterListWindowTest::theTitleColumnKeepsItsFloor() {
  QFETCH(int, inner);
  QFETCH(bool, floor);
  Archive archive;
  TForm4 form(archive.state);
  form.show();
  const int chrome = form.SGrid1->width() - form.SGrid1->InnerWidth();
  form.resize(inner + chrome + 2, 300);
  QCOMPARE(form.SGrid1->columnWidth(2), floor ? 100 : inner - 470);
  QCOMPARE(form.SGrid1->width(), floor ? 563 : inner + chrome);
  QCOMPARE(form.SGrid2->width(), form.SGrid1->width());
  QCOMPARE(form.SGrid1->height(), 300 - 56);
  QCOMPARE(form.SGrid2->columnWidth(2), form.ListColumnWidths[2]);
}

QTEST_MAIN(NewsletterListWindowTest)
#include "newsletter_list_window_test.moc"
