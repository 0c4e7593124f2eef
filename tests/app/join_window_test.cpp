// 結合 and 全 in the real main window offscreen, over issues stored in a temporary
// archive by the program's own writers: the lines joined, the page written to the shared
// work-page rotation, what the view, the status line, Edit6 and ResultText show, and the
// failures that leave them as they were.

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QtTest>
#include <filesystem>

#include "app/main_window.h"
#include "archive/issue_naming.h"
#include "archive/magazine_log.h"
#include "platform/events.h"
#include "platform/fs.h"
#include "support/test_support.h"
#include "viewer/issue_list.h"
#include "viewer/qt_text.h"

namespace fs = std::filesystem;

namespace {

const char* const kHead = "<HTML><HEAD></HEAD><BODY><pre>\r\n";
const char* const kTail = "</pre></BODY></HTML>\r\n";

// The main window over a newsletter whose issues are stored and listed.
struct Window {
  Window() : form(state) {
    form.archiveFolder = archive.path() / "log";
    form.show();
    state.MagazineId = "0000100001";
    state.MagazineTitle = Sj("週刊サンプル通信");
  }

  // Stores the issues as a read does, lists them as the log writer does, in `order`.
  void Store(std::initializer_list<std::pair<const char*, const char*>> issues, int order) {
    const fs::path folder = state.ArchiveRoot / "magumagu" / state.MagazineId;
    fs::create_directories(folder);
    for (const auto& [key, text] : issues)
      WriteFileAtomically(JoinSjis(folder, IssueFileName(Sj(key), 0)), Sj(text));
    UpdateMagazineLog(state, "", false);
    form.RadioG1->SetItemIndex(order);
    form.viewer->RadioG1Click();
  }
  fs::path File(const std::string& name) const { return state.MagazineFolder / name; }

  // Selects in the list from character `from` of line `fromLine` to `to` of `toLine`.
  void Select(int fromLine, int from, int toLine, int to) {
    QTextCursor cursor(form.Memo3->document());
    cursor.setPosition(form.Memo3->document()->findBlockByNumber(fromLine).position() + from);
    cursor.setPosition(form.Memo3->document()->findBlockByNumber(toLine).position() + to,
                       QTextCursor::KeepAnchor);
    form.Memo3->setTextCursor(cursor);
  }
  QString Status() const { return form.Label1->text(); }

  TempFolder archive;
  RecordingDialogs dialogs;
  SharedState state;
  TForm1 form;
};

// Newest first: line 0 is 2008/01/10, line 1 2008/01/05, line 2 2008/01/02.
void StoreThree(Window& w, int order) {
  w.Store({{"2008/01/02 12:34", "一月二日\r\n"},
           {"2008/01/05 08:00", "一月五日"},
           {"2008/01/10 08:00", "一月十日\n二行目\n"}},
          order);
}

const char* const kTenth = "一月十日\r\n二行目\r\n\r\n";
const char* const kFifth = "一月五日\r\n";
const char* const kSecond = "一月二日\r\n\r\n";

}  // namespace

class JoinTest final : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() {
    SetMessagePump([] { QCoreApplication::processEvents(); });
  }
  void cleanupTestCase() { SetMessagePump({}); }

  void joins_data() {
    QTest::addColumn<int>("order");
    QTest::addColumn<QList<int>>("selection");  // from line, character, to line, character; empty: 全
    QTest::addColumn<QString>("joinedLines");   // the list's lines the join covers
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("rangeKey");
    QTest::addColumn<QString>("body");  // the page between head (and banner) and tail

    // The body as UTF-8: the banner, then each issue's block.
    const auto body = [](std::initializer_list<const char*> parts) {
      std::string text;
      for (const char* part : parts) text += part;
      return QString::fromStdString(text);
    };
    QTest::newRow("two partial lines take all between")
        << 0 << QList<int>{0, 3, 2, 4} << "0,1,2"
        << "** 結合完成(2008/01/10_08:00号～2008/01/02_12:34号) **"
        << "20080110-0800_20080102-1234"
        << body({"*** メルマガの2008/01/10_08:00号から2008/01/02_12:34号を、結合しました。***\r\n", kTenth,
                 kFifth, kSecond});
    QTest::newRow("ending at a line start leaves it out")
        << 0 << QList<int>{0, 2, 2, 0} << "0,1"
        << "** 結合完成(2008/01/10_08:00号～2008/01/05_08:00号) **"
        << "20080110-0800_20080105-0800"
        << body({"*** メルマガの2008/01/10_08:00号から2008/01/05_08:00号を、結合しました。***\r\n", kTenth,
                 kFifth});
    QTest::newRow("one issue, no banner") << 0 << QList<int>{2, 1, 2, 5} << "2"
                                          << "** メルマガ 2008/01/02_12:34 **"
                                          << "20080102-1234" << body({kSecond});
    QTest::newRow("全 in publication order")
        << 1 << QList<int>{} << "0,1,2"
        << "** 結合完成(2008/01/02_12:34号～2008/01/10_08:00号) **"
        << "20080102-1234_20080110-0800"
        << body({"*** メルマガの2008/01/02_12:34号から2008/01/10_08:00号を、結合しました。***\r\n", kSecond,
                 kFifth, kTenth});
  }

  void joins() {
    QFETCH(int, order);
    QFETCH(QList<int>, selection);
    QFETCH(QString, joinedLines);
    QFETCH(QString, status);
    QFETCH(QString, rangeKey);
    QFETCH(QString, body);
    Window w;
    StoreThree(w, order);
    if (selection.isEmpty()) {
      QTest::mouseClick(w.form.B_allm, Qt::LeftButton);
    } else {
      w.Select(selection[0], selection[1], selection[2], selection[3]);
      QTest::mouseClick(w.form.B_join, Qt::LeftButton);
    }

    // The list shows the widened selection: whole lines, the last with its break.
    QString lines;
    for (const QString& line : joinedLines.split(QLatin1Char(',')))
      lines += w.form.Memo3->document()->findBlockByNumber(line.toInt()).text() + QChar::ParagraphSeparator;
    QCOMPARE(w.form.Memo3->textCursor().selectedText(), lines);
    QCOMPARE(w.Status(), status);
    QCOMPARE(w.form.Edit6->text(), rangeKey);
    const std::string page = kHead + FromQString(body) + kTail;
    QCOMPARE(Hex(ReadFileBytes(w.File("work0.htm"))), Hex(page));
    QVERIFY(w.state.ResultText == SplitLines(page));
    QTRY_COMPARE(Hex(MemoText(*w.form.Memo1)), Hex(page));
    QVERIFY(w.form.WebB1->isVisible());
    QCOMPARE(w.form.WebB1->CurrentFile(), w.File("work0.htm"));
    QVERIFY(w.form.B_join->isEnabled() && w.form.Memo3->isEnabled());
    QVERIFY(w.dialogs.messages.empty());
  }

  void numberedIssuesAndMissingFiles() {
    Window w;
    w.Store({{"第123号", "百二十三"}, {"第124号", "百二十四"}, {"第130号", "百三十"}}, 0);
    fs::remove(w.File("第124号.txt"));
    QTest::mouseClick(w.form.B_allm, Qt::LeftButton);
    QCOMPARE(w.Status(), QStringLiteral("** 結合完成(第130号号～第123号号) **"));
    QCOMPARE(w.form.Edit6->text(), QStringLiteral("第130号_第123号"));
    QCOMPARE(Hex(ReadFileBytes(w.File("work0.htm"))),
             Hex(kHead +
                 Sj("*** メルマガの第130号号から第123号号を、結合しました。***\r\n百三十\r\n百二十三\r\n") +
                 kTail));
  }

  // After shows to work0 and work1 a join writes work2, and a show waiting gives way.
  void rotationSharedWithShows() {
    Window w;
    StoreThree(w, 0);
    for (int line : {0, 1}) {
      w.Select(line, 0, line, 0);
      w.form.viewer->Memo3Click();
    }
    const std::int32_t generation = w.form.viewer->ViewGeneration;
    w.Select(0, 0, 1, 1);
    QTest::mouseClick(w.form.B_join, Qt::LeftButton);
    QCOMPARE(w.form.viewer->ViewGeneration, generation + 1);
    QCOMPARE(w.form.viewer->WorkPageIndex, 0);
    QCOMPARE(w.form.WebB1->CurrentFile(), w.File("work2.htm"));
    QCOMPARE(Hex(ReadFileBytes(w.File("work1.htm"))), Hex(kHead + Sj("一月五日\r\n</pre></BODY></HTML>")));
    QVERIFY(ReadFileBytes(w.File("work2.htm")).find(Sj("二行目")) != std::string::npos);
  }

  // Nothing to join, an issue that cannot be read or a work page that cannot be written:
  // the view, ResultText and Edit6 stay as the show before left them.
  void failuresLeaveTheShownPage_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty list") << "empty"
                                << "";
    QTest::newRow("issue file unreadable") << "unreadable"
                                           << "ファイルを読み込めません。\r\n%1/20080105-0800.txt";
    QTest::newRow("work page a folder") << "folder"
                                        << "ファイルに書き込めません。\r\n%1/work1.htm";
  }

  void failuresLeaveTheShownPage() {
    QFETCH(QString, fault);
    QFETCH(QString, message);
    Window w;
    StoreThree(w, 0);
    w.Select(2, 0, 2, 0);
    w.form.viewer->Memo3Click();
    const StringList shown = w.state.ResultText;
    const std::int32_t generation = w.form.viewer->ViewGeneration;
    if (fault == QStringLiteral("empty")) w.form.Memo3->clear();
    // A plain file that refuses to be read, even by root.
    if (fault == QStringLiteral("unreadable")) {
      fs::remove(w.File("20080105-0800.txt"));
      fs::create_symlink("/proc/self/mem", w.File("20080105-0800.txt"));
    }
    if (fault == QStringLiteral("folder")) fs::create_directory(w.File("work1.htm"));

    QTest::mouseClick(w.form.B_allm, Qt::LeftButton);
    const QStringList expected =
        message.isEmpty() ? QStringList{}
                          : QStringList{message.arg(QString::fromStdString(w.state.MagazineFolder))};
    QStringList messages;
    for (const std::string& text : w.dialogs.messages) messages << QString::fromStdString(text);
    QCOMPARE(messages, expected);
    QCOMPARE(w.Status(), QString());
    QCOMPARE(w.form.viewer->ViewGeneration, generation);
    QCOMPARE(w.form.viewer->WorkPageIndex, 1);
    QVERIFY(w.form.WebB1->isVisible());
    QCOMPARE(w.form.WebB1->CurrentFile(), w.File("work0.htm"));
    QVERIFY(w.state.ResultText == shown);
    QCOMPARE(w.form.Edit6->text(), QStringLiteral("20080102-1234"));
    QVERIFY(w.form.B_join->isEnabled() && w.form.Memo3->isEnabled());
    QVERIFY(!fs::is_regular_file(w.File("work1.htm")));
  }
};

QTEST_MAIN(JoinTest)
#include "join_window_test.moc"
