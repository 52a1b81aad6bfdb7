#include "report/GraphAxis.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kelmar {

namespace {

// Whole steps in v, truncated towards zero; a quotient that misses a whole
// number only by rounding error counts as that number.
double WholeSteps(double v, double step) {
  double q = v / step;
  double r = std::round(q);
  if (std::fabs(q - r) < 1e-9 * std::max(1.0, std::fabs(q))) return r;
  return std::trunc(q);
}

} // namespace

AxisLimits AxisStartLimits(bool automatic, double setMin, double setMax, bool hasPoints, double extMin,
                           double extMax, double minRange) {
  AxisLimits l;
  if (automatic) {
    if (!hasPoints) return {0, 1};
    l = {extMin, extMax};
  } else {
    l = {setMin, setMax};
  }
  if (!std::isfinite(l.min) || !std::isfinite(l.max)) return {0, 1};
  if (l.max - l.min < minRange) l.max = l.min + minRange;
  return l;
}

AxisScale ScaleAxis(AxisLimits limits, double length, double minTickDistance, double minRange) {
  AxisScale a;
  length = std::max(length, 1.0);
  double n = minTickDistance > 0 ? std::max(1.0, std::round(length / minTickDistance)) : 1.0;
  double s = (limits.max - limits.min) / n;
  int k = 0;
  while (s > 0.05 && k < 400) {
    s *= 0.1;
    ++k;
  }
  double p = std::pow(10.0, k);
  if (s <= minRange)
    a.step = p * minRange;
  else if (s <= 2 * minRange)
    a.step = p * 2 * minRange;
  else
    a.step = p * 5 * minRange;
  a.min = WholeSteps(limits.min, a.step) * a.step;
  if (a.min > limits.min) a.min -= a.step;
  a.max = WholeSteps(limits.max, a.step) * a.step;
  if (a.max < limits.max) a.max += a.step;
  if (a.max <= a.min) a.max = a.min + a.step; // a span lost to rounding of huge values
  a.scale = length / (a.max - a.min);
  a.decimals = std::max(0, 2 - k);
  return a;
}

std::vector<double> AxisTicks(const AxisScale& a, bool fromMin, double minRange) {
  std::vector<double> v;
  const double end = a.max + minRange;
  for (int i = fromMin ? 0 : 1; i <= 1000; ++i) {
    double t = a.min + i * a.step;
    if (!(t < end)) break;
    v.push_back(t);
  }
  return v;
}

std::string FormatTick(double value, int decimals) {
  char buf[64];
  if (std::fabs(value) >= 1e6)
    std::snprintf(buf, sizeof buf, "%.6g", value);
  else
    std::snprintf(buf, sizeof buf, "%.*f", std::clamp(decimals, 0, 15), value);
  std::string s = buf;
  // "-0", "-0.00": a tick at zero that arrived from below by rounding
  if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  return s;
}

PageOffsets PageOffsetsFromPercent(double width, double height, int leftPct, int rightPct, int topPct,
                                   int bottomPct) {
  auto part = [](double size, int pct) { return std::trunc(size * std::clamp(pct, 0, 90) * 0.01); };
  return {part(width, leftPct), part(width, rightPct), part(height, topPct), part(height, bottomPct)};
}

GraphLayout ComputeGraphLayout(double width, double height, const GraphMetrics& m, const PageOffsets& off) {
  GraphLayout l;
  const double th = m.textHeight;
  l.plotLeft = th + m.tickLen + m.gapLeft + m.gapLeft2 + 6 * m.digitWidth + m.pad + off.left;
  l.plotTop = th + m.gapTop + m.pad + off.top;
  l.plotRight = width - (th + m.pad + off.right);
  l.plotBottom = height - (3 * th + m.tickLen + m.gapBottom + m.gapBottom2 + m.pad + off.bottom);
  // A surface too small for its margins still gets a plot area of one pixel.
  l.plotRight = std::max(l.plotRight, l.plotLeft + 1);
  l.plotBottom = std::max(l.plotBottom, l.plotTop + 1);
  l.minTickDistX = 6 * m.digitWidth;
  l.minTickDistY = th + m.pad;
  return l;
}

GraphMapping MapGraph(AxisLimits xl, AxisLimits yl, double width, double height, const GraphMetrics& m,
                      const PageOffsets& off) {
  GraphMapping g;
  g.layout = ComputeGraphLayout(width, height, m, off);
  g.x = ScaleAxis(xl, g.layout.width(), g.layout.minTickDistX);
  g.y = ScaleAxis(yl, g.layout.height(), g.layout.minTickDistY);
  return g;
}

int WeekAtPixel(const GraphMapping& g, double px, int weeks) {
  double x = std::round(g.PixelToX(px));
  if (!std::isfinite(x)) x = 1;
  return static_cast<int>(std::clamp(x, 1.0, static_cast<double>(std::max(weeks, 1))));
}

std::vector<double> SpreadLabels(const std::vector<double>& pixelX, double halfM) {
  std::vector<double> out;
  out.reserve(pixelX.size());
  double limit = -9999;
  for (double x : pixelX) {
    if (x < limit) x = limit + halfM;
    out.push_back(x);
    limit = x + halfM;
  }
  return out;
}

double PenScale(int printScalePct, double deviceDpiX, double deviceDpiY, double screenDpi) {
  double f = std::min(deviceDpiX, deviceDpiY) / screenDpi;
  return printScalePct * 0.01 * f;
}

} // namespace kelmar
