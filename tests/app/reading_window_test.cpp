// Reading a newsletter end to end: the real main window offscreen, the sample service
// on loopback, and the archive in a temporary folder.

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <memory>
#include <numeric>

#include "app/main_window.h"
#include "app/reader_fixture.h"
#include "archive/issue_naming.h"
#include "platform/cp932.h"
#include "platform/events.h"
#include "platform/text_lines.h"
#include "retrieval/read_driver.h"
#include "sample_site/sample_site.h"
#include "support/test_support.h"
#include "viewer/qt_text.h"

namespace fs = std::filesystem;
using sample_site::SampleNewsletter;
using sample_site::SampleSite;

namespace {

const std::string kWeekly = "0000100001";  // Shift-JIS, dated, 45 issues on 3 listing pages

}  // namespace

class ReadingTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() {
    SetMessagePump([] { QCoreApplication::processEvents(); });
    site_ = std::make_unique<SampleSite>();
    site_->Start();
  }
  void cleanupTestCase() {
    site_.reset();
    SetMessagePump({});
  }
  void init() { site_->ClearRequests(); }

  void firstReadStoresEveryIssue();
  void secondUnreadReadFetchesNothing();
  void allRefetchesAndOverwrites();
  void publicationOrderReadsOldestFirst();
  void numberedIssuesAreKnownOnTheSecondRead();
  void numberedIssuesInNumberOrder();
  void knownIssuesAreThoseOfTheNewsletterRead();
  void issuesMentioningACharsetAreStoredAsPublished();
  void otherEncodingsAreStoredAsShiftJis();
  void cancelDuringTheListingWalk();
  void cancelDuringTheIssuePhase();
  void aListingPageThatFailsStopsTheRead();
  void anIssuePageAnswering404IsNotStoredAndTriedAgain();
  void htmlFormatNewsletterIsRefusedNextTime();
  void melmaAndUnknownAddressesReadNothing();
  void emptyAddressClearsTheResultOnly();
  void anIssueFileThatCannotBeWrittenStopsTheRead();
  void closingDuringAReadEndsCleanly();
  void pageCountFromTheFirstListingPage();
  void memo1HoldsEveryLineOfTheResult_data();
  void memo1HoldsEveryLineOfTheResult();

 private:
  std::unique_ptr<SampleSite> site_;
};

void ReadingTest::firstReadStoresEveryIssue() {
  Reader reader(*site_);
  const std::string address = site_->NewsletterAddress(kWeekly);
  QVERIFY(reader.Read(address));
  QCOMPARE(QString::fromStdString(reader.Status()), QStringLiteral("*** 45件取得しました ***"));

  // Every issue stored as Shift-JIS with its header line and CR LF line ends.
  const auto issues = site_->Issues(kWeekly);
  QCOMPARE(reader.StoredFiles(kWeekly), 45);
  for (const auto& issue : issues) {
    const std::string issueAddress = site_->BackNumberBase() + "/" + kWeekly + "/" + issue.pathTail;
    const std::string expected = issue.key + " " + issueAddress + "\r\n" +
                                 NormalizeLineBreaks("<pre><tt>" + issue.bodyShiftJis) + "\r\n";
    const std::string stored = ReadFileBytes(reader.Folder(kWeekly) / IssueFileName(issue.key, 0));
    QVERIFY2(stored == expected, issue.key.c_str());
  }

  // The listing pages in order, then the issues in the order of the listing.
  const auto requests = site_->Requests();
  QCOMPARE(QString::fromStdString(requests.at(0)),
           QStringLiteral("GET /m/log/") + QString::fromStdString(kWeekly));
  QVERIFY(requests.at(1).find("?page=2") != std::string::npos);
  QVERIFY(requests.at(2).find("?page=3") != std::string::npos);
  const auto fetched = IssueRequests(*site_, kWeekly);
  QCOMPARE(fetched.size(), issues.size());
  for (std::size_t i = 0; i < issues.size(); ++i) QCOMPARE(fetched[i], issues[i].pathTail);

  // Every list line new, newest first.
  const StringList list = reader.IssueList();
  QCOMPARE(list.size(), std::size_t{45});
  for (const std::string& line : list)
    QVERIFY2(line.size() > 6 && line.substr(line.size() - 5) == "*new*", line.c_str());
  QCOMPARE(list.front(), "*" + IssueListKey(IssueFileName(issues.front().key, 0), 0) + "*new*");

  // The view shows the result page: everything read in the plain wrapper.
  QVERIFY(reader.form.WebB1->isVisible());
  QCOMPARE(reader.form.WebB1->CurrentFile(), reader.Folder(kWeekly) / "work.htm");
  const StringList page = SplitLines(ReadFileBytes(reader.Folder(kWeekly) / "work.htm"));
  QCOMPARE(page.front(), std::string("<HTML><HEAD></HEAD><BODY><pre>"));
  QCOMPARE(page.back(), std::string("</pre></BODY></HTML>"));
  QCOMPARE(page.at(1), issues.front().key + " " + site_->BackNumberBase() + "/" + kWeekly + "/" +
                           issues.front().pathTail);

  // The range of the read, the result for copying, the panels, the title and the logs.
  QCOMPARE(FromQString(reader.form.Edit6->text()),
           IssueFileName(issues.front().key, 2) + "_" + IssueFileName(issues.back().key, 2));
  QCOMPARE(reader.state.ResultText.front(), page.at(1));
  QCOMPARE(reader.form.Panel1->text(), QStringLiteral("週刊サンプル通信"));
  QCOMPARE(reader.form.Panel3->text(), QStringLiteral("まぐまぐ ID:0000100001"));
  QVERIFY(!reader.form.windowTitle().contains(QStringLiteral("..")));
  QVERIFY(ReadFileBytes(reader.archive.path() / "log" / "log_all.ini").find(",45\r\n") != std::string::npos);
  QVERIFY(reader.form.B_Check->isEnabled());
  QVERIFY(!reader.form.bt_can->isEnabled());
  QVERIFY(reader.dialogs.messages.empty());
}

void ReadingTest::secondUnreadReadFetchesNothing() {
  Reader reader(*site_);
  QVERIFY(reader.Read(site_->NewsletterAddress(kWeekly)));
  site_->ClearRequests();
  QVERIFY(reader.Read(site_->NewsletterAddress(kWeekly)));
  QCOMPARE(QString::fromStdString(reader.Status()), QStringLiteral("*** 0件取得しました ***"));
  QVERIFY(IssueRequests(*site_, kWeekly).empty());
  QCOMPARE(site_->Requests().size(), std::size_t{3});  // the three listing pages
  for (const std::string& line : reader.IssueList())
    QVERIFY2(line.find("*new*") == std::string::npos, line.c_str());
  QCOMPARE(reader.IssueList().size(), std::size_t{45});
  QVERIFY(reader.form.Memo1->toPlainText().isEmpty());
  QVERIFY(!reader.form.WebB1->isVisible());
  QVERIFY(reader.form.Edit6->text().isEmpty());
}

void ReadingTest::allRefetchesAndOverwrites() {
  Reader reader(*site_);
  QVERIFY(reader.Read(site_->NewsletterAddress(kWeekly)));
  const auto newest = site_->Issues(kWeekly).front();
  const fs::path file = reader.Folder(kWeekly) / IssueFileName(newest.key, 0);
  const std::string original = ReadFileBytes(file);
  WriteFileBytes(file, "spoiled");
  reader.form.RadioG2->SetItemIndex(1);
  site_->ClearRequests();
  QVERIFY(reader.Read(site_->NewsletterAddress(kWeekly)));
  QCOMPARE(QString::fromStdString(reader.Status()), QStringLiteral("*** 45件取得しました ***"));
  QCOMPARE(IssueRequests(*site_, kWeekly).size(), std::size_t{45});
  QCOMPARE(ReadFileBytes(file), original);
}

void ReadingTest::publicationOrderReadsOldestFirst() {
  Reader reader(*site_);
  reader.form.RadioG1->SetItemIndex(1);
  QVERIFY(reader.Read(site_->NewsletterAddress(kWeekly)));
  auto issues = site_->Issues(kWeekly);
  const auto fetched = IssueRequests(*site_, kWeekly);
  QCOMPARE(fetched.size(), issues.size());
  for (std::size_t i = 0; i < issues.size(); ++i)
    QCOMPARE(fetched[i], issues[issues.size() - 1 - i].pathTail);
  const StringList list = reader.IssueList();
  QVERIFY(std::is_sorted(list.begin(), list.end()));
  // The result shows the oldest issue first.
  QCOMPARE(reader.state.ResultText.front().substr(0, 16), issues.back().key);
}

void ReadingTest::numberedIssuesAreKnownOnTheSecondRead() {
  const std::string numbered = "0000100003";
  Reader reader(*site_);
  QVERIFY(reader.Read(site_->NewsletterAddress(numbered)));
  QCOMPARE(QString::fromStdString(reader.Status()), QStringLiteral("*** 15件取得しました ***"));
  QVERIFY(fs::exists(reader.Folder(numbered) / cp932::ToUtf8(Sj("第15号.txt"))));
  site_->ClearRequests();
  QVERIFY(reader.Read(site_->NewsletterAddress(numbered)));
  QCOMPARE(QString::fromStdString(reader.Status()), QStringLiteral("*** 0件取得しました ***"));
  QVERIFY(IssueRequests(*site_, numbered).empty());
}

void ReadingTest::numberedIssuesInNumberOrder() {
  const std::string numbered = "0000100003";  // 第1号 to 第15号
  // The numbers of the list lines (*第N号*) or of the issues' header lines (第N号 address).
  const auto numbers = [](const StringList& lines) {
    std::vector<int> found;
    for (const std::string& line : lines) {
      if (line.starts_with("*" + Sj("第"))) found.push_back(std::atoi(line.c_str() + 3));
      if (line.starts_with(Sj("第")) && line.find(" http") != std::string::npos)
        found.push_back(std::atoi(line.c_str() + 2));
    }
    return found;
  };
  std::vector<int> ascending(15);
  std::iota(ascending.begin(), ascending.end(), 1);
  const std::vector<int> descending(ascending.rbegin(), ascending.rend());
  for (const int order : {0, 1}) {
    Reader reader(*site_);
    site_->ClearRequests();
    reader.form.RadioG1->SetItemIndex(order);
    QVERIFY(reader.Read(site_->NewsletterAddress(numbered)));
    const std::vector<int>& expected = order == 0 ? descending : ascending;
    // Fetched, shown and listed in that order; 全 joins them in it too.
    std::vector<int> fetched;
    const auto issues = site_->Issues(numbered);
    for (const std::string& tail : IssueRequests(*site_, numbered)) {
      for (const auto& issue : issues) {
        if (issue.pathTail == tail) fetched.push_back(std::atoi(issue.key.c_str() + 2));
      }
    }
    QVERIFY(fetched == expected);
    QVERIFY(numbers(reader.state.ResultText) == expected);
    QVERIFY(numbers(reader.IssueList()) == expected);
    QTest::mouseClick(reader.form.B_allm, Qt::LeftButton);
    QTRY_VERIFY(reader.form.WebB1->isVisible() && reader.form.B_allm->isEnabled());
    QVERIFY(numbers(reader.state.ResultText) == expected);
  }
}

void ReadingTest::knownIssuesAreThoseOfTheNewsletterRead() {
  // Two numbered newsletters whose numbers overlap: the list of the first, still shown,
  // says nothing about the second.
  SampleNewsletter second = site_->Newsletters().at(2);
  second.id = "0000100009";
  second.title = "もうひとつの連載";
  second.issueCount = 20;
  site_->SetNewsletter(second);
  Reader reader(*site_);
  QVERIFY(reader.Read(site_->NewsletterAddress("0000100003")));
  QCOMPARE(reader.IssueList().size(), std::size_t{15});
  site_->ClearRequests();
  QVERIFY(reader.Read(site_->NewsletterAddress(second.id)));
  QCOMPARE(QString::fromStdString(reader.Status()), QStringLiteral("*** 20件取得しました ***"));
  QCOMPARE(IssueRequests(*site_, second.id).size(), std::size_t{20});
  QCOMPARE(reader.StoredFiles(second.id), 20);
  const StringList list = reader.IssueList();
  QCOMPARE(list.size(), std::size_t{20});
  for (const std::string& line : list) QVERIFY2(line.ends_with("*new*"), line.c_str());
}

void ReadingTest::issuesMentioningACharsetAreStoredAsPublished() {
  // Shift-JIS issues of a newsletter about web pages: their text mentions charsets, their
  // heads declare none or Shift_JIS.
  const auto issues = site_->Issues(kWeekly);
  const std::string bodies[] = {
      Sj("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\"> "
         "と書きます。\n文字化けに注意"),
      Sj("EUC-JP のページは <META CHARSET=\"EUC-JP\"> で始めます。\n次回は UTF-8 です"),
  };
  const std::string heads[] = {
      "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\"></head>",
      "<html><head><title>Web</title></head>",
  };
  for (std::size_t i = 0; i < std::size(bodies); ++i) {
    site_->SetExtraPage("/m/log/" + kWeekly + "/" + issues.at(i).pathTail,
                        heads[i] + "<body><pre><tt>" + bodies[i] + "\n</tt></pre></body></html>");
  }
  Reader reader(*site_);
  QVERIFY(reader.Read(site_->NewsletterAddress(kWeekly)));
  site_->ClearExtraPages();
  QCOMPARE(QString::fromStdString(reader.Status()), QStringLiteral("*** 45件取得しました ***"));
  for (std::size_t i = 0; i < std::size(bodies); ++i) {
    const std::string expected = issues.at(i).key + " " + site_->NewsletterAddress(kWeekly) + "/" +
                                 issues.at(i).pathTail + "\r\n" +
                                 NormalizeLineBreaks("<pre><tt>" + bodies[i]) + "\r\n";
    QCOMPARE(Hex(ReadFileBytes(reader.Folder(kWeekly) / IssueFileName(issues.at(i).key, 0))), Hex(expected));
  }
}

void ReadingTest::otherEncodingsAreStoredAsShiftJis() {
  Reader reader(*site_);
  const std::string euc = "0000100002";
  QVERIFY(reader.Read(site_->NewsletterAddress(euc)));
  QCOMPARE(QString::fromStdString(reader.Status()), QStringLiteral("*** 12件取得しました ***"));
  const auto issue = site_->Issues(euc).front();
  const std::string stored = ReadFileBytes(reader.Folder(euc) / IssueFileName(issue.key, 0));
  QVERIFY(stored.find(NormalizeLineBreaks(issue.bodyShiftJis)) != std::string::npos);
  QCOMPARE(reader.form.Panel1->text(), QStringLiteral("季節のレシピ便り"));
}

void ReadingTest::cancelDuringTheListingWalk() {
  Reader reader(*site_);
  CancelWhenStatusShows(reader, QStringLiteral("ページ目取得中"));
  QVERIFY(reader.Read(site_->NewsletterAddress(kWeekly)));
  QCOMPARE(QString::fromStdString(reader.Status()), QStringLiteral("*** キャンセルしました ***"));
  QCOMPARE(reader.StoredFiles(kWeekly), 0);
  QVERIFY(IssueRequests(*site_, kWeekly).empty());
  QVERIFY(reader.IssueList().empty());
  QVERIFY(!fs::exists(reader.Folder(kWeekly) / "log.ini"));
  // The view shows a page whose only text is the cancel line.
  QVERIFY(reader.form.WebB1->isVisible());
  QCOMPARE(ReadFileBytes(reader.Folder(kWeekly) / "work.htm"),
           Sj("<HTML><HEAD></HEAD><BODY><pre>\r\n*** キャンセルしました ***\r\n</pre></BODY></HTML>\r\n"));
  QVERIFY(!reader.form.fetcher.HasSession());
}

void ReadingTest::cancelDuringTheIssuePhase() {
  Reader reader(*site_);
  QVERIFY(reader.Read(site_->NewsletterAddress("0000100002")));  // something already listed
  const StringList listBefore = reader.IssueList();
  CancelWhenStatusShows(reader, QStringLiteral("メルマガ読取り中("), 3);
  QVERIFY(reader.Read(site_->NewsletterAddress(kWeekly)));
  QCOMPARE(QString::fromStdString(reader.Status()), QStringLiteral("*** キャンセルしました ***"));
  const int stored = reader.StoredFiles(kWeekly);
  QVERIFY2(stored >= 3 && stored < 45, std::to_string(stored).c_str());
  QCOMPARE(reader.IssueList(), listBefore);
  QCOMPARE(FromQString(reader.form.Edit6->text()), IssueFileName(site_->Issues(kWeekly).front().key, 2));
  const StringList page = SplitLines(ReadFileBytes(reader.Folder(kWeekly) / "work.htm"));
  QCOMPARE(page.at(page.size() - 2), Sj("*** キャンセルしました ***"));
  QVERIFY(!fs::exists(reader.Folder(kWeekly) / "log.ini"));
  // The next read picks up where the cancelled one stopped, whatever the list shows.
  site_->ClearRequests();
  QVERIFY(reader.Read(site_->NewsletterAddress(kWeekly)));
  QCOMPARE(reader.Status(), "*** " + std::to_string(45 - stored) + "件取得しました ***");
  QCOMPARE(IssueRequests(*site_, kWeekly).size(), static_cast<std::size_t>(45 - stored));
}

void ReadingTest::aListingPageThatFailsStopsTheRead() {
  Reader reader(*site_);
  QVERIFY(reader.Read(site_->NewsletterAddress("0000100006")));
  QCOMPARE(QString::fromStdString(reader.Status()), QStringLiteral("*** エラーが発生しました ***"));
  QCOMPARE(reader.StoredFiles("0000100006"), 0);
  QVERIFY(IssueRequests(*site_, "0000100006").empty());
  QVERIFY(reader.form.Memo1->toPlainText().isEmpty());
  QVERIFY(!reader.form.WebB1->isVisible());
  QVERIFY(!fs::exists(reader.archive.path() / "log" / "log_all.ini"));
  QVERIFY(reader.form.B_Check->isEnabled());
}

void ReadingTest::anIssuePageAnswering404IsNotStoredAndTriedAgain() {
  SampleNewsletter newsletter;
  newsletter.id = "0000200001";
  newsletter.title = "欠番のある通信";
  newsletter.issueCount = 5;
  newsletter.missingIssues = {1};
  SampleSite site({newsletter});
  site.Start();
  Reader reader(site);
  QVERIFY(reader.Read(site.NewsletterAddress(newsletter.id)));
  QCOMPARE(QString::fromStdString(reader.Status()), QStringLiteral("*** 4件取得しました ***"));
  const auto missing = site.Issues(newsletter.id).at(1);
  QVERIFY(!fs::exists(reader.Folder(newsletter.id) / IssueFileName(missing.key, 0)));
  QCOMPARE(reader.IssueList().size(), std::size_t{4});
  // Once the page answers again, the next unread-only read fetches that issue alone.
  newsletter.missingIssues.clear();
  site.SetNewsletter(newsletter);
  site.ClearRequests();
  QVERIFY(reader.Read(site.NewsletterAddress(newsletter.id)));
  QCOMPARE(QString::fromStdString(reader.Status()), QStringLiteral("*** 1件取得しました ***"));
  QCOMPARE(IssueRequests(site, newsletter.id), std::vector<std::string>{missing.pathTail});
  QVERIFY(fs::exists(reader.Folder(newsletter.id) / IssueFileName(missing.key, 0)));
}

void ReadingTest::htmlFormatNewsletterIsRefusedNextTime() {
  Reader reader(*site_);
  QVERIFY(reader.Read(site_->NewsletterAddress("0000100005")));
  QCOMPARE(reader.state.HtmlFormatFlag, 1);
  QVERIFY(reader.dialogs.messages.empty());
  site_->ClearRequests();
  QVERIFY(reader.Read(site_->NewsletterAddress(kWeekly)));
  QCOMPARE(reader.dialogs.messages, std::vector<std::string>{"HTML形式のメールマガジンは、今後対応予定です"});
  QVERIFY(site_->Requests().empty());
}

void ReadingTest::melmaAndUnknownAddressesReadNothing() {
  Reader reader(*site_);
  reader.form.Label1->setText(QStringLiteral("earlier"));
  reader.form.serviceTable[1].logBase = site_->Root() + "/backnumber_";
  QVERIFY(reader.Read(site_->Root() + "/backnumber_1234"));
  QCOMPARE(reader.form.Panel3->text(), QStringLiteral("メルマ→作成中"));
  QCOMPARE(reader.form.Label1->text(), QStringLiteral("earlier"));
  QVERIFY(!fs::exists(reader.archive.path() / "log"));
  QVERIFY(reader.Read("http://example.invalid/m/log/0000100001"));
  QVERIFY(reader.form.Panel3->text().isEmpty());
  QVERIFY(reader.form.Panel1->text().isEmpty());
  QVERIFY(reader.form.Memo1->toPlainText().isEmpty());
}

void ReadingTest::emptyAddressClearsTheResultOnly() {
  Reader reader(*site_);
  QVERIFY(reader.Read(site_->NewsletterAddress(kWeekly)));
  QVERIFY(reader.form.WebB1->isVisible());
  site_->ClearRequests();
  QVERIFY(reader.Read(""));
  QVERIFY(reader.form.Memo1->toPlainText().isEmpty());
  QVERIFY(reader.state.ResultText.empty());
  QVERIFY(reader.state.IssueQueue.empty());
  QVERIFY(!reader.form.WebB1->isVisible());
  QVERIFY(site_->Requests().empty());
  QCOMPARE(reader.IssueList().size(), std::size_t{45});
}

void ReadingTest::anIssueFileThatCannotBeWrittenStopsTheRead() {
  Reader reader(*site_);
  const auto issues = site_->Issues(kWeekly);
  // The third issue's file is stored already, and nobody may write it: すべて replaces it.
  const fs::path locked = reader.Folder(kWeekly) / IssueFileName(issues.at(2).key, 0);
  fs::create_directories(reader.Folder(kWeekly));
  WriteFileBytes(locked, "x");
  fs::permissions(locked, fs::perms::owner_read);
  reader.form.RadioG2->SetItemIndex(1);
  QVERIFY(reader.Read(site_->NewsletterAddress(kWeekly)));
  // One report, and the issue that was not stored is shown nowhere.
  QCOMPARE(reader.dialogs.messages.size(), std::size_t{1});
  QVERIFY(reader.dialogs.messages.front().find(IssueFileName(issues.at(2).key, 0)) != std::string::npos);
  const QString failedKey = QString::fromStdString(issues.at(2).key);
  QVERIFY(!reader.form.Memo1->toPlainText().contains(failedKey));
  QVERIFY(!reader.form.Memo1->toPlainText().contains(QString::fromStdString(issues.at(3).key)));
  QVERIFY(reader.form.Memo1->toPlainText().contains(QString::fromStdString(issues.at(1).key)));
  for (const std::string& line : reader.state.ResultText)
    QVERIFY(line.find(issues.at(2).key) == std::string::npos);
  QVERIFY(ReadFileBytes(reader.Folder(kWeekly) / "work.htm").find(issues.at(2).key) == std::string::npos);
  QCOMPARE(QString::fromStdString(reader.Status()), QStringLiteral("*** エラーが発生しました ***"));
  QCOMPARE(reader.StoredFiles(kWeekly), 2 + 1);  // the two before it, and the file it could not replace
  QCOMPARE(ReadFileBytes(locked), std::string("x"));
  QVERIFY(!fs::exists(reader.Folder(kWeekly) / "log.ini"));
  QVERIFY(reader.form.B_Check->isEnabled());
  QVERIFY(!reader.form.fetcher.HasSession());
}

void ReadingTest::closingDuringAReadEndsCleanly() {
  Reader reader(*site_);
  auto* closer = new QTimer(&reader.form);
  QObject::connect(closer, &QTimer::timeout, closer, [&reader, closer] {
    if (reader.form.Label1->text().contains(QStringLiteral("メルマガ読取り中("))) {
      reader.form.close();
      closer->stop();
    }
  });
  closer->start(1);
  QVERIFY(reader.Read(site_->NewsletterAddress(kWeekly)));
  QTRY_VERIFY(!reader.form.isVisible());
  QVERIFY(reader.StoredFiles(kWeekly) < 45);
  QVERIFY(!reader.form.fetcher.HasSession());
  QVERIFY(!fs::exists(reader.Folder(kWeekly) / "log.ini"));
}

void ReadingTest::pageCountFromTheFirstListingPage() {
  SharedState state;
  const auto count = [&state](const std::string& utf8Page) {
    state.PageText = Sj(utf8Page);
    state.PageTextLower = state.PageText;
    return RetrievalDriver::ListingPageCount(state);
  };
  const std::string link =
      "<td><a href=\"/m/log/0000123456/?page=50\" onclick=\"dynamicLink('/m/log/0000123456/?page=";
  QCOMPARE(count(link + "50'); return false;\"><img alt=\"一番後へ\"></a></td><td><img alt=\"一番前へ\">"),
           50);
  QCOMPARE(count(link + "0'); return false;\"></a></td><img alt=\"一番前へ\">"), 0);
  QCOMPARE(count(link + "-2'); return false;\"></a></td><img alt=\"一番前へ\">"), -2);
  QCOMPARE(count(link + "x9'); return false;\"></a></td><img alt=\"一番前へ\">"), 1);
  // The first-page image before the table link, or missing altogether: one page.
  QCOMPARE(count("<img alt=\"一番前へ\">" + link + "50'); return false;\"></a></td>"), 1);
  QCOMPARE(count(link + "50'); return false;\"></a></td>"), 1);
  QCOMPARE(count(""), 1);
}

void ReadingTest::memo1HoldsEveryLineOfTheResult_data() {
  QTest::addColumn<int>("issues");
  QTest::addColumn<int>("cancelAfter");  // issue files stored before キャンセル; 0: none
  QTest::newRow("a short result") << 5 << 0;
  QTest::newRow("a result far longer than Memo1 takes as it goes") << 60 << 0;
  QTest::newRow("a long result cancelled") << 60 << 40;
}

void ReadingTest::memo1HoldsEveryLineOfTheResult() {
  QFETCH(int, issues);
  QFETCH(int, cancelAfter);
  SampleNewsletter newsletter;
  newsletter.id = "0000200003";
  newsletter.title = "長文の通信";
  newsletter.issueCount = issues;
  newsletter.issuesPerPage = 100;
  newsletter.minBodyLines = newsletter.maxBodyLines = 40;
  SampleSite site({newsletter});
  site.Start();
  Reader reader(site);
  if (cancelAfter > 0)
    CancelWhenStatusShows(reader, QStringLiteral("メルマガ読取り中("), cancelAfter, newsletter.id);
  QVERIFY(reader.Read(site.NewsletterAddress(newsletter.id)));
  // Memo1 holds the result page line for line, whatever it showed while the read ran.
  const StringList page = SplitLines(ReadFileBytes(reader.Folder(newsletter.id) / "work.htm"));
  QVERIFY(page.size() > (cancelAfter > 0 ? std::size_t{1000} : std::size_t(issues) * 40));
  QCOMPARE(MemoLines(*reader.form.Memo1), page);
  QScrollBar* bar = reader.form.Memo1->verticalScrollBar();
  // The scroll bar spans every line, also after the memo was made larger.
  for (const QSize size : {QSize(TForm1::kDesignWidth, TForm1::kDesignHeight), QSize(900, 700)}) {
    reader.form.setMinimumSize(0, 0);
    reader.form.resize(size);
    QCoreApplication::processEvents();
    const int visible = reader.form.Memo1->viewport()->height() / reader.form.Memo1->fontMetrics().height();
    QVERIFY2(bar->maximum() >= static_cast<int>(page.size()) - visible - 2,
             std::to_string(bar->maximum()).c_str());
  }
  if (cancelAfter > 0) {
    QCOMPARE(page.at(page.size() - 2), Sj("*** キャンセルしました ***"));
    QCOMPARE(bar->value(), bar->maximum());
  } else {
    QCOMPARE(bar->value(), 0);
  }
}

QTEST_MAIN(ReadingTest)
#include "reading_window_test.moc"
