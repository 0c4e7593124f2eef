// The issue list driven offscreen with real widgets and real files: the order of the list,
// which line a click, a key or 前/次 shows, the pages written to the rotating work pages,
// what the status line, Edit6 and ResultText hold afterwards, requests that give way to
// newer ones, and the failures that stop a show.

#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/cp932.h"
#include "platform/events.h"
#include "platform/shared_state.h"
#include "support/test_support.h"
#include "viewer/html_view.h"
#include "viewer/issue_list.h"
#include "viewer/qt_text.h"
#include "viewer/target_line.h"

namespace fs = std::filesystem;

namespace {

QByteArray Bytes(std::string_view bytes) {
  return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string Std(const QByteArray& bytes) {
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// Byte strings compared as hex dumps, so a failure shows both sides readably.
#define COMPARE_BYTES(actual, expected) \
  QCOMPARE(QString::fromStdString(Hex(actual)), QString::fromStdString(Hex(expected)))

StringList SjLines(std::initializer_list<const char*> utf8Lines) {
  StringList lines;
  for (const char* line : utf8Lines) lines.push_back(Sj(line));
  return lines;
}

// "3,0,4" -> {3, 0, 4}; "" -> {}.
std::vector<long long> Lengths(const QString& text) {
  std::vector<long long> lengths;
  if (text.isEmpty()) return lengths;
  for (const QString& part : text.split(QLatin1Char(','))) lengths.push_back(part.toLongLong());
  return lengths;
}

const char* const kPlainHead = "<HTML><HEAD></HEAD><BODY><pre>\r\n";
const char* const kPlainTail = "</pre></BODY></HTML>";

// The main window's controls the viewer works on, in a shown window, with a fresh
// newsletter folder.
struct Harness {
  Harness() {
    state.MagazineFolder = folder.path() / "magumagu" / "sample";
    fs::create_directories(state.MagazineFolder);
    state.ServiceRoot = "http://sample.test";

    window.resize(660, 460);
    textArea = new QPlainTextEdit(&window);
    textArea->setGeometry(8, 158, 457, 283);
    textArea->setReadOnly(true);
    view = new HtmlView(&window);
    view->setGeometry(8, 158, 457, 250);
    view->hide();
    list = new QPlainTextEdit(&window);
    list->setGeometry(472, 224, 177, 216);
    list->setLineWrapMode(QPlainTextEdit::NoWrap);
    list->setReadOnly(true);
    scratch = new QPlainTextEdit(&window);
    scratch->hide();
    rangeKey = new QLineEdit(&window);
    rangeKey->hide();
    status = new QLabel(&window);
    status->setGeometry(128, 106, 513, 17);
    status->setTextFormat(Qt::PlainText);

    viewer = std::make_unique<IssueListViewer>(
        state, IssueListWidgets{list, scratch, textArea, rangeKey, status, view, [this] { return order; }});
    window.show();
  }

  fs::path File(const char* utf8Name) const { return state.MagazineFolder / fs::path(utf8Name); }
  fs::path WorkPage(int index) const { return File(("work" + std::to_string(index) + ".htm").c_str()); }

  void StoreIssue(const char* utf8Name, std::string_view bytes) const {
    WriteFileBytes(File(utf8Name), bytes);
  }

  // StoredIssueList as the log writer leaves it, then the list filled in the given order.
  void FillList(std::initializer_list<const char*> ascendingLines, int listOrder) {
    state.StoredIssueList = SjLines(ascendingLines);
    order = listOrder;
    viewer->RadioG1Click();
  }

  int LineStart(int line) const { return list->document()->findBlockByNumber(line).position(); }

  QPoint LinePoint(int line) const {
    QTextCursor cursor(list->document());
    cursor.setPosition(LineStart(line));
    const QRect rect = list->cursorRect(cursor);
    return QPoint(rect.left() + 1, rect.center().y());
  }

  // A real mouse click on the line's first character; the list's click handler runs from
  // the event queue.
  void ClickLine(int line) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, LinePoint(line));
    QCoreApplication::processEvents();
  }

  // A real key press and release of an arrow key in the list; its key handler runs a moment
  // later (once no auto-repeated press followed), and every run raises the request counter.
  void TapArrowKey(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    const std::int32_t before = viewer->ViewGeneration;
    QTest::keyClick(list, key, modifiers);
    QTRY_VERIFY(viewer->ViewGeneration != before);
  }

  QString Selected() const { return list->textCursor().selectedText(); }
  QString Status() const { return status->text(); }
  // ResultText as UTF-8, each line followed by "|".
  QString ResultTextLines() const {
    std::string text;
    for (const std::string& line : state.ResultText) text += cp932::ToUtf8(line) + "|";
    return QString::fromStdString(text);
  }

  TempFolder folder;
  SharedState state;
  RecordingDialogs dialogs;
  QWidget window;
  QPlainTextEdit* list;
  QPlainTextEdit* scratch;
  QPlainTextEdit* textArea;
  QLineEdit* rangeKey;
  QLabel* status;
  HtmlView* view;
  int order = 0;
  std::unique_ptr<IssueListViewer> viewer;
};

// Three plain issues, stored and listed in publication order (line 0 is the oldest).
void StoreThreeIssues(Harness& h) {
  h.StoreIssue("20080102-1234.txt", Sj("一月二日の号\r\n"));
  h.StoreIssue("20080105-0800.txt", Sj("一月五日の号\r\n"));
  h.StoreIssue("20080110-0800.txt", Sj("一月十日の号\r\n"));
  h.FillList({"*2008/01/02_12:34*", "*2008/01/05_08:00*", "*2008/01/10_08:00*new*"}, 1);
}

enum Gesture {
  kLeftClick,
  kRightClick,
  kMiddleClick,
  kLeftDoubleClick,
  kRightDoubleClick,
  kDownTapped,
  kDownHeld,
  kDownHeldUnmarked
};

std::string PlainPage(const char* utf8Text) { return kPlainHead + Sj(utf8Text) + kPlainTail + "\r\n"; }

}  // namespace

class IssueListTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<Harness> h;

 private Q_SLOTS:
  void initTestCase() {
    SetMessagePump([] { QCoreApplication::processEvents(); });
  }
  void cleanupTestCase() { SetMessagePump({}); }
  void init() {
    h = std::make_unique<Harness>();
    QVERIFY(QTest::qWaitForWindowExposed(&h->window));
  }
  void cleanup() { h.reset(); }

  // The walk on its own: line lengths, the length of one break, the caret and the
  // direction; the program's text counts CR LF as 2, the list widget a break as 1.
  void targetLineWalk_data() {
    QTest::addColumn<QString>("lengths");
    QTest::addColumn<int>("breakLength");
    QTest::addColumn<int>("caret");
    QTest::addColumn<int>("direction");
    QTest::addColumn<int>("start");  // -1: nothing
    QTest::addColumn<int>("length");

    // Lines of 3, 4 and 3 characters. CR LF: starts 0, 5, 11; ends after the break 5, 11, 16.
    QTest::newRow("crlf caret on first line") << "3,4,3" << 2 << 0 << 0 << 0 << 3;
    QTest::newRow("crlf 前 on first line shows it again") << "3,4,3" << 2 << 2 << -1 << 0 << 3;
    QTest::newRow("crlf 次 on first line") << "3,4,3" << 2 << 0 << 1 << 5 << 4;
    QTest::newRow("crlf caret inside the CR LF stays on its line") << "3,4,3" << 2 << 4 << 0 << 0 << 3;
    QTest::newRow("crlf caret just after the CR LF is the next line") << "3,4,3" << 2 << 5 << 0 << 5 << 4;
    QTest::newRow("crlf 前 on middle line") << "3,4,3" << 2 << 7 << -1 << 0 << 3;
    QTest::newRow("crlf 次 on middle line") << "3,4,3" << 2 << 7 << 1 << 11 << 3;
    QTest::newRow("crlf 次 on last line shows it again") << "3,4,3" << 2 << 11 << 1 << 11 << 3;
    QTest::newRow("crlf caret after last line") << "3,4,3" << 2 << 16 << 0 << 11 << 3;
    QTest::newRow("crlf 前 after last line gives the last line") << "3,4,3" << 2 << 16 << -1 << 11 << 3;
    QTest::newRow("crlf caret beyond the text") << "3,4,3" << 2 << 99 << 1 << 11 << 3;
    // An empty line is never the caret line but becomes the previous one.
    QTest::newRow("crlf caret on empty line goes on to the next") << "3,0,3" << 2 << 5 << 0 << 7 << 3;
    QTest::newRow("crlf 前 after an empty line takes the empty line") << "3,0,3" << 2 << 7 << -1 << 5 << 0;
    QTest::newRow("crlf 前 after an empty first line stays") << "0,3" << 2 << 2 << -1 << 2 << 3;
    QTest::newRow("crlf no lines") << "" << 2 << 0 << 0 << -1 << 0;
    QTest::newRow("crlf one empty line") << "0" << 2 << 0 << 0 << -1 << 0;

    // The same lines with breaks of 1: starts 0, 4, 9; ends after the break 4, 9, 13.
    QTest::newRow("lf caret on first line") << "3,4,3" << 1 << 0 << 0 << 0 << 3;
    QTest::newRow("lf caret at end of first line") << "3,4,3" << 1 << 3 << 0 << 0 << 3;
    QTest::newRow("lf caret at start of second line") << "3,4,3" << 1 << 4 << 0 << 4 << 4;
    QTest::newRow("lf 前 on first line shows it again") << "3,4,3" << 1 << 1 << -1 << 0 << 3;
    QTest::newRow("lf 次 on first line") << "3,4,3" << 1 << 3 << 1 << 4 << 4;
    QTest::newRow("lf 前 on last line") << "3,4,3" << 1 << 9 << -1 << 4 << 4;
    QTest::newRow("lf 次 on last line shows it again") << "3,4,3" << 1 << 12 << 1 << 9 << 3;
    QTest::newRow("lf caret after last line") << "3,4,3" << 1 << 13 << 0 << 9 << 3;
    QTest::newRow("lf 次 after last line gives the last line") << "3,4,3" << 1 << 13 << 1 << 9 << 3;
    QTest::newRow("lf 前 after an empty line takes the empty line") << "3,0,3" << 1 << 5 << -1 << 4 << 0;
    QTest::newRow("lf no lines") << "" << 1 << 0 << -1 << -1 << 0;
  }

  void targetLineWalk() {
    QFETCH(QString, lengths);
    QFETCH(int, breakLength);
    QFETCH(int, caret);
    QFETCH(int, direction);
    QFETCH(int, start);
    QFETCH(int, length);
    const std::optional<LineSpan> target = FindTargetLine(Lengths(lengths), breakLength, caret, direction);
    if (start < 0) {
      QVERIFY2(!target, "a line was found where none should be");
      return;
    }
    QVERIFY2(target.has_value(), "no line found");
    QCOMPARE(target->start, static_cast<long long>(start));
    QCOMPARE(target->length, static_cast<long long>(length));
  }

  void viewGenerationWrapsToZero() {
    QCOMPARE(NextViewGeneration(0), 1);
    QCOMPARE(NextViewGeneration(41), 42);
    QCOMPARE(NextViewGeneration(2147483645), 2147483646);
    QCOMPARE(NextViewGeneration(2147483646), 0);
    QCOMPARE(NextViewGeneration(2147483647), 0);

    // Every request raises it, also one that shows nothing.
    h->viewer->ViewGeneration = 2147483646;
    h->viewer->ShowIssue(0);
    QCOMPARE(h->viewer->ViewGeneration, 0);
    h->viewer->Memo3Click();
    QCOMPARE(h->viewer->ViewGeneration, 1);
    QCOMPARE(h->viewer->RaiseViewGeneration(), 2);
  }

  // --- Order -------------------------------------------------------------------------

  void newestFirstThenPublicationOrder() {
    h->state.StoredIssueList =
        SjLines({"*2008/01/02_12:34*", "*2008/01/05_08:00*", "*2008/01/10_08:00*new*", "*第123号*"});
    SetMemoText(*h->scratch, Sj("古い作業行\r\n"));
    SetMemoText(*h->list, Sj("前の一覧\r\n二行目\r\n"));
    QTextCursor cursor = h->list->textCursor();
    cursor.setPosition(2);
    cursor.setPosition(8, QTextCursor::KeepAnchor);
    h->list->setTextCursor(cursor);

    h->order = 0;
    h->viewer->RadioG1Click();
    const std::string newestFirst =
        Sj("*第123号*\r\n*2008/01/10_08:00*new*\r\n*2008/01/05_08:00*\r\n*2008/01/02_12:34*\r\n");
    COMPARE_BYTES(MemoText(*h->list), newestFirst);
    // Built in the scratch list, which was emptied first.
    COMPARE_BYTES(MemoText(*h->scratch), newestFirst);
    QCOMPARE(h->list->textCursor().position(), 0);
    QVERIFY(!h->list->textCursor().hasSelection());

    cursor = h->list->textCursor();
    cursor.setPosition(25);
    h->list->setTextCursor(cursor);
    h->order = 1;
    h->viewer->RadioG1Click();
    COMPARE_BYTES(MemoText(*h->list),
                  Sj("*2008/01/02_12:34*\r\n*2008/01/05_08:00*\r\n*2008/01/10_08:00*new*\r\n*第123号*\r\n"));
    QCOMPARE(h->list->textCursor().position(), 0);
    QVERIFY(!h->list->textCursor().hasSelection());

    // The list order is a display order only: the shared list stays ascending.
    COMPARE_BYTES(h->state.StoredIssueList.front(), Sj("*2008/01/02_12:34*"));
    QCOMPARE(h->status->text(), QString());
  }

  void emptyStoredListChangesNothing() {
    SetMemoText(*h->list, Sj("*2008/01/02_12:34*\r\n*2008/01/05_08:00*\r\n"));
    SetMemoText(*h->scratch, Sj("作業\r\n"));
    QTextCursor cursor = h->list->textCursor();
    cursor.setPosition(3);
    cursor.setPosition(10, QTextCursor::KeepAnchor);
    h->list->setTextCursor(cursor);

    for (int order : {0, 1}) {
      h->order = order;
      h->viewer->RadioG1Click();
      COMPARE_BYTES(MemoText(*h->list), Sj("*2008/01/02_12:34*\r\n*2008/01/05_08:00*\r\n"));
      COMPARE_BYTES(MemoText(*h->scratch), Sj("作業\r\n"));
      QCOMPARE(h->list->textCursor().selectionStart(), 3);
      QCOMPARE(h->list->textCursor().selectionEnd(), 10);
    }
  }

  // --- One show ----------------------------------------------------------------------

  void clickShowsIssue() {
    StoreThreeIssues(*h);
    h->state.ResultText = SjLines({"読取りの結果"});

    h->ClickLine(1);

    QCOMPARE(h->Selected(), U("*2008/01/05_08:00*"));
    QCOMPARE(h->list->textCursor().selectionStart(), h->LineStart(1));
    QCOMPARE(h->Status(), U("** メルマガ 2008/01/05_08:00 号 **"));
    QCOMPARE(h->rangeKey->text(), U("20080105-0800"));

    const std::string page = PlainPage("一月五日の号\r\n");
    COMPARE_BYTES(ReadFileBytes(h->WorkPage(0)), page);
    QVERIFY(!fs::exists(h->WorkPage(1)));
    QCOMPARE(h->viewer->WorkPageIndex, 1);
    COMPARE_BYTES(MemoText(*h->textArea), page);
    QCOMPARE(h->ResultTextLines(), U("<HTML><HEAD></HEAD><BODY><pre>|一月五日の号|</pre></BODY></HTML>|"));

    QVERIFY(h->view->isVisible());
    QCOMPARE(h->view->CurrentFile(), h->WorkPage(0));
    QVERIFY(h->view->toPlainText().contains(U("一月五日の号")));
    QVERIFY(h->dialogs.messages.empty());
  }

  void newIssueLabelAndFile() {
    h->StoreIssue("20080102-1234.txt", Sj("新しい号\r\n"));
    h->FillList({"*2008/01/02_12:34*new*"}, 0);
    h->ClickLine(0);
    QCOMPARE(h->Status(), U("** メルマガ 2008/01/02_12:34new 号 **"));
    QCOMPARE(h->rangeKey->text(), U("20080102-1234"));
    COMPARE_BYTES(ReadFileBytes(h->WorkPage(0)), PlainPage("新しい号\r\n"));
  }

  void numberNamedIssue() {
    h->StoreIssue("第123号.txt", Sj("第百二十三号の本文\r\n"));
    h->FillList({"*第123号*"}, 0);
    h->ClickLine(0);
    QCOMPARE(h->Status(), U("** メルマガ 第123号 号 **"));
    QCOMPARE(h->rangeKey->text(), U("第123号"));
    COMPARE_BYTES(ReadFileBytes(h->WorkPage(0)), PlainPage("第百二十三号の本文\r\n"));
    QVERIFY(h->view->toPlainText().contains(U("第百二十三号の本文")));
  }

  // The work page holds the file's bytes unchanged apart from the breaks, between the
  // wrapper lines; the tail has no break after it when the text does not end in one.
  void pageBytes_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("page");

    const std::string entryHead =
        "<HTML><HEAD><link rel=\"stylesheet\" type=\"text/css\" "
        "href=\"http://sample.test/css/default.css\">\r\n"
        "<script type=\"text/javascript\" src=\"http://sample.test/javascript/mag2blog.js\"></script>\r\n"
        "</HEAD><BODY>\r\n";
    const std::string entry = "<div class=\"backnumber-entry\">";

    QTest::newRow("LF breaks, final break")
        << Bytes("\x88\xea\n\x87\x40\x81\x60\n")
        << Bytes(std::string(kPlainHead) + "\x88\xea\r\n\x87\x40\x81\x60\r\n" + kPlainTail + "\r\n");
    QTest::newRow("CR LF breaks, no final break")
        << Bytes("\x88\xea\r\n\x87\x40\x81\x60")
        << Bytes(std::string(kPlainHead) + "\x88\xea\r\n\x87\x40\x81\x60\r\n" + kPlainTail);
    QTest::newRow("lone CR breaks") << Bytes("a\rb\r")
                                    << Bytes(std::string(kPlainHead) + "a\r\nb\r\n" + kPlainTail + "\r\n");
    QTest::newRow("empty file") << Bytes("") << Bytes(std::string(kPlainHead) + kPlainTail + "\r\n");
    QTest::newRow("only a break") << Bytes("\n")
                                  << Bytes(std::string(kPlainHead) + "\r\n" + kPlainTail + "\r\n");
    // Bytes that would not come back from a way through Unicode: the NEC duplicate of ≒
    // (8790, encoded back as 81E0), an NEC-selected IBM character (ED40, back as FA5C), an
    // unassigned row (8540) and a lead byte without its trail byte.
    QTest::newRow("bytes that Unicode does not give back")
        << Bytes("\x87\x90\xed\x40\x85\x40\x81")
        << Bytes(std::string(kPlainHead) + "\x87\x90\xed\x40\x85\x40\x81\r\n" + kPlainTail);
    QTest::newRow("entry, final break") << Bytes(entry + "\x87\x40</div>\n")
                                        << Bytes(entryHead + entry + "\x87\x40</div>\r\n</BODY></HTML>\r\n");
    QTest::newRow("entry, no final break")
        << Bytes("x\n" + entry + "</div>") << Bytes(entryHead + "x\r\n" + entry + "</div>\r\n</BODY></HTML>");
    QTest::newRow("marker in other case stays plain")
        << Bytes("<DIV class=\"backnumber-entry\">\n")
        << Bytes(std::string(kPlainHead) + "<DIV class=\"backnumber-entry\">\r\n" + kPlainTail + "\r\n");
  }

  void pageBytes() {
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, page);
    h->StoreIssue("20080102-1234.txt", Std(file));
    h->FillList({"*2008/01/02_12:34*"}, 0);
    h->ClickLine(0);
    COMPARE_BYTES(ReadFileBytes(h->WorkPage(0)), Std(page));
    // ResultText holds the page's lines: joined with a break after each, the page again
    // (with the one break a tail without one lacks).
    COMPARE_BYTES(JoinLines(h->state.ResultText), Std(page.endsWith("\r\n") ? page : page + "\r\n"));
    QVERIFY(h->view->isVisible());
  }

  void entryIssueShownWithServiceLines() {
    h->StoreIssue("20080102-1234.txt", Sj("<div class=\"backnumber-entry\"><p>ブログの本文</p></div>\r\n"));
    h->FillList({"*2008/01/02_12:34*"}, 0);
    h->ClickLine(0);
    QCOMPARE(h->ResultTextLines(),
             U("<HTML><HEAD><link rel=\"stylesheet\" type=\"text/css\" "
               "href=\"http://sample.test/css/default.css\">|"
               "<script type=\"text/javascript\" src=\"http://sample.test/javascript/mag2blog.js\"></script>|"
               "</HEAD><BODY>|"
               "<div class=\"backnumber-entry\"><p>ブログの本文</p></div>|"
               "</BODY></HTML>|"));
    QVERIFY(h->view->toPlainText().contains(U("ブログの本文")));
    QCOMPARE(h->Status(), U("** メルマガ 2008/01/02_12:34 号 **"));
  }

  // --- Which line --------------------------------------------------------------------

  void backOnFirstAndNextOnLastShowSameLine() {
    StoreThreeIssues(*h);
    h->ClickLine(0);
    h->viewer->B_BackClick();
    QCOMPARE(h->Selected(), U("*2008/01/02_12:34*"));
    QCOMPARE(h->Status(), U("** メルマガ 2008/01/02_12:34 号 **"));
    COMPARE_BYTES(ReadFileBytes(h->WorkPage(1)), PlainPage("一月二日の号\r\n"));

    h->ClickLine(2);
    h->viewer->B_NextClick();
    QCOMPARE(h->Selected(), U("*2008/01/10_08:00*new*"));
    QCOMPARE(h->Status(), U("** メルマガ 2008/01/10_08:00new 号 **"));
    COMPARE_BYTES(ReadFileBytes(h->WorkPage(0)), PlainPage("一月十日の号\r\n"));
    QCOMPARE(h->view->CurrentFile(), h->WorkPage(0));
  }

  void backAndNextStepOneLine() {
    StoreThreeIssues(*h);
    h->ClickLine(0);
    h->viewer->B_NextClick();
    QCOMPARE(h->Selected(), U("*2008/01/05_08:00*"));
    h->viewer->B_NextClick();
    QCOMPARE(h->Selected(), U("*2008/01/10_08:00*new*"));
    QCOMPARE(h->rangeKey->text(), U("20080110-0800"));
    h->textArea->setFocus();
    QCOMPARE(h->window.focusWidget(), h->textArea);
    h->viewer->B_BackClick();
    QCOMPARE(h->Selected(), U("*2008/01/05_08:00*"));
    QCOMPARE(h->Status(), U("** メルマガ 2008/01/05_08:00 号 **"));
    QCOMPARE(h->window.focusWidget(), h->list);
  }

  // 前 and 次 start from the start of a selection over several lines.
  void backAndNextCollapseSelectionToItsStart() {
    StoreThreeIssues(*h);
    QTextCursor cursor = h->list->textCursor();
    cursor.setPosition(h->LineStart(1) + 2);
    cursor.setPosition(h->LineStart(2) + 3, QTextCursor::KeepAnchor);
    h->list->setTextCursor(cursor);
    h->viewer->B_BackClick();
    QCOMPARE(h->Selected(), U("*2008/01/02_12:34*"));

    cursor.setPosition(h->LineStart(0) + 1);
    cursor.setPosition(h->LineStart(2) + 3, QTextCursor::KeepAnchor);
    h->list->setTextCursor(cursor);
    h->viewer->B_NextClick();
    QCOMPARE(h->Selected(), U("*2008/01/05_08:00*"));
    QCOMPARE(h->Status(), U("** メルマガ 2008/01/05_08:00 号 **"));
  }

  void clickAfterLastLineShowsLastLine() {
    StoreThreeIssues(*h);
    const QPoint below(10, h->list->viewport()->height() - 4);
    QVERIFY(below.y() > h->LinePoint(2).y() + 20);
    QTest::mouseClick(h->list->viewport(), Qt::LeftButton, {}, below);
    QCOMPARE(h->list->textCursor().position(), h->list->document()->characterCount() - 1);
    QCoreApplication::processEvents();
    QCOMPARE(h->Selected(), U("*2008/01/10_08:00*new*"));
    QCOMPARE(h->Status(), U("** メルマガ 2008/01/10_08:00new 号 **"));
    COMPARE_BYTES(ReadFileBytes(h->WorkPage(0)), PlainPage("一月十日の号\r\n"));
  }

  void dragSelectionShowsNothing() {
    StoreThreeIssues(*h);
    h->ClickLine(0);
    const std::string shown = ReadFileBytes(h->WorkPage(0));

    // The drag starts on the line the show has just highlighted.
    QWidget* viewport = h->list->viewport();
    const QPoint from = h->LinePoint(0) + QPoint(12, 0);
    const QPoint to = h->LinePoint(2) + QPoint(30, 0);
    QTest::mousePress(viewport, Qt::LeftButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, to, viewport->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, to);
    const int start = h->list->textCursor().selectionStart();
    const int end = h->list->textCursor().selectionEnd();
    QVERIFY(start < h->LineStart(1));
    QVERIFY(end > h->LineStart(2));

    QCoreApplication::processEvents();
    QCOMPARE(h->list->textCursor().selectionStart(), start);
    QCOMPARE(h->list->textCursor().selectionEnd(), end);
    QCOMPARE(h->Status(), QString());
    QVERIFY(!fs::exists(h->WorkPage(1)));
    QCOMPARE(h->view->CurrentFile(), h->WorkPage(0));
    QCOMPARE(ReadFileBytes(h->WorkPage(0)), shown);
  }

  void arrowKeysShowCaretLine() {
    StoreThreeIssues(*h);
    h->ClickLine(0);
    h->TapArrowKey(Qt::Key_Down);
    QCOMPARE(h->Selected(), U("*2008/01/05_08:00*"));
    QCOMPARE(h->Status(), U("** メルマガ 2008/01/05_08:00 号 **"));
    h->TapArrowKey(Qt::Key_Down);
    QCOMPARE(h->Selected(), U("*2008/01/10_08:00*new*"));
    h->TapArrowKey(Qt::Key_Up);
    QCOMPARE(h->Selected(), U("*2008/01/05_08:00*"));
    QCOMPARE(h->rangeKey->text(), U("20080105-0800"));
    QCOMPARE(h->viewer->WorkPageIndex, 1);  // four shows: 0, 1, 2, 0
  }

  void otherKeysShowNothing() {
    StoreThreeIssues(*h);
    h->ClickLine(0);
    const std::int32_t generation = h->viewer->ViewGeneration;
    for (int key :
         {int(Qt::Key_Left), int(Qt::Key_Right), int(Qt::Key_PageDown), int(Qt::Key_Return), 38, 40}) {
      h->viewer->Memo3KeyUp(key);
    }
    QCOMPARE(h->viewer->ViewGeneration, generation);
    QCOMPARE(h->Status(), U("** メルマガ 2008/01/02_12:34 号 **"));
    QVERIFY(!fs::exists(h->WorkPage(1)));
  }

  void shiftDownExtendsSelectionAndShowsNothing() {
    StoreThreeIssues(*h);
    h->ClickLine(0);
    h->TapArrowKey(Qt::Key_Down, Qt::ShiftModifier);
    QVERIFY(h->list->textCursor().hasSelection());
    QCOMPARE(h->list->textCursor().selectionStart(), h->LineStart(0));
    QVERIFY(h->list->textCursor().selectionEnd() > h->LineStart(1));

    const int end = h->list->textCursor().selectionEnd();
    QCOMPARE(h->list->textCursor().selectionStart(), h->LineStart(0));
    QCOMPARE(h->list->textCursor().selectionEnd(), end);
    QCOMPARE(h->Status(), QString());
    QVERIFY(!fs::exists(h->WorkPage(1)));
    QCOMPARE(h->view->CurrentFile(), h->WorkPage(0));
  }

  void doubleClickSelectsAllAndShowsNothing() {
    StoreThreeIssues(*h);
    h->ClickLine(1);
    h->viewer->Memo3DblClick();
    QCOMPARE(h->list->textCursor().selectionStart(), 0);
    QCOMPARE(h->list->textCursor().selectionEnd(), h->list->document()->characterCount() - 1);
    QCOMPARE(h->Status(), U("** メルマガ 2008/01/05_08:00 号 **"));
    QVERIFY(!fs::exists(h->WorkPage(1)));
  }

  // Real mouse and key events on the list, from a caret on the first line with nothing
  // shown: how many show requests they make and what ends up shown and selected.
  void gesturesThatShowOrNot_data() {
    QTest::addColumn<int>("gesture");
    QTest::addColumn<int>("requests");
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("selectsAll");

    const QString second = U("** メルマガ 2008/01/05_08:00 号 **");
    const QString third = U("** メルマガ 2008/01/10_08:00new 号 **");
    QTest::newRow("left click") << int(kLeftClick) << 1 << second << false;
    QTest::newRow("right click") << int(kRightClick) << 0 << QString() << false;
    QTest::newRow("middle click") << int(kMiddleClick) << 0 << QString() << false;
    // The release that ends a double click leaves the first click's show alone.
    QTest::newRow("left double click") << int(kLeftDoubleClick) << 1 << second << true;
    QTest::newRow("right double click") << int(kRightDoubleClick) << 0 << QString() << false;
    QTest::newRow("down tapped") << int(kDownTapped) << 1 << second << false;
    // Only the final release of a held key counts, not each auto-repeat, also where the
    // auto-repeated releases come unmarked and only the press right after tells them.
    QTest::newRow("down held over two lines") << int(kDownHeld) << 1 << third << false;
    QTest::newRow("down held, repeats unmarked") << int(kDownHeldUnmarked) << 1 << third << false;
  }

  void gesturesThatShowOrNot() {
    QFETCH(int, gesture);
    QFETCH(int, requests);
    QFETCH(QString, status);
    QFETCH(bool, selectsAll);
    StoreThreeIssues(*h);
    const std::int32_t before = h->viewer->ViewGeneration;

    QWidget* viewport = h->list->viewport();
    const QPoint onSecondLine = h->LinePoint(1);
    const auto key = [this](bool press, bool autoRepeat) {
      QTest::simulateEvent(h->list, press, Qt::Key_Down, {}, QString(), autoRepeat);
      QCoreApplication::processEvents();
    };
    switch (gesture) {
      case kLeftClick:
      case kLeftDoubleClick: {
        // Through the window, so that Qt itself turns the second press into a double click.
        QWindow* window = h->window.windowHandle();
        const QPoint at = viewport->mapTo(&h->window, onSecondLine);
        if (gesture == kLeftClick) QTest::mouseClick(window, Qt::LeftButton, {}, at);
        if (gesture == kLeftDoubleClick) QTest::mouseDClick(window, Qt::LeftButton, {}, at);
        break;
      }
      case kRightClick:
      case kMiddleClick:
        // To the list directly: through the window a right press would open the context menu.
        QTest::mouseClick(viewport, gesture == kRightClick ? Qt::RightButton : Qt::MiddleButton, {},
                          onSecondLine);
        break;
      case kRightDoubleClick:
        QTest::mouseClick(viewport, Qt::RightButton, {}, onSecondLine);
        QTest::mouseDClick(viewport, Qt::RightButton, {}, onSecondLine);
        QTest::mouseRelease(viewport, Qt::RightButton, {}, onSecondLine);
        break;
      case kDownTapped:
        key(true, false);
        key(false, false);
        break;
      case kDownHeld:
        key(true, false);
        key(false, true);
        key(true, true);
        key(false, false);
        break;
      case kDownHeldUnmarked:
        key(true, false);
        key(false, false);
        key(true, false);
        key(false, false);
        break;
    }
    QTest::qWait(300);  // the key handler runs a moment after the last release

    QCOMPARE(h->viewer->ViewGeneration - before, requests);
    QCOMPARE(h->Status(), status);
    QCOMPARE(fs::exists(h->WorkPage(0)), requests > 0);
    QVERIFY(!fs::exists(h->WorkPage(1)));
    const QTextCursor cursor = h->list->textCursor();
    QCOMPARE(
        cursor.selectionStart() == 0 && cursor.selectionEnd() == h->list->document()->characterCount() - 1,
        selectsAll);
  }

  // --- Work pages and requests that give way -----------------------------------------

  void fourShowsRotateWorkPages() {
    StoreThreeIssues(*h);
    h->ClickLine(0);
    h->ClickLine(1);
    h->ClickLine(2);
    COMPARE_BYTES(ReadFileBytes(h->WorkPage(0)), PlainPage("一月二日の号\r\n"));
    COMPARE_BYTES(ReadFileBytes(h->WorkPage(1)), PlainPage("一月五日の号\r\n"));
    COMPARE_BYTES(ReadFileBytes(h->WorkPage(2)), PlainPage("一月十日の号\r\n"));
    QCOMPARE(h->view->CurrentFile(), h->WorkPage(2));

    h->ClickLine(1);
    COMPARE_BYTES(ReadFileBytes(h->WorkPage(0)), PlainPage("一月五日の号\r\n"));
    COMPARE_BYTES(ReadFileBytes(h->WorkPage(2)), PlainPage("一月十日の号\r\n"));
    QCOMPARE(h->view->CurrentFile(), h->WorkPage(0));
    QCOMPARE(h->viewer->WorkPageIndex, 1);
    QVERIFY(!fs::exists(h->File("work.htm")));
  }

  // The join shares the index; any value but 0 and 1 writes the third page.
  void workPageIndexOutOfRangeWritesThirdPage() {
    StoreThreeIssues(*h);
    h->viewer->WorkPageIndex = 7;
    h->ClickLine(0);
    COMPARE_BYTES(ReadFileBytes(h->WorkPage(2)), PlainPage("一月二日の号\r\n"));
    QCOMPARE(h->viewer->WorkPageIndex, 0);
    h->viewer->WorkPageIndex = -1;
    h->ClickLine(1);
    COMPARE_BYTES(ReadFileBytes(h->WorkPage(2)), PlainPage("一月五日の号\r\n"));
    QVERIFY(!fs::exists(h->WorkPage(0)));
    QCOMPARE(h->view->CurrentFile(), h->WorkPage(2));
  }

  // A second click 20 ms into the first request's wait: the first stops before it writes.
  void secondClickWithinWaitSupersedesFirst() {
    StoreThreeIssues(*h);
    bool fired = false;
    QTimer::singleShot(20, &h->window, [&] {
      fired = true;
      h->ClickLine(2);
    });
    h->ClickLine(0);
    QVERIFY(fired);

    COMPARE_BYTES(ReadFileBytes(h->WorkPage(0)), PlainPage("一月十日の号\r\n"));
    QVERIFY(!fs::exists(h->WorkPage(1)));
    QVERIFY(!fs::exists(h->WorkPage(2)));
    QCOMPARE(h->viewer->WorkPageIndex, 1);
    QCOMPARE(h->view->CurrentFile(), h->WorkPage(0));
    QVERIFY(h->view->toPlainText().contains(U("一月十日の号")));
    QVERIFY(!h->view->toPlainText().contains(U("一月二日の号")));
    QCOMPARE(h->Selected(), U("*2008/01/10_08:00*new*"));
    QCOMPARE(h->Status(), U("** メルマガ 2008/01/10_08:00new 号 **"));
    QCOMPARE(h->rangeKey->text(), U("20080110-0800"));
    QCOMPARE(h->ResultTextLines(), U("<HTML><HEAD></HEAD><BODY><pre>|一月十日の号|</pre></BODY></HTML>|"));
  }

  // A second click after the first request has written its page: that page stays, but
  // only the second reaches the view, the status line, Edit6 and ResultText.
  void secondClickAfterWriteLeavesEarlierPage() {
    StoreThreeIssues(*h);
    bool fired = false;
    QTimer poll;
    poll.setInterval(2);
    QObject::connect(&poll, &QTimer::timeout, &h->window, [&] {
      if (fired || !fs::exists(h->WorkPage(0))) return;
      fired = true;
      poll.stop();
      h->ClickLine(1);
    });
    poll.start();
    h->ClickLine(0);
    QVERIFY(fired);

    COMPARE_BYTES(ReadFileBytes(h->WorkPage(0)), PlainPage("一月二日の号\r\n"));
    COMPARE_BYTES(ReadFileBytes(h->WorkPage(1)), PlainPage("一月五日の号\r\n"));
    QCOMPARE(h->view->CurrentFile(), h->WorkPage(1));
    QCOMPARE(h->Status(), U("** メルマガ 2008/01/05_08:00 号 **"));
    QCOMPARE(h->rangeKey->text(), U("20080105-0800"));
    QCOMPARE(h->ResultTextLines(), U("<HTML><HEAD></HEAD><BODY><pre>|一月五日の号|</pre></BODY></HTML>|"));
  }

  // A join raises the counter: a show still waiting gives way to it.
  void raisedCounterStopsWaitingShow() {
    StoreThreeIssues(*h);
    h->state.ResultText = SjLines({"前の結果"});
    QTimer::singleShot(20, &h->window, [&] { h->viewer->RaiseViewGeneration(); });
    h->ClickLine(0);
    QVERIFY(!fs::exists(h->WorkPage(0)));
    QCOMPARE(h->viewer->WorkPageIndex, 0);
    QVERIFY(!h->view->isVisible());
    QCOMPARE(h->Status(), QString());
    QCOMPARE(h->rangeKey->text(), QString());
    QCOMPARE(h->ResultTextLines(), U("前の結果|"));
  }

  // --- Lines that show nothing, and failures -----------------------------------------

  void lineNotInStarsShowsNothing_data() {
    QTest::addColumn<QString>("line");
    QTest::newRow("no stars") << U("2008/01/05_08:00");
    QTest::newRow("no closing star") << U("*2008/01/05_08:00");
    QTest::newRow("no opening star") << U("2008/01/05_08:00*");
    QTest::newRow("star inside only") << U("2008/01/05*08:00");
  }

  void lineNotInStarsShowsNothing() {
    QFETCH(QString, line);
    StoreThreeIssues(*h);
    h->StoreIssue("20080105-0800.txt", Sj("一月五日の号\r\n"));
    SetMemoText(*h->list, Sj("*2008/01/02_12:34*\r\n") + FromQString(line) + "\r\n");
    h->ClickLine(0);
    const QString shownText = h->view->toPlainText();
    const StringList shownResult = h->state.ResultText;

    h->ClickLine(1);
    QCOMPARE(h->Selected(), line);
    QCOMPARE(h->Status(), QString());
    QCOMPARE(h->view->CurrentFile(), h->WorkPage(0));
    QCOMPARE(h->view->toPlainText(), shownText);
    QVERIFY(h->view->isVisible());
    QVERIFY(h->state.ResultText == shownResult);
    QCOMPARE(h->rangeKey->text(), U("20080102-1234"));
    QVERIFY(!fs::exists(h->WorkPage(1)));
    QVERIFY(h->dialogs.messages.empty());
  }

  void missingIssueFileShowsNothing() {
    StoreThreeIssues(*h);
    fs::remove(h->File("20080105-0800.txt"));
    // A folder of the file's name is no issue file either.
    fs::remove(h->File("20080110-0800.txt"));
    fs::create_directory(h->File("20080110-0800.txt"));

    h->ClickLine(0);
    const QString shownText = h->view->toPlainText();
    for (int line : {1, 2}) {
      h->ClickLine(line);
      QCOMPARE(h->list->textCursor().selectionStart(), h->LineStart(line));
      QVERIFY(h->Selected().startsWith(QLatin1Char('*')));
      QCOMPARE(h->Status(), QString());
      QCOMPARE(h->view->CurrentFile(), h->WorkPage(0));
      QCOMPARE(h->view->toPlainText(), shownText);
      QCOMPARE(h->rangeKey->text(), U("20080102-1234"));
    }
    QVERIFY(!fs::exists(h->WorkPage(1)));
    QCOMPARE(h->viewer->WorkPageIndex, 1);
    QVERIFY(h->dialogs.messages.empty());
  }

  void unwritableWorkPageShowsOneMessage() {
    StoreThreeIssues(*h);
    // A folder in the way makes the rename fail even for root.
    fs::create_directory(h->WorkPage(0));
    h->state.ResultText = SjLines({"前の結果"});

    h->ClickLine(0);
    QCOMPARE(h->dialogs.messages.size(), std::size_t{1});
    QCOMPARE(QString::fromStdString(h->dialogs.messages.front()),
             U("ファイルに書き込めません。\r\n") + QString::fromStdString(h->WorkPage(0).string()));
    QVERIFY(fs::is_directory(h->WorkPage(0)));
    QVERIFY(!h->view->isVisible());
    QCOMPARE(h->Status(), QString());
    QCOMPARE(h->rangeKey->text(), QString());
    QCOMPARE(h->ResultTextLines(), U("前の結果|"));
    // Nothing temporary is left beside it.
    int files = 0;
    for (const auto& entry : fs::directory_iterator(h->state.MagazineFolder)) {
      files += entry.path().filename().string().rfind(".work", 0) == 0 ? 1 : 0;
    }
    QCOMPARE(files, 0);

    // The rotation has moved on: the next show writes the next page.
    h->ClickLine(1);
    QCOMPARE(h->dialogs.messages.size(), std::size_t{1});
    COMPARE_BYTES(ReadFileBytes(h->WorkPage(1)), PlainPage("一月五日の号\r\n"));
    QCOMPARE(h->Status(), U("** メルマガ 2008/01/05_08:00 号 **"));
  }

  void unreadableIssueFileShowsOneMessage() {
    StoreThreeIssues(*h);
    const fs::path issue = h->File("20080105-0800.txt");
    fs::remove(issue);
    if (::geteuid() == 0) {
      // Root reads any file; this one exists as a plain file but every read fails.
      fs::create_symlink("/proc/self/mem", issue);
    } else {
      WriteFileBytes(issue, "x");
      fs::permissions(issue, fs::perms::none);
    }
    h->ClickLine(0);
    const QString shownText = h->view->toPlainText();

    h->ClickLine(1);
    QCOMPARE(h->dialogs.messages.size(), std::size_t{1});
    QCOMPARE(QString::fromStdString(h->dialogs.messages.front()),
             U("ファイルを読み込めません。\r\n") + QString::fromStdString(issue.string()));
    QCOMPARE(h->Selected(), U("*2008/01/05_08:00*"));
    QCOMPARE(h->Status(), QString());
    QCOMPARE(h->view->toPlainText(), shownText);
    QVERIFY(!fs::exists(h->WorkPage(1)));
  }
};

QTEST_MAIN(IssueListTest)
#include "issue_list_window_test.moc"
