// Large pages load in the background: the view is busy meanwhile, the window keeps
// answering, and a stop or a newer page wins over a load still running.

#include <QtTest>

#include "support/test_support.h"
#include "viewer/html_view.h"

namespace {

// A plain page of `lines` numbered lines, the last one marked.
std::string LargePage(int lines, const std::string& lastLine) {
  std::string page = "<HTML><HEAD></HEAD><BODY><pre>\r\n";
  for (int i = 0; i < lines; ++i) page += Sj("行") + std::to_string(i) + Sj(" 本文のテキスト①～\r\n");
  return page + lastLine + "\r\n</pre></BODY></HTML>\r\n";
}

}  // namespace

class LargePageTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void largePageLoadsInTheBackground() {
    TempFolder folder;
    WriteFileBytes(folder.path() / "large.htm", LargePage(30'000, "END-OF-PAGE"));
    HtmlView view;
    view.show();
    QVERIFY(view.Navigate(folder.path() / "large.htm"));
    QVERIFY(view.IsBusy());
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(5);
    QTRY_VERIFY_WITH_TIMEOUT(!view.IsBusy(), 30'000);
    QVERIFY(ticks > 0);  // the event loop ran while the page was built
    const QString text = view.toPlainText();
    QVERIFY(text.trimmed().endsWith(QStringLiteral("END-OF-PAGE")));
    QVERIFY(text.contains(QStringLiteral("行29999 本文のテキスト①～")));
    view.SelectAll();
    QVERIFY(view.CanCopy());
  }

  void stopKeepsThePageShown() {
    TempFolder folder;
    WriteFileBytes(folder.path() / "small.htm", "<HTML><BODY>small page</BODY></HTML>");
    WriteFileBytes(folder.path() / "large.htm", LargePage(30'000, "END"));
    HtmlView view;
    view.show();
    view.Navigate(folder.path() / "small.htm");
    view.Navigate(folder.path() / "large.htm");
    view.Stop();
    QVERIFY(!view.IsBusy());
    QTest::qWait(1500);  // long enough for the abandoned load to finish
    QCOMPARE(view.toPlainText(), QStringLiteral("small page"));
  }

  void aNewerPageWinsOverALoadStillRunning() {
    TempFolder folder;
    WriteFileBytes(folder.path() / "large.htm", LargePage(30'000, "END"));
    WriteFileBytes(folder.path() / "small.htm", "<HTML><BODY>newer page</BODY></HTML>");
    HtmlView view;
    view.show();
    view.Navigate(folder.path() / "large.htm");
    view.Navigate(folder.path() / "small.htm");
    QVERIFY(!view.IsBusy());
    QTest::qWait(1500);
    QCOMPARE(view.toPlainText(), QStringLiteral("newer page"));
  }

  void destroyingTheViewDuringALoadIsSafe() {
    TempFolder folder;
    WriteFileBytes(folder.path() / "large.htm", LargePage(30'000, "END"));
    auto view = std::make_unique<HtmlView>();
    view->Navigate(folder.path() / "large.htm");
    view.reset();
    QTest::qWait(100);
  }

  // Each large page shown replaces the one before in memory too, once the window has
  // answered, and freeing it leaves the shown page whole.
  void pagesNoLongerShownAreFreed() {
    TempFolder folder;
    HtmlView view;
    for (int page = 0; page < 3; ++page) {
      WriteFileBytes(folder.path() / "large.htm", LargePage(20'000, "PAGE" + std::to_string(page)));
      view.Navigate(folder.path() / "large.htm");
      QTRY_VERIFY_WITH_TIMEOUT(!view.IsBusy(), 30'000);
    }
    QTRY_COMPARE_WITH_TIMEOUT(view.findChildren<QTextDocument*>(Qt::FindDirectChildrenOnly).size(), 1, 10'000);
    QVERIFY(view.document()->blockCount() > 20'000);
    QVERIFY(view.toPlainText().trimmed().endsWith(QStringLiteral("PAGE2")));
  }
};

QTEST_MAIN(LargePageTest)
#include "html_view_large_page_window_test.moc"
