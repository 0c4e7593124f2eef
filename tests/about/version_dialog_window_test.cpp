// The version dialog offscreen: what L_varClick puts into it, its layout for one and for
// several lines, the download link and the OK button.

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
  void theTextAndTheLink_data();
  void theTextAndTheLink();
  void layoutFollowsTheText_data();
  void layoutFollowsTheText();
};

void VersionDialogTest::theTextAndTheLink_data() {
  QTest::addColumn<QString>("message");
  QTest::addColumn<QString>("link");
  QTest::addColumn<bool>("offered");
  QTest::newRow("message and link") << "新版"
                                    << "http://a/" << true;
  QTest::newRow("message alone") << "新版"
                                 << "" << false;
  QTest::newRow("a link without a message is never offered") << ""
                                                             << "http://a/" << false;
}

void VersionDialogTest::theTextAndTheLink() {
  QFETCH(QString, message);
  QFETCH(QString, link);
  QFETCH(bool, offered);
  RecordingDialogs dialogs;
  VersionNotice notice;
  ReadVersionInfo(notice);
  notice.NoticeMessage = Sj(message.toStdString());
  notice.NoticeDownloadUrl = link.toStdString();
  TForm3 dialog;
  // Modal: the link is clicked and the dialog closed with OK once it shows.
  QString shown;
  QTimer::singleShot(0, [&shown, &dialog] {
    QVERIFY(QApplication::activeModalWidget() == &dialog);
    shown = dialog.Label1->text();
    QTest::mouseClick(dialog.Label2, Qt::LeftButton);
    QTest::mouseClick(dialog.Button1, Qt::LeftButton);
  });
  L_varClick(notice, dialog);
  QVERIFY(!dialog.isVisible());
  QString version = QString::fromStdString(cp932::ToUtf8(notice.VersionText));
  QCOMPARE(shown,
           version.replace(QStringLiteral("\r\n"), QStringLiteral("\n")) +
               (message.isEmpty() ? QString()
                                  : QStringLiteral("\nメッセージ→\n 「") + message + QStringLiteral("」")) +
               (offered ? QStringLiteral("\n\nダウンロードURL→") : QString()));
  QCOMPARE(dialogs.openedAddresses,
           offered ? std::vector<std::string>{link.toStdString()} : std::vector<std::string>{});
}

void VersionDialogTest::layoutFollowsTheText_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("link");
  QTest::newRow("one line") << "ProductName=Yomitoru"
                            << "";
  QTest::newRow("several lines and a link")
      << "CompanyName=Yomitoru Project\r\nFileVersion=1.0.0\r\n\r\nメッセージ→\r\n 「新しい版を公開しました。"
         "ダウンロードしてお使いください。改良点は次のとおりです。」"
      << "http://127.0.0.1:8080/";
}

void VersionDialogTest::layoutFollowsTheText() {
  QFETCH(QString, text);
  QFETCH(QString, link);
  TForm3 dialog;
  dialog.AboutText = Sj(text.toStdString());
  dialog.AboutLink = link.toStdString();
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  const int lines = static_cast<int>(text.count(QStringLiteral("\r\n"))) + 1 + (link.isEmpty() ? 0 : 2);
  QCOMPARE(dialog.Label1->pos(), QPoint(8, 8));
  QVERIFY(dialog.Label1->height() >= lines * dialog.Label1->fontMetrics().height());
  QVERIFY(dialog.Label1->geometry().right() < TForm3::kClientWidth);
  QCOMPARE(dialog.Label2->y(), 8 + dialog.Label1->height() + 1);
  QCOMPARE(dialog.Label2->text(), link);
  QVERIFY(dialog.Label2->height() >= dialog.Label2->fontMetrics().height());
  QCOMPARE(dialog.Button1->geometry(), QRect(128, dialog.Label2->geometry().bottom() + 1 + 5, 73, 25));
  QCOMPARE(dialog.size(), QSize(TForm3::kClientWidth, dialog.Button1->geometry().bottom() + 1 + 5));
}

QTEST_MAIN(VersionDialogTest)
#include "version_dialog_window_test.moc"
