// Memo text as the program sees it: Shift-JIS lines with CR LF, added like a string list.

#include <QPlainTextEdit>
#include <QtTest>

#include "support/test_support.h"
#include "viewer/qt_text.h"

class MemoTextTest final : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void textRoundTripsWithCrLf();
  void linesOfAMemo();
  void appendingAddsLinesLikeAStringList();
  void appendingToALastLineWithoutBreak();
};

void MemoTextTest::textRoundTripsWithCrLf() {
  QPlainTextEdit memo;
  const std::string text = Sj("*2026/12/07_10:00*new*\r\n*第123号*\r\n①～\r\n");
  SetMemoText(memo, text);
  QCOMPARE(memo.toPlainText(), QString::fromUtf8("*2026/12/07_10:00*new*\n*第123号*\n①～\n"));
  QCOMPARE(Hex(MemoText(memo)), Hex(text));
  // Lone CRs and LFs arrive as line breaks too.
  SetMemoText(memo, "a\rb\nc");
  QCOMPARE(MemoText(memo), std::string("a\r\nb\r\nc"));
}

void MemoTextTest::linesOfAMemo() {
  QPlainTextEdit memo;
  SetMemoLines(memo, {Sj("一"), "", Sj("三")});
  QCOMPARE(Hex(MemoText(memo)), Hex(Sj("一\r\n\r\n三\r\n")));
  QCOMPARE(MemoLines(memo), (StringList{Sj("一"), "", Sj("三")}));
  SetMemoLines(memo, {});
  QVERIFY(memo.document()->isEmpty());
  QVERIFY(MemoLines(memo).empty());
}

void MemoTextTest::appendingAddsLinesLikeAStringList() {
  QPlainTextEdit memo;
  AppendMemoLines(memo, Sj("2026/12/07 10:00 http://x/1.html"));
  AppendMemoLines(memo, Sj("本文1行目\r\n本文2行目"));
  AppendMemoLines(memo, "");
  QCOMPARE(Hex(MemoText(memo)),
           Hex(Sj("2026/12/07 10:00 http://x/1.html\r\n本文1行目\r\n本文2行目\r\n\r\n")));
  QCOMPARE(MemoLines(memo).size(), std::size_t{4});
}

void MemoTextTest::appendingToALastLineWithoutBreak() {
  QPlainTextEdit memo;
  SetMemoText(memo, "abc");
  AppendMemoLines(memo, "def");
  QCOMPARE(MemoText(memo), std::string("abc\r\ndef"));
  QCOMPARE(MemoLines(memo), (StringList{"abc", "def"}));
}

QTEST_MAIN(MemoTextTest)
#include "memo_text_window_test.moc"
