// 結合 and 全 in the real main window offscreen, over issues stored in a temporary archive
// by the program's own writers: the lines joined, the page in the work-page rotation the
// single shows use, the view, the status line, Edit6 and ResultText, and the failures that
// leave the page shown before.

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

// The main window over a newsletter of stored, listed issues; one issue shown (work0.htm).
struct Window {
  explicit Window(bool numberedIssues, int order = 0) : form(state) {
    form.archiveFolder = archive.path() / "log";
    form.show();
    state.MagazineId = "0000100001";
    const fs::path folder = state.ArchiveRoot / "magumagu" / state.MagazineId;
    fs::create_directories(folder);
    using Issues = std::vector<std::pair<const char*, const char*>>;
    const Issues issues = numberedIssues ? Issues{{"第9号", "九"}, {"第10号", ""}, {"第130号", "百三十"}}
                                         : Issues{{"2008/01/02 12:34", "一月二日\r\n"},
                                                  {"2008/01/05 08:00", "一月五日"},
                                                  {"2008/01/10 08:00", "一月十日\n二行目\n"}};
    for (const auto& [key, text] : issues)
      WriteFileAtomically(JoinSjis(folder, IssueFileName(Sj(key), 0)), Sj(text));
    UpdateMagazineLog(state, "", false);
    form.RadioG1->SetItemIndex(order);
    form.viewer->RadioG1Click();
    Select(2, 0, 2, 0);
    form.viewer->Memo3Click();
  }

  // Selects in the list from character `from` of line `fromLine` to `to` of `toLine`.
  void Select(int fromLine, int from, int toLine, int to) {
    QTextCursor cursor(form.Memo3->document());
    cursor.setPosition(form.Memo3->document()->findBlockByNumber(fromLine).position() + from);
    cursor.setPosition(form.Memo3->document()->findBlockByNumber(toLine).position() + to,
                       QTextCursor::KeepAnchor);
    form.Memo3->setTextCursor(cursor);
  }
  fs::path File(const std::string& name) const { return state.MagazineFolder / name; }

  TempFolder archive;
  RecordingDialogs dialogs;
  SharedState state;
  TForm1 form;
};

}  // namespace

class JoinTest final : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() {
    SetMessagePump([] { QCoreApplication::processEvents(); });
  }
  void cleanupTestCase() { SetMessagePump({}); }

  void joins_data() {
    QTest::addColumn<bool>("numbered");
    QTest::addColumn<int>("order");
    QTest::addColumn<QList<int>>("selection");  // from line, character, to line, character; empty: 全
    QTest::addColumn<int>("lines");             // lines joined, from the first
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("rangeKey");
    QTest::addColumn<QString>("body");  // the page between the head and the tail line

    const QString tenth = QStringLiteral("一月十日\r\n二行目\r\n\r\n");
    const QString fifth = QStringLiteral("一月五日\r\n");  // no final break: no empty line
    const QString second = QStringLiteral("一月二日\r\n\r\n");
    QTest::newRow("two partial lines take all between")
        << false << 0 << QList<int>{0, 3, 2, 4} << 3
        << "** 結合完成(2008/01/10_08:00号～2008/01/02_12:34号) **"
        << "20080110-0800_20080102-1234"
        << "*** メルマガの2008/01/10_08:00号から2008/01/02_12:34号を、結合しました。***\r\n" + tenth + fifth +
               second;
    QTest::newRow("ending at a line start leaves it out")
        << false << 0 << QList<int>{0, 2, 2, 0} << 2
        << "** 結合完成(2008/01/10_08:00号～2008/01/05_08:00号) **"
        << "20080110-0800_20080105-0800"
        << "*** メルマガの2008/01/10_08:00号から2008/01/05_08:00号を、結合しました。***\r\n" + tenth + fifth;
    QTest::newRow("one issue, no banner")
        << false << 1 << QList<int>{0, 1, 0, 5} << 1 << "** メルマガ 2008/01/02_12:34 **"
        << "20080102-1234" << second;
    QTest::newRow("全 in publication order")
        << false << 1 << QList<int>{} << 3 << "** 結合完成(2008/01/02_12:34号～2008/01/10_08:00号) **"
        << "20080102-1234_20080110-0800"
        << "*** メルマガの2008/01/02_12:34号から2008/01/10_08:00号を、結合しました。***\r\n" + second +
               fifth + tenth;
    // In number order, 第9号 before 第10号; the file of 第10号 is gone.
    QTest::newRow("numbered, a missing file skipped")
        << true << 0 << QList<int>{} << 3 << "** 結合完成(第130号号～第9号号) **"
        << "第130号_第9号"
        << "*** メルマガの第130号号から第9号号を、結合しました。***\r\n百三十\r\n九\r\n";
  }

  void joins() {
    QFETCH(bool, numbered);
    QFETCH(int, order);
    QFETCH(QList<int>, selection);
    QFETCH(int, lines);
    QFETCH(QString, status);
    QFETCH(QString, rangeKey);
    QFETCH(QString, body);
    Window w(numbered, order);
    w.Select(0, 0, 1, 0);
    w.form.viewer->Memo3Click();  // a drag selection shows nothing
    w.Select(1, 0, 1, 0);
    w.form.viewer->Memo3Click();  // shown on work1.htm
    const std::int32_t generation = w.form.viewer->ViewGeneration;
    if (numbered) fs::remove(w.File("第10号.txt"));
    if (selection.isEmpty()) {
      QTest::mouseClick(w.form.B_allm, Qt::LeftButton);
    } else {
      w.Select(selection[0], selection[1], selection[2], selection[3]);
      QTest::mouseClick(w.form.B_join, Qt::LeftButton);
    }

    // The list shows the widened selection: whole lines, the last with its break.
    const QTextCursor widened = w.form.Memo3->textCursor();
    QCOMPARE(widened.selectionStart(), 0);
    QCOMPARE(widened.selectionEnd(), w.form.Memo3->document()->findBlockByNumber(lines).position());
    QCOMPARE(w.form.Label1->text(), status);
    QCOMPARE(w.form.Edit6->text(), rangeKey);
    const std::string page =
        "<HTML><HEAD></HEAD><BODY><pre>\r\n" + FromQString(body) + "</pre></BODY></HTML>\r\n";
    QCOMPARE(Hex(ReadFileBytes(w.File("work2.htm"))), Hex(page));
    QCOMPARE(w.form.viewer->WorkPageIndex, 0);
    QCOMPARE(w.form.viewer->ViewGeneration, generation + 1);
    QVERIFY(w.state.ResultText == SplitLines(page));
    QTRY_COMPARE(Hex(MemoText(*w.form.Memo1)), Hex(page));
    QVERIFY(w.form.WebB1->isVisible());
    QCOMPARE(w.form.WebB1->CurrentFile(), w.File("work2.htm"));
    QVERIFY(w.form.B_join->isEnabled() && w.form.Memo3->isEnabled());
    QVERIFY(w.dialogs.messages.empty());
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
    Window w(false);
    const StringList shown = w.state.ResultText;
    const std::int32_t generation = w.form.viewer->ViewGeneration;
    if (fault == QStringLiteral("empty")) w.form.Memo3->clear();
    if (fault == QStringLiteral("unreadable")) {  // a plain file that refuses to be read, even by root
      fs::remove(w.File("20080105-0800.txt"));
      fs::create_symlink("/proc/self/mem", w.File("20080105-0800.txt"));
    }
    if (fault == QStringLiteral("folder")) fs::create_directory(w.File("work1.htm"));

    QTest::mouseClick(w.form.B_allm, Qt::LeftButton);
    QStringList messages;
    for (const std::string& text : w.dialogs.messages) messages << QString::fromStdString(text);
    QCOMPARE(messages, message.isEmpty()
                           ? QStringList{}
                           : QStringList{message.arg(QString::fromStdString(w.state.MagazineFolder))});
    QCOMPARE(w.form.Label1->text(), QString());
    QCOMPARE(w.form.viewer->ViewGeneration, generation);
    QCOMPARE(w.form.viewer->WorkPageIndex, 1);
    QVERIFY(w.form.WebB1->isVisible());
    QCOMPARE(w.form.WebB1->CurrentFile(), w.File("work0.htm"));
    QVERIFY(w.state.ResultText == shown);
    QCOMPARE(w.form.Edit6->text(), QStringLiteral("20080102-1234"));
    QVERIFY(w.form.B_join->isEnabled() && w.form.Memo3->isEnabled());
  }
};

QTEST_MAIN(JoinTest)
#include "join_window_test.moc"
