// 検索, 全選択, コピー, 印刷, プレビュー, 保存 and サイト表示 in the real main window
// offscreen, after a read from the sample service over loopback into a temporary archive.

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QTextBlock>
#include <QtTest>
#include <filesystem>

#include "app/main_window.h"
#include "app/reader_fixture.h"
#include "archive/issue_naming.h"
#include "platform/events.h"
#include "sample_site/sample_site.h"
#include "support/test_support.h"
#include "viewer/issue_list.h"
#include "viewer/qt_text.h"

namespace {

const std::string kWeekly = "0000100001";  // 週刊サンプル通信, 45 dated issues

// The main window, after a read of the weekly sample newsletter unless told otherwise.
struct ShownReader : Reader {
  ShownReader(sample_site::SampleSite& site, bool read) : Reader(site) {
    if (read) QVERIFY(Read(site.NewsletterAddress(kWeekly)));
  }
  // From the start of line `from` to the start of line `to` (a caret when they are the same).
  void Select(int from, int to) {
    QTextCursor cursor(form.Memo3->document());
    cursor.setPosition(form.Memo3->document()->findBlockByNumber(from).position());
    cursor.setPosition(form.Memo3->document()->findBlockByNumber(to).position(), QTextCursor::KeepAnchor);
    form.Memo3->setTextCursor(cursor);
  }
  std::string ProposedName() {
    QTest::mouseClick(form.B_save, Qt::LeftButton);  // cancelled
    return dialogs.saveRequests.back().defaultName;
  }
};

}  // namespace

class ViewCommandsTest final : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() {
    SetMessagePump([] { QCoreApplication::processEvents(); });
    site_.Start();
  }
  void cleanupTestCase() { SetMessagePump({}); }

  void commandsWaitForAShownResult_data() {
    QTest::addColumn<QString>("when");
    QTest::newRow("right after start") << "start";
    QTest::newRow("after opening from the archive") << "archive";
    QTest::newRow("while the view loads") << "loading";
  }

  void commandsWaitForAShownResult() {
    QFETCH(QString, when);
    ShownReader r(site_, when != QStringLiteral("start"));
    if (when == QStringLiteral("archive")) {  // what opening a newsletter from the archive leaves
      r.form.WebB1->hide();
      r.state.ResultText.clear();
    }
    if (when == QStringLiteral("loading")) {
      std::string large = "<pre>";
      for (int line = 0; line < 40'000; ++line) large += "line " + std::to_string(line) + "\r\n";
      WriteFileBytes(r.archive.path() / "large.htm", large);
      r.form.WebB1->Navigate(r.archive.path() / "large.htm");
      QVERIFY(r.form.WebB1->IsBusy());
    }
    int dialogs = 0;
    r.form.WebB1->runDialog = [&dialogs](QDialog&) { return ++dialogs, int{QDialog::Rejected}; };
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    for (QPushButton* button : {r.form.B_allt, r.form.B_copyt, r.form.B_findt, r.form.B_prn, r.form.B_pre})
      button->click();  // no event runs in between: the view is still loading
    QCOMPARE(dialogs, 0);
    QVERIFY(r.form.WebB1->FindDialog() == nullptr && !r.form.WebB1->CanCopy());
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
  }

  void commandsActOnTheReadPage() {
    ShownReader r(site_, true);
    QCOMPARE(r.form.WebB1->CurrentFile(), r.state.MagazineFolder / "work.htm");
    const QString firstLine = ToQString(r.state.ResultText.front());
    QTest::mouseClick(r.form.B_allt, Qt::LeftButton);
    QTest::mouseClick(r.form.B_copyt, Qt::LeftButton);
    QVERIFY(QGuiApplication::clipboard()->text().startsWith(firstLine + QLatin1Char('\n')));

    QTest::mouseClick(r.form.B_findt, Qt::LeftButton);
    HtmlFindDialog* find = r.form.WebB1->FindDialog();
    QVERIFY(find != nullptr && find->isVisible());
    find->textEdit->setText(QString::fromStdString(kWeekly));
    QTest::mouseClick(find->nextButton, Qt::LeftButton);
    const QTextCursor hit = r.form.WebB1->textCursor();
    QCOMPARE(hit.selectedText(), QString::fromStdString(kWeekly));
    QTest::mouseClick(find->nextButton, Qt::LeftButton);
    QVERIFY(r.form.WebB1->textCursor().selectionStart() > hit.selectionStart());

    const QString pdf = QString::fromStdString((r.archive.path() / "printed.pdf").string());
    QStringList shown;
    r.form.WebB1->runDialog = [&](QDialog& dialog) {
      shown << QString::fromLatin1(dialog.metaObject()->className());
      auto* print = qobject_cast<QPrintDialog*>(&dialog);
      if (print == nullptr) return int{QDialog::Rejected};
      print->printer()->setOutputFormat(QPrinter::PdfFormat);
      print->printer()->setOutputFileName(pdf);
      return int{QDialog::Accepted};
    };
    QTest::mouseClick(r.form.B_prn, Qt::LeftButton);
    QTest::mouseClick(r.form.B_pre, Qt::LeftButton);
    QCOMPARE(shown, (QStringList{QStringLiteral("QPrintDialog"), QStringLiteral("QPrintPreviewDialog")}));
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    QVERIFY(text.waitForFinished(30'000));
    QVERIFY2(QString::fromUtf8(text.readAllStandardOutput()).contains(firstLine), qPrintable(firstLine));
  }

  void saveNamesWhatIsShown() {
    ShownReader r(site_, true);
    const auto issues = site_.Issues(kWeekly);
    const std::string newest = IssueFileName(issues.front().key, 2);
    const std::string second = IssueFileName(issues.at(1).key, 2);
    r.dialogs.nextFileName = r.archive.path() / "a b+c";  // right after the read: its raw text
    QTest::mouseClick(r.form.B_save, Qt::LeftButton);
    QCOMPARE(r.dialogs.saveRequests.back().defaultName,
             "週刊サンプル通信" + newest + "_" + IssueFileName(issues.back().key, 2));
    QCOMPARE(Hex(ReadFileBytes(r.archive.path() / "a_b＋c.htm")),
             Hex("<HTML><HEAD></HEAD><BODY><pre>\r\n" + JoinLines(r.state.ResultText) +
                 "</pre></BODY></HTML>\r\n"));
    r.Select(1, 1);
    r.form.viewer->Memo3Click();
    QCOMPARE(r.ProposedName(), "週刊サンプル通信" + second);
    r.Select(0, 2);
    QTest::mouseClick(r.form.B_join, Qt::LeftButton);
    QCOMPARE(r.ProposedName(), "週刊サンプル通信" + newest + "_" + second);
  }

  void siteLaunch() {
    ShownReader r(site_, true);
    QStringList statuses;  // the status line while the browser is asked
    r.dialogs.whileOpening = [&] { statuses << r.form.Label1->text(); };
    const std::string top = site_.NewsletterAddress(kWeekly);
    const std::string cases[][3] = {
        {"", site_.Root(), "ＩＥ起動中(まぐまぐ)....."},
        {top + "/?page=3", top, "ＩＥ起動中(週刊サンプル通信)....."},
        {"http://example.jp/m/log/", "http://example.jp/m/log/", "ＩＥ起動中(http://example.jp/m/log/)....."},
    };
    for (const auto& [field, address, status] : cases) {
      r.form.Edit1->setText(QString::fromStdString(field));
      QTest::mouseClick(r.form.B_view, Qt::LeftButton);
      QCOMPARE(r.dialogs.openedAddresses.back(), address);
      QCOMPARE(r.form.Edit1->text(), QString::fromStdString(address));
      QCOMPARE(statuses.back(), QString::fromStdString(status));
      QCOMPARE(r.form.Label1->text(), QString());
    }
    QCOMPARE(statuses.size(), 3);
  }

 private:
  sample_site::SampleSite site_;
};

QTEST_MAIN(ViewCommandsTest)
#include "view_commands_window_test.moc"
