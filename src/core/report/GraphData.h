// What a graph shows, taken from the week records of the last run: up to four
// series over the current week range, the crop bars behind them, the crop or
// application names along the top, and for the N-modelled vs N-measured
// graph the bands y = x +/- range and the week numbers of its points.
// Filled by the core and drawn by the renderer or any other view.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "data/GraphSetup.h"
#include "records/FixedString.h"

namespace kelmar {

struct Workspace;

inline constexpr int kGraphMaxPoints = 520;

struct GraphPoint {
  float x = 0, y = 0;
};

// The points of one series with their running extents.
struct GraphSeries {
  std::array<GraphPoint, kGraphMaxPoints> points{};
  int count = 0;
  float xMin = 0, xMax = 0, yMin = 0, yMax = 0;

  // Refused (false) when the series is full or a value is not finite.
  bool AddPoint(float x, float y);
  void Clear() { count = xMin = xMax = yMin = yMax = 0; }
};

// A light bar behind the curves from run week x1 to x2 (one past the harvest week).
struct GraphCropBar {
  float x1 = 0, x2 = 0;
};

// A name written upward along the top of the plot at run week x.
struct GraphLabel {
  float x = 0;
  Name20 text;
};

// A week number written beside a point of the scatter graph.
struct GraphPointLabel {
  float x = 0, y = 0;
  int week = 0;
};

// What the names along the top of graphs 0..9 are.
enum GraphLabelMode { kLabelNone = 0, kLabelCrops = 1, kLabelApplAct1 = 2, kLabelApplAct2 = 3 };
// Which points graph 10 labels with their week.
enum GraphPointLabelMode { kPointLabelNone = 0, kPointLabelTopSoil = 1, kPointLabelSubSoil = 2 };

struct GraphFillOptions {
  int labelMode = kLabelCrops;
  int pointLabelMode = kPointLabelNone;
  // The graph is being printed: the scenario's file name and title are added
  // to the title as the option bits ask.
  bool forPrint = false;
};

struct GraphData {
  int kind = 0;
  std::string title; // the setup's title, or the kind's name when that is empty
  int firstWeek = 1, lastWeek = 2;
  std::array<GraphSeries, kGraphSeriesCount> series{};
  bool cropBarsOn = false; // option "show light blue crop bars"
  std::vector<GraphCropBar> cropBars;
  std::vector<GraphLabel> labels;
  bool scatter = false;              // kind 10: bands and point labels instead of bars and names
  float bandLow = 10, bandHigh = 20; // kg N/ha
  std::vector<GraphPointLabel> pointLabels;
  bool stale = false; // the results may not be up to date

  // Whether any series that `setup` marks active holds points.
  bool HasPoints(const GraphSetup& setup) const;
  // The extents over the series that `setup` marks active (false: no points).
  bool Extents(const GraphSetup& setup, float& xMin, float& xMax, float& yMin, float& yMax) const;
};

// Fills `out` for graph kind 0..10 from the workspace's week records over
// the week range from..till (clamped to the run; at least two weeks). Only
// series active in `setup` get points. Values that are not finite (a run
// that failed) are left out rather than drawn.
void FillGraphData(const Workspace& ws, int kind, const GraphSetup& setup, int from, int till,
                   const GraphFillOptions& opt, GraphData& out);

// The same over the workspace's current range.
void FillGraphData(const Workspace& ws, int kind, const GraphSetup& setup, const GraphFillOptions& opt,
                   GraphData& out);

} // namespace kelmar
