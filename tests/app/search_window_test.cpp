// Full-text search end to end: two newsletters read from the sample service into a
// temporary archive, searched in the search window (opened from the list window and with
// Ctrl+Shift+F) and on the command line, also with the archive index damaged, and hits
// opened in the main window.

#include "archive/windows/search_window.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>
#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <sstream>

#include "app/command_line_search.h"
#include "app/main_window.h"
#include "app/reader_fixture.h"
#include "archive/issue_naming.h"
#include "archive/magazine_log.h"
#include "archive/search_index.h"
#include "archive/sqlite_handles.h"
#include "archive/text_normalisation.h"
#include "archive/windows/newsletter_list_window.h"
#include "archive/windows/string_grid.h"
#include "platform/cp932.h"
#include "platform/events.h"
#include "platform/ini.h"
#include "platform/sjis.h"
#include "sample_site/sample_site.h"
#include "support/test_support.h"
#include "viewer/html_view.h"
#include "viewer/qt_text.h"

namespace fs = std::filesystem;

namespace {

const std::string kDated = "0000100001";     // 45 dated issues, Shift-JIS pages
const std::string kNumbered = "0000100003";  // 15 numbered issues, UTF-8 pages

// The main window and its list window with the search index, searched through the search window.
struct Program : ProgramWithList {
  Program(const sample_site::SampleSite& site, const fs::path& archive)
      : ProgramWithList(site, archive, true) {
    QVERIFY(QTest::qWaitForWindowActive(&form));
  }
  // Opens the search window from the list window's 全文検索 or with Ctrl+Shift+F, types
  // `words` and Enter, waits until the index is complete (unless told not to), then runs
  // `act` on the window; the windows still open afterwards are closed.
  void Search(const QString& words, bool fromList, const std::function<void(TFormSearch&)>& act,
              bool waitForIndex = true) {
    const auto inSearch = [this, words, act, waitForIndex] {
      auto* window = form.findChild<TFormSearch*>(QStringLiteral("TFormSearch"));
      QVERIFY(window != nullptr && window->isVisible());
      // Typed as an input method hands over Japanese: the composed text committed at once.
      QInputMethodEvent typed;
      typed.setCommitString(words);
      QApplication::sendEvent(window->Edit1, &typed);
      QTest::keyClick(window->Edit1, Qt::Key_Return);
      if (waitForIndex) {
        QTRY_VERIFY_WITH_TIMEOUT(!form.searchIndex.IsUpdating() && !window->Label1->text().contains(u'（'),
                                 60'000);
      }
      act(*window);
      if (window->isVisible()) window->reject();
    };
    if (fromList) {
      QTimer::singleShot(0, &form, [this, inSearch] {
        QTimer::singleShot(0, &form, inSearch);
        QTest::mouseClick(list.Bt_srch, Qt::LeftButton);
        if (list.isVisible()) list.reject();
      });
      QTest::mouseClick(form.B_read, Qt::LeftButton);
    } else {
      // The shortcut belongs to the main window, active again once a dialog has gone.
      form.activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(&form));
      QTimer::singleShot(0, &form, inSearch);
      QTest::keyClick(&form, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    }
    QTRY_VERIFY(form.findChild<TFormSearch*>(QStringLiteral("TFormSearch")) == nullptr);
  }
};

// The grid's rows, "title\tkey", and their excerpts (UTF-8).
QStringList Rows(const TFormSearch& window, int column = -1) {
  QStringList rows;
  const QAbstractItemModel& model = *window.SGrid1->model();
  for (int row = 0; row < model.rowCount(); ++row) {
    const auto cell = [&](int c) { return model.data(model.index(row, c)).toString(); };
    rows << (column < 0 ? cell(0) + u'\t' + cell(1) : cell(column));
  }
  return rows;
}

struct Expected {
  QStringList rows;   // "title\tkey", as the window shows them
  QStringList lines;  // "ID\tkey", as --search prints them before the excerpt
};

// Every issue of the two newsletters whose text as the service serves it (the header line
// is the reader's own) holds each needle, ASCII case ignored when asked: newest date first,
// then largest number.
Expected ExpectedHits(const sample_site::SampleSite& site, const QStringList& needles, bool ignoreCase) {
  struct Hit {
    bool dated;
    std::string key;
    int number;
    QString row, line;
  };
  std::vector<Hit> hits;
  for (const sample_site::SampleNewsletter& newsletter : site.Newsletters()) {
    if (newsletter.id != kDated && newsletter.id != kNumbered) continue;
    for (const sample_site::IssueInfo& issue : site.Issues(newsletter.id)) {
      const std::string text = ignoreCase ? sjis::ToLower(issue.bodyShiftJis) : issue.bodyShiftJis;
      if (!std::all_of(needles.begin(), needles.end(),
                       [&](const QString& needle) { return sjis::Contains(text, Sj(needle.toStdString())); }))
        continue;
      const QString key = QString::fromStdString(cp932::ToUtf8(sjis::ReplaceAll(issue.key, " ", "_")));
      const bool dated = newsletter.naming == sample_site::IssueNaming::Dated;
      hits.push_back({dated, key.toStdString(), dated ? 0 : key.mid(1).toInt(),
                      QString::fromStdString(newsletter.title) + u'\t' + key,
                      QString::fromStdString(newsletter.id) + u'\t' + key});
    }
  }
  std::sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) {
    if (a.dated != b.dated) return a.dated;
    return a.dated ? a.key > b.key : a.number > b.number;
  });
  Expected expected;
  for (const Hit& hit : hits) {
    expected.rows << hit.row;
    expected.lines << hit.line;
  }
  return expected;
}

std::map<fs::path, std::string> Snapshot(const fs::path& folder) {
  std::map<fs::path, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (entry.is_regular_file()) files[entry.path()] = ReadFileBytes(entry.path());
  return files;
}

// A copy of the archive at `root`, in `folder`; its root is returned.
fs::path CopyArchive(const fs::path& root, const TempFolder& folder) {
  const fs::path copy = folder.path() / "log";
  fs::copy(root, copy, fs::copy_options::recursive);
  return copy;
}

// XDG_CACHE_HOME names a folder of its own while this lives. `blocked`: a plain file stands
// where the index folder belongs, so no index can be made.
class OwnCacheFolder {
 public:
  explicit OwnCacheFolder(bool blocked) : saved_(qgetenv("XDG_CACHE_HOME")) {
    if (blocked) WriteFileBytes(folder_.path() / "yomitoru", "x");
    qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(folder_.path().string()));
  }
  ~OwnCacheFolder() { qputenv("XDG_CACHE_HOME", saved_); }
  OwnCacheFolder(const OwnCacheFolder&) = delete;
  OwnCacheFolder& operator=(const OwnCacheFolder&) = delete;

 private:
  TempFolder folder_;
  QByteArray saved_;
};

// What has become of the archive index (or of the whole archive).
enum class Damage { kNoIndexFile, kEmptyIndexFile, kRandomBytes, kOnlyDatedListed, kNoArchive };

void Inflict(Damage damage, const fs::path& root) {
  const fs::path file = ArchiveIndexFile(root);
  switch (damage) {
    case Damage::kNoIndexFile:
      fs::remove(file);
      break;
    case Damage::kEmptyIndexFile:
      WriteFileBytes(file, "");
      break;
    case Damage::kRandomBytes:
      WriteFileBytes(file, RandomBytes(4096, 7));
      break;
    case Damage::kOnlyDatedListed:
      QVERIFY(!RemoveIniKey(file, "magumagu", kNumbered));
      break;
    case Damage::kNoArchive:
      fs::remove_all(root);
      break;
  }
}

// The hits of `expected` as a search of the archive shows them after `damage`: a newsletter
// the archive index no longer lists is titled with its ID.
QStringList RowsAfter(Damage damage, const Expected& expected) {
  QStringList rows;
  for (qsizetype i = 0; i < expected.rows.size(); ++i) {
    const QString id = expected.lines[i].section(u'\t', 0, 0);
    const bool listed = damage == Damage::kOnlyDatedListed && id == QString::fromStdString(kDated);
    rows << (listed ? expected.rows[i] : id + u'\t' + expected.rows[i].section(u'\t', 1));
  }
  return rows;
}

std::int64_t IndexedCount(const fs::path& archive, const QString& words) {
  std::string error;
  const std::unique_ptr<SearchIndex> index = SearchIndex::Open(archive, false, error);
  return index ? index->Count(ParseSearchQuery(words.toStdU16String())) : -1;
}

}  // namespace

class SearchWindowTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() {
    SetMessagePump([] { QCoreApplication::processEvents(); });
    qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(cache_.path().string()));
    site_ = std::make_unique<sample_site::SampleSite>();
    site_->Start();
    Program program(*site_, Root());
    program.Read(site_->NewsletterAddress(kDated));
    program.Read(site_->NewsletterAddress(kNumbered));
  }
  void cleanupTestCase() { SetMessagePump({}); }

  void indexingLeavesTheArchiveAsItWas();
  void search_data();
  void search();
  void rebuildsADeletedIndex();
  void answersFromWhatIsIndexedMeanwhile();
  void readsTheFilesWithoutAnIndex();
  void searchesADamagedArchive_data();
  void searchesADamagedArchive();
  void opensAHit_data();
  void opensAHit();
  void opensAHitOfAnUnlistedNewsletter_data();
  void opensAHitOfAnUnlistedNewsletter();
  void forgetsADeletedNewsletter();
  void findsAnIssueReadAfterwards();

 private:
  fs::path Root() const { return archive_.path() / "log"; }

  TempFolder cache_;
  TempFolder archive_;
  std::unique_ptr<sample_site::SampleSite> site_;
};

void SearchWindowTest::indexingLeavesTheArchiveAsItWas() {
  // Reads keep no index for an archive never searched.
  QVERIFY(!fs::exists(SearchIndexFile(Root())));
  const auto before = Snapshot(Root());
  Program program(*site_, Root());
  program.Search(QStringLiteral("散歩"), false,
                 [](TFormSearch& window) { QVERIFY(!Rows(window).isEmpty()); });
  QVERIFY(fs::exists(SearchIndexFile(Root())));
  QVERIFY(SearchIndexFile(Root()).string().starts_with(cache_.path().string() + "/yomitoru/"));
  QVERIFY(Snapshot(Root()) == before);
  QVERIFY(program.dialogs.messages.empty());
}

void SearchWindowTest::search_data() {
  QTest::addColumn<QString>("words");
  QTest::addColumn<QStringList>("needles");
  QTest::addColumn<bool>("ignoreCase");
  QTest::newRow("two characters") << "散歩" << QStringList{"散歩"} << false;
  QTest::newRow("one character") << "歩" << QStringList{"歩"} << false;
  QTest::newRow("full-width Latin") << "ＥＸＡＭＰＬＥ" << QStringList{"example"} << true;
  QTest::newRow("Latin capitals") << "Example" << QStringList{"example"} << true;
  QTest::newRow("half-width katakana") << "ｿﾌﾄ" << QStringList{"ソフト"} << false;
  QTest::newRow("katakana") << "ソフト" << QStringList{"ソフト"} << false;
  QTest::newRow("two words") << "季節　散歩" << QStringList{"季節", "散歩"} << false;
  QTest::newRow("phrase") << "\"散歩が楽しい\"" << QStringList{"散歩が楽しい"} << false;
  QTest::newRow("phrase with a blank") << "\"季節 散歩\"" << QStringList{"季節 散歩"} << false;
  // The address of an issue stands in its header line only.
  const QString tail = QString::fromStdString(site_->Issues(kDated)[3].pathTail);
  QTest::newRow("header line") << tail << QStringList{tail} << false;
}

void SearchWindowTest::search() {
  QFETCH(QString, words);
  QFETCH(QStringList, needles);
  QFETCH(bool, ignoreCase);
  const Expected expected = ExpectedHits(*site_, needles, ignoreCase);
  Program program(*site_, Root());
  program.Search(words, true, [&](TFormSearch& window) {
    QCOMPARE(Rows(window), expected.rows);
    QCOMPARE(window.Label1->text(), QString::number(expected.rows.size()) + u'件');
    for (QString excerpt : Rows(window, 2)) {
      if (ignoreCase) excerpt = excerpt.toLower();
      QVERIFY2(
          std::any_of(needles.begin(), needles.end(), [&](const QString& n) { return excerpt.contains(n); }),
          qPrintable(excerpt));
    }
  });

  std::ostringstream out;
  std::ostringstream errors;
  const int status = RunCommandLineSearch(words.toStdString(), Root(), out, errors);
  QCOMPARE(status, expected.lines.isEmpty() ? 1 : 0);
  QStringList printed;
  for (const QString& line : QString::fromStdString(out.str()).split(u'\n', Qt::SkipEmptyParts))
    printed << line.section(u'\t', 0, 1);
  QCOMPARE(printed, expected.lines);
  QVERIFY(errors.str().empty());
}

void SearchWindowTest::rebuildsADeletedIndex() {
  Program program(*site_, Root());
  QStringList before;
  program.Search(QStringLiteral("読者"), false, [&](TFormSearch& window) { before = Rows(window); });
  QVERIFY(!before.isEmpty());
  for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(SearchIndexFile(Root()).string() + suffix);
  program.Search(QStringLiteral("読者"), false, [&](TFormSearch& window) { QCOMPARE(Rows(window), before); });
  QVERIFY(fs::exists(SearchIndexFile(Root())));
  QVERIFY(program.dialogs.messages.empty());
}

void SearchWindowTest::answersFromWhatIsIndexedMeanwhile() {
  TempFolder copy;
  const fs::path root = CopyArchive(Root(), copy);
  Program program(*site_, root);
  QStringList indexed;
  program.Search(QStringLiteral("散歩"), false, [&](TFormSearch& window) { indexed = Rows(window); });
  QVERIFY(!indexed.isEmpty());
  // An issue stored since by another program, newer than all: a hit's text under a new date.
  const fs::path folder = root / "magumagu" / kDated;
  const std::string hitLine = "*" + indexed.first().section(u'\t', 1).toStdString() + "*";
  fs::copy_file(folder / IssueFileName(hitLine, 1), folder / "20270101-0900.txt");
  // And another program writes to the index meanwhile.
  std::string error;
  SqliteDatabase other = SqliteDatabase::Open(SearchIndexFile(root), false, error);
  QVERIFY(other.Execute("BEGIN IMMEDIATE"));
  program.Search(
      QStringLiteral("散歩"), false,
      [&](TFormSearch& window) {
        QCOMPARE(Rows(window), indexed);
        QCOMPARE(window.Label1->text(),
                 QString::number(indexed.size()) + QStringLiteral("件（索引を更新中: 一部のみ）"));
        QVERIFY(other.Execute("ROLLBACK"));
        QTRY_COMPARE_WITH_TIMEOUT(window.Label1->text(), QString::number(indexed.size() + 1) + u'件', 30'000);
        QCOMPARE(Rows(window).first().section(u'\t', 1), QStringLiteral("2027/01/01_09:00"));
      },
      false);
  QVERIFY(program.dialogs.messages.empty());
}

void SearchWindowTest::readsTheFilesWithoutAnIndex() {
  const OwnCacheFolder cache(true);
  const Expected expected = ExpectedHits(*site_, {QStringLiteral("散歩")}, false);
  Program program(*site_, Root());
  program.Search(QStringLiteral("散歩"), true, [&](TFormSearch& window) {
    QCOMPARE(Rows(window), expected.rows);
    QCOMPARE(window.Label1->text(), QString::number(expected.rows.size()) + u'件');
  });
  QCOMPARE(program.dialogs.messages, (std::vector<std::string>{std::string(kIndexUnavailableUtf8)}));

  std::ostringstream out;
  std::ostringstream errors;
  QCOMPARE(RunCommandLineSearch("散歩", Root(), out, errors), 0);
  QCOMPARE(QString::fromStdString(out.str()).count(u'\n'), expected.lines.size());
  QCOMPARE(errors.str(), std::string(kIndexUnavailableUtf8) + "\n");
}

void SearchWindowTest::searchesADamagedArchive_data() {
  QTest::addColumn<int>("damage");
  QTest::addColumn<bool>("readsFiles");
  const std::vector<std::pair<const char*, Damage>> damages = {
      {"no log_all.ini", Damage::kNoIndexFile},  {"an empty log_all.ini", Damage::kEmptyIndexFile},
      {"random bytes", Damage::kRandomBytes},    {"only one of two listed", Damage::kOnlyDatedListed},
      {"no archive folder", Damage::kNoArchive},
  };
  for (const auto& [what, damage] : damages) {
    if (damage == Damage::kNoArchive) {
      // The search ends before it would open an index.
      QTest::newRow(what) << static_cast<int>(damage) << false;
      continue;
    }
    for (const bool readsFiles : {false, true}) {
      const std::string name = std::string(what) + (readsFiles ? ", reading the files" : ", indexed");
      QTest::newRow(name.c_str()) << static_cast<int>(damage) << readsFiles;
    }
  }
}

void SearchWindowTest::searchesADamagedArchive() {
  QFETCH(int, damage);
  QFETCH(bool, readsFiles);
  TempFolder copy;
  const fs::path root = CopyArchive(Root(), copy);
  Inflict(static_cast<Damage>(damage), root);
  const OwnCacheFolder cache(readsFiles);
  std::ostringstream out;
  std::ostringstream errors;
  const int status = RunCommandLineSearch("散歩", root, out, errors);
  if (static_cast<Damage>(damage) == Damage::kNoArchive) {
    QCOMPARE(status, 2);
    QCOMPARE(errors.str(), "アーカイブのフォルダがありません: " + root.string() + "\n");
    QVERIFY(out.str().empty());
    return;
  }
  const Expected expected = ExpectedHits(*site_, {QStringLiteral("散歩")}, false);
  QVERIFY(std::any_of(expected.lines.begin(), expected.lines.end(), [](const QString& line) {
    return line.startsWith(QString::fromStdString(kNumbered));
  }));
  QCOMPARE(status, 0);
  QStringList printed;
  for (const QString& line : QString::fromStdString(out.str()).split(u'\n', Qt::SkipEmptyParts))
    printed << line.section(u'\t', 0, 1);
  QCOMPARE(printed, expected.lines);
  QCOMPARE(errors.str(), readsFiles ? std::string(kIndexUnavailableUtf8) + "\n" : std::string());

  Program program(*site_, root);
  program.Search(QStringLiteral("散歩"), false, [&](TFormSearch& window) {
    QCOMPARE(Rows(window), RowsAfter(static_cast<Damage>(damage), expected));
  });
  QCOMPARE(program.dialogs.messages.size(), std::size_t{readsFiles ? 1u : 0u});
}

void SearchWindowTest::opensAHit_data() {
  QTest::addColumn<bool>("fromList");
  QTest::newRow("from the list window, Enter") << true;
  QTest::newRow("Ctrl+Shift+F, double click") << false;
}

void SearchWindowTest::opensAHit() {
  QFETCH(bool, fromList);
  Program program(*site_, Root());
  QString chosen;
  program.Search(QStringLiteral("ｿﾌﾄ"), fromList, [&](TFormSearch& window) {
    QVERIFY(Rows(window).size() > 2);
    chosen = Rows(window)[1];
    QTableView& grid = *window.SGrid1;
    grid.setFocus();
    grid.selectRow(1);
    if (fromList) {
      QTest::keyClick(&grid, Qt::Key_Return);
    } else {
      const QPoint cell = grid.visualRect(grid.model()->index(1, 1)).center();
      QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cell);
      QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, cell);
    }
  });
  const QString key = chosen.section(u'\t', 1);
  const TForm1& form = program.form;
  QCOMPARE(form.Panel1->text(), chosen.section(u'\t', 0, 0));
  QCOMPARE(form.Label1->text(), QStringLiteral("** メルマガ ") + key + QStringLiteral(" 号 **"));
  QCOMPARE(form.Memo3->textCursor().selectedText(), u'*' + key + u'*');
  QVERIFY(form.WebB1->isVisible());
  QCOMPARE(form.WebB1->textCursor().selectedText(), QStringLiteral("ソフト"));
  QVERIFY(!program.list.isVisible());
}

void SearchWindowTest::opensAHitOfAnUnlistedNewsletter_data() {
  QTest::addColumn<int>("damage");
  QTest::newRow("log_all.ini lists only the other") << static_cast<int>(Damage::kOnlyDatedListed);
  QTest::newRow("no log_all.ini") << static_cast<int>(Damage::kNoIndexFile);
}

void SearchWindowTest::opensAHitOfAnUnlistedNewsletter() {
  QFETCH(int, damage);
  TempFolder copy;
  const fs::path root = CopyArchive(Root(), copy);
  Inflict(static_cast<Damage>(damage), root);
  const fs::path indexFile = ArchiveIndexFile(root);
  const std::string datedLine = ReadIniValue(indexFile, "magumagu", kDated);
  const std::vector<sample_site::SampleNewsletter> newsletters = site_->Newsletters();
  const auto numbered =
      std::find_if(newsletters.begin(), newsletters.end(),
                   [](const sample_site::SampleNewsletter& n) { return n.id == kNumbered; });
  const QString title = QString::fromStdString(numbered->title);
  const QString id = QString::fromStdString(kNumbered);

  Program program(*site_, root);
  QString chosen;
  program.Search(title, false, [&](TFormSearch& window) {
    QCOMPARE(Rows(window, 0), QStringList(numbered->issueCount, id));
    chosen = Rows(window)[0];
    window.SGrid1->setFocus();
    window.SGrid1->selectRow(0);
    QTest::keyClick(window.SGrid1, Qt::Key_Return);
  });
  const TForm1& form = program.form;
  QCOMPARE(form.Panel1->text(), id);
  QCOMPARE(form.Memo3->textCursor().selectedText(), u'*' + chosen.section(u'\t', 1) + u'*');
  QCOMPARE(MemoLines(*form.Memo3).size(), static_cast<std::size_t>(numbered->issueCount));
  QCOMPARE(form.WebB1->textCursor().selectedText(), title);
  // Opened as from the list window: the newsletter's index line is written again, from its log.
  const std::string line = cp932::ToUtf8(ReadIniValue(indexFile, "magumagu", kNumbered));
  QVERIFY2(
      line.starts_with(numbered->title + ",") && line.ends_with("," + std::to_string(numbered->issueCount)),
      line.c_str());
  QCOMPARE(ReadIniValue(indexFile, "magumagu", kDated), datedLine);
  // And the search index takes the title from there.
  program.form.searchIndex.WaitUntilIdle();
  program.Search(title, false, [&](TFormSearch& window) {
    QCOMPARE(Rows(window, 0), QStringList(numbered->issueCount, title));
  });
  QVERIFY(program.dialogs.messages.empty());
}

void SearchWindowTest::forgetsADeletedNewsletter() {
  TempFolder copy;
  const fs::path root = CopyArchive(Root(), copy);
  // Only its own issues name the newsletter in their text.
  const std::vector<sample_site::SampleNewsletter> newsletters = site_->Newsletters();
  const auto numbered =
      std::find_if(newsletters.begin(), newsletters.end(),
                   [](const sample_site::SampleNewsletter& n) { return n.id == kNumbered; });
  const QString title = QString::fromStdString(numbered->title);
  Program program(*site_, root);
  program.Search(title, false, [](TFormSearch& window) { QCOMPARE(Rows(window).size(), 15); });

  program.dialogs.answers = {true};
  QTimer::singleShot(0, &program.form, [&program] {
    StringGrid& grid = *program.list.SGrid1;
    for (int row = 0; row < grid.RowCount(); ++row) {
      if (grid.Cell(1, row) == kNumbered) grid.MoveTo(2, row);
    }
    QTest::mouseClick(program.list.Bt_del, Qt::LeftButton);
    program.list.reject();
  });
  QTest::mouseClick(program.form.B_read, Qt::LeftButton);
  QCOMPARE(program.dialogs.questions.size(), std::size_t{1});
  program.form.searchIndex.WaitUntilIdle();
  QCOMPARE(IndexedCount(root, title), 0);
  const QStringList both = ExpectedHits(*site_, {QStringLiteral("散歩")}, false).lines;
  QCOMPARE(IndexedCount(root, QStringLiteral("散歩")),
           std::count_if(both.begin(), both.end(), [](const QString& line) {
             return line.startsWith(QString::fromStdString(kDated));
           }));
}

void SearchWindowTest::findsAnIssueReadAfterwards() {
  site_->AddNewerIssue(kDated);
  const sample_site::IssueInfo issue = site_->Issues(kDated).front();
  const QString date = QString::fromStdString(issue.date.substr(0, 10));
  QCOMPARE(IndexedCount(Root(), date), 0);
  Program program(*site_, Root());
  program.Read(site_->NewsletterAddress(kDated));
  program.form.searchIndex.WaitUntilIdle();
  QCOMPARE(IndexedCount(Root(), date), 1);
  program.Search(date, false, [&](TFormSearch& window) {
    QCOMPARE(Rows(window), ExpectedHits(*site_, {date}, false).rows);
    QCOMPARE(Rows(window).size(), 1);
  });
}

QTEST_MAIN(SearchWindowTest)
#include "search_window_test.moc"
