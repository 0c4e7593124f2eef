// The notice as the main window shows it: asked for when the window is shown, marked on
// the two links when it has come, and opened from them.

#include <QLabel>
#include <QTimer>
#include <QtTest>

#include "about/version_dialog.h"
#include "app/main_window.h"
#include "sample_site/notice_pages.h"
#include "sample_site/sample_site.h"
#include "support/test_support.h"

class NoticeLinksTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() { site_.Start(); }
  void theLinksShowWhatTheNoticeSays_data();
  void theLinksShowWhatTheNoticeSays();

 private:
  sample_site::SampleSite site_;
};

void NoticeLinksTest::theLinksShowWhatTheNoticeSays_data() {
  QTest::addColumn<QString>("variant");
  QTest::addColumn<bool>("message");
  QTest::addColumn<bool>("note");
  QTest::newRow("message and note") << "full" << true << true;
  QTest::newRow("a note only") << "empty-msg" << false << true;
  QTest::newRow("404") << "missing" << false << false;
  QTest::newRow("no base") << "" << false << false;
}

void NoticeLinksTest::theLinksShowWhatTheNoticeSays() {
  QFETCH(QString, variant);
  QFETCH(bool, message);
  QFETCH(bool, note);
  RecordingDialogs dialogs;
  SharedState state;
  TForm1 form(state);
  TForm3 dialog(&form);
  form.Form3 = &dialog;
  TempFolder archive;
  form.archiveFolder = archive.path();
  form.noticeBase = variant.isEmpty() ? std::string() : site_.NoticeBase(variant.toStdString());
  site_.ClearRequests();
  form.show();
  QVERIFY(form.L_note->isHidden());  // until the notice has come
  QTRY_COMPARE(site_.Requests().size(), std::size_t{variant.isEmpty() ? 0u : 1u});
  QTRY_COMPARE(form.L_note->isVisible(), note);
  QTRY_COMPARE(form.L_var->palette().color(QPalette::WindowText) == QColor(255, 0, 0), message);

  QTest::mouseClick(form.L_note, Qt::LeftButton);
  QCOMPARE(dialogs.messages.size(), std::size_t{note ? 1u : 0u});
  QString shown;
  QTimer::singleShot(0, [&shown, &dialog] {
    shown = dialog.Label1->text();
    dialog.Button1Click();
  });
  QTest::mouseClick(form.L_var, Qt::LeftButton);
  QVERIFY(shown.startsWith(QStringLiteral("CompanyName=")));
  QCOMPARE(shown.contains(QString::fromUtf8(sample_site::kNoticeMessage)), message);
  QCOMPARE(dialog.AboutLink.empty(), !message);
}

QTEST_MAIN(NoticeLinksTest)
#include "notice_links_window_test.moc"
