// Reading through every fault a server, a disk or an address can show: the real main
// window offscreen, the sample service's fault pages on loopback, real archive folders.
// Each fault meets a second read with すべて over a complete archive, which must keep
// every stored issue byte for byte.

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QtTest>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>

#include "app/reader_fixture.h"
#include "archive/issue_naming.h"
#include "platform/cp932.h"
#include "platform/events.h"
#include "platform/ini.h"
#include "platform/sjis.h"
#include "sample_site/newsletter_pages.h"

namespace fs = std::filesystem;
using sample_site::Fault;
using sample_site::IssueInfo;
using sample_site::PageFault;
using sample_site::PastLastPage;
using sample_site::SampleNewsletter;
using sample_site::SampleSite;

namespace {

const std::string kId = "0000100001";  // Shift-JIS, dated, 45 issues, 20 a page
constexpr int kFaultedIssue = 3;       // on the first listing page

std::map<fs::path, std::string> FolderBytes(const fs::path& folder) {
  std::map<fs::path, std::string> files;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    if (entry.path().extension() == ".txt") files[entry.path().filename()] = ReadFileBytes(entry.path());
  }
  return files;
}

// An issue page whose bytes and label disagree, or whose bytes are broken.
std::string IssuePageBytes(const std::string& charset, const std::string& bodyBytes) {
  return "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=" + charset +
         "\"></head><body><pre><tt>" + bodyBytes + "\n</tt></pre></body></html>";
}

// A clock 100 times fast, so the read limit falls after 0.4 s of a trickling page.
Clock FastClock() {
  const auto start = std::chrono::steady_clock::now();
  return [start] {
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return 46'000.0 + ms * 100.0 / 86'400'000.0;
  };
}

// Ignores SIGXFSZ and caps the size of any file written, for as long as it lives.
class FileSizeCap {
 public:
  explicit FileSizeCap(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    oldHandler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit capped = saved_;
    capped.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &capped);
  }
  ~FileSizeCap() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit saved_{};
  sighandler_t oldHandler_ = SIG_DFL;
};

enum class Before {
  kCompleteArchive,  // a first read stored every issue
  kAllButTheNewest,  // ... and the newest issue's file was removed since
  kFolderIsAFile,    // nothing read; a plain file stands where the newsletter's folder belongs
  kArchiveIsAFile,   // nothing read; a plain file stands where the archive belongs
};

struct Context {
  SampleSite& site;
  Reader& reader;
  const std::vector<IssueInfo>& issues;
  std::string address;  // what the second read is given
  std::string IssuePath(int index) const { return "/m/log/" + kId + "/" + issues.at(index).pathTail; }
};

// What the second read does to the faulted issue's file.
enum class Faulted {
  kKept,       // byte for byte as it was
  kGrown,      // stored anew, longer and complete
  kCorrected,  // stored anew with the publisher's correction, as long as before
};

struct FaultRow {
  const char* name;
  Before before;
  std::function<void(Context&)> fault;
  const char* status;                // the status line after the second read (UTF-8)
  int messages;                      // message boxes shown
  const char* resultLine = nullptr;  // a line the result must show (UTF-8; {key}: the faulted issue's key)
  Faulted faulted = Faulted::kKept;
};

SampleNewsletter Described(const std::function<void(SampleNewsletter&)>& change) {
  SampleNewsletter description = sample_site::DefaultNewsletters().front();
  change(description);
  return description;
}

}  // namespace

class ReadFaultsTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() {
    SetMessagePump([] { QCoreApplication::processEvents(); });
  }
  void cleanupTestCase() { SetMessagePump({}); }

  void everyFaultKeepsTheArchive();
  void cancelEndsAFetchThatNeverAnswers_data();
  void cancelEndsAFetchThatNeverAnswers();
  void cancelEndsTheWaitBeforeATry();
  void issueNamesTakenByOtherThanFiles_data();
  void issueNamesTakenByOtherThanFiles();
  void aServiceThatStopsEndsTheReadInSeconds();
};

void ReadFaultsTest::everyFaultKeepsTheArchive() {
  const auto onIssue = [](PageFault fault) {
    return [fault](Context& c) { c.site.SetFault(c.IssuePath(kFaultedIssue), fault); };
  };
  const auto issueBytes = [](const std::function<std::string(const IssueInfo&)>& bytes) {
    return [bytes](Context& c) {
      c.site.SetExtraPage(c.IssuePath(kFaultedIssue), bytes(c.issues.at(kFaultedIssue)));
    };
  };
  const auto utf8Body = [](const IssueInfo& issue) { return cp932::ToUtf8(issue.bodyShiftJis); };
  const auto described = [](const std::function<void(SampleNewsletter&)>& change) {
    return [change](Context& c) { c.site.SetNewsletter(Described(change)); };
  };
  const auto address = [](const std::string& tail) {
    return [tail](Context& c) { c.address = c.site.BackNumberBase() + tail; };
  };
  const std::string kana100 = [] {
    std::string text;
    for (int i = 0; i < 100; ++i) text += "ｱ";
    return text;
  }();

  const auto leftOut = [](const char* reason) {
    return std::string("*** 取得できませんでした({key}): ") + reason + " ***";
  };
  const std::string kept = "*** 保存済みの号を残しました({key}) ***";
  const std::string http404 = leftOut("HTTP 404"), http500 = leftOut("HTTP 500"),
                    http503 = leftOut("HTTP 503");
  const std::string noText = leftOut("本文がありません"), cut = leftOut("途中で切れました");
  const std::string silent = leftOut("応答がありません"), noConnection = leftOut("接続できませんでした");
  const std::string tooLarge = leftOut("大きすぎます");
  const auto once = [](Fault kind, int status = 500, std::string retryAfter = {}) {
    return PageFault{kind, status, 0, 1, std::move(retryAfter)};
  };
  const std::string listing2 = "/m/log/" + kId + "/?page=2";

  const std::vector<FaultRow> rows = {
      // One issue page goes wrong: that issue is passed over, its stored copy stays, and the
      // result says so where its text would have stood.
      {"404", Before::kCompleteArchive, onIssue({Fault::kStatus, 404}), "*** 44件取得しました ***", 0,
       http404.c_str()},
      {"500", Before::kCompleteArchive, onIssue({Fault::kStatus, 500}), "*** 44件取得しました ***", 0,
       http500.c_str()},
      {"503", Before::kCompleteArchive, onIssue({Fault::kStatus, 503}), "*** 44件取得しました ***", 0,
       http503.c_str()},
      {"503 with a Retry-After past 30 s", Before::kCompleteArchive,
       onIssue({Fault::kStatus, 503, 0, 0, "120"}), "*** 44件取得しました ***", 0, http503.c_str()},
      {"empty 200", Before::kCompleteArchive, issueBytes([](const IssueInfo&) { return std::string(); }),
       "*** 44件取得しました ***", 0, noText.c_str()},
      {"no issue text", Before::kCompleteArchive,
       issueBytes([](const IssueInfo&) { return std::string("<html><body>maintenance</body></html>"); }),
       "*** 44件取得しました ***", 0, noText.c_str()},
      {"reset before headers", Before::kCompleteArchive, onIssue({Fault::kResetBeforeHeaders}),
       "*** 44件取得しました ***", 0, cut.c_str()},
      {"reset mid-body", Before::kCompleteArchive, onIssue({Fault::kResetMidBody}),
       "*** 44件取得しました ***", 0, cut.c_str()},
      {"short body", Before::kCompleteArchive, onIssue({Fault::kShortBody}), "*** 44件取得しました ***", 0,
       cut.c_str()},
      {"trickle past the read limit", Before::kCompleteArchive,
       [onIssue](Context& c) {
         c.reader.form.fetcher.SetClock(FastClock());
         onIssue({Fault::kTrickle})(c);
       },
       "*** 44件取得しました ***", 0, cut.c_str()},
      {"no answer", Before::kCompleteArchive,
       [onIssue](Context& c) {
         c.reader.form.fetcher.SetHeaderSilenceLimit(500);
         onIssue({Fault::kNoAnswer})(c);
       },
       "*** 44件取得しました ***", 0, silent.c_str()},
      {"redirect loop", Before::kCompleteArchive, onIssue({Fault::kRedirectLoop}), "*** 44件取得しました ***",
       0, noConnection.c_str()},
      {"Shift-JIS labelled UTF-8", Before::kCompleteArchive,
       issueBytes([](const IssueInfo& issue) { return IssuePageBytes("UTF-8", issue.bodyShiftJis); }),
       "*** 44件取得しました ***", 0, kept.c_str()},
      {"EUC-JP labelled Shift-JIS", Before::kCompleteArchive, issueBytes([utf8Body](const IssueInfo& issue) {
         return IssuePageBytes("Shift_JIS",
                               sample_site::EncodeText(utf8Body(issue), sample_site::PageEncoding::EucJp));
       }),
       "*** 44件取得しました ***", 0, kept.c_str()},
      {"malformed UTF-8", Before::kCompleteArchive, issueBytes([utf8Body](const IssueInfo& issue) {
         return IssuePageBytes("UTF-8",
                               "\xC3"
                               "A" +
                                   utf8Body(issue));
       }),
       "*** 44件取得しました ***", 0, kept.c_str()},
      {"malformed EUC-JP", Before::kCompleteArchive, issueBytes([utf8Body](const IssueInfo& issue) {
         return IssuePageBytes("EUC-JP", "\x82\xA0" + sample_site::EncodeText(
                                                          utf8Body(issue), sample_site::PageEncoding::EucJp));
       }),
       "*** 44件取得しました ***", 0, kept.c_str()},
      {"7 MB issue page", Before::kCompleteArchive, onIssue({Fault::kLarge, 200, 7u << 20}),
       "*** 45件取得しました ***", 0, nullptr, Faulted::kGrown},
      {"10 MB issue page", Before::kCompleteArchive, onIssue({Fault::kLarge, 200, 10u << 20}),
       "*** 44件取得しました ***", 0, tooLarge.c_str()},
      {"gzip bomb", Before::kCompleteArchive, onIssue({Fault::kGzip, 200, 20u << 20}),
       "*** 44件取得しました ***", 0, tooLarge.c_str()},
      {"9 MB top page", Before::kCompleteArchive,
       [](Context& c) { c.site.SetExtraPage("/m/log/" + kId, std::string(9u << 20, 'x')); },
       "*** 不明なエラーが発生しました ***", 0},
      {"9 MB listing page", Before::kCompleteArchive,
       [](Context& c) { c.site.SetExtraPage("/m/log/" + kId + "/", std::string(9u << 20, 'x')); },
       "*** エラーが発生しました ***", 0},
      {"corrected by the publisher", Before::kCompleteArchive,
       [](Context& c) { QVERIFY(c.site.CorrectIssue(kId, kFaultedIssue)); }, "*** 45件取得しました ***", 0,
       nullptr, Faulted::kCorrected},
      // A passing fault is tried again, and the issue comes.
      {"503 once", Before::kCompleteArchive, onIssue(once(Fault::kStatus, 503)), "*** 45件取得しました ***",
       0},
      {"429 once, Retry-After 1", Before::kCompleteArchive, onIssue(once(Fault::kStatus, 429, "1")),
       "*** 45件取得しました ***", 0},
      {"reset before headers once", Before::kCompleteArchive, onIssue(once(Fault::kResetBeforeHeaders)),
       "*** 45件取得しました ***", 0},
      {"reset mid-body once", Before::kCompleteArchive, onIssue(once(Fault::kResetMidBody)),
       "*** 45件取得しました ***", 0},
      {"gzip without being asked", Before::kCompleteArchive, onIssue({Fault::kGzip}),
       "*** 45件取得しました ***", 0},
      {"deflate without being asked", Before::kCompleteArchive, onIssue({Fault::kDeflate}),
       "*** 45件取得しました ***", 0},
      {"top page 503 once", Before::kCompleteArchive,
       [once](Context& c) { c.site.SetFault("/m/log/" + kId, once(Fault::kStatus, 503)); },
       "*** 45件取得しました ***", 0},
      {"top page gzip", Before::kCompleteArchive,
       [](Context& c) { c.site.SetFault("/m/log/" + kId, {Fault::kGzip}); }, "*** 45件取得しました ***", 0},
      {"500 on listing page 2 once", Before::kCompleteArchive,
       [once, listing2](Context& c) { c.site.SetFault(listing2, once(Fault::kStatus, 500)); },
       "*** 45件取得しました ***", 0},
      {"listing page 2 breaks off once", Before::kCompleteArchive,
       [once, listing2](Context& c) { c.site.SetFault(listing2, once(Fault::kResetMidBody)); },
       "*** 45件取得しました ***", 0},
      // The listing goes wrong for good.
      {"500 on listing page 2", Before::kCompleteArchive,
       [listing2](Context& c) {
         c.site.SetFault(listing2, {Fault::kStatus, 500});
       },
       "*** エラーが発生しました ***", 0},
      {"listing page 2 breaks off", Before::kCompleteArchive,
       [listing2](Context& c) { c.site.SetFault(listing2, {Fault::kResetMidBody}); },
       "*** エラーが発生しました ***", 0},
      {"listing without links", Before::kCompleteArchive,
       [](Context& c) { c.site.SetExtraPage("/m/log/" + kId + "/", "<html><body><ul></ul></body></html>"); },
       "*** 20件取得しました ***", 0},
      {"page count 0", Before::kCompleteArchive, described([](auto& d) { d.announcedPageCount = "0"; }),
       "*** 0件取得しました ***", 0},
      {"page count -5", Before::kCompleteArchive, described([](auto& d) { d.announcedPageCount = "-5"; }),
       "*** 0件取得しました ***", 0},
      {"page count abc", Before::kCompleteArchive, described([](auto& d) { d.announcedPageCount = "abc"; }),
       "*** 20件取得しました ***", 0},
      {"page count 999999999, last page again", Before::kCompleteArchive, described([](auto& d) {
         d.announcedPageCount = "999999999";
         d.pastLastPage = PastLastPage::LastAgain;
       }),
       "*** 45件取得しました ***", 0},
      {"page count 999999999, empty pages", Before::kCompleteArchive, described([](auto& d) {
         d.announcedPageCount = "999999999";
         d.pastLastPage = PastLastPage::Empty;
       }),
       "*** 45件取得しました ***", 0},
      {"page count 999999999, 404 past the last", Before::kCompleteArchive,
       described([](auto& d) { d.announcedPageCount = "999999999"; }), "*** エラーが発生しました ***", 0},
      {"over-long key", Before::kCompleteArchive, described([kana100](auto& d) {
         d.linkKeys = {{3, kana100}};
       }),
       "*** 44件取得しました ***", 0, "ファイル名が長すぎるため保存できません("},
      {"unsafe keys", Before::kCompleteArchive, described([](auto& d) {
         d.linkKeys = {{0, "../../outside"}, {1, "a\\b"}, {2, "c\x01d"}};
       }),
       "*** 42件取得しました ***", 0, "*** 取得できませんでした(a\\b): 名前に使えない文字があります ***"},
      // The service, the address or the disk goes wrong.
      {"connection refused", Before::kCompleteArchive,
       [](Context& c) {
         SampleSite gone;
         gone.Start();
         const std::string root = gone.Root();
         gone.Stop();
         c.reader.form.serviceTable = MakeServiceTable(root);
         c.address = root + "/m/log/" + kId;
       },
       "*** 不明なエラーが発生しました ***", 0},
      {"ID with ../", Before::kCompleteArchive, address("/../../outside"),
       "*** 不明なエラーが発生しました ***", 0},
      {"ID with %2F", Before::kCompleteArchive, address("/..%2F..%2Foutside"),
       "*** 不明なエラーが発生しました ***", 0},
      {"full disk", Before::kAllButTheNewest, [](Context&) {}, "*** エラーが発生しました ***", 1},
      {"newsletter folder unwritable", Before::kFolderIsAFile, [](Context&) {},
       "*** エラーが発生しました ***", 1},
      {"archive is a file", Before::kArchiveIsAFile, [](Context&) {}, "*** エラーが発生しました ***", 1},
  };

  SampleSite site;
  site.Start();
  const std::vector<IssueInfo> issues = site.Issues(kId);
  for (const FaultRow& row : rows) {
    site.SetNewsletter(sample_site::DefaultNewsletters().front());
    Reader reader(site);
    const fs::path folder = reader.Folder(kId);
    if (row.before == Before::kFolderIsAFile || row.before == Before::kArchiveIsAFile) {
      const fs::path file = row.before == Before::kFolderIsAFile ? folder : reader.archive.path() / "log";
      fs::create_directories(file.parent_path());
      WriteFileBytes(file, "not a folder");
    } else {
      QVERIFY2(reader.Read(site.NewsletterAddress(kId)), row.name);
      QCOMPARE(QString::fromStdString(reader.Status()), QStringLiteral("*** 45件取得しました ***"));
      if (row.before == Before::kAllButTheNewest) fs::remove(folder / IssueFileName(issues.front().key, 0));
    }
    const auto before = FolderBytes(folder);
    const std::string indexBefore = ReadFileBytes(reader.archive.path() / "log" / "log_all.ini");

    Context context{site, reader, issues, site.NewsletterAddress(kId)};
    row.fault(context);
    reader.form.RadioG2->SetItemIndex(1);
    {
      std::unique_ptr<FileSizeCap> cap;
      if (row.before == Before::kAllButTheNewest) cap = std::make_unique<FileSizeCap>(64);
      QVERIFY2(reader.Read(context.address), row.name);
    }
    site.ClearFaults();
    site.ClearExtraPages();

    QVERIFY2(QString::fromStdString(reader.Status()) == QString::fromUtf8(row.status),
             (std::string(row.name) + ": " + reader.Status()).c_str());
    QVERIFY2(static_cast<int>(reader.dialogs.messages.size()) == row.messages, row.name);
    if (row.resultLine != nullptr) {
      QString line = QString::fromUtf8(row.resultLine);
      line.replace(QStringLiteral("{key}"),
                   QString::fromStdString(cp932::ToUtf8(issues.at(kFaultedIssue).key)));
      QVERIFY2(
          reader.form.Memo1->toPlainText().split(QLatin1Char('\n')).contains(line) ||
              (!line.startsWith(QStringLiteral("***")) && reader.form.Memo1->toPlainText().contains(line)),
          (std::string(row.name) + ": no line " + line.toStdString()).c_str());
    }
    const auto after = FolderBytes(folder);
    const fs::path faulted = IssueFileName(issues.at(kFaultedIssue).key, 0);
    for (const auto& [name, bytes] : before) {
      QVERIFY2(after.count(name) == 1, (std::string(row.name) + ": lost " + name.string()).c_str());
      const std::string header = bytes.substr(0, bytes.find("\r\n"));
      if (row.faulted == Faulted::kGrown && name == faulted) {
        QVERIFY2(after.at(name).size() > (6u << 20), row.name);
        QVERIFY2(after.at(name).substr(0, header.size()) == header, row.name);
      } else if (row.faulted == Faulted::kCorrected && name == faulted) {
        QCOMPARE(after.at(name).size(), bytes.size());
        QVERIFY2(after.at(name) != bytes, row.name);
        QVERIFY2(sjis::Contains(after.at(name), Sj("発信：")), row.name);
      } else {
        QVERIFY2(after.at(name) == bytes, (std::string(row.name) + ": changed " + name.string()).c_str());
      }
    }
    if (row.before == Before::kAllButTheNewest) {
      QVERIFY2(!fs::exists(folder / IssueFileName(issues.front().key, 0)), row.name);
    }
    // No temporary file is left, nothing is written outside the archive, and the log
    // files still read.
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
      QVERIFY2(entry.path().filename().string()[0] != '.',
               (std::string(row.name) + ": " + entry.path().string()).c_str());
    for (const auto& entry : fs::directory_iterator(reader.archive.path()))
      QVERIFY2(entry.path().filename() == "log",
               (std::string(row.name) + ": " + entry.path().string()).c_str());
    if (row.before == Before::kFolderIsAFile || row.before == Before::kArchiveIsAFile) {
      const fs::path file = row.before == Before::kFolderIsAFile ? folder : reader.archive.path() / "log";
      QVERIFY2(ReadFileBytes(file) == "not a folder", row.name);
      continue;
    }
    const fs::path index = reader.archive.path() / "log" / "log_all.ini";
    const std::string line = ReadIniValue(index, "magumagu", kId);
    QVERIFY2(std::count(line.begin(), line.end(), ',') == 5, (std::string(row.name) + ": " + line).c_str());
    QVERIFY2(ReadIniValue(folder / "log.ini", kId, "Url") == site.NewsletterAddress(kId), row.name);
    if (QString::fromUtf8(row.status).contains(QStringLiteral("エラー"))) {
      QVERIFY2(ReadFileBytes(index) == indexBefore, row.name);  // a failed read writes no log
    }
  }
}

void ReadFaultsTest::cancelEndsAFetchThatNeverAnswers_data() {
  QTest::addColumn<bool>("topPage");
  QTest::newRow("top page") << true;
  QTest::newRow("issue page") << false;
}

void ReadFaultsTest::cancelEndsAFetchThatNeverAnswers() {
  QFETCH(bool, topPage);
  SampleSite site;
  site.Start();
  Reader reader(site);
  const auto issues = site.Issues(kId);
  site.SetFault(topPage ? "/m/log/" + kId : "/m/log/" + kId + "/" + issues.at(1).pathTail,
                {Fault::kNoAnswer});
  QElapsedTimer sinceCancel;
  auto* watcher = new QTimer(&reader.form);
  QObject::connect(watcher, &QTimer::timeout, watcher, [&] {
    const bool waiting =
        topPage ? reader.form.IsReading() && site.Requests().size() == 1
                : reader.StoredFiles(kId) == 1 &&
                      reader.form.Label1->text().contains(QString::fromStdString(issues.at(1).key));
    if (!waiting) return;
    watcher->stop();
    QTest::qWait(300);  // the request is surely on its way
    sinceCancel.start();
    QTest::mouseClick(reader.form.bt_can, Qt::LeftButton);
  });
  watcher->start(5);
  QVERIFY(reader.Read(site.NewsletterAddress(kId)));
  QVERIFY(sinceCancel.isValid());
  QVERIFY2(sinceCancel.elapsed() < 2000, std::to_string(sinceCancel.elapsed()).c_str());
  QCOMPARE(QString::fromStdString(reader.Status()), QStringLiteral("*** キャンセルしました ***"));
  QCOMPARE(reader.StoredFiles(kId), topPage ? 0 : 1);
  QVERIFY(!reader.form.fetcher.HasSession());
  QVERIFY(reader.dialogs.messages.empty());
}

void ReadFaultsTest::cancelEndsTheWaitBeforeATry() {
  SampleSite site;
  site.Start();
  Reader reader(site);
  const auto issues = site.Issues(kId);
  const std::string faulted = "GET /m/log/" + kId + "/" + issues.at(kFaultedIssue).pathTail;
  site.SetFault("/m/log/" + kId + "/" + issues.at(kFaultedIssue).pathTail, {Fault::kStatus, 503});
  QElapsedTimer sinceCancel;
  qint64 shownAfter = -1;
  auto* watcher = new QTimer(&reader.form);
  QObject::connect(watcher, &QTimer::timeout, watcher, [&] {
    if (sinceCancel.isValid()) {
      if (reader.form.Label1->text().contains(QStringLiteral("キャンセルしました"))) {
        shownAfter = sinceCancel.elapsed();
        watcher->stop();
      }
      return;
    }
    const auto requests = site.Requests();
    if (std::count(requests.begin(), requests.end(), faulted) == 1) {
      QTest::qWait(200);  // well inside the 1 s wait before the second try
      sinceCancel.start();
      QTest::mouseClick(reader.form.bt_can, Qt::LeftButton);
    }
  });
  watcher->start(1);
  QVERIFY(reader.Read(site.NewsletterAddress(kId)));
  QVERIFY2(shownAfter >= 0 && shownAfter < 100, std::to_string(shownAfter).c_str());
  QCOMPARE(QString::fromStdString(reader.Status()), QStringLiteral("*** キャンセルしました ***"));
  const auto requests = site.Requests();
  QCOMPARE(std::count(requests.begin(), requests.end(), faulted), 1L);
}

void ReadFaultsTest::aServiceThatStopsEndsTheReadInSeconds() {
  auto site = std::make_unique<SampleSite>();
  site->Start();
  Reader reader(*site);
  const auto issues = site->Issues(kId);
  QElapsedTimer sinceStop;
  auto* watcher = new QTimer(&reader.form);
  QObject::connect(watcher, &QTimer::timeout, watcher, [&] {
    if (reader.StoredFiles(kId) < 3) return;
    watcher->stop();
    sinceStop.start();
    site->Stop();
  });
  watcher->start(1);
  QVERIFY(reader.Read(site->NewsletterAddress(kId)));
  QVERIFY(sinceStop.isValid());
  QVERIFY2(sinceStop.elapsed() < 10'000, std::to_string(sinceStop.elapsed()).c_str());
  // Every issue is either stored or named as left out, in its place.
  const int stored = reader.StoredFiles(kId);
  QCOMPARE(reader.Status(), "*** " + std::to_string(stored) + "件取得しました ***");
  const QStringList lines = reader.form.Memo1->toPlainText().split(QLatin1Char('\n'));
  int leftOut = 0;
  for (const auto& issue : issues) {
    const bool isStored = fs::exists(reader.Folder(kId) / IssueFileName(issue.key, 0));
    const QString key = QString::fromStdString(cp932::ToUtf8(issue.key));
    const bool named =
        lines.contains(QStringLiteral("*** 取得できませんでした(%1): 接続できませんでした ***").arg(key)) ||
        lines.contains(QStringLiteral("*** 取得できませんでした(%1): 途中で切れました ***").arg(key));
    QVERIFY2(isStored != named, issue.key.c_str());
    leftOut += named;
  }
  QCOMPARE(stored + leftOut, static_cast<int>(issues.size()));
  QVERIFY(reader.dialogs.messages.empty());
}

void ReadFaultsTest::issueNamesTakenByOtherThanFiles_data() {
  QTest::addColumn<bool>("fifo");  // else a folder
  QTest::addColumn<bool>("all");   // すべて, else 未読取分
  QTest::newRow("pipe, unread only") << true << false;
  QTest::newRow("pipe, all") << true << true;
  QTest::newRow("folder, unread only") << false << false;
  QTest::newRow("folder, all") << false << true;
}

void ReadFaultsTest::issueNamesTakenByOtherThanFiles() {
  QFETCH(bool, fifo);
  QFETCH(bool, all);
  SampleSite site;
  site.Start();
  Reader reader(site);
  QVERIFY(reader.Read(site.NewsletterAddress(kId)));
  const IssueInfo taken = site.Issues(kId).at(kFaultedIssue);
  const fs::path name = reader.Folder(kId) / IssueFileName(taken.key, 0);
  fs::remove(name);
  if (fifo) {
    QCOMPARE(::mkfifo(name.c_str(), 0644), 0);
  } else {
    fs::create_directory(name);
  }
  reader.form.RadioG2->SetItemIndex(all ? 1 : 0);
  QVERIFY(reader.Read(site.NewsletterAddress(kId)));
  // The read goes on past it, says so in its place, and lists only what is stored.
  QCOMPARE(reader.Status(), std::string(all ? "*** 44件取得しました ***" : "*** 0件取得しました ***"));
  const QString line = QStringLiteral("*** 保存できませんでした(%1): 保存先がファイルではありません ***")
                           .arg(QString::fromStdString(cp932::ToUtf8(taken.key)));
  QVERIFY(reader.form.Memo1->toPlainText().split(QLatin1Char('\n')).contains(line));
  QCOMPARE(reader.IssueList().size(), std::size_t{44});
  QVERIFY(fifo ? fs::is_fifo(name) : fs::is_directory(name));
  const std::string index = ReadIniValue(reader.archive.path() / "log" / "log_all.ini", "magumagu", kId);
  QCOMPARE(index.substr(index.rfind(',')), std::string(",44"));
  QVERIFY(reader.dialogs.messages.empty());
}

QTEST_MAIN(ReadFaultsTest)
#include "read_faults_window_test.moc"
