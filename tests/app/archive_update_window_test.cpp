// 一括読取 end to end: three newsletters read from the sample service into a temporary
// archive, then refreshed from the list window by the main window, as a user would.

#include <sys/stat.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <functional>

#include "app/archive_update.h"
#include "app/reader_fixture.h"
#include "archive/magazine_list.h"
#include "archive/magazine_log.h"
#include "archive/windows/string_grid.h"
#include "platform/cp932.h"
#include "platform/events.h"
#include "platform/ini.h"

namespace fs = std::filesystem;
using sample_site::Fault;

namespace {

// Shift-JIS dated, EUC-JP dated, UTF-8 numbered; listed in this order (by ID).
const std::vector<std::string> kIds = {"0000100001", "0000100002", "0000100003"};

struct Program : ProgramWithList {
  explicit Program(const sample_site::SampleSite& site, const fs::path& archive)
      : ProgramWithList(site, archive, false), update(form, list) {}
  // Opens the list window as 履歴から参照 does, runs `whileOpen` in it, and closes it.
  void InList(const std::function<void()>& whileOpen) {
    QTimer::singleShot(0, &list, [this, whileOpen] {
      QVERIFY(list.isVisible());
      whileOpen();
      list.close();
    });
    form.B_readClick();
    QTRY_VERIFY(!list.isVisible());
  }
  // Presses 一括読取 and waits for the summary.
  void UpdateAll() {
    QVERIFY(list.Bt_upd->isEnabled());
    QTest::mouseClick(list.Bt_upd, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!update.Running(), 60'000);
  }
  QString Summary() const { return list.Lb_upd->text(); }

  ArchiveUpdate update;
};

}  // namespace

class ArchiveUpdateTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() {
    SetMessagePump([] { QCoreApplication::processEvents(); });
  }
  void cleanupTestCase() { SetMessagePump({}); }
  void init() {
    site_ = std::make_unique<sample_site::SampleSite>();
    site_->Start();
    archive_ = std::make_unique<TempFolder>();
    Program first(*site_, Root());
    for (const std::string& id : kIds) first.Read(site_->NewsletterAddress(id));
    site_->ClearRequests();
  }

  void theButtonAndItsLabelStandInTheDesign();
  void readsTheListedNewslettersInTheListsOrderAndOnlyWhatIsNew();
  void oneNewsletterFailingStopsNoOther();
  void cancelAndCloseEndTheRunAfterTheNewsletterInFlight_data();
  void cancelAndCloseEndTheRunAfterTheNewsletterInFlight();

 private:
  fs::path Root() const { return archive_->path() / "log"; }
  std::unique_ptr<sample_site::SampleSite> site_;
  std::unique_ptr<TempFolder> archive_;
};

void ArchiveUpdateTest::theButtonAndItsLabelStandInTheDesign() {
  Program program(*site_, Root());
  program.InList([&] {
    TForm4& list = program.list;
    QCOMPARE(list.Bt_upd->geometry(), QRect(272, 4, 73, 25));
    QCOMPARE(list.Bt_upd->text(), QStringLiteral("一括読取"));
    QCOMPARE(list.Bt_upd->toolTip(), QStringLiteral("一覧のメルマガすべての未読取分を読み取ります。"));
    QCOMPARE(list.Lb_upd->geometry(), QRect(360, 8, list.width() - 8 - 360, 17));
    QCOMPARE(list.Bt_srch->nextInFocusChain(), static_cast<QWidget*>(list.Bt_upd));
    list.resize(list.width() + 100, list.height());
    QCOMPARE(list.Lb_upd->geometry(), QRect(360, 8, list.width() - 8 - 360, 17));
  });
  // An archive without newsletters offers no run.
  TempFolder empty;
  Program none(*site_, empty.path() / "log");
  none.InList([&] { QVERIFY(!none.list.Bt_upd->isEnabled()); });
}

void ArchiveUpdateTest::readsTheListedNewslettersInTheListsOrderAndOnlyWhatIsNew() {
  QVERIFY(site_->AddNewerIssue(kIds[1]));
  const sample_site::IssueInfo fresh = site_->Issues(kIds[1]).front();
  Program program(*site_, Root());
  bool heldWhileRunning = false;
  program.InList([&] {
    TForm4& list = program.list;
    // Sorted by ID descending: the run goes in that order.
    program.list.SortMagazineList(1);
    program.list.SortMagazineList(1);
    auto* watch = new QTimer(&list);
    QObject::connect(watch, &QTimer::timeout, watch, [&] {
      if (!program.update.Running()) return;
      heldWhileRunning = list.Bt_upd->text() == QStringLiteral("中止") && !list.Bt_sel->isEnabled() &&
                         !list.Bt_del->isEnabled() && !list.Bt_srch->isEnabled() &&
                         list.Lb_upd->text().startsWith(QStringLiteral("一括読取中 "));
      watch->stop();
    });
    watch->start(1);
    program.UpdateAll();
    QCOMPARE(program.Summary(),
             QStringLiteral("一括読取完了: 3件中 3件読取, 新着 1号, 取得できなかった号 0, エラー 0"));
    QCOMPARE(list.Bt_upd->text(), QStringLiteral("一括読取"));
    QVERIFY(list.Bt_sel->isEnabled());
    // Each row's cells are its index line as the run left it.
    for (int row = 0; row < list.SGrid1->RowCount(); ++row) {
      const std::string id = list.SGrid1->Cell(1, row);
      MagazineRow expected = CutIndexLine(id + "=" + ReadIniValue(ArchiveIndexFile(Root()), "magumagu", id));
      for (int column = 1; column < kMagazineListColumns; ++column)
        QCOMPARE(list.SGrid1->Cell(column, row), expected[static_cast<std::size_t>(column)]);
    }
  });
  QVERIFY(heldWhileRunning);
  // Every top and listing page, and only the new issue, in the list's order.
  const std::vector<std::string> expected = {"/m/log/0000100003",
                                             "/m/log/0000100003/?page=2",
                                             "/m/log/0000100002",
                                             "/m/log/0000100002/?page=2",
                                             "/m/log/0000100002/" + fresh.pathTail,
                                             "/m/log/0000100001",
                                             "/m/log/0000100001/?page=2",
                                             "/m/log/0000100001/?page=3"};
  QCOMPARE(NewsletterRequests(*site_), expected);
  QCOMPARE(program.form.Panel1->text(), QStringLiteral("週刊サンプル通信"));
  QVERIFY(program.dialogs.messages.empty());
}

void ArchiveUpdateTest::oneNewsletterFailingStopsNoOther() {
  // The first newsletter's service fails for good; the second cannot store its new issue;
  // the third is read.
  site_->SetFault("/m/log/" + kIds[0], {Fault::kStatus, 500});
  QVERIFY(site_->AddNewerIssue(kIds[1]));
  QVERIFY(site_->AddNewerIssue(kIds[2]));
  const fs::path locked = NewsletterFolder(Root(), kIds[1]);
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
  Program program(*site_, Root());
  program.InList([&] {
    program.UpdateAll();
    QCOMPARE(program.Summary(),
             QStringLiteral("一括読取完了: 3件中 1件読取, 新着 1号, 取得できなかった号 0, エラー 2"));
    QCOMPARE(QString::fromStdString(cp932::ToUtf8(program.list.SGrid1->Cell(4, 0))),
             QStringLiteral("エラー"));
    QCOMPARE(QString::fromStdString(cp932::ToUtf8(program.list.SGrid1->Cell(4, 1))),
             QStringLiteral("エラー"));
    QVERIFY(program.list.SGrid1->Cell(4, 2).starts_with("20"));
  });
  fs::permissions(locked, fs::perms::owner_all);
  // The write failure went into the result, not into a message box nobody would close.
  QVERIFY(program.dialogs.messages.empty());
  QVERIFY(program.update.Done().at(1).result.find(cp932::FromUtf8("ファイルに書き込めません。")) !=
          std::string::npos);
  QCOMPARE(program.update.Done().at(2).newIssues, 1);
}

void ArchiveUpdateTest::cancelAndCloseEndTheRunAfterTheNewsletterInFlight_data() {
  QTest::addColumn<bool>("close");
  QTest::newRow("中止") << false;
  QTest::newRow("the close box") << true;
}

void ArchiveUpdateTest::cancelAndCloseEndTheRunAfterTheNewsletterInFlight() {
  QFETCH(bool, close);
  // The second newsletter's top page never answers: the run is in it when stopped.
  site_->SetFault("/m/log/" + kIds[1], {Fault::kNoAnswer});
  Program program(*site_, Root());
  // The run goes on inside the events the test waits with: the stop comes from a watch.
  bool stillOpen = false;
  auto* watch = new QTimer(&program.list);
  QObject::connect(watch, &QTimer::timeout, watch, [&] {
    if (NewsletterRequests(*site_).size() < 4) return;  // the first's three pages, the second's top
    watch->stop();
    QTest::qWait(100);
    if (close) {
      program.list.close();
      stillOpen = program.list.isVisible();  // until the run has ended
    } else {
      QTest::mouseClick(program.list.Bt_upd, Qt::LeftButton);
    }
  });
  program.InList([&] {
    watch->start(1);
    QTest::mouseClick(program.list.Bt_upd, Qt::LeftButton);
    QTRY_VERIFY(!program.update.Running());
  });
  QVERIFY(!close || stillOpen);
  QCOMPARE(program.Summary(),
           QStringLiteral("一括読取中止: 3件中 1件読取, 新着 0号, 取得できなかった号 0, エラー 0"));
  QCOMPARE(program.form.Label1->text(), QStringLiteral("*** キャンセルしました ***"));
  QCOMPARE(NewsletterRequests(*site_).size(), std::size_t{4});  // nothing of the third
}

QTEST_MAIN(ArchiveUpdateTest)
#include "archive_update_window_test.moc"
