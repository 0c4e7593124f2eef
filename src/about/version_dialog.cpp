#include "about/version_dialog.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <algorithm>

#include "platform/cp932.h"
#include "platform/dialogs.h"
#include "platform/qstring_text.h"

namespace {

// The labels keep their width and take the height of their wrapped text; an empty label
// keeps the height of one line, as an auto-sized label does.
void FitHeight(QLabel& label) {
  label.resize(label.width(), std::max(label.heightForWidth(label.width()), label.fontMetrics().height()));
}

// A plain-text label at `top` that wraps long lines at the dialog's width instead of
// running off its edge.
QLabel* WrappingLabel(QWidget* dialog, const QString& name, int top, int width) {
  auto* label = new QLabel(dialog);
  label->setObjectName(name);
  label->setGeometry(8, top, width - 16, 13);
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

}  // namespace

TForm3::TForm3(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName(QStringLiteral("TForm3"));
  setWindowTitle(QString::fromUtf8("バージョン情報"));
  setFixedSize(kClientWidth, kClientHeight);

  Label1 = WrappingLabel(this, QStringLiteral("Label1"), 8, kClientWidth);
  Label2 = WrappingLabel(this, QStringLiteral("Label2"), 83, kClientWidth);
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
  Label1->setText(ToWidgetText(text));
  FitHeight(*Label1);
  Label2->move(Label2->x(), Label1->y() + Label1->height() + 1);
  Label2->setText(ToWidgetText(AboutLink));
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
