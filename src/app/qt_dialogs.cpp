#include "app/qt_dialogs.h"

#include <QApplication>
#include <QMessageBox>

#include "viewer/qt_text.h"

void QtDialogs::ShowMessage(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), ToWidgetText(text),
                  QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}
