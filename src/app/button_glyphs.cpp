#include "app/button_glyphs.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <cmath>

namespace {

// One palette for every glyph, so the row of buttons reads as a set.
const QColor kInk(0x34, 0x3e, 0x4a);
const QColor kBlue(0x2f, 0x6f, 0xb3);
const QColor kSky(0xd6, 0xe8, 0xfa);
const QColor kGreen(0x2e, 0x8b, 0x3e);
const QColor kRed(0xc8, 0x37, 0x2d);
const QColor kPaper(0xff, 0xff, 0xff);
const QColor kSteel(0xa9, 0xb4, 0xbf);
const QColor kWood(0x8a, 0x5a, 0x2b);

QPen InkPen(qreal width = 1.0, const QColor& color = kInk) {
  return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void Sheet(QPainter& p, const QRectF& r, int lines) {
  p.setPen(InkPen());
  p.setBrush(kPaper);
  p.drawRect(r);
  p.setPen(InkPen(1.0, kSteel));
  for (int i = 0; i < lines; ++i) {
    const qreal y = r.top() + 2.5 + 2.0 * i;
    if (y > r.bottom() - 1.5) break;
    p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
  }
}

void Magnifier(QPainter& p, QPointF centre, qreal radius, QPointF handleEnd) {
  const QPointF delta = handleEnd - centre;
  const qreal length = std::hypot(delta.x(), delta.y());
  const QPointF rim = centre + delta * (radius / length);
  p.setPen(InkPen(2.4, kWood));
  p.drawLine(rim, handleEnd);
  p.setPen(InkPen(1.4));
  p.setBrush(kSky);
  p.drawEllipse(centre, radius, radius);
  p.setPen(InkPen(1.0, kPaper));
  p.drawArc(QRectF(centre.x() - radius + 1.5, centre.y() - radius + 1.5, radius, radius), 90 * 16, 90 * 16);
}

void Arrow(QPainter& p, bool right) {
  QPolygonF shape{{2, 8}, {8, 2.5}, {8, 5.5}, {14, 5.5}, {14, 10.5}, {8, 10.5}, {8, 13.5}};
  if (right) {
    for (QPointF& point : shape) point.setX(16 - point.x());
  }
  p.setPen(InkPen(1.0, kBlue.darker(130)));
  p.setBrush(kBlue);
  p.drawPolygon(shape);
}

void DownArrow(QPainter& p, const QRectF& box, const QColor& color) {
  const qreal cx = box.center().x();
  const qreal w = box.width();
  QPolygonF shape{{cx - w * 0.22, box.top()},
                  {cx + w * 0.22, box.top()},
                  {cx + w * 0.22, box.top() + box.height() * 0.5},
                  {box.right(), box.top() + box.height() * 0.5},
                  {cx, box.bottom()},
                  {box.left(), box.top() + box.height() * 0.5},
                  {cx - w * 0.22, box.top() + box.height() * 0.5}};
  p.setPen(InkPen(1.0, color.darker(135)));
  p.setBrush(color);
  p.drawPolygon(shape);
}

void Draw(QPainter& p, Glyph glyph) {
  switch (glyph) {
    case Glyph::Site: {
      p.setPen(InkPen(1.2, kBlue.darker(120)));
      p.setBrush(kSky);
      p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
      p.setBrush(Qt::NoBrush);
      p.setPen(InkPen(1.0, kBlue));
      p.drawEllipse(QPointF(8, 8), 2.8, 6.5);
      p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
      p.drawLine(QPointF(8, 1.5), QPointF(8, 14.5));
      p.drawLine(QPointF(2.8, 4.8), QPointF(13.2, 4.8));
      p.drawLine(QPointF(2.8, 11.2), QPointF(13.2, 11.2));
      break;
    }
    case Glyph::History: {
      // A closed book with page edges and a ribbon.
      p.setPen(InkPen());
      p.setBrush(kPaper);
      p.drawRect(QRectF(4.5, 3.5, 9, 11));
      p.setBrush(kGreen);
      p.drawRoundedRect(QRectF(2.5, 1.5, 10, 11.5), 1, 1);
      p.setPen(InkPen(1.0, kGreen.darker(150)));
      p.drawLine(QPointF(4.5, 2), QPointF(4.5, 12.5));
      p.setPen(InkPen(1.0, kPaper));
      p.drawLine(QPointF(6.5, 5), QPointF(10.5, 5));
      p.drawLine(QPointF(6.5, 7), QPointF(9.5, 7));
      p.setPen(Qt::NoPen);
      p.setBrush(kRed);
      p.drawPolygon(QPolygonF{{10, 12.5}, {12, 12.5}, {12, 15.5}, {11, 14.5}, {10, 15.5}});
      break;
    }
    case Glyph::Find:
      Magnifier(p, QPointF(6.5, 6.5), 4.5, QPointF(14, 14));
      break;
    case Glyph::SelectAll: {
      p.setPen(Qt::NoPen);
      p.setBrush(kSky.darker(112));
      p.drawRect(QRectF(3, 3, 10, 10));
      p.setPen(InkPen(1.0, kBlue));
      for (qreal y : {5.5, 8.0, 10.5}) p.drawLine(QPointF(4.5, y), QPointF(11.5, y));
      QPen dashed(kInk, 1.0, Qt::CustomDashLine, Qt::FlatCap);
      dashed.setDashPattern({2, 1.5});
      p.setPen(dashed);
      p.setBrush(Qt::NoBrush);
      p.drawRect(QRectF(1.5, 1.5, 13, 13));
      break;
    }
    case Glyph::Copy:
      Sheet(p, QRectF(1.5, 1.5, 8, 10), 4);
      Sheet(p, QRectF(6.5, 4.5, 8, 10), 4);
      break;
    case Glyph::Print: {
      Sheet(p, QRectF(4.5, 1.5, 7, 5), 0);
      p.setPen(InkPen());
      p.setBrush(kSteel);
      p.drawRoundedRect(QRectF(1.5, 5.5, 13, 6), 1.2, 1.2);
      Sheet(p, QRectF(4.5, 9.5, 7, 5), 2);
      p.setPen(Qt::NoPen);
      p.setBrush(kGreen);
      p.drawEllipse(QPointF(12.3, 7.6), 0.9, 0.9);
      break;
    }
    case Glyph::Save: {
      p.setPen(InkPen(1.0, kBlue.darker(140)));
      p.setBrush(kBlue);
      p.drawPolygon(QPolygonF{{1.5, 1.5}, {12.5, 1.5}, {14.5, 3.5}, {14.5, 14.5}, {1.5, 14.5}});
      p.setPen(Qt::NoPen);
      p.setBrush(kSteel.lighter(115));
      p.drawRect(QRectF(4, 1.5, 7.5, 4.5));
      p.setBrush(kInk);
      p.drawRect(QRectF(8.5, 2.3, 1.6, 3));
      p.setBrush(kPaper);
      p.drawRect(QRectF(3.5, 8.5, 9, 6));
      p.setPen(InkPen(1.0, kSteel));
      p.drawLine(QPointF(5, 10.5), QPointF(11, 10.5));
      p.drawLine(QPointF(5, 12.5), QPointF(11, 12.5));
      break;
    }
    case Glyph::FromBrowser: {
      // A browser window; the arrow carries its address out.
      p.setPen(InkPen());
      p.setBrush(kPaper);
      p.drawRect(QRectF(1.5, 1.5, 13, 12));
      p.setBrush(kBlue);
      p.drawRect(QRectF(1.5, 1.5, 13, 3));
      p.setPen(InkPen(1.0, kSteel));
      p.drawRect(QRectF(3.5, 6.5, 9, 2));
      DownArrow(p, QRectF(7.5, 8.5, 7, 7), kGreen);
      break;
    }
    case Glyph::Read: {
      p.setPen(InkPen());
      p.setBrush(kSteel);
      p.drawPolygon(QPolygonF{{1.5, 10.5},
                              {4, 10.5},
                              {4, 12.5},
                              {12, 12.5},
                              {12, 10.5},
                              {14.5, 10.5},
                              {14.5, 14.5},
                              {1.5, 14.5}});
      DownArrow(p, QRectF(3, 1, 10, 11), kGreen);
      break;
    }
    case Glyph::Cancel: {
      p.setPen(InkPen(1.0, kRed.darker(140)));
      p.setBrush(kRed);
      p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
      p.setPen(InkPen(2.0, kPaper));
      p.drawLine(QPointF(5.3, 5.3), QPointF(10.7, 10.7));
      p.drawLine(QPointF(10.7, 5.3), QPointF(5.3, 10.7));
      break;
    }
    case Glyph::Back:
      Arrow(p, false);
      break;
    case Glyph::Next:
      Arrow(p, true);
      break;
    case Glyph::Join: {
      Sheet(p, QRectF(0.5, 1.5, 5, 5.5), 2);
      Sheet(p, QRectF(0.5, 9, 5, 5.5), 2);
      Sheet(p, QRectF(9.5, 1.5, 6, 13), 5);
      p.setPen(InkPen(1.2, kBlue));
      p.drawLine(QPointF(5.5, 4.5), QPointF(8, 8));
      p.drawLine(QPointF(5.5, 11.5), QPointF(8, 8));
      p.setBrush(kBlue);
      p.setPen(Qt::NoPen);
      p.drawPolygon(QPolygonF{{7, 6}, {9.5, 8}, {7, 10}});
      break;
    }
    case Glyph::JoinAll:
      Sheet(p, QRectF(5.5, 0.5, 9, 10), 0);
      Sheet(p, QRectF(3.5, 2.5, 9, 10), 0);
      Sheet(p, QRectF(1.5, 4.5, 9, 10), 4);
      break;
  }
}

QPixmap Render(Glyph glyph, int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 16.0, size / 16.0);
  Draw(painter, glyph);
  painter.end();
  return QPixmap::fromImage(image);
}

// The inactive state: the same drawing in light grey, as a disabled bitmap button shows.
QPixmap Disabled(const QPixmap& normal) {
  QImage image = normal.toImage().convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const int gray = 128 + qGray(line[x]) / 2;
      line[x] = qRgba(gray, gray, gray, qAlpha(line[x]) * 3 / 5);
    }
  }
  return QPixmap::fromImage(image);
}

}  // namespace

QIcon GlyphIcon(Glyph glyph) {
  QIcon icon;
  for (const int size : {16, 32}) {
    const QPixmap normal = Render(glyph, size);
    icon.addPixmap(normal, QIcon::Normal);
    icon.addPixmap(Disabled(normal), QIcon::Disabled);
  }
  return icon;
}

QIcon WindowIcon() {
  QIcon icon;
  for (const int size : {16, 32, 48, 64}) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    QLinearGradient tile(0, 0, 0, 16);
    tile.setColorAt(0, kBlue.lighter(125));
    tile.setColorAt(1, kBlue.darker(115));
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
    // An open book: two pages meeting at the spine.
    p.setPen(InkPen(0.6, kBlue.darker(160)));
    p.setBrush(kPaper);
    p.drawPolygon(QPolygonF{{8, 5}, {2.5, 3.5}, {2.5, 12.5}, {8, 13.5}});
    p.drawPolygon(QPolygonF{{8, 5}, {13.5, 3.5}, {13.5, 12.5}, {8, 13.5}});
    p.setPen(InkPen(0.6, kSteel));
    for (qreal y : {6.0, 8.0, 10.0}) {
      p.drawLine(QPointF(3.8, y - 1.2), QPointF(6.8, y - 0.4));
      p.drawLine(QPointF(9.2, y - 0.4), QPointF(12.2, y - 1.2));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(kRed);
    p.drawPolygon(QPolygonF{{10.5, 3.9}, {12, 3.5}, {12, 7}, {11.25, 6.2}, {10.5, 7}});
    p.end();
    icon.addPixmap(QPixmap::fromImage(image));
  }
  return icon;
}
