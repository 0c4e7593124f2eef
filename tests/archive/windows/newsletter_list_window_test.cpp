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
  // The newsletter of the example line as a finished read leaves it, with `issues` files.
  void Read(const std::string& id, int issues) {
    SharedState read = state;
    read.MagazineId = id;
    read.MagazineTitle = Sj("週刊サンプル通信");
    read.IssueCycle = Sj("週刊");
    read.LatestIssueDate = "2006/12/29";
    read.LatestCirculation = "1234";
    fs::create_directories(Folder(id));
    for (int i = 0; i < issues; ++i)
      WriteFileBytes(Folder(id) / (std::to_string(2000 + i) + "0101-0900.txt"), "x");
    UpdateMagazineLog(read, "x", false, [] { return MakeDateTime(2006, 12, 31, 15, 30, 5); });
  }
  void Line(const std::string& id, const char* valueUtf8) {
    QVERIFY(!WriteIniValue(ArchiveIndexFile(state.ArchiveRoot), "magumagu", id, Sj(valueUtf8)));
  }

  TempFolder temp;
  RecordingDialogs dialogs;
  SharedState state;
};

// The cells of column `column` (UTF-8), top to bottom.
QStringList Column(const StringGrid* grid, int column) {
  QStringList cells;
  for (int row = 0; row < grid->RowCount(); ++row)
    cells << QString::fromStdString(cp932::ToUtf8(grid->Cell(column, row)));
  return cells;
}

void Click(StringGrid* grid, int column, int row, Qt::KeyboardModifiers keys = {}, bool twice = false) {
  const QPoint centre = grid->visualRect(grid->model()->index(row, column)).center();
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, keys, centre);
  if (twice) QTest::mouseDClick(grid->viewport(), Qt::LeftButton, keys, centre);
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
  void fillsRowsInIdOrderWithTheExampleLineExactly();
  void sortsByAColumnInTurn_data();
  void sortsByAColumnInTurn();
  void onlyTheLastSortedHeaderIsMarked();
  void choosesTheTopmostSelectedRow();
  void anEmptyArchiveChoosesAndDeletesNothing();
  void deletes_data();
  void deletes();
  void theTitleColumnKeepsItsFloor_data();
  void theTitleColumnKeepsItsFloor();
};

void NewsletterListWindowTest::fillsRowsInIdOrderWithTheExampleLineExactly() {
  Archive archive;
  archive.Line("123", "abc");
  archive.Line("0000000300", "c,t3");
  archive.Read("0000123456", 57);
  archive.Line("0000000020", "b,t2");
  TForm4 form(archive.state);
  form.show();
  QCOMPARE(Column(form.SGrid1, 0), (QStringList{"   1", "   2", "   3", "   4"}));
  QCOMPARE(Column(form.SGrid1, 1), (QStringList{"0000000020", "0000000300", "0000123456", "123"}));
  QCOMPARE(Column(form.SGrid1, 2), (QStringList{"b", "c", QString::fromUtf8("週刊サンプル通信"), "abc"}));
  const MagazineRow example{
      "   3",     "0000123456", Sj("週刊サンプル通信"), "     57", "2006/12/31 15:30:05", "2006/12/29",
      "    1234", Sj("週刊")};
  QCOMPARE(form.SGrid1->Rows()[2], example);
  QCOMPARE(form.SGrid1->model()->index(2, 2).data().toString(), QString::fromUtf8("週刊サンプル通信"));
  QCOMPARE(form.SGrid1->Rows()[3], (MagazineRow{"   4", "123", "abc"}));
  QCOMPARE(form.ChosenServiceFolder, std::string("magumagu"));
  QCOMPARE(form.windowTitle(), QString::fromUtf8("Yomitoru 読取メールマガジン一覧"));
  QCOMPARE(form.size(), QSize(807, 416));
  QCOMPARE(form.focusWidget(), static_cast<QWidget*>(form.SGrid1));
}

void NewsletterListWindowTest::sortsByAColumnInTurn_data() {
  QTest::addColumn<int>("column");
  QTest::addColumn<QStringList>("values");  // of the IDs 1, 2, 3
  QTest::addColumn<QStringList>("ascending");
  QTest::newRow("読取数") << 3 << QStringList{"t,a,c,d,9,123", "t,a,c,d,9,57", "t,a,c,d,9,1000"}
                          << QStringList{"2", "1", "3"};
  QTest::newRow("最新部数") << 6 << QStringList{"t,a,c,d,1000,1", "t,a,c,d,999,1", "t,a,c,d,12,1"}
                            << QStringList{"3", "2", "1"};
  QTest::newRow("読取日時") << 4
                            << QStringList{"t,2007/01/07 09:00:00,c", "t,2006/12/31 15:30:05,c",
                                           "t,2007/01/01 00:00:00,c"}
                            << QStringList{"2", "3", "1"};
}

void NewsletterListWindowTest::sortsByAColumnInTurn() {
  QFETCH(int, column);
  QFETCH(QStringList, values);
  QFETCH(QStringList, ascending);
  Archive archive;
  for (int id = 1; id <= 3; ++id) archive.Line(std::to_string(id), values[id - 1].toUtf8().constData());
  TForm4 form(archive.state);
  form.show();
  QStringList descending(ascending.rbegin(), ascending.rend());
  const QString header = QString::fromUtf8(QTest::currentDataTag());
  for (const auto& [mark, order] : {std::pair{"↓", ascending}, {"↑", descending}, {"↓", ascending}}) {
    Click(form.SGrid2, column, 0, {}, true);
    QCOMPARE(Column(form.SGrid1, 1), order);
    QCOMPARE(Column(form.SGrid2, column).front(), QString::fromUtf8(mark) + header);
    QCOMPARE(Column(form.SGrid1, 0), (QStringList{"   1", "   2", "   3"}));
  }
}

void NewsletterListWindowTest::onlyTheLastSortedHeaderIsMarked() {
  Archive archive;
  archive.Line("2", "Alpha,x");
  archive.Line("1", "beta,y");
  TForm4 form(archive.state);
  form.show();
  Click(form.SGrid2, 2, 0, {}, true);
  QCOMPARE(Column(form.SGrid1, 1), (QStringList{"2", "1"}));  // case is ignored: A before b
  Click(form.SGrid2, 1, 0, {}, true);
  QCOMPARE(Column(form.SGrid1, 1), (QStringList{"1", "2"}));
  QCOMPARE(Column(form.SGrid2, 1).front() + Column(form.SGrid2, 2).front(), QString::fromUtf8("↓IDタイトル"));
}

void NewsletterListWindowTest::choosesTheTopmostSelectedRow() {
  Archive archive;
  for (const char* id : {"1", "2", "3", "4"}) archive.Line(id, "t,x");
  TForm4 form(archive.state);
  form.show();
  Click(form.SGrid1, 4, 1);
  QCOMPARE(form.SGrid2->CurrentColumn(), 4);
  Click(form.SGrid1, 2, 3, Qt::ShiftModifier, true);
  QCOMPARE(form.SGrid1->CurrentRow(), 3);
  QCOMPARE(form.ChosenMagazineId + form.ChosenMagazineTitle, std::string("2t"));
  QCOMPARE(form.result(), int(QDialog::Accepted));

  // A header click moves the rows grid to its first row, which 選択 then chooses.
  form.show();
  QVERIFY(form.ChosenMagazineId.empty());
  Click(form.SGrid1, 1, 2);
  Click(form.SGrid2, 5, 0);
  QCOMPARE(form.SGrid1->CurrentRow(), 0);
  QCOMPARE(form.SGrid1->CurrentColumn(), 5);
  QTest::mouseDClick(&form, Qt::LeftButton, {}, QPoint(400, 12));  // the background chooses nothing
  QVERIFY(form.isVisible());
  QTest::mouseClick(form.Bt_sel, Qt::LeftButton);
  QVERIFY(!form.isVisible());
  QCOMPARE(form.ChosenMagazineId, std::string("1"));
}

void NewsletterListWindowTest::anEmptyArchiveChoosesAndDeletesNothing() {
  Archive archive;
  TForm4 form(archive.state);
  form.show();
  QCOMPARE(form.SGrid1->Rows(), std::vector<MagazineRow>(1));
  QTest::mouseClick(form.Bt_sel, Qt::LeftButton);
  QTest::mouseClick(form.Bt_del, Qt::LeftButton);
  QVERIFY(form.isVisible() && form.ChosenMagazineId.empty() && archive.dialogs.questions.empty());
}

void NewsletterListWindowTest::deletes_data() {
  QTest::addColumn<QString>("id");
  QTest::addColumn<bool>("yes");
  QTest::addColumn<bool>("folderKept");
  QTest::addColumn<QStringList>("rowsLeft");
  QTest::newRow("the only newsletter") << "0000000001" << true << false << QStringList{""};
  QTest::newRow("declined") << "0000000001" << false << true << QStringList{"0000000001"};
  QTest::newRow("an unsafe ID") << ".." << true << true << QStringList{"0000000001"};
}

void NewsletterListWindowTest::deletes() {
  QFETCH(QString, id);
  QFETCH(bool, yes);
  QFETCH(bool, folderKept);
  QFETCH(QStringList, rowsLeft);
  Archive archive;
  archive.Read("0000000001", 1);
  if (id == QStringLiteral("..")) archive.Line("..", "危険,x");
  TForm4 form(archive.state);
  form.show();
  archive.dialogs.answers = {yes};
  Click(form.SGrid1, 1, static_cast<int>(Column(form.SGrid1, 1).indexOf(id)));
  QTest::mouseClick(form.Bt_del, Qt::LeftButton);
  const QString title = QString::fromUtf8(id == QStringLiteral("..") ? "危険" : "週刊サンプル通信");
  QCOMPARE(archive.dialogs.questions,
           std::vector<std::string>{("『" + title + "(" + id + ")』 の履歴を削除しますか？").toStdString()});
  QCOMPARE(archive.dialogs.questionButtons, std::vector<QuestionButtons>{QuestionButtons::kYesCancel});
  QCOMPARE(fs::exists(archive.Folder("0000000001") / "log.ini"), folderKept);
  QCOMPARE(fs::exists(archive.Folder("0000000001")), folderKept);
  QCOMPARE(Column(form.SGrid1, 1), rowsLeft);
  QVERIFY(form.ChosenMagazineId.empty());
  QVERIFY(fs::exists(ArchiveIndexFile(archive.state.ArchiveRoot)));
}

void NewsletterListWindowTest::theTitleColumnKeepsItsFloor_data() {
  QTest::addColumn<int>("inner");  // inner width of the rows grid the window is sized for
  QTest::newRow("wide") << 900;
  QTest::newRow("570") << 570;
  QTest::newRow("569") << 569;
  QTest::newRow("narrow") << 300;
}

void NewsletterListWindowTest::theTitleColumnKeepsItsFloor() {
  QFETCH(int, inner);
  Archive archive;
  TForm4 form(archive.state);
  form.show();
  const int chrome = form.SGrid1->width() - form.SGrid1->InnerWidth();
  form.resize(inner + chrome + 2, 300);
  const int widths[] = {23, 65, std::max(100, inner - 470), 40, 108, 63, 50, 114};
  const QFontMetrics face(form.SGrid1->font());  // narrowed so that the headers fit
  for (int column = 0; column < 8; ++column) {
    QCOMPARE(form.SGrid1->columnWidth(column), widths[column]);
    QCOMPARE(form.SGrid2->columnWidth(column), widths[column]);
    QVERIFY(column == 2 || face.horizontalAdvance(Column(form.SGrid2, column).front()) <= widths[column] - 3);
  }
  QCOMPARE(form.SGrid1->width(), inner < 570 ? 563 : inner + chrome);
  QCOMPARE(form.SGrid2->width(), form.SGrid1->width());
  QCOMPARE(form.SGrid1->height(), 300 - 56);
}

QTEST_MAIN(NewsletterListWindowTest)
#include "newsletter_list_window_test.moc"
