// Long text fed into a memo in steps: all of it, in order, after what went before it,
// unless something else changes the memo's text meanwhile.

#include <QPlainTextEdit>
#include <QtTest>

#include "support/test_support.h"
#include "viewer/memo_feeder.h"
#include "viewer/qt_text.h"

class MemoFeederTest final : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void feedsUntilSomethingElseChangesTheText_data() {
    QTest::addColumn<QString>("meanwhile");  // what happens after the first step
    QTest::addColumn<QString>("expected");   // empty: everything fed
    QTest::newRow("nothing") << ""
                             << "";
    QTest::newRow("text replaced") << "replace"
                                   << "other";
    QTest::newRow("feeder cleared") << "clear"
                                    << "";
  }

  void feedsUntilSomethingElseChangesTheText() {
    QFETCH(QString, meanwhile);
    QFETCH(QString, expected);
    QPlainTextEdit memo(QStringLiteral("old"));
    auto* feeder = new MemoFeeder(memo);
    feeder->Clear();
    std::string text;
    for (int line = 0; line < 20'000; ++line) text += Sj("行") + std::to_string(line) + "\r\n";
    feeder->Append(text.substr(0, 1000));
    feeder->Append(text.substr(1000));
    feeder->InsertAtStart(Sj("先頭\r\n"));
    QCOMPARE(memo.toPlainText(), Utf8("先頭\n"));  // the rest waits for the event loop
    QCoreApplication::processEvents();
    QVERIFY(feeder->IsFeeding() && memo.document()->blockCount() > 2);  // one step is not all

    if (meanwhile == QStringLiteral("replace")) memo.setPlainText(QStringLiteral("other"));
    if (meanwhile == QStringLiteral("clear")) feeder->Clear();
    QTRY_VERIFY(!feeder->IsFeeding());
    QTest::qWait(50);
    QCOMPARE(MemoText(memo), meanwhile.isEmpty() ? Sj("先頭\r\n") + text : FromWidgetText(expected));
  }
};

QTEST_MAIN(MemoFeederTest)
#include "memo_feeder_window_test.moc"
