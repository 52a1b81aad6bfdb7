// Drawing a graph with Qt GUI: one function paints a graph setup and its data
// into a rectangle of any QPainter (a widget, a printer page, a PDF, an SVG
// or an image), and helpers export graphs to PNG, SVG and PDF files.
//
// Sizes scale with the device: pen widths, point sizes, gaps and fonts are
// given for a 96-dpi screen at 100 % and multiplied by
// RenderOptions::printScalePct / 100 x dpi / 96, so a graph looks the same on
// a 200 % screen, a printer page or a 300-dpi image.
#pragma once

#include <QRectF>
#include <QSize>
#include <QString>
#include <vector>

#include "data/GraphSetup.h"
#include "report/GraphAxis.h"
#include "report/GraphData.h"

class QPainter;

namespace kelmar {

struct RenderOptions {
  double dpi = 96;         // dots per inch of the painter's coordinates
  int printScalePct = 100; // GraphPrintScale: pens, points, gaps and fonts, percent
  bool blackWhite = false; // axes, grid, text and series in black
  bool printing = false;   // white background; the page itself is not filled
  // Margins around the graph, percent of the target's width (left, right)
  // and height (top, bottom), each at most 90.
  int offsetLeftPct = 0, offsetRightPct = 0, offsetTopPct = 0, offsetBottomPct = 0;
  // Fill the target with the background colour first (screen and images).
  bool fillBackground = true;
};

// Paints the graph into `target` and returns the mapping it used (for
// mouse positions: GraphMapping::PixelToX, WeekAtPixel).
GraphMapping RenderGraph(QPainter& painter, const QRectF& target, const GraphSetup& setup,
                         const GraphData& data, const RenderOptions& options = {});

// Paints only the active series of `data` into `target`, clipped to the plot
// area of `mapping` (as returned by RenderGraph for the same target), with the
// pens and point sizes RenderGraph uses: after a parameter step the new
// curves appear over the earlier picture on unchanged axes.
void RenderGraphSeries(QPainter& painter, const QRectF& target, const GraphSetup& setup,
                       const GraphData& data, const GraphMapping& mapping, const RenderOptions& options = {});

// One graph of a multi-page export.
struct GraphPage {
  const GraphSetup* setup = nullptr;
  const GraphData* data = nullptr;
};

// Each export writes to a temporary file beside the target and renames it
// over the target only when complete; on failure it throws FileError and the
// target is untouched.

// A PNG of `pixels` at `dpi` (300 dpi gives print-quality text).
void ExportGraphPng(const QString& path, const GraphSetup& setup, const GraphData& data, QSize pixels,
                    double dpi = 96);
// An SVG of `size` pixels at 96 dpi; titles and legends are text elements.
void ExportGraphSvg(const QString& path, const GraphSetup& setup, const GraphData& data, QSize size);
// A PDF with one page per graph, landscape A4, or pages of `size` pixels at
// 96 dpi when size is valid.
void ExportGraphPdf(const QString& path, const std::vector<GraphPage>& pages, QSize size = {});

} // namespace kelmar
