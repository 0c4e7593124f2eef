// The Qt message box and save dialog behind the program's dialogs interface, driven while
// they are open.

#include <QAbstractButton>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include "app/qt_dialogs.h"
#include "app/qt_translations.h"
#include "support/test_support.h"

class QtDialogsTest final : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // The program always speaks Japanese, Qt's own words included.
  void initTestCase() { QVERIFY(InstallQtJapanese(*QCoreApplication::instance())); }
  void showsTheShiftJisTextUntilOk();
  void questionsAnswerYesOnlyForYes_data();
  void questionsAnswerYesOnlyForYes();
  void saveDialogLeavesTheOverwriteQuestionToTheProgram_data();
  void saveDialogLeavesTheOverwriteQuestionToTheProgram();
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

void QtDialogsTest::questionsAnswerYesOnlyForYes_data() {
  QTest::addColumn<int>("buttons");
  QTest::addColumn<int>("press");
  QTest::addColumn<int>("other");
  QTest::addColumn<bool>("answer");
  const int yesCancel = static_cast<int>(QuestionButtons::kYesCancel);
  const int yesNo = static_cast<int>(QuestionButtons::kYesNo);
  QTest::newRow("yes of yes/cancel") << yesCancel << int(QMessageBox::Yes) << int(QMessageBox::Cancel)
                                     << true;
  QTest::newRow("cancel") << yesCancel << int(QMessageBox::Cancel) << int(QMessageBox::Cancel) << false;
  QTest::newRow("yes of yes/no") << yesNo << int(QMessageBox::Yes) << int(QMessageBox::No) << true;
  QTest::newRow("no") << yesNo << int(QMessageBox::No) << int(QMessageBox::No) << false;
}

void QtDialogsTest::questionsAnswerYesOnlyForYes() {
  QFETCH(int, buttons);
  QFETCH(int, press);
  QFETCH(int, other);
  QFETCH(bool, answer);
  QtDialogs dialogs;
  InstallDialogs(&dialogs);
  bool checked = false;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    QVERIFY(box != nullptr);
    QCOMPARE(box->icon(), QMessageBox::Question);
    QCOMPARE(box->text(), QString::fromUtf8("『週刊(1)』 の履歴を削除しますか？"));
    QCOMPARE(static_cast<QAbstractButton*>(box->defaultButton()), box->button(QMessageBox::Yes));
    QVERIFY(box->button(static_cast<QMessageBox::StandardButton>(other)) != nullptr);
    for (const auto& [button, caption] :
         {std::pair{QMessageBox::Yes, "はい"}, std::pair{QMessageBox::No, "いいえ"},
          std::pair{QMessageBox::Cancel, "キャンセル"}}) {
      if (box->button(button) != nullptr)
        QVERIFY2(box->button(button)->text().startsWith(QString::fromUtf8(caption)), caption);
    }
    QTest::mouseClick(box->button(static_cast<QMessageBox::StandardButton>(press)), Qt::LeftButton);
    checked = true;
  });
  const bool result =
      CurrentDialogs().Ask(Sj("『週刊(1)』 の履歴を削除しますか？"), static_cast<QuestionButtons>(buttons));
  InstallDialogs(nullptr);
  QVERIFY(checked);
  QCOMPARE(result, answer);
}

void QtDialogsTest::saveDialogLeavesTheOverwriteQuestionToTheProgram_data() {
  QTest::addColumn<bool>("choose");
  QTest::newRow("cancelled") << false;
  QTest::newRow("an existing file chosen") << true;
}

void QtDialogsTest::saveDialogLeavesTheOverwriteQuestionToTheProgram() {
  QFETCH(bool, choose);
  TempFolder folder;
  const std::filesystem::path existing = folder.path() / "週刊.html";
  WriteFileBytes(existing, "old");
  QtDialogs dialogs;
  InstallDialogs(&dialogs);
  bool saving = false;
  bool dontConfirm = false;
  QStringList boxes;  // what came up over the save dialog
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    QVERIFY(dialog != nullptr);
    saving = dialog->acceptMode() == QFileDialog::AcceptSave;
    dontConfirm = dialog->testOption(QFileDialog::DontConfirmOverwrite);
    if (!choose) {
      dialog->reject();
      return;
    }
    // Qt's own question would open inside accept(): it is recorded and answered No.
    QTimer::singleShot(0, dialog, [&boxes] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      boxes << box->text();
      box->done(QMessageBox::No);
    });
    dialog->selectFile(QString::fromStdString(existing.string()));
    // As the Save button does.
    QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
    if (dialog->isVisible()) dialog->reject();
  });
  const std::optional<SaveChoice> choice =
      CurrentDialogs().ChooseSaveFile(Sj("週刊.html"), {"HTML (*.html)", "Text (*.txt)"}, 1);
  InstallDialogs(nullptr);
  QVERIFY(saving);
  QVERIFY(dontConfirm);
  QCOMPARE(boxes, QStringList());
  QCOMPARE(choice.has_value(), choose);
  if (choice)
    QCOMPARE(QString::fromStdString(choice->file.string()), QString::fromStdString(existing.string()));
  QCOMPARE(ReadFileBytes(existing), std::string("old"));
}

QTEST_MAIN(QtDialogsTest)
#include "qt_dialogs_window_test.moc"
