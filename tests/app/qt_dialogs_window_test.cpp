// The Qt message box behind the program's dialogs interface, driven while it is open.

#include <QAbstractButton>
#include <QMessageBox>
#include <QtTest>

#include "app/qt_dialogs.h"
#include "support/test_support.h"

class QtDialogsTest final : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void showsTheShiftJisTextUntilOk();
};

void QtDialogsTest::showsTheShiftJisTextUntilOk() {
  QCoreApplication::setApplicationName(QStringLiteral("Yomitoru"));
  QtDialogs dialogs;
  InstallDialogs(&dialogs);
  QString text;
  QString title;
  bool answered = false;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    QVERIFY(box != nullptr);
    text = box->text();
    title = box->windowTitle();
    QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    answered = true;
  });
  CurrentDialogs().ShowMessage(Sj("ログの書込み準備ができません。(1)\r\n①～"));
  InstallDialogs(nullptr);
  QVERIFY(answered);
  QCOMPARE(text, QString::fromUtf8("ログの書込み準備ができません。(1)\n①～"));
  QCOMPARE(title, QStringLiteral("Yomitoru"));
}

QTEST_MAIN(QtDialogsTest)
#include "qt_dialogs_window_test.moc"
