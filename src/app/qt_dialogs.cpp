#include "app/qt_dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

#include "viewer/qt_text.h"

void QtDialogs::ShowMessage(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), ToWidgetText(text),
                  QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

bool QtDialogs::Ask(const std::string& text, QuestionButtons buttons) {
  const QMessageBox::StandardButton other =
      buttons == QuestionButtons::kYesCancel ? QMessageBox::Cancel : QMessageBox::No;
  QMessageBox box(QMessageBox::Question, QCoreApplication::applicationName(), ToWidgetText(text),
                  QMessageBox::Yes | other, QApplication::activeWindow());
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(other);
  return box.exec() == QMessageBox::Yes;
}

std::optional<SaveChoice> QtDialogs::ChooseSaveFile(const std::string& defaultName,
                                                    const std::vector<std::string>& nameFilters,
                                                    int filterIndex) {
  QFileDialog dialog(QApplication::activeWindow());
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  // The name is taken as typed: no extension is added by the dialog.
  dialog.setDefaultSuffix(QString());
  // Saving asks its own question before it writes over a file: Qt's would be a second one.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  QStringList filters;
  for (const std::string& filter : nameFilters) filters << QString::fromStdString(filter);
  dialog.setNameFilters(filters);
  if (filterIndex >= 1 && filterIndex <= filters.size()) dialog.selectNameFilter(filters.at(filterIndex - 1));
  dialog.selectFile(ToWidgetText(defaultName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const int chosen = static_cast<int>(filters.indexOf(dialog.selectedNameFilter()));
  return SaveChoice{std::filesystem::path(QFile::encodeName(dialog.selectedFiles().front()).toStdString()),
                    chosen >= 0 ? chosen + 1 : filterIndex};
}

void QtDialogs::OpenAddress(const std::string& address) {
  QDesktopServices::openUrl(QUrl(ToWidgetText(address), QUrl::TolerantMode));
}
