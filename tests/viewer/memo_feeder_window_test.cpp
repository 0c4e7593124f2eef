// Long text fed into a memo in steps: all of it arrives, in order, after what was put
// before it; any other change to the memo's text wins over what is still to come.

#include <QPlainTextEdit>
#include <QtTest>

#include "support/test_support.h"
#include "viewer/memo_feeder.h"
#include "viewer/qt_text.h"

class MemoFeederTest final : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void feedsInStepsUntilSomethingElseChangesTheText_data() {
    QTest::addColumn<QString>("meanwhile");
    QTest::addColumn<QString>("expected");  // "fed": everything fed
    QTest::newRow("nothing") << ""
                             << "fed";
    QTest::newRow("text replaced") << "replace"
                                   << "other";
    QTest::newRow("memo emptied") << "clear"
                                  << "";
    QTest::newRow("feeder cleared") << "feeder"
                                    << "";
  }

  void feedsInStepsUntilSomethingElseChangesTheText() {
    QFETCH(QString, meanwhile);
    QFETCH(QString, expected);
    QPlainTextEdit memo;
    memo.setPlainText(QStringLiteral("old"));
    auto* feeder = new MemoFeeder(memo);
    feeder->Clear();
    std::string text;
    for (int line = 0; line < 20'000; ++line) text += Sj("行") + std::to_string(line) + "\r\n";
    feeder->Append(text.substr(0, 1000));
    feeder->Append(text.substr(1000));
    feeder->InsertAtStart(Sj("先頭\r\n"));
    QCOMPARE(memo.toPlainText(), Utf8("先頭\n"));  // the rest waits for the event loop
    QCoreApplication::processEvents();
    QVERIFY(feeder->IsFeeding());  // one step is not all of it
    QVERIFY(memo.document()->blockCount() > 2);

    if (meanwhile == QStringLiteral("replace")) memo.setPlainText(QStringLiteral("other"));
    if (meanwhile == QStringLiteral("clear")) memo.clear();
    if (meanwhile == QStringLiteral("feeder")) feeder->Clear();
    QTRY_VERIFY(!feeder->IsFeeding());
    QTest::qWait(50);
    if (expected == QStringLiteral("fed")) {
      QCOMPARE(Hex(MemoText(memo)), Hex(Sj("先頭\r\n") + text));
    } else {
      QCOMPARE(memo.toPlainText(), expected);
    }
  }
};

QTEST_MAIN(MemoFeederTest)
#include "memo_feeder_window_test.moc"
