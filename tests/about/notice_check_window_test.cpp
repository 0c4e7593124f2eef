// The notice check against the sample service's notice pages, run through the event loop.

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

#include "about/notice_check.h"
#include "about/version_info.h"
#include "sample_site/notice_pages.h"
#include "sample_site/sample_site.h"
#include "support/test_support.h"

class NoticeCheckTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() { site_.Start(); }
  void init() { site_.ClearRequests(); }
  void eachVariantOfThePage_data();
  void eachVariantOfThePage();
  void noRequestWithoutABaseOrAVersion();
  void theWindowRunsOnWhileThePageTricklesAndTheLimitCutsIt();

 private:
  sample_site::SampleSite site_;
  QObject owner_;
};

void NoticeCheckTest::eachVariantOfThePage_data() {
  QTest::addColumn<QString>("variant");
  QTest::addColumn<bool>("message");
  QTest::addColumn<bool>("note");
  QTest::addColumn<bool>("link");
  QTest::newRow("message, note and link") << "full" << true << true << true;
  QTest::newRow("EUC-JP") << "euc" << true << true << true;
  QTest::newRow("<msg></msg>") << "empty-msg" << false << true << true;
  QTest::newRow("<d_url></d_url>") << "empty-url" << true << true << false;
  QTest::newRow("404") << "missing" << false << false << false;
  QTest::newRow("500") << "error" << false << false << false;
}

void NoticeCheckTest::eachVariantOfThePage() {
  QFETCH(QString, variant);
  QFETCH(bool, message);
  QFETCH(bool, note);
  QFETCH(bool, link);
  VersionNotice notice;
  ReadVersionInfo(notice);
  bool finished = false;
  CheckNotice(notice, site_.NoticeBase(variant.toStdString()), &owner_, [&finished] { finished = true; });
  QTRY_VERIFY(finished);
  QCOMPARE(notice.NoticeMessage, message ? Sj(sample_site::kNoticeMessage) : std::string());
  QCOMPARE(notice.NoticeNote, note ? Sj(sample_site::kNoticeNote) : std::string());
  QCOMPARE(notice.NoticeDownloadUrl, link ? site_.Root() + "/" : std::string());
  QCOMPARE(notice.NoticeText.empty(), !note);
  QCOMPARE(site_.Requests(), std::vector<std::string>{"GET /notice/" + variant.toStdString() + "/" +
                                                      notice.FileVersionText + ".html"});
}

void NoticeCheckTest::noRequestWithoutABaseOrAVersion() {
  VersionNotice versioned;
  ReadVersionInfo(versioned);
  VersionNotice unversioned;
  ReadVersionInfo(unversioned, {});
  bool finished = false;
  QCOMPARE(CheckNotice(versioned, "", &owner_, [&finished] { finished = true; }), -1);
  QCOMPARE(CheckNotice(unversioned, site_.NoticeBase("full"), &owner_, [&finished] { finished = true; }), -1);
  QTest::qWait(200);
  QVERIFY(!finished && site_.Requests().empty());
}

void NoticeCheckTest::theWindowRunsOnWhileThePageTricklesAndTheLimitCutsIt() {
  // A clock 100 times fast: the 40-second limit falls after 0.4 s of real time.
  QElapsedTimer real;
  real.start();
  const DateTime start = NowLocal();
  const Clock fast = [&real, start] {
    return start + static_cast<double>(real.elapsed()) * 100 / 86'400'000;
  };
  VersionNotice notice;
  ReadVersionInfo(notice);
  bool finished = false;
  int turns = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&turns] { ++turns; });
  ticker.start(5);
  QCOMPARE(CheckNotice(
               notice, site_.NoticeBase("slow"), &owner_, [&finished] { finished = true; }, fast),
           -1);
  QVERIFY(!finished);
  QTRY_VERIFY(finished);
  QVERIFY(turns >= 20);  // the event loop went on meanwhile
  QVERIFY(real.elapsed() < 5'000);
  // The fields came at once and are used; the page itself never ended.
  QCOMPARE(notice.NoticeMessage, Sj(sample_site::kNoticeMessage));
  QCOMPARE(notice.NoticeDownloadUrl, site_.Root() + "/");
  QVERIFY(notice.NoticeText.find("</html>") == std::string::npos);
  // A check still running goes with its owner.
  {
    QObject owner;
    finished = false;
    CheckNotice(notice, site_.NoticeBase("slow"), &owner, [&finished] { finished = true; });
    QTRY_COMPARE(site_.Requests().size(), std::size_t{2});
  }
  QTest::qWait(50);
  QVERIFY(!finished);
}

QTEST_MAIN(NoticeCheckTest)
#include "notice_check_window_test.moc"
