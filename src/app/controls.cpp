#include "app/controls.h"

#include <QButtonGroup>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <algorithm>

QFont UiFont(int pixelSize) {
  QFont font;
  font.setFamilies({QString::fromUtf8("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                    QStringLiteral("IPAPGothic"), QString::fromUtf8("IPA Pゴシック"),
                    QStringLiteral("VL PGothic"), QStringLiteral("Noto Sans CJK JP")});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixelSize);
  return font;
}

QFont FitWidth(QFont font, const QStringList& lines, int width) {
  for (int stretch = 100; stretch >= 80; --stretch) {
    font.setStretch(stretch);
    const QFontMetrics metrics(font);
    const bool fits = std::all_of(lines.begin(), lines.end(), [&](const QString& line) {
      return metrics.horizontalAdvance(line) <= width;
    });
    if (fits) break;
  }
  return font;
}

void KeepLookWhileParentInactive(QWidget* widget) {
  QPalette palette = widget->palette();
  for (int role = 0; role < QPalette::NColorRoles; ++role) {
    const auto colourRole = static_cast<QPalette::ColorRole>(role);
    palette.setColor(QPalette::Disabled, colourRole, palette.color(QPalette::Active, colourRole));
  }
  widget->setPalette(palette);
}

RadioGroup::RadioGroup(const QString& name, const QStringList& items, int columns, const QRect& geometry,
                       QWidget* parent)
    : QGroupBox(parent), columns_(std::max(1, columns)) {
  setObjectName(name);
  setGeometry(geometry);
  auto* group = new QButtonGroup(this);
  for (const QString& text : items) {
    auto* button = new QRadioButton(text, this);
    button->setObjectName(name + QLatin1Char('_') + QString::number(items_.size()));
    group->addButton(button);
    items_.push_back(button);
    connect(button, &QRadioButton::clicked, this, [this] { Q_EMIT Click(); });
  }
  LayOut();
}

int RadioGroup::ItemIndex() const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i]->isChecked()) return static_cast<int>(i);
  }
  return -1;
}

void RadioGroup::SetItemIndex(int index) {
  if (index >= 0 && index < Count()) {
    Item(index)->setChecked(true);
    return;
  }
  // An exclusive group keeps one button checked; let go of it to clear.
  QButtonGroup* group = items_.empty() ? nullptr : items_.front()->group();
  if (group != nullptr) group->setExclusive(false);
  for (QRadioButton* button : items_) button->setChecked(false);
  if (group != nullptr) group->setExclusive(true);
}

void RadioGroup::resizeEvent(QResizeEvent* event) {
  QGroupBox::resizeEvent(event);
  LayOut();
}

void RadioGroup::LayOut() {
  if (items_.empty()) return;
  const int rows = (Count() + columns_ - 1) / columns_;
  const QRect area = rect().adjusted(5, 3, -2, -3);
  const int columnWidth = area.width() / columns_;
  const int rowHeight = area.height() / rows;
  for (int i = 0; i < Count(); ++i) {
    const int row = i / columns_;
    const int column = i % columns_;
    QRadioButton* button = Item(i);
    const int height = std::min(rowHeight, button->sizeHint().height());
    button->setGeometry(area.left() + column * columnWidth,
                        area.top() + row * rowHeight + (rowHeight - height) / 2, columnWidth, height);
  }
}

LinkLabel::LinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  setCursor(Qt::PointingHandCursor);
  setAlignment(Qt::AlignLeft | Qt::AlignBottom);
}

void LinkLabel::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  QLabel::mousePressEvent(event);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  const bool click =
      pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  QLabel::mouseReleaseEvent(event);
  if (click) Q_EMIT Click();
}

DatePanel::DatePanel(QWidget* parent) : QFrame(parent) { setFocusPolicy(Qt::ClickFocus); }

void DatePanel::focusInEvent(QFocusEvent* event) {
  QFrame::focusInEvent(event);
  Q_EMIT Enter();
}

FittedTextPanel::FittedTextPanel(QWidget* parent) : QLabel(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setIndent(3);
  setTextFormat(Qt::PlainText);
}

void FittedTextPanel::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  drawFrame(&painter);
  const QRect area = contentsRect().adjusted(indent(), 0, -1, 0);
  painter.setClipRect(area);
  painter.setFont(FitWidth(font(), {text()}, area.width()));
  painter.setPen(palette().color(foregroundRole()));
  painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
}

CentredLinesLabel::CentredLinesLabel(QWidget* parent) : QLabel(parent) {}

void CentredLinesLabel::paintEvent(QPaintEvent* /*event*/) {
  const QStringList lines = text().split(QLatin1Char('\n'));
  const QRect area = contentsRect();
  // Two pixels kept free at each side, so the text never touches the panel's bevel.
  const QFont font = FitWidth(this->font(), lines, area.width() - 4);
  const QFontMetrics metrics(font);
  // Lines closer than the font's own spacing when the label is too low for it, so no
  // line loses its top or bottom.
  const int pitch = std::min(metrics.lineSpacing(), area.height() / std::max<int>(1, lines.size()));
  const int block = pitch * (static_cast<int>(lines.size()) - 1) + metrics.ascent() + metrics.descent();
  int baseline = area.top() + (area.height() - block) / 2 + metrics.ascent();
  QPainter painter(this);
  painter.setFont(font);
  painter.setPen(palette().color(foregroundRole()));
  for (const QString& line : lines) {
    const int x = area.left() + (area.width() - metrics.horizontalAdvance(line)) / 2;
    painter.drawText(x, baseline, line);
    baseline += pitch;
  }
}
