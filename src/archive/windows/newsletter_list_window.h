#pragma once
// The window that lists the newsletters of the archive (TForm4). Hidden until the
// archive list feature shows it.

#include <QDialog>

class TForm4 final : public QDialog {
  Q_OBJECT

 public:
  explicit TForm4(QWidget* parent = nullptr);
};
