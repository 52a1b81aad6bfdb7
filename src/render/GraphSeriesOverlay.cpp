#include "GraphSeriesOverlay.h"

#include <QPainter>
#include <QPolygonF>
#include <algorithm>

namespace kelmar {

namespace {

QColor SeriesColor(GraphColor c, bool blackWhite) {
  if (blackWhite) return Qt::black;
  if (c & 0xFF000000u) c = kColorBlack; // a system colour code of an old file
  return QColor(ColorRed(c), ColorGreen(c), ColorBlue(c));
}

QColor BackColor(const GraphSetup& s, bool printing) {
  if (printing) return Qt::white;
  const GraphColor c = (s.BackColor & 0xFF000000u) ? kColorButtonFace : s.BackColor;
  return QColor(ColorRed(c), ColorGreen(c), ColorBlue(c));
}

Qt::PenStyle PenStyleOf(uint8_t s) {
  switch (s) {
  case kPenDash:
    return Qt::DashLine;
  case kPenDot:
    return Qt::DotLine;
  case kPenDashDot:
    return Qt::DashDotLine;
  case kPenDashDotDot:
    return Qt::DashDotDotLine;
  default:
    return Qt::SolidLine;
  }
}

void DrawSymbol(QPainter& p, int shape, QPointF c, double r) {
  const double x = c.x(), y = c.y();
  switch (shape) {
  case ps_Circle:
    p.drawEllipse(c, r, r);
    break;
  case ps_Diamond:
    p.drawPolygon(QPolygonF({{x, y - r}, {x + r, y}, {x, y + r}, {x - r, y}}));
    break;
  case ps_Triangle:
    p.drawPolygon(QPolygonF({{x - r, y - r}, {x + r, y - r}, {x, y + r}}));
    break;
  case ps_Cross:
    p.drawLine(QPointF(x - r, y - r), QPointF(x + r, y + r));
    p.drawLine(QPointF(x - r, y + r), QPointF(x + r, y - r));
    break;
  case ps_Plus:
    p.drawLine(QPointF(x - r, y), QPointF(x + r, y));
    p.drawLine(QPointF(x, y - r), QPointF(x, y + r));
    break;
  default:
    p.drawRect(QRectF(x - r, y - r, 2 * r, 2 * r));
    break;
  }
}

} // namespace

void RenderGraphSeries(QPainter& p, const QRectF& target, const GraphSetup& setup, const GraphData& data,
                       const GraphMapping& g, const RenderOptions& opt) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  const double dpi = opt.dpi > 0 ? opt.dpi : 96;
  const double ps = std::clamp(opt.printScalePct, 10, 1000) * 0.01 * dpi / 96;
  const QRectF plot(target.left() + g.layout.plotLeft, target.top() + g.layout.plotTop, g.layout.width(),
                    g.layout.height());
  p.setClipRect(plot);
  auto at = [&](const GraphPoint& pt) {
    return QPointF(target.left() + g.XToPixel(pt.x), target.top() + g.YToPixel(pt.y));
  };
  const QColor back = BackColor(setup, opt.printing);
  for (int i = 0; i < kGraphSeriesCount; ++i) {
    const SeriesSetup& s = setup.Series[i];
    const GraphSeries& d = data.series[i];
    if (!s.Active || d.count == 0) continue;
    const double width = std::max(1.0, std::clamp(s.LineWidth, 1, 50) * ps);
    if (s.HasLine && d.count > 1) {
      QPolygonF line;
      line.reserve(d.count);
      for (int k = 0; k < d.count; ++k) line << at(d.points[k]);
      p.setPen(QPen(SeriesColor(s.LineColor, opt.blackWhite), width, PenStyleOf(s.LineStyle), Qt::RoundCap,
                    Qt::RoundJoin));
      p.setBrush(Qt::NoBrush);
      p.drawPolyline(line);
    }
    if (s.HasPoints) {
      const QColor c = SeriesColor(s.PointColor, opt.blackWhite);
      p.setPen(QPen(c, width, Qt::SolidLine));
      p.setBrush(s.FillPoints ? c : back);
      const double r = std::max(1.0, std::clamp(s.PointSize, 1, 100) * ps / 2);
      for (int k = 0; k < d.count; ++k) DrawSymbol(p, s.PointShape, at(d.points[k]), r);
    }
  }
  p.restore();
}

} // namespace kelmar
