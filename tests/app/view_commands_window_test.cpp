// 検索, 全選択, コピー, 印刷, プレビュー, 保存 and サイト表示 in the real main window
// offscreen, after a read from the sample service over loopback into a temporary archive.

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QTextBlock>
#include <QtTest>
#include <filesystem>

#include "app/main_window.h"
#include "archive/issue_naming.h"
#include "platform/events.h"
#include "sample_site/sample_site.h"
#include "support/test_support.h"
#include "viewer/issue_list.h"
#include "viewer/qt_text.h"

namespace fs = std::filesystem;
using sample_site::SampleSite;

namespace {

const std::string kWeekly = "0000100001";  // 週刊サンプル通信, 45 dated issues

struct Reader {
  explicit Reader(SampleSite& site) : form(state) {
    form.archiveFolder = archive.path() / "log";
    form.serviceTable = MakeServiceTable(site.Root());
    form.show();
  }
  bool Read(const std::string& address) {
    form.Edit1->setText(QString::fromStdString(address));
    QTest::mouseClick(form.B_Check, Qt::LeftButton);
    QElapsedTimer timer;
    timer.start();
    while ((form.IsReadPosted() || form.IsReading()) && timer.elapsed() < 60'000) QTest::qWait(10);
    return !form.IsReading() && !state.ResultText.empty();
  }
  // From the start of line `from` into line `to`; a caret alone when `to` is below 0.
  void Select(int from, int to) {
    QTextCursor cursor(form.Memo3->document());
    cursor.setPosition(form.Memo3->document()->findBlockByNumber(from).position());
    if (to >= 0)
      cursor.setPosition(form.Memo3->document()->findBlockByNumber(to).position() + 1,
                         QTextCursor::KeepAnchor);
    form.Memo3->setTextCursor(cursor);
  }
  std::string DefaultName() {
    dialogs.nextFileName.reset();
    QTest::mouseClick(form.B_save, Qt::LeftButton);
    return dialogs.saveRequests.empty() ? "" : dialogs.saveRequests.back().defaultName;
  }

  TempFolder archive;
  RecordingDialogs dialogs;
  SharedState state;
  TForm1 form;
};

// The status line at the moment an address goes to the browser; the rest as recorded.
class StatusAtOpen final : public Dialogs {
 public:
  StatusAtOpen(RecordingDialogs& recording, const QLabel& status) : recording_(recording), status_(status) {
    InstallDialogs(this);
  }
  ~StatusAtOpen() override { InstallDialogs(&recording_); }
  void ShowMessage(const std::string& text) override { recording_.ShowMessage(text); }
  bool Ask(const std::string& text, QuestionButtons buttons) override {
    return recording_.Ask(text, buttons);
  }
  std::optional<SaveChoice> ChooseSaveFile(const std::string& name, const std::vector<std::string>& filters,
                                           int index) override {
    return recording_.ChooseSaveFile(name, filters, index);
  }
  void OpenAddress(const std::string& address) override {
    statuses << status_.text();
    recording_.OpenAddress(address);
  }
  QStringList statuses;

 private:
  RecordingDialogs& recording_;
  const QLabel& status_;
};

}  // namespace

class ViewCommandsTest final : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() {
    SetMessagePump([] { QCoreApplication::processEvents(); });
    site_ = std::make_unique<SampleSite>();
    site_->Start();
  }
  void cleanupTestCase() {
    site_.reset();
    SetMessagePump({});
  }

  void commandsWaitForAShownResult_data() {
    QTest::addColumn<QString>("when");
    QTest::newRow("right after start") << "start";
    QTest::newRow("after opening from the archive") << "archive";
    QTest::newRow("while the view loads") << "loading";
  }

  void commandsWaitForAShownResult() {
    QFETCH(QString, when);
    Reader r(*site_);
    if (when != QStringLiteral("start")) QVERIFY(r.Read(site_->NewsletterAddress(kWeekly)));
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
      button->click();
    QCOMPARE(dialogs, 0);
    QVERIFY(r.form.WebB1->FindDialog() == nullptr);
    QVERIFY(!r.form.WebB1->CanCopy());
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
  }

  void commandsActOnTheReadPage() {
    Reader r(*site_);
    QVERIFY(r.Read(site_->NewsletterAddress(kWeekly)));
    QCOMPARE(r.form.WebB1->CurrentFile().filename(), fs::path("work.htm"));
    const QString firstLine = ToQString(r.state.ResultText.front());

    QTest::mouseClick(r.form.B_allt, Qt::LeftButton);
    QTest::mouseClick(r.form.B_copyt, Qt::LeftButton);
    QVERIFY(QGuiApplication::clipboard()->text().startsWith(firstLine + QLatin1Char('\n')));

    QTest::mouseClick(r.form.B_findt, Qt::LeftButton);
    HtmlFindDialog* find = r.form.WebB1->FindDialog();
    QVERIFY(find != nullptr && find->isVisible());
    find->textEdit->setText(QString::fromStdString(kWeekly));
    QTest::mouseClick(find->nextButton, Qt::LeftButton);
    QCOMPARE(r.form.WebB1->textCursor().selectedText(), QString::fromStdString(kWeekly));
    const int first = r.form.WebB1->textCursor().selectionStart();
    QTest::mouseClick(find->nextButton, Qt::LeftButton);
    QVERIFY(r.form.WebB1->textCursor().selectionStart() > first);

    const QString pdf = QString::fromStdString((r.archive.path() / "printed.pdf").string());
    QStringList shown;
    r.form.WebB1->runDialog = [&](QDialog& dialog) {
      shown << QString::fromLatin1(dialog.metaObject()->className());
      if (auto* print = qobject_cast<QPrintDialog*>(&dialog)) {
        print->printer()->setOutputFormat(QPrinter::PdfFormat);
        print->printer()->setOutputFileName(pdf);
        return int{QDialog::Accepted};
      }
      return int{QDialog::Rejected};
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
    Reader r(*site_);
    QVERIFY(r.Read(site_->NewsletterAddress(kWeekly)));
    const auto issues = site_->Issues(kWeekly);
    const std::string newest = IssueFileName(issues.front().key, 2);
    const std::string oldest = IssueFileName(issues.back().key, 2);
    const std::string second = IssueFileName(issues.at(1).key, 2);

    // Right after a read: the raw text of the issues read, wrapped.
    r.dialogs.nextFileName = r.archive.path() / "out" / "a b+c";
    QTest::mouseClick(r.form.B_save, Qt::LeftButton);
    QCOMPARE(r.dialogs.saveRequests.back().defaultName, "週刊サンプル通信" + newest + "_" + oldest);
    QCOMPARE(Hex(ReadFileBytes(r.archive.path() / "out" / "a_b＋c.htm")),
             Hex("<HTML><HEAD></HEAD><BODY><pre>\r\n" + JoinLines(r.state.ResultText) +
                 "</pre></BODY></HTML>\r\n"));

    r.Select(1, -1);
    r.form.viewer->Memo3Click();
    QCOMPARE(r.DefaultName(), "週刊サンプル通信" + second);
    r.Select(0, 1);
    QTest::mouseClick(r.form.B_join, Qt::LeftButton);
    QCOMPARE(r.DefaultName(), "週刊サンプル通信" + newest + "_" + second);
  }

  void siteLaunch() {
    Reader r(*site_);
    QVERIFY(r.Read(site_->NewsletterAddress(kWeekly)));
    StatusAtOpen opened(r.dialogs, *r.form.Label1);
    const std::string top = site_->NewsletterAddress(kWeekly);
    struct Case {
      std::string field, address, status;
    };
    const Case cases[] = {
        {"", site_->Root(), "ＩＥ起動中(まぐまぐ)....."},
        {top + "/?page=3", top, "ＩＥ起動中(週刊サンプル通信)....."},
        {"http://example.jp/m/log/", "http://example.jp/m/log/", "ＩＥ起動中(http://example.jp/m/log/)....."},
    };
    for (const Case& c : cases) {
      r.form.Edit1->setText(QString::fromStdString(c.field));
      QTest::mouseClick(r.form.B_view, Qt::LeftButton);
      QCOMPARE(r.dialogs.openedAddresses.back(), c.address);
      QCOMPARE(r.form.Edit1->text(), QString::fromStdString(c.address));
      QCOMPARE(opened.statuses.back(), QString::fromStdString(c.status));
      QCOMPARE(r.form.Label1->text(), QString());
    }
    QCOMPARE(r.dialogs.openedAddresses.size(), std::size(cases));
  }

 private:
  std::unique_ptr<SampleSite> site_;
};

QTEST_MAIN(ViewCommandsTest)
#include "view_commands_window_test.moc"
