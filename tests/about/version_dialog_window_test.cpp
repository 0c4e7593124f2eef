// The version dialog offscreen: what the links put into it, its layout for one and for
// several lines, the link and the OK button.

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "about/notice_links.h"
#include "about/version_dialog.h"
#include "about/version_info.h"
#include "platform/cp932.h"
#include "support/test_support.h"

class VersionDialogTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void theLinksBuildTextAndLink_data();
  void theLinksBuildTextAndLink();
  void layoutFollowsTheText_data();
  void layoutFollowsTheText();
  void theLinkOpensTheDownloadAddress();
  void theNoteLinkShowsTheNote();
  void marksOnTheMainWindowsLinks();
};

void VersionDialogTest::theLinksBuildTextAndLink_data() {
  QTest::addColumn<QString>("message");
  QTest::addColumn<QString>("link");
  QTest::addColumn<QString>("expectedText");  // after the version lines
  QTest::addColumn<QString>("expectedLink");
  QTest::newRow("message and link") << "新版"
                                    << "http://a/"
                                    << "\r\nメッセージ→\r\n 「新版」"
                                    << "http://a/";
  QTest::newRow("message alone") << "新版"
                                 << ""
                                 << "\r\nメッセージ→\r\n 「新版」"
                                 << "";
  QTest::newRow("a link without a message is never offered") << ""
                                                             << "http://a/"
                                                             << ""
                                                             << "";
  QTest::newRow("nothing") << ""
                           << ""
                           << ""
                           << "";
}

void VersionDialogTest::theLinksBuildTextAndLink() {
  QFETCH(QString, message);
  QFETCH(QString, link);
  QFETCH(QString, expectedText);
  QFETCH(QString, expectedLink);
  VersionNotice notice;
  ReadVersionInfo(notice);
  notice.NoticeMessage = Sj(message.toStdString());
  notice.NoticeDownloadUrl = link.toStdString();
  TForm3 dialog;
  // The dialog is modal: looked at, then closed with its OK button, once it shows.
  QString shown;
  QTimer::singleShot(0, [&shown] {
    auto* open = qobject_cast<TForm3*>(QApplication::activeModalWidget());
    QVERIFY(open != nullptr && open->objectName() == QStringLiteral("TForm3"));
    shown = open->Label1->text();
    QTest::mouseClick(open->Button1, Qt::LeftButton);
  });
  L_varClick(notice, dialog);
  QVERIFY(!dialog.isVisible());
  QCOMPARE(QString::fromStdString(cp932::ToUtf8(dialog.AboutText)),
           QString::fromStdString(cp932::ToUtf8(notice.VersionText)) + expectedText);
  QCOMPARE(QString::fromStdString(dialog.AboutLink), expectedLink);
  QCOMPARE(shown.endsWith(QStringLiteral("ダウンロードURL→")), !expectedLink.isEmpty());
}

void VersionDialogTest::layoutFollowsTheText_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("link");
  QTest::newRow("one line") << "ProductName=Yomitoru"
                            << "";
  QTest::newRow("version lines and a wrapped message")
      << "CompanyName=Yomitoru "
         "Project\r\nFileVersion=1.0.0\r\nOriginalFileName=yomitoru\r\nProductName=Yomitoru"
         "\r\n\r\nメッセージ→\r\n "
         "「新しい版を公開しました。ダウンロードしてお使いください。改良点は次のとおりです。」"
      << "http://127.0.0.1:8080/";
}

void VersionDialogTest::layoutFollowsTheText() {
  QFETCH(QString, text);
  QFETCH(QString, link);
  TForm3 dialog;
  dialog.AboutText = Sj(text.toStdString());
  dialog.AboutLink = link.toStdString();
  dialog.FormShow();
  const int line = dialog.Label1->fontMetrics().height();
  const int lines = static_cast<int>(text.count(QStringLiteral("\r\n"))) + 1 + (link.isEmpty() ? 0 : 2);
  QCOMPARE(dialog.Label1->pos(), QPoint(8, 8));
  QVERIFY(dialog.Label1->height() >= lines * line);
  QVERIFY(dialog.Label1->width() <= TForm3::kClientWidth - 16);
  QCOMPARE(dialog.Label2->y(), 8 + dialog.Label1->height() + 1);
  QCOMPARE(dialog.Label2->text(), link);
  QVERIFY(dialog.Label2->height() >= line);
  QCOMPARE(dialog.Button1->geometry(), QRect(128, dialog.Label2->y() + dialog.Label2->height() + 5, 73, 25));
  QCOMPARE(dialog.size(), QSize(TForm3::kClientWidth, dialog.Button1->geometry().bottom() + 1 + 5));
  // Shown for real, it keeps that layout.
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  QCOMPARE(dialog.size(), QSize(TForm3::kClientWidth, dialog.Button1->geometry().bottom() + 6));
  QCOMPARE(dialog.windowTitle(), QStringLiteral("バージョン情報"));
}

void VersionDialogTest::theLinkOpensTheDownloadAddress() {
  RecordingDialogs dialogs;
  TForm3 dialog;
  dialog.show();
  QTest::mouseClick(dialog.Label2, Qt::LeftButton);  // no address: nothing opens
  QVERIFY(dialogs.openedAddresses.empty());
  dialog.AboutLink = "http://127.0.0.1:8080/";
  dialog.FormShow();
  QCOMPARE(dialog.Label2->cursor().shape(), Qt::PointingHandCursor);
  QTest::mouseClick(dialog.Label2, Qt::LeftButton);
  QCOMPARE(dialogs.openedAddresses, std::vector<std::string>{"http://127.0.0.1:8080/"});
  dialog.Button1Click();
  QVERIFY(!dialog.isVisible());
}

void VersionDialogTest::theNoteLinkShowsTheNote() {
  RecordingDialogs dialogs;
  VersionNotice notice;
  L_noteClick(notice);
  notice.NoticeNote = Sj("お知らせです");
  L_noteClick(notice);
  QCOMPARE(dialogs.messages, std::vector<std::string>{"お知らせです"});
}

void VersionDialogTest::marksOnTheMainWindowsLinks() {
  QLabel varLink(QStringLiteral("バージョン情報.."));
  QLabel noteLink(QStringLiteral("お知らせ"));
  const QColor normal = varLink.palette().color(QPalette::WindowText);
  VersionNotice notice;
  notice.NoticeDownloadUrl = "http://a/";
  ApplyNoticeMarks(notice, varLink, noteLink);
  QCOMPARE(varLink.palette().color(QPalette::WindowText), normal);
  QVERIFY(noteLink.isHidden());
  notice.NoticeMessage = "m";
  notice.NoticeNote = "n";
  ApplyNoticeMarks(notice, varLink, noteLink);
  QCOMPARE(varLink.palette().color(QPalette::WindowText), QColor(255, 0, 0));
  QVERIFY(!noteLink.isHidden());
}

QTEST_MAIN(VersionDialogTest)
#include "version_dialog_window_test.moc"
