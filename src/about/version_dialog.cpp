#include "about/version_dialog.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <algorithm>

#include "platform/cp932.h"
#include "platform/dialogs.h"

namespace {

// Shift-JIS with CR LF to what a label shows.
QString LabelText(std::string_view sjis) {
  QString text = QString::fromStdU16String(cp932::Decode(sjis));
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

// The labels keep their width and take the height of their wrapped text; an empty label
// keeps the height of one line, as an auto-sized label does.
void FitHeight(QLabel& label) {
  label.resize(label.width(), std::max(label.heightForWidth(label.width()), label.fontMetrics().height()));
}

}  // namespace

TForm3::TForm3(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName(QStringLiteral("TForm3"));
  setWindowTitle(QString::fromUtf8("バージョン情報"));
  setFixedSize(kClientWidth, kClientHeight);

  // Long message lines wrap at the dialog's width instead of running off its edge.
  Label1 = new QLabel(this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setGeometry(8, 8, kClientWidth - 16, 13);
  Label1->setTextFormat(Qt::PlainText);
  Label1->setWordWrap(true);
  Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  Label2 = new QLabel(this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setGeometry(8, 83, kClientWidth - 16, 13);
  Label2->setTextFormat(Qt::PlainText);
  Label2->setWordWrap(true);
  Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Label2->setCursor(Qt::PointingHandCursor);
  QFont linkFont = Label2->font();
  linkFont.setUnderline(true);
  Label2->setFont(linkFont);
  QPalette linkPalette = Label2->palette();
  linkPalette.setColor(QPalette::WindowText, linkPalette.color(QPalette::Link));
  Label2->setPalette(linkPalette);
  Label2->installEventFilter(this);

  Button1 = new QPushButton(QStringLiteral("OK"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setGeometry(128, 120, 73, 25);
  Button1->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, &TForm3::Button1Click);
}

void TForm3::FormShow() {
  std::string text = AboutText;
  if (!AboutLink.empty()) text += "\r\n\r\n" + cp932::FromUtf8("ダウンロードURL→");
  Label1->setText(LabelText(text));
  FitHeight(*Label1);
  Label2->move(Label2->x(), Label1->y() + Label1->height() + 1);
  Label2->setText(LabelText(AboutLink));
  FitHeight(*Label2);
  Button1->move(Button1->x(), Label2->y() + Label2->height() + 5);
  // The height here is the client area's, which ends 5 pixels below the button.
  setFixedSize(width(), Button1->y() + Button1->height() + 5);
}

void TForm3::Button1Click() { accept(); }

void TForm3::Label2Click() {
  if (!AboutLink.empty()) CurrentDialogs().OpenAddress(AboutLink);
}

void TForm3::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

bool TForm3::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Label2 && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
      Label2->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
    Label2Click();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}
