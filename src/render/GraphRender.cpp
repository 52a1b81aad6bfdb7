#include "GraphRender.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

namespace kelmar {

namespace {

// Colours of old files may be system colour codes (high byte set); they
// become the usual choice for their role.
QColor ToQColor(GraphColor c, GraphColor fallback) {
  if (c & 0xFF000000u) c = fallback;
  return QColor(ColorRed(c), ColorGreen(c), ColorBlue(c));
}

Qt::PenStyle ToPenStyle(uint8_t s) {
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

// Everything the drawing steps share.
struct Ctx {
  Ctx(QPainter& p_, const GraphSetup& s, const GraphData& d, const RenderOptions& o, const QRectF& t)
      : p(p_), setup(s), data(d), opt(o), target(t) {}
  QPainter& p;
  const GraphSetup& setup;
  const GraphData& data;
  const RenderOptions& opt;
  QRectF target;
  double ps = 1; // pen scale
  QFont font, titleFont;
  GraphMetrics m;
  GraphMapping g;
  QColor axis, grid, back, text;

  QPointF At(double x, double y) const {
    return {target.left() + g.XToPixel(x), target.top() + g.YToPixel(y)};
  }
  double Px(double x) const { return target.left() + g.XToPixel(x); }
  double Py(double y) const { return target.top() + g.YToPixel(y); }
  QRectF Plot() const {
    return QRectF(target.left() + g.layout.plotLeft, target.top() + g.layout.plotTop, g.layout.width(),
                  g.layout.height());
  }
  QColor SeriesColor(GraphColor c) const { return opt.blackWhite ? QColor(Qt::black) : ToQColor(c, 0); }
};

QFont MakeFont(const FontSetup& f, double pixelSize) {
  QFont font(QString::fromUtf8(f.Name.view().data(), static_cast<int>(f.Name.size())));
  if (f.Name.empty()) font.setFamily(QStringLiteral("Arial"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixelSize))));
  font.setBold(f.Style & kFontBold);
  font.setItalic(f.Style & kFontItalic);
  font.setUnderline(f.Style & kFontUnderline);
  font.setStrikeOut(f.Style & kFontStrikeOut);
  return font;
}

// Text rotated to read upward; the text's cell lies to the right of x and
// the text starts at y (its bottom end).
void DrawUpward(QPainter& p, const QFontMetricsF& fm, double x, double y, const QString& s) {
  p.save();
  p.translate(x, y);
  p.rotate(-90);
  p.drawText(QPointF(0, fm.ascent()), s);
  p.restore();
}

void DrawPoint(QPainter& p, int shape, QPointF c, double r) {
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

double SeriesLineWidth(const Ctx& c, const SeriesSetup& s) {
  return std::max(1.0, std::clamp(s.LineWidth, 1, 50) * c.ps);
}
double PointRadius(const Ctx& c, const SeriesSetup& s) {
  return std::max(1.0, std::clamp(s.PointSize, 1, 100) * c.ps / 2);
}
void SetPointPen(Ctx& c, const SeriesSetup& s) {
  c.p.setPen(QPen(c.SeriesColor(s.PointColor), SeriesLineWidth(c, s), Qt::SolidLine));
  c.p.setBrush(s.FillPoints ? c.SeriesColor(s.PointColor) : c.back);
}

void DrawGridTicksLabels(Ctx& c) {
  QPainter& p = c.p;
  const auto xGrid = AxisTicks(c.g.x, false), yGrid = AxisTicks(c.g.y, false);
  if (c.setup.GridLines) {
    QPen pen(c.grid, std::max(1.0, c.ps * 0.75), ToPenStyle(c.setup.GridStyle));
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    for (double x : xGrid) p.drawLine(c.At(x, c.g.y.min), c.At(x, c.g.y.max));
    for (double y : yGrid) p.drawLine(c.At(c.g.x.min, y), c.At(c.g.x.max, y));
  }
  p.setPen(QPen(c.axis, std::max(1.0, c.ps), Qt::SolidLine, Qt::FlatCap));
  const double tl = c.m.tickLen;
  for (double x : xGrid) p.drawLine(c.At(x, c.g.y.min), c.At(x, c.g.y.min) + QPointF(0, tl));
  for (double y : yGrid) p.drawLine(c.At(c.g.x.min, y), c.At(c.g.x.min, y) - QPointF(tl, 0));

  p.setFont(c.font);
  p.setPen(c.text);
  QFontMetricsF fm(c.font, p.device());
  const double th = c.m.textHeight;
  const double labelTop = c.Py(c.g.y.min) + tl + c.m.gapBottom;
  for (double x : AxisTicks(c.g.x, true)) {
    QString s = QString::fromStdString(FormatTick(x, c.g.x.decimals));
    double w = fm.horizontalAdvance(s);
    p.drawText(QPointF(c.Px(x) - w / 2, labelTop + fm.ascent()), s);
  }
  const double labelRight = c.Px(c.g.x.min) - tl - c.m.gapLeft;
  for (double y : AxisTicks(c.g.y, true)) {
    QString s = QString::fromStdString(FormatTick(y, c.g.y.decimals));
    double w = fm.horizontalAdvance(s);
    p.drawText(QPointF(labelRight - w, c.Py(y) - th / 2 + fm.ascent()), s);
  }
}

// The widest y tick label, which the y-axis title keeps clear of.
double WidestYLabel(const Ctx& c, const QFontMetricsF& fm) {
  double w = 0;
  for (double y : AxisTicks(c.g.y, true))
    w = std::max(w, fm.horizontalAdvance(QString::fromStdString(FormatTick(y, c.g.y.decimals))));
  return w;
}

void DrawTitles(Ctx& c) {
  QPainter& p = c.p;
  const QRectF plot = c.Plot();
  p.setPen(c.text);
  // Title: a quarter larger, centred over the plot, shortened to the width it has.
  p.setFont(c.titleFont);
  QFontMetricsF tfm(c.titleFont, p.device());
  QString title = tfm.elidedText(QString::fromStdString(c.data.title), Qt::ElideRight, c.target.width());
  double tw = tfm.horizontalAdvance(title);
  double tx = std::clamp(plot.center().x() - tw / 2, c.target.left(), c.target.right() - tw);
  p.drawText(QPointF(tx, plot.top() - c.m.gapTop - tfm.descent()), title);

  p.setFont(c.font);
  QFontMetricsF fm(c.font, p.device());
  const double th = c.m.textHeight;
  QString xt = QString::fromUtf8(c.setup.XAxisTitle.view().data(), int(c.setup.XAxisTitle.size()));
  double xw = fm.horizontalAdvance(xt);
  double xtop = plot.bottom() + c.m.tickLen + c.m.gapBottom + th + c.m.gapBottom2;
  p.drawText(QPointF(plot.center().x() - xw / 2, xtop + fm.ascent()), xt);

  QString yt = QString::fromUtf8(c.setup.YAxisTitle.view().data(), int(c.setup.YAxisTitle.size()));
  double yw = fm.horizontalAdvance(yt);
  double left = plot.left() - (c.m.tickLen + c.m.gapLeft + c.m.gapLeft2 + WidestYLabel(c, fm) + th);
  left = std::max(left, c.target.left());
  DrawUpward(p, fm, left, plot.center().y() + yw / 2, yt);
}

void DrawAxes(Ctx& c) {
  c.p.setPen(QPen(c.axis, std::max(2.0, c.ps * 1.5), Qt::SolidLine, Qt::SquareCap));
  c.p.drawPolyline(
      QPolygonF({c.At(c.g.x.min, c.g.y.max), c.At(c.g.x.min, c.g.y.min), c.At(c.g.x.max, c.g.y.min)}));
}

void DrawLegend(Ctx& c) {
  QPainter& p = c.p;
  p.setFont(c.font);
  QFontMetricsF fm(c.font, p.device());
  const double th = c.m.textHeight;
  const double h = std::trunc(12 * c.ps);
  const double space = fm.horizontalAdvance(QLatin1Char(' '));
  const double y =
      c.target.top() + c.g.layout.plotBottom + c.m.tickLen + c.m.gapBottom + c.m.gapBottom2 + 2.5 * th;
  double x = c.target.left() + c.g.layout.plotLeft;
  for (int i = 0; i < kGraphSeriesCount; ++i) {
    const SeriesSetup& s = c.setup.Series[i];
    if (!s.Active || c.data.series[i].count == 0) continue;
    if (s.HasLine) {
      p.setPen(QPen(c.SeriesColor(s.LineColor), SeriesLineWidth(c, s), ToPenStyle(s.LineStyle), Qt::FlatCap));
      p.drawLine(QPointF(x, y), QPointF(x + 2 * h, y));
    }
    if (s.HasPoints) {
      SetPointPen(c, s);
      DrawPoint(p, s.PointShape, QPointF(x + h, y), PointRadius(c, s));
    }
    x += 2 * h + space;
    QString t = QString::fromUtf8(s.Title.view().data(), int(s.Title.size()));
    p.setPen(c.text);
    p.drawText(QPointF(x, y - th / 2 + fm.ascent()), t);
    x += fm.horizontalAdvance(t) + space;
  }
}

void DrawSeries(Ctx& c) {
  QPainter& p = c.p;
  for (int i = 0; i < kGraphSeriesCount; ++i) {
    const SeriesSetup& s = c.setup.Series[i];
    const GraphSeries& d = c.data.series[i];
    if (!s.Active || d.count == 0) continue;
    if (s.HasLine && d.count > 1) {
      QPolygonF line;
      line.reserve(d.count);
      for (int k = 0; k < d.count; ++k) line << c.At(d.points[k].x, d.points[k].y);
      QPen pen(c.SeriesColor(s.LineColor), SeriesLineWidth(c, s), ToPenStyle(s.LineStyle), Qt::RoundCap,
               Qt::RoundJoin);
      p.setPen(pen);
      p.setBrush(Qt::NoBrush);
      // A wide pen strokes a polyline as one outline, whose cost grows with
      // every crossing of a jagged curve; short pieces that share their end
      // points look the same and draw several times faster.
      constexpr int kPiece = 16;
      for (int k = 0; k + 1 < line.size(); k += kPiece)
        p.drawPolyline(line.constData() + k, std::min<int>(kPiece + 1, int(line.size()) - k));
    }
    if (s.HasPoints) {
      SetPointPen(c, s);
      const double r = PointRadius(c, s);
      for (int k = 0; k < d.count; ++k) DrawPoint(p, s.PointShape, c.At(d.points[k].x, d.points[k].y), r);
    }
  }
  p.setBrush(Qt::NoBrush);
}

void DrawCropBars(Ctx& c) {
  if (c.data.scatter || !c.data.cropBarsOn) return;
  const QColor bar = ToQColor(kColorCropBar, kColorCropBar);
  for (const GraphCropBar& b : c.data.cropBars) {
    QRectF r(QPointF(c.Px(b.x1), c.Py(c.g.y.max)), QPointF(c.Px(b.x2), c.Py(c.g.y.min)));
    c.p.fillRect(r.normalized(), bar);
  }
}

void DrawLabels(Ctx& c) {
  QPainter& p = c.p;
  p.setFont(c.font);
  p.setPen(c.text);
  QFontMetricsF fm(c.font, p.device());
  if (!c.data.scatter) {
    std::vector<double> xs;
    xs.reserve(c.data.labels.size());
    for (const GraphLabel& l : c.data.labels) xs.push_back(c.Px(l.x));
    xs = SpreadLabels(xs, fm.horizontalAdvance(QLatin1Char('M')) / 2);
    const double space = fm.horizontalAdvance(QLatin1Char(' '));
    for (std::size_t i = 0; i < xs.size(); ++i) {
      QString s = QString::fromUtf8(c.data.labels[i].text.view().data(), int(c.data.labels[i].text.size()));
      DrawUpward(p, fm, xs[i], c.Py(c.g.y.max) + fm.horizontalAdvance(s) + space, s);
    }
    return;
  }
  // The bands y = x +/- range around the line of perfect agreement.
  p.setPen(QPen(c.opt.blackWhite ? QColor(Qt::black) : ToQColor(kColorGrey, 0), std::max(1.0, c.ps * 0.75)));
  const double lo = std::min(c.g.x.min, c.g.y.min) - 1e3, hi = std::max(c.g.x.max, c.g.y.max) + 1e3;
  for (double r : {double(c.data.bandLow), double(c.data.bandHigh)})
    for (double sign : {1.0, -1.0}) p.drawLine(c.At(lo, lo + sign * r), c.At(hi, hi + sign * r));
  p.setPen(c.text);
  for (const GraphPointLabel& l : c.data.pointLabels) {
    QPointF at = c.At(l.x, l.y) + QPointF(4 * c.ps, -2 * c.ps);
    p.drawText(at, QString::number(l.week));
  }
}

// The pen scale and the background, which the whole graph and a later
// drawing of its curves alone share.
void SetPensAndBackground(Ctx& c) {
  const double dpi = c.opt.dpi > 0 ? c.opt.dpi : 96;
  c.ps = std::clamp(c.opt.printScalePct, 10, 1000) * 0.01 * dpi / 96;
  c.back = c.opt.printing ? QColor(Qt::white) : ToQColor(c.setup.BackColor, kColorButtonFace);
}

} // namespace

GraphMapping RenderGraph(QPainter& painter, const QRectF& target, const GraphSetup& setup,
                         const GraphData& data, const RenderOptions& opt) {
  Ctx c(painter, setup, data, opt, target);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  const double dpi = opt.dpi > 0 ? opt.dpi : 96;
  const int pct = std::clamp(opt.printScalePct, 10, 1000);
  SetPensAndBackground(c);
  c.axis = opt.blackWhite ? QColor(Qt::black) : ToQColor(setup.AxisColor, kColorBlack);
  c.grid = opt.blackWhite ? QColor(Qt::black) : ToQColor(setup.GridColor, kColorGrey);
  c.text = opt.blackWhite ? QColor(Qt::black) : ToQColor(setup.Font.Color, kColorBlack);

  const int size = setup.Font.Size > 0 && setup.Font.Size <= 200 ? setup.Font.Size : 8;
  const double fontPx = size * pct * 0.01 * dpi / 72;
  c.font = MakeFont(setup.Font, fontPx);
  c.titleFont = MakeFont(setup.Font, fontPx * 1.25);
  QFontMetricsF fm(c.font, painter.device());
  c.m.textHeight = fm.height();
  c.m.digitWidth = fm.horizontalAdvance(QLatin1Char('9'));
  c.m.tickLen = 3 * c.ps;
  c.m.gapLeft = 1 * c.ps;
  c.m.gapBottom = 0;
  c.m.gapLeft2 = 0;
  c.m.gapBottom2 = 0;
  c.m.gapTop = 4 * c.ps;
  c.m.pad = 6 * c.ps;

  if (opt.fillBackground) painter.fillRect(target, c.back);

  float x0 = 0, x1 = 1, y0 = 0, y1 = 1;
  const bool has = data.Extents(setup, x0, x1, y0, y1);
  AxisLimits xl = AxisStartLimits(setup.XAuto, setup.XMin, setup.XMax, has, x0, x1);
  AxisLimits yl = AxisStartLimits(setup.YAuto, setup.YMin, setup.YMax, has, y0, y1);
  PageOffsets off = PageOffsetsFromPercent(target.width(), target.height(), opt.offsetLeftPct,
                                           opt.offsetRightPct, opt.offsetTopPct, opt.offsetBottomPct);
  c.g = MapGraph(xl, yl, target.width(), target.height(), c.m, off);

  const QRectF plot = c.Plot();
  painter.setClipRect(plot);
  DrawCropBars(c);
  painter.setClipping(false);
  DrawGridTicksLabels(c);
  DrawTitles(c);
  DrawAxes(c);
  DrawLegend(c);
  painter.setClipRect(plot);
  DrawSeries(c);
  DrawLabels(c);
  painter.restore();
  return c.g;
}

void RenderGraphSeries(QPainter& painter, const QRectF& target, const GraphSetup& setup,
                       const GraphData& data, const GraphMapping& mapping, const RenderOptions& opt) {
  Ctx c(painter, setup, data, opt, target);
  SetPensAndBackground(c);
  c.g = mapping;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setClipRect(c.Plot());
  DrawSeries(c);
  painter.restore();
}

} // namespace kelmar
