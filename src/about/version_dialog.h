#pragma once
// The version dialog TForm3: the version lines and the notice's message in Label1, the
// download address as a link in Label2, and an OK button, laid out one under the other
// when the dialog is shown.

#include <QDialog>
#include <string>

#include "about/version_notice.h"

class QLabel;
class QPushButton;

class TForm3 final : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 353;
  static constexpr int kClientHeight = 209;

  explicit TForm3(QWidget* parent = nullptr);

  // Lays the dialog out for AboutText and AboutLink: Label1's text, Label2 1 pixel below
  // it, Button1 5 pixels below Label2, the client area ending 5 pixels below Button1.
  void FormShow();
  void Button1Click();
  // Hands AboutLink to the desktop's browser.
  void Label2Click();

  // What the dialog shows (Shift-JIS), set before it is shown.
  std::string AboutText;
  std::string AboutLink;

  QLabel* Label1;
  QLabel* Label2;
  QPushButton* Button1;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
};
