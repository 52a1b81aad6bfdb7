#include "report/GraphData.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>

#include "Workspace.h"
#include "data/FileSystem.h"
#include "model/Weeks.h"

namespace kelmar {

namespace {

// The value of series i (0..3) of a kind in one week record; false when the
// week gives that series no point (measured values of 0 or below).
bool SeriesValue(int kind, int i, const WeekRecord& r, float& y) {
  switch (kind * 4 + i) {
  case 0 * 4 + 0:
    y = r.cAvail;
    return true;
  case 0 * 4 + 1:
    y = r.NetAvail;
    return true;
  case 0 * 4 + 2:
    y = r.cNUPTm;
    return true;
  case 0 * 4 + 3:
    y = r.cNUPTi;
    return true;
  case 1 * 4 + 0:
    y = r.Tc;
    return true;
  case 2 * 4 + 0:
    y = r.ET0;
    return true;
  case 2 * 4 + 2:
    y = static_cast<float>(double(r.Rain) + r.Irr);
    return true;
  case 3 * 4 + 0:
    y = r.UPTm;
    return true;
  case 3 * 4 + 1:
    y = r.UPTi;
    return true;
  case 3 * 4 + 2:
    y = static_cast<float>(double(r.Rain) + r.Irr);
    return true;
  case 3 * 4 + 3:
    y = r.FOUT2;
    return true;
  case 4 * 4 + 0:
    y = r.pF1;
    return true;
  case 4 * 4 + 2:
    y = r.pF2;
    return true;
  case 5 * 4 + 0:
    y = r.OMt1;
    return true;
  case 5 * 4 + 1:
    y = r.OMi;
    return r.OMi > 0;
  case 6 * 4 + 2:
    y = r.Nt1 > 0 ? static_cast<float>(0.58 * r.OMt1 / r.Nt1) : 0.0f;
    return true;
  case 6 * 4 + 3:
    if (!(r.ONi > 0 && r.OMi > 0)) return false;
    y = static_cast<float>(0.58 * r.OMi / r.ONi);
    return true;
  case 7 * 4 + 0:
    y = r.IOM;
    return true;
  case 7 * 4 + 1:
    y = r.CULT;
    return true;
  case 7 * 4 + 2:
    y = static_cast<float>(double(r.RESI) + r.GRMA);
    return true;
  case 7 * 4 + 3:
    y = static_cast<float>(double(r.APPL) + r.FERT);
    return true;
  case 8 * 4 + 0:
    y = r.Nout2;
    return true;
  case 8 * 4 + 1:
    y = r.dNt1;
    return true;
  case 8 * 4 + 2:
    y = r.NUPTm;
    return true;
  case 8 * 4 + 3:
    y = static_cast<float>(double(r.Den1) + r.Den2);
    return true;
  case 9 * 4 + 0:
    y = r.N1;
    return true;
  case 9 * 4 + 1:
    y = r.Ni1;
    return r.Ni1 > 0;
  case 9 * 4 + 2:
    y = r.N2;
    return true;
  case 9 * 4 + 3:
    y = r.Ni2;
    return r.Ni2 > 0;
  default:
    return false;
  }
}

// Printed graphs may carry the scenario's file name and title in their title.
std::string PrintTitle(const Workspace& ws, std::string title) {
  if (ws.options.has(kOptGraphFileName)) {
    std::string name = ExtractFileName(ws.scenario.ScenarioFile);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    title += "; " + name;
  }
  if (ws.options.has(kOptGraphTitle)) {
    std::string t = ws.scenario.Title.str();
    auto b = t.find_first_not_of(' ');
    auto e = t.find_last_not_of(' ');
    title += "; " + (b == std::string::npos ? std::string() : t.substr(b, e - b + 1));
  }
  return title.substr(0, 255);
}

std::string Trim(std::string_view s) {
  auto b = s.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  auto e = s.find_last_not_of(' ');
  return std::string(s.substr(b, e - b + 1));
}

} // namespace

bool GraphSeries::AddPoint(float x, float y) {
  if (count >= kGraphMaxPoints || !std::isfinite(x) || !std::isfinite(y)) return false;
  if (count == 0) {
    xMin = xMax = x;
    yMin = yMax = y;
  } else {
    xMin = std::min(xMin, x);
    xMax = std::max(xMax, x);
    yMin = std::min(yMin, y);
    yMax = std::max(yMax, y);
  }
  points[count++] = {x, y};
  return true;
}

bool GraphData::Extents(const GraphSetup& setup, float& x0, float& x1, float& y0, float& y1) const {
  bool any = false;
  for (int i = 0; i < kGraphSeriesCount; ++i) {
    const GraphSeries& s = series[i];
    if (!setup.Series[i].Active || s.count == 0) continue;
    if (!any) {
      x0 = s.xMin, x1 = s.xMax, y0 = s.yMin, y1 = s.yMax;
      any = true;
    } else {
      x0 = std::min(x0, s.xMin), x1 = std::max(x1, s.xMax);
      y0 = std::min(y0, s.yMin), y1 = std::max(y1, s.yMax);
    }
  }
  return any;
}

bool GraphData::HasPoints(const GraphSetup& setup) const {
  float a, b, c, d;
  return Extents(setup, a, b, c, d);
}

void FillGraphData(const Workspace& ws, int kind, const GraphSetup& setup, int from, int till,
                   const GraphFillOptions& opt, GraphData& out) {
  const Scenario& sc = ws.scenario;
  out.kind = kind;
  out.stale = (ws.state.DocStatus & kResultsStale) != 0;
  std::string title = setup.GraphTitle.empty() ? std::string(GraphKindName(kind)) : setup.GraphTitle.str();
  if (opt.forPrint) title = PrintTitle(ws, title);
  out.title = title.substr(0, decltype(setup.GraphTitle)::capacity());

  // The range, within the week records that exist; a range of one week still
  // plots two.
  const int weeks = std::clamp(sc.Weeks, 0, kMaxWeeks);
  int first = std::clamp(from, 1, kMaxWeeks);
  int last = std::min(till, weeks);
  if (first >= last) last = first + 1;
  out.firstWeek = first;
  out.lastWeek = last;

  for (GraphSeries& s : out.series) s.Clear();
  out.cropBars.clear();
  out.labels.clear();
  out.pointLabels.clear();
  out.scatter = kind == kGraphScatterKind;
  out.cropBarsOn = false;
  out.bandLow = ws.options.CorrRng1;
  out.bandHigh = ws.options.CorrRng2;
  if (kind < 0 || kind >= kGraphKindCount) return;

  if (out.scatter) {
    const bool top = setup.Series[0].Active, sub = setup.Series[2].Active;
    for (int w = first; w <= last; ++w) {
      const WeekRecord& r = ws.weeks[w];
      if (top && r.Ni1 > 0) out.series[0].AddPoint(r.Ni1, r.N1);
      if (sub && r.Ni2 > 0) out.series[2].AddPoint(r.Ni2, r.N2);
    }
    // Week numbers beside the points of the range that are drawn.
    if (opt.pointLabelMode == kPointLabelTopSoil || opt.pointLabelMode == kPointLabelSubSoil) {
      const bool topsoil = opt.pointLabelMode == kPointLabelTopSoil;
      for (int w = first; w <= std::min(last, weeks); ++w) {
        const WeekRecord& r = ws.weeks[w];
        float x = topsoil ? r.Ni1 : r.Ni2, y = topsoil ? r.N1 : r.N2;
        if (x > 0 && std::isfinite(x) && std::isfinite(y)) out.pointLabels.push_back({x, y, w});
      }
    }
    return;
  }

  for (int i = 0; i < kGraphSeriesCount; ++i) {
    if (!setup.Series[i].Active) continue;
    for (int w = first; w <= last; ++w) {
      float y = 0;
      if (SeriesValue(kind, i, ws.weeks[w], y)) out.series[i].AddPoint(static_cast<float>(w), y);
    }
  }

  // Crops and applications are placed by run week; before any run the start
  // of the scenario stands in for the run's.
  const int runStart = ws.run.RunStart != 0 ? ws.run.RunStart : AbsWeek(sc.Year, sc.Week);
  auto runWeek = [&](int year, int week) { return static_cast<float>(AbsWeek(year, week) - runStart + 1); };
  const int crops = std::clamp(sc.CropCount, 0, kMaxCrops);
  out.cropBarsOn = ws.options.has(kOptCropBars);
  if (out.cropBarsOn)
    for (int c = 1; c <= crops; ++c) {
      const Crop& cr = sc.Crops[c];
      out.cropBars.push_back({runWeek(cr.YEAR, cr.WEEK1), runWeek(cr.YEAR, cr.WEEK4) + 1});
    }
  if (opt.labelMode == kLabelCrops) {
    for (int c = 1; c <= crops; ++c) {
      const Crop& cr = sc.Crops[c];
      out.labels.push_back({runWeek(cr.YEAR, cr.WEEK1), Name20(Trim(cr.Name))});
    }
  } else if (opt.labelMode == kLabelApplAct1 || opt.labelMode == kLabelApplAct2) {
    const int act = opt.labelMode == kLabelApplAct1 ? 1 : 2;
    const int appls = std::clamp(sc.ApplCount, 0, kMaxAppls);
    for (int a = 4; a <= appls; ++a) {
      const Application& ap = sc.Appls[a];
      if (ap.ACT == act) out.labels.push_back({runWeek(ap.YR, ap.WK), Name20(Trim(ap.Name))});
    }
  }
}

void FillGraphData(const Workspace& ws, int kind, const GraphSetup& setup, const GraphFillOptions& opt,
                   GraphData& out) {
  FillGraphData(ws, kind, setup, ws.state.RangeFrom, ws.state.RangeTill, opt, out);
}

} // namespace kelmar
