#include "archive/windows/newsletter_list_window.h"

TForm4::TForm4(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TForm4"));
  hide();
}
