// 履歴から参照 end to end: newsletters read from the sample service into a temporary
// archive, then opened again from the list window by a main window started afresh.

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "app/main_window.h"
#include "app/reader_fixture.h"
#include "archive/magazine_log.h"
#include "archive/windows/newsletter_list_window.h"
#include "archive/windows/string_grid.h"
#include "platform/events.h"
#include "platform/ini.h"
#include "platform/sjis.h"
#include "sample_site/sample_site.h"
#include "support/test_support.h"
#include "viewer/html_view.h"
#include "viewer/qt_text.h"

namespace fs = std::filesystem;

namespace {

const std::string kMain = "0000100002";   // 12 issues on 2 listing pages
const std::string kOther = "0000100004";  // 8 issues

// The main window and its list window, pressed through the list window's buttons.
struct Program : ProgramWithList {
  Program(const sample_site::SampleSite& site, const fs::path& archive)
      : ProgramWithList(site, archive, false) {}
  // Presses 履歴から参照, then in the list window the row of `id` and `button`; the
  // window is closed with its close box if it is still open.
  void Press(const std::string& id, QPushButton* TForm4::*button) {
    QTimer::singleShot(0, &form, [&] {
      auto* window = form.findChild<TForm4*>(QStringLiteral("TForm4"));
      QVERIFY(window != nullptr && window->isVisible());
      StringGrid& grid = *window->SGrid1;
      for (int row = 0; row < grid.RowCount(); ++row) {
        if (grid.Cell(1, row) == id)
          QTest::mouseClick(grid.viewport(), Qt::LeftButton, {},
                            grid.visualRect(grid.model()->index(row, 2)).center());
      }
      QTest::mouseClick(window->*button, Qt::LeftButton);
      window->close();
    });
    QTest::mouseClick(form.B_read, Qt::LeftButton);
    QTRY_VERIFY(!list.isVisible());
  }
  StringList IssueList() const { return MemoLines(*form.Memo3); }
};

}  // namespace

class ArchiveOpeningTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() {
    SetMessagePump([] { QCoreApplication::processEvents(); });
  }
  void cleanupTestCase() { SetMessagePump({}); }
  // Each test starts from the service as built and an archive holding two newsletters.
  void init() {
    site_ = std::make_unique<sample_site::SampleSite>();
    site_->Start();
    archive_ = std::make_unique<TempFolder>();
    Program first(*site_, Root());
    first.Read(site_->NewsletterAddress(kOther));
    first.Read(site_->NewsletterAddress(kMain));
    site_->ClearRequests();
  }
  void opensStoredIssuesOfflineThenReadsOnlyNewOnes();
  void choices_data();
  void choices();
  void closingAfterADeletion_data();
  void closingAfterADeletion();

 private:
  fs::path Root() const { return archive_->path() / "log"; }
  fs::path LogOf(const std::string& id) const { return MagazineLogFile(Root() / "magumagu" / id); }

  std::unique_ptr<sample_site::SampleSite> site_;
  std::unique_ptr<TempFolder> archive_;
};

void ArchiveOpeningTest::opensStoredIssuesOfflineThenReadsOnlyNewOnes() {
  const std::string before = ReadFileBytes(ArchiveIndexFile(Root())) + ReadFileBytes(LogOf(kMain));
  Program program(*site_, Root());
  program.Press(kMain, &TForm4::Bt_sel);
  QVERIFY(site_->Requests().empty());
  StringList expected;  // newest first, none new
  for (const auto& issue : site_->Issues(kMain))
    expected.push_back("*" + sjis::ReplaceAll(issue.key, " ", "_") + "*");
  QCOMPARE(program.IssueList(), expected);
  QCOMPARE(program.form.Edit1->text().toStdString(), site_->NewsletterAddress(kMain));
  QCOMPARE(program.form.Panel3->text() + program.form.Panel1->text(),
           QString::fromUtf8("まぐまぐ ID:0000100002季節のレシピ便り"));
  QVERIFY(program.form.Label1->text().isEmpty() && !program.form.WebB1->isVisible());
  QCOMPARE(ReadFileBytes(ArchiveIndexFile(Root())) + ReadFileBytes(LogOf(kMain)), before);

  // Two issues published since: 未読取分 fetches the listing pages and those two only.
  site_->AddNewerIssue(kMain);
  site_->AddNewerIssue(kMain);
  program.Read(FromQString(program.form.Edit1->text()));
  const auto issues = site_->Issues(kMain);
  const std::string get = "GET /m/log/" + kMain;
  QCOMPARE(site_->Requests(), (std::vector<std::string>{get, get + "/?page=2", get + "/" + issues[0].pathTail,
                                                        get + "/" + issues[1].pathTail}));
  const StringList list = program.IssueList();
  QCOMPARE(list.size(), std::size_t{14});
  QCOMPARE(std::count_if(list.begin(), list.end(),
                         [](const std::string& l) { return sjis::Contains(l, "*new*"); }),
           2);
}

void ArchiveOpeningTest::choices_data() {
  QTest::addColumn<QString>("id");
  QTest::addColumn<QString>("url");  // put into the log first; "-": the key removed
  QTest::addColumn<bool>("opened");
  QTest::addColumn<bool>("wrongAddress");
  QTest::addColumn<int>("listed");
  const QString main = QString::fromStdString(kMain);
  QTest::newRow("no Url") << main << "-" << true << true << 12;
  QTest::newRow("unknown service") << main << "http://elsewhere.example/m/log/" + main << true << true << 12;
  QTest::newRow("no folder nor log") << "0000299999"
                                     << "" << true << true << 0;
  QTest::newRow("-1") << "-1"
                      << "" << false << false << 12;
  QTest::newRow("unsafe ID") << ".."
                             << "" << false << true << 12;
}

void ArchiveOpeningTest::choices() {
  QFETCH(QString, id);
  QFETCH(QString, url);
  QFETCH(bool, opened);
  QFETCH(bool, wrongAddress);
  QFETCH(int, listed);
  Program program(*site_, Root());
  program.Read(site_->NewsletterAddress(kMain));
  const QString readAddress = program.form.Edit1->text();
  if (url == QStringLiteral("-")) QVERIFY(!RemoveIniKey(LogOf(kMain), kMain, "Url"));
  if (url.startsWith(QStringLiteral("http")))
    QVERIFY(!WriteIniValue(LogOf(kMain), kMain, "Url", url.toStdString()));
  if (id.toStdString() != kMain)
    QVERIFY(!WriteIniValue(ArchiveIndexFile(Root()), "magumagu", id.toStdString(), Sj("消えた通信,x")));
  program.Press(id.toStdString(), &TForm4::Bt_sel);

  QCOMPARE(program.form.Edit1->text(),
           opened ? (url.startsWith(QStringLiteral("http")) ? url : QString()) : readAddress);
  QCOMPARE(program.form.Panel3->text(),
           opened ? " ID:" + id : QString::fromUtf8(("まぐまぐ ID:" + kMain).c_str()));
  QCOMPARE(program.form.Label1->text(),
           wrongAddress ? QString::fromUtf8("URLが間違っています。") : QString());
  QCOMPARE(program.IssueList().size(), static_cast<std::size_t>(listed));
  QVERIFY(program.form.Memo1->document()->isEmpty() && !program.form.WebB1->isVisible());
  QCOMPARE(program.state.MagazineId, opened ? id.toStdString() : kMain);
}

void ArchiveOpeningTest::closingAfterADeletion_data() {
  QTest::addColumn<QString>("id");
  QTest::addColumn<bool>("yes");
  QTest::addColumn<bool>("cleared");
  QTest::newRow("the open newsletter") << QString::fromStdString(kMain) << true << true;
  QTest::newRow("another newsletter") << QString::fromStdString(kOther) << true << false;
  QTest::newRow("declined") << QString::fromStdString(kMain) << false << false;
}

void ArchiveOpeningTest::closingAfterADeletion() {
  QFETCH(QString, id);
  QFETCH(bool, yes);
  QFETCH(bool, cleared);
  Program program(*site_, Root());
  program.form.RadioG2->SetItemIndex(1);  // every issue again, so the result holds them
  program.Read(site_->NewsletterAddress(kMain));
  const TForm1& form = program.form;
  const QString shown = form.Edit1->text() + form.Label1->text() + form.Panel3->text() + form.Panel1->text();
  const StringList list = program.IssueList();
  program.dialogs.answers = {yes};
  program.Press(id.toStdString(), &TForm4::Bt_del);
  QCOMPARE(program.dialogs.questions.size(), std::size_t{1});
  QCOMPARE(form.Edit1->text() + form.Label1->text() + form.Panel3->text() + form.Panel1->text(),
           cleared ? QString() : shown);
  QCOMPARE(program.IssueList(), cleared ? StringList{} : list);
  QCOMPARE(form.Memo1->document()->isEmpty(), cleared);
  QCOMPARE(form.WebB1->isVisible(), !cleared);
  QCOMPARE(program.state.MagazineId, kMain);
}

QTEST_MAIN(ArchiveOpeningTest)
#include "archive_opening_window_test.moc"
