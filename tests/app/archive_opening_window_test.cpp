// 履歴から参照 end to end: newsletters read from the sample service into a temporary
// archive, then opened again from the list window by a main window started afresh.

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/main_window.h"
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
using sample_site::IssueNaming;
using sample_site::SampleNewsletter;
using sample_site::SampleSite;

namespace {

const std::string kDated = "0000200001";     // 5 issues on 2 listing pages
const std::string kNumbered = "0000200002";  // 3 issues

std::vector<SampleNewsletter> SmallNewsletters() {
  std::vector<SampleNewsletter> list(2);
  list[0].id = kDated;
  list[0].title = "週刊テスト通信";
  list[0].issueCount = 5;
  list[0].issuesPerPage = 3;
  list[1].id = kNumbered;
  list[1].title = "番号付き講座";
  list[1].naming = IssueNaming::Numbered;
  list[1].issueCount = 3;
  return list;
}

// The main window and its list window on one archive, as the program starts them.
struct Program {
  Program(SampleSite& site, const fs::path& archive) : form(state), list(state, &form) {
    form.archiveFolder = archive;
    form.serviceTable = MakeServiceTable(site.Root());
    form.Form4 = &list;
    form.show();
  }

  bool Read(const std::string& address) {
    form.Edit1->setText(QString::fromStdString(address));
    QTest::mouseClick(form.B_Check, Qt::LeftButton);
    QElapsedTimer timer;
    timer.start();
    while ((form.IsReadPosted() || form.IsReading()) && timer.elapsed() < 60'000) QTest::qWait(10);
    return !form.IsReadPosted() && !form.IsReading();
  }

  // Presses 履歴から参照 and, once the list window is up, lets `act` work in it; the
  // window is closed with its close box if `act` leaves it open.
  void InList(const std::function<void(TForm4&)>& act) {
    bool acted = false;
    QTimer::singleShot(0, &form, [&] {
      auto* window = form.findChild<TForm4*>(QStringLiteral("TForm4"));
      if (window == nullptr || !window->isVisible()) return;
      act(*window);
      acted = true;
      if (window->isVisible()) window->close();
    });
    QTest::mouseClick(form.B_read, Qt::LeftButton);
    QVERIFY(acted);
  }
  // Clicks the row of `id` in the list window, then `button`.
  void Press(const std::string& id, QPushButton* TForm4::*button) {
    InList([&](TForm4& window) {
      const auto& rows = window.SGrid1->Rows();
      const auto row =
          std::find_if(rows.begin(), rows.end(), [&](const MagazineRow& r) { return r[1] == id; });
      QVERIFY(row != rows.end());
      const QModelIndex cell = window.SGrid1->model()->index(static_cast<int>(row - rows.begin()), 2);
      QTest::mouseClick(window.SGrid1->viewport(), Qt::LeftButton, {},
                        window.SGrid1->visualRect(cell).center());
      QTest::mouseClick(window.*button, Qt::LeftButton);
    });
  }

  StringList IssueList() const { return MemoLines(*form.Memo3); }

  RecordingDialogs dialogs;
  SharedState state;
  TForm1 form;
  TForm4 list;
};

}  // namespace

class ArchiveOpeningTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() {
    SetMessagePump([] { QCoreApplication::processEvents(); });
  }
  void cleanupTestCase() { SetMessagePump({}); }
  // Each test starts from a service as built and an archive holding both newsletters.
  void init() {
    site_ = std::make_unique<SampleSite>(SmallNewsletters());
    site_->Start();
    archive_ = std::make_unique<TempFolder>();
    Program first(*site_, Root());
    QVERIFY(first.Read(site_->NewsletterAddress(kNumbered)));
    QVERIFY(first.Read(site_->NewsletterAddress(kDated)));
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

  std::unique_ptr<SampleSite> site_;
  std::unique_ptr<TempFolder> archive_;
};

void ArchiveOpeningTest::opensStoredIssuesOfflineThenReadsOnlyNewOnes() {
  const std::string indexBefore = ReadFileBytes(ArchiveIndexFile(Root()));
  const std::string logBefore = ReadFileBytes(LogOf(kDated));
  Program program(*site_, Root());
  program.Press(kDated, &TForm4::Bt_sel);

  QVERIFY(site_->Requests().empty());
  StringList expected;
  for (const auto& issue : site_->Issues(kDated))
    expected.push_back("*" + sjis::ReplaceAll(issue.key, " ", "_") + "*");
  QCOMPARE(program.IssueList(), expected);  // newest first, none new
  QCOMPARE(program.form.Edit1->text().toStdString(), site_->NewsletterAddress(kDated));
  QCOMPARE(program.form.Panel3->text(), QString::fromUtf8("まぐまぐ ID:0000200001"));
  QCOMPARE(program.form.Panel1->text(), QString::fromUtf8("週刊テスト通信"));
  QCOMPARE(program.form.Label1->text(), QString());
  QVERIFY(!program.form.WebB1->isVisible());
  QCOMPARE(ReadFileBytes(ArchiveIndexFile(Root())), indexBefore);
  QCOMPARE(ReadFileBytes(LogOf(kDated)), logBefore);

  // Two issues published since: 未読取分 fetches the listing pages (the top page is the
  // first) and those two issues only.
  site_->AddNewerIssue(kDated);
  site_->AddNewerIssue(kDated);
  QVERIFY(program.Read(FromQString(program.form.Edit1->text())));
  const auto issues = site_->Issues(kDated);
  const std::string base = "GET /m/log/" + kDated;
  QCOMPARE(site_->Requests(),
           (std::vector<std::string>{base, base + "/?page=2", base + "/?page=3",
                                     base + "/" + issues[0].pathTail, base + "/" + issues[1].pathTail}));
  const StringList list = program.IssueList();
  QCOMPARE(list.size(), std::size_t{7});
  QCOMPARE(std::count_if(list.begin(), list.end(),
                         [](const std::string& line) { return sjis::Contains(line, "*new*"); }),
           2);
}

void ArchiveOpeningTest::choices_data() {
  QTest::addColumn<QString>("id");
  QTest::addColumn<QString>("url");        // written to log.ini first; "-" removes the key
  QTest::addColumn<QString>("address");    // Edit1 afterwards
  QTest::addColumn<QString>("label");      // Panel3 afterwards
  QTest::addColumn<bool>("wrongAddress");  // Label1
  QTest::addColumn<int>("listed");         // lines of Memo3
  const QString dated = QString::fromStdString(kDated);
  const QString readAddress = QStringLiteral("(read)");
  QTest::newRow("no Url") << dated << "-"
                          << ""
                          << " ID:" + dated << true << 5;
  QTest::newRow("unknown service") << dated << "http://elsewhere.example/m/log/" + dated
                                   << "http://elsewhere.example/m/log/" + dated << " ID:" + dated << true
                                   << 5;
  QTest::newRow("no folder") << "0000299999"
                             << ""
                             << ""
                             << " ID:0000299999" << true << 0;
  QTest::newRow("-1") << "-1"
                      << "" << readAddress << QString::fromUtf8("まぐまぐ ID:") + dated << false << 5;
  QTest::newRow("unsafe ID") << ".."
                             << "" << readAddress << QString::fromUtf8("まぐまぐ ID:") + dated << true << 5;
}

void ArchiveOpeningTest::choices() {
  QFETCH(QString, id);
  QFETCH(QString, url);
  QFETCH(QString, address);
  QFETCH(QString, label);
  QFETCH(bool, wrongAddress);
  QFETCH(int, listed);
  Program program(*site_, Root());
  QVERIFY(program.Read(site_->NewsletterAddress(kDated)));
  if (url == QStringLiteral("-")) {
    QVERIFY(!RemoveIniKey(LogOf(kDated), kDated, "Url"));
  } else if (!url.isEmpty()) {
    QVERIFY(!WriteIniValue(LogOf(kDated), kDated, "Url", url.toStdString()));
  }
  if (id.toStdString() != kDated) {
    QVERIFY(!WriteIniValue(ArchiveIndexFile(Root()), "magumagu", id.toStdString(), Sj("消えた通信,x")));
  }
  program.Press(id.toStdString(), &TForm4::Bt_sel);

  if (address == QStringLiteral("(read)")) address = QString::fromStdString(site_->NewsletterAddress(kDated));
  QCOMPARE(program.form.Edit1->text(), address);
  QCOMPARE(program.form.Panel3->text(), label);
  QCOMPARE(program.form.Label1->text(),
           wrongAddress ? QString::fromUtf8("URLが間違っています。") : QString());
  QCOMPARE(program.IssueList().size(), static_cast<std::size_t>(listed));
  QVERIFY(program.form.Memo1->document()->isEmpty());
  QVERIFY(!program.form.WebB1->isVisible());
  const bool opened = id == QStringLiteral("0000299999") || id.toStdString() == kDated;
  QCOMPARE(program.state.MagazineId, opened ? id.toStdString() : kDated);
}

void ArchiveOpeningTest::closingAfterADeletion_data() {
  QTest::addColumn<QString>("id");
  QTest::addColumn<bool>("yes");
  QTest::addColumn<bool>("cleared");
  QTest::newRow("the open newsletter") << QString::fromStdString(kDated) << true << true;
  QTest::newRow("another newsletter") << QString::fromStdString(kNumbered) << true << false;
  QTest::newRow("declined") << QString::fromStdString(kDated) << false << false;
}

void ArchiveOpeningTest::closingAfterADeletion() {
  QFETCH(QString, id);
  QFETCH(bool, yes);
  QFETCH(bool, cleared);
  Program program(*site_, Root());
  QVERIFY(program.Read(site_->NewsletterAddress(kDated)));
  const QString address = program.form.Edit1->text();
  const StringList list = program.IssueList();
  const QString status = program.form.Label1->text();
  program.dialogs.answers = {yes};
  program.Press(id.toStdString(), &TForm4::Bt_del);

  QCOMPARE(program.dialogs.questions.size(), std::size_t{1});
  QCOMPARE(program.form.Edit1->text(), cleared ? QString() : address);
  QCOMPARE(program.IssueList(), cleared ? StringList{} : list);
  QCOMPARE(program.form.Label1->text(), cleared ? QString() : status);
  QCOMPARE(program.form.Panel1->text().isEmpty(), cleared);
  QCOMPARE(program.form.Panel3->text().isEmpty(), cleared);
  QCOMPARE(program.form.Memo1->document()->isEmpty(), cleared);
  QCOMPARE(program.form.WebB1->isVisible(), !cleared);
  QCOMPARE(program.state.MagazineId, kDated);
}

QTEST_MAIN(ArchiveOpeningTest)
#include "archive_opening_window_test.moc"
