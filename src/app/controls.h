#pragma once
// Small widgets that stand in for the designer's controls: a radio group with an item
// index, a label link, the date panel and its two-line label, and the window font.

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QStringList>
#include <vector>

class QRadioButton;

// The window font "ＭＳ Ｐゴシック" at `pixelSize`, falling back to the IPA P Gothic
// face on Linux, which has the same proportions.
QFont UiFont(int pixelSize);

// Narrows `font` (never below 80 %) until `lines` fit `width` pixels; the IPA faces run
// a little wider than the fonts the window was designed with.
QFont FitWidth(QFont font, const QStringList& lines, int width);

// Keeps `widget` looking as usual while a parent of it is inactive: a busy window greys
// only the controls switched off by themselves, and the status line, the address and
// the text areas stay readable.
void KeepLookWhileParentInactive(QWidget* widget);

// A group box without title holding radio buttons in columns.
class RadioGroup final : public QGroupBox {
  Q_OBJECT

 public:
  // The group is named `name`, its buttons `name`_0, `name`_1, ...
  RadioGroup(const QString& name, const QStringList& items, int columns, const QRect& geometry,
             QWidget* parent);

  // The checked item, -1 when none.
  int ItemIndex() const;
  // Checks item `index` (-1 clears); emits nothing.
  void SetItemIndex(int index);
  int Count() const { return static_cast<int>(items_.size()); }
  QRadioButton* Item(int index) const { return items_.at(static_cast<std::size_t>(index)); }

 Q_SIGNALS:
  // The user chose an item.
  void Click();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void LayOut();

  std::vector<QRadioButton*> items_;
  int columns_;
};

// A text link: pointing-hand cursor, underlined, clickable.
class LinkLabel final : public QLabel {
  Q_OBJECT

 public:
  LinkLabel(const QString& text, QWidget* parent);

 Q_SIGNALS:
  void Click();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool pressed_ = false;
};

// The date panel: reports when it takes the keyboard focus (a click on it gives it).
class DatePanel final : public QFrame {
  Q_OBJECT

 public:
  explicit DatePanel(QWidget* parent);

 Q_SIGNALS:
  void Enter();

 protected:
  void focusInEvent(QFocusEvent* event) override;
};

// A framed one-line text, left-aligned, whose face narrows (down to 80 %) when the text
// would not fit: the service panel keeps the whole newsletter ID in view.
class FittedTextPanel final : public QLabel {
  Q_OBJECT

 public:
  explicit FittedTextPanel(QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// Lines centred one under the other, spaced to fit the label's height and narrowed to
// fit its width.
class CentredLinesLabel final : public QLabel {
  Q_OBJECT

 public:
  explicit CentredLinesLabel(QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
};
