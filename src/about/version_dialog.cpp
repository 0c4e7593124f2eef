#include "about/version_dialog.h"

void ReadVersionInfo(VersionNotice& /*notice*/) {}

int CheckNotice(VersionNotice& /*notice*/) { return -1; }

TForm3::TForm3(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TForm3"));
  setWindowTitle(QString::fromUtf8("バージョン情報"));
  hide();
}
