// The arithmetic of a graph: axis limits, round tick steps, the layout of the
// plot area, pixel mapping and the placement of names along the top. Sizes
// that depend on the font (text height, the widths of "9" and "M") come in as
// parameters, so the same decisions serve the screen, a printer and files.
#pragma once

#include <string>
#include <vector>

namespace kelmar {

// Smallest axis span and smallest tick step.
inline constexpr double kGraphMinRange = 0.01;

struct AxisLimits {
  double min = 0, max = 1;
};

// Limits of one axis before scaling. Without points: 0..1 when automatic,
// the hand-set limits otherwise. With points: the extents of the series when
// automatic, else the hand-set limits; either way a span below minRange is
// widened to minRange. Limits that are not finite count as 0..1.
AxisLimits AxisStartLimits(bool automatic, double setMin, double setMax, bool hasPoints, double extMin,
                           double extMax, double minRange = kGraphMinRange);

struct AxisScale {
  double min = 0, max = 1; // widened to whole steps
  double step = 0.01;      // 1, 2 or 5 times a power of ten, never below minRange
  double scale = 1;        // pixels per unit
  int decimals = 2;        // decimals of the tick labels
};

// Chooses the tick step for a plot `length` pixels long with ticks at least
// `minTickDistance` pixels apart, and widens the limits to whole steps.
AxisScale ScaleAxis(AxisLimits limits, double length, double minTickDistance,
                    double minRange = kGraphMinRange);

// Values of the ticks from min (labels) or from min + step (grid and tick
// marks), up to max.
std::vector<double> AxisTicks(const AxisScale& a, bool fromMin, double minRange = kGraphMinRange);

// A tick label: fixed-point with the axis' decimals ("-0" written as "0").
std::string FormatTick(double value, int decimals);

// Font-dependent sizes, in device pixels, and the fixed gaps scaled to the device.
struct GraphMetrics {
  double textHeight = 13;
  double digitWidth = 7; // width of "9"
  double tickLen = 3;
  double gapLeft = 1, gapBottom = 0, gapLeft2 = 0, gapBottom2 = 0, gapTop = 4;
  double pad = 6; // spacing around the plot area
};

// Page offsets in device pixels (printing leaves margins around the graph).
struct PageOffsets {
  double left = 0, right = 0, top = 0, bottom = 0;
};

// Offsets from percentages of the page, each percentage limited to 90.
PageOffsets PageOffsetsFromPercent(double width, double height, int leftPct, int rightPct, int topPct,
                                   int bottomPct);

struct GraphLayout {
  double plotLeft = 0, plotTop = 0, plotRight = 0, plotBottom = 0; // the plot area
  double minTickDistX = 0, minTickDistY = 0;
  double width() const { return plotRight - plotLeft; }
  double height() const { return plotBottom - plotTop; }
};

// The plot area inside a surface width x height: room on the left for the
// y labels and title, on top for the title, below for the x labels, the x
// title and the legend.
GraphLayout ComputeGraphLayout(double width, double height, const GraphMetrics& m,
                               const PageOffsets& off = {});

// Value <-> pixel along both axes (the y axis grows upward).
struct GraphMapping {
  AxisScale x, y;
  GraphLayout layout;
  double XToPixel(double v) const { return (v - x.min) * x.scale + layout.plotLeft; }
  double YToPixel(double v) const { return (y.max - v) * y.scale + layout.plotTop; }
  double PixelToX(double px) const { return (px - layout.plotLeft) / x.scale + x.min; }
};

// Everything above in one step: limits, layout and both scales.
GraphMapping MapGraph(AxisLimits xl, AxisLimits yl, double width, double height, const GraphMetrics& m,
                      const PageOffsets& off = {});

// The week under a pixel x: rounded and clamped to 1..weeks.
int WeekAtPixel(const GraphMapping& g, double px, int weeks);

// Positions of names written along the top, left to right in list order:
// a name closer than half an "M" to the previous one moves to the previous
// position + half an "M".
std::vector<double> SpreadLabels(const std::vector<double>& pixelX, double halfM);

// The factor for pen widths, point sizes and gaps: the print scale (percent)
// times the device's resolution relative to the screen's.
double PenScale(int printScalePct, double deviceDpiX, double deviceDpiY, double screenDpi = 96);

} // namespace kelmar
