// Reading through every fault a server, a disk or an address can show: the real main
// window offscreen, the sample service's fault pages on loopback, real archive folders.
// Each fault meets a second read with すべて over a complete archive, which must keep
// every stored issue byte for byte.

#include <signal.h>
#include <sys/resource.h>

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

struct FaultRow {
  const char* name;
  Before before;
  std::function<void(Context&)> fault;
  const char* status;                // the status line after the second read (UTF-8)
  int messages;                      // message boxes shown
  bool grows = false;                // the faulted issue is stored anew, longer and complete
  const char* resultLine = nullptr;  // a line the result must show (UTF-8)
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

  const std::vector<FaultRow> rows = {
      // One issue page goes wrong: that issue is passed over, its stored copy stays.
      {"404", Before::kCompleteArchive, onIssue({Fault::kStatus, 404}), "*** 44件取得しました ***", 0},
      {"500", Before::kCompleteArchive, onIssue({Fault::kStatus, 500}), "*** 44件取得しました ***", 0},
      {"503", Before::kCompleteArchive, onIssue({Fault::kStatus, 503}), "*** 44件取得しました ***", 0},
      {"empty 200", Before::kCompleteArchive, issueBytes([](const IssueInfo&) { return std::string(); }),
       "*** 44件取得しました ***", 0},
      {"no issue text", Before::kCompleteArchive,
       issueBytes([](const IssueInfo&) { return std::string("<html><body>maintenance</body></html>"); }),
       "*** 44件取得しました ***", 0},
      {"reset before headers", Before::kCompleteArchive, onIssue({Fault::kResetBeforeHeaders}),
       "*** 44件取得しました ***", 0},
      {"reset mid-body", Before::kCompleteArchive, onIssue({Fault::kResetMidBody}),
       "*** 44件取得しました ***", 0},
      {"short body", Before::kCompleteArchive, onIssue({Fault::kShortBody}), "*** 44件取得しました ***", 0},
      {"trickle past the read limit", Before::kCompleteArchive,
       [onIssue](Context& c) {
         c.reader.form.fetcher.SetClock(FastClock());
         onIssue({Fault::kTrickle})(c);
       },
       "*** 44件取得しました ***", 0},
      {"no answer", Before::kCompleteArchive,
       [onIssue](Context& c) {
         c.reader.form.fetcher.SetHeaderSilenceLimit(500);
         onIssue({Fault::kNoAnswer})(c);
       },
       "*** 44件取得しました ***", 0},
      {"redirect loop", Before::kCompleteArchive, onIssue({Fault::kRedirectLoop}), "*** 44件取得しました ***",
       0},
      {"Shift-JIS labelled UTF-8", Before::kCompleteArchive,
       issueBytes([](const IssueInfo& issue) { return IssuePageBytes("UTF-8", issue.bodyShiftJis); }),
       "*** 44件取得しました ***", 0},
      {"EUC-JP labelled Shift-JIS", Before::kCompleteArchive, issueBytes([utf8Body](const IssueInfo& issue) {
         return IssuePageBytes("Shift_JIS",
                               sample_site::EncodeText(utf8Body(issue), sample_site::PageEncoding::EucJp));
       }),
       "*** 44件取得しました ***", 0},
      {"malformed UTF-8", Before::kCompleteArchive, issueBytes([utf8Body](const IssueInfo& issue) {
         return IssuePageBytes("UTF-8",
                               "\xC3"
                               "A" +
                                   utf8Body(issue));
       }),
       "*** 44件取得しました ***", 0},
      {"malformed EUC-JP", Before::kCompleteArchive, issueBytes([utf8Body](const IssueInfo& issue) {
         return IssuePageBytes("EUC-JP", "\x82\xA0" + sample_site::EncodeText(
                                                          utf8Body(issue), sample_site::PageEncoding::EucJp));
       }),
       "*** 44件取得しました ***", 0},
      {"10 MB issue page", Before::kCompleteArchive, onIssue({Fault::kLarge, 200, 10u << 20}),
       "*** 45件取得しました ***", 0, true},
      // The listing goes wrong.
      {"500 on listing page 2", Before::kCompleteArchive,
       [](Context& c) {
         c.site.SetFault("/m/log/" + kId + "/?page=2", {Fault::kStatus, 500});
       },
       "*** エラーが発生しました ***", 0},
      {"listing page 2 breaks off", Before::kCompleteArchive,
       [](Context& c) { c.site.SetFault("/m/log/" + kId + "/?page=2", {Fault::kResetMidBody}); },
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
      {"unsafe and over-long keys", Before::kCompleteArchive, described([kana100](auto& d) {
         d.linkKeys = {{0, "../../outside"}, {1, "a\\b"}, {2, "c\x01d"}, {3, kana100}};
       }),
       "*** 41件取得しました ***", 0, false, "ファイル名が長すぎるため保存できません("},
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
      QVERIFY2(reader.form.Memo1->toPlainText().contains(QString::fromUtf8(row.resultLine)), row.name);
    }
    const auto after = FolderBytes(folder);
    const fs::path faulted = IssueFileName(issues.at(kFaultedIssue).key, 0);
    for (const auto& [name, bytes] : before) {
      QVERIFY2(after.count(name) == 1, (std::string(row.name) + ": lost " + name.string()).c_str());
      if (row.grows && name == faulted) {
        QVERIFY2(after.at(name).size() > (10u << 20) * 9 / 10, row.name);
        QVERIFY2(after.at(name).substr(0, bytes.find("\r\n")) == bytes.substr(0, bytes.find("\r\n")),
                 row.name);
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

QTEST_MAIN(ReadFaultsTest)
#include "read_faults_window_test.moc"
