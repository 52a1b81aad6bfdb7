#include "shell/Icons.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace kelmar::gui {

namespace {

// Grey, pale form of a picture: what a disabled button shows.
QPixmap Greyed(const QPixmap& pm) {
  QImage img = pm.toImage().convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < img.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      const int g = 160 + qGray(line[x]) / 3;
      line[x] = qRgba(g, g, g, qAlpha(line[x]) * 2 / 5);
    }
  }
  return QPixmap::fromImage(img);
}

QPixmap Glyph(const QString& glyph, const QColor& colour, int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r(0.5, 0.5, size - 1.0, size - 1.0);
  p.setPen(QPen(colour.darker(150), 1));
  p.setBrush(colour);
  p.drawRoundedRect(r, size / 6.0, size / 6.0);
  QFont f;
  f.setBold(true);
  f.setPixelSize(glyph.size() > 2 ? size * 4 / 10 : size * 55 / 100);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(r, Qt::AlignCenter, glyph);
  return pm;
}

} // namespace

QIcon GlyphIcon(const QString& glyph, const QColor& colour) {
  QIcon icon;
  for (int size : {16, 20, 24, 32}) {
    const QPixmap pm = Glyph(glyph, colour, size);
    icon.addPixmap(pm, QIcon::Normal);
    icon.addPixmap(Greyed(pm), QIcon::Disabled);
  }
  return icon;
}

QIcon WithDisabledForm(const QIcon& icon) {
  QIcon out;
  for (int size : {16, 20, 24, 32}) {
    const QPixmap pm = icon.pixmap(size, size);
    out.addPixmap(pm, QIcon::Normal);
    out.addPixmap(Greyed(pm), QIcon::Disabled);
  }
  return out;
}

QIcon AppIcon() {
  // A green field strip over brown soil with a blue drop of nitrate water.
  QIcon icon;
  for (int size : {16, 32, 48, 64}) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x8b, 0x5a, 0x2b));
    p.drawRoundedRect(QRectF(0, s * 0.35, s, s * 0.65), s / 8, s / 8);
    p.setBrush(QColor(0x3c, 0xa0, 0x3c));
    p.drawRoundedRect(QRectF(0, s * 0.2, s, s * 0.25), s / 10, s / 10);
    QPainterPath drop;
    drop.moveTo(s * 0.5, s * 0.05);
    drop.cubicTo(s * 0.75, s * 0.45, s * 0.8, s * 0.6, s * 0.5, s * 0.9);
    drop.cubicTo(s * 0.2, s * 0.6, s * 0.25, s * 0.45, s * 0.5, s * 0.05);
    p.setBrush(QColor(0x2a, 0x6f, 0xd6));
    p.drawPath(drop);
    p.setPen(Qt::white);
    QFont f;
    f.setBold(true);
    f.setPixelSize(size * 35 / 100);
    p.setFont(f);
    p.drawText(QRectF(0, s * 0.35, s, s * 0.55), Qt::AlignCenter, QStringLiteral("N"));
    icon.addPixmap(pm);
  }
  return icon;
}

} // namespace kelmar::gui
