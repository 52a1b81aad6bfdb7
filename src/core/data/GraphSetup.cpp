#include "data/GraphSetup.h"

#include <cctype>
#include <charconv>

namespace kelmar {

namespace {

constexpr std::array<std::string_view, kGraphKindCount> kKindNames{"Cumulative Nitrogen Balance",
                                                                   "Temperature",
                                                                   "Environment",
                                                                   "Water Flow",
                                                                   "Soil pF",
                                                                   "Organic Matter",
                                                                   "C/N Ratio Organic Matter",
                                                                   "Sources of Mineralisation",
                                                                   "Nitrogen Flow",
                                                                   "Mineral Nitrogen",
                                                                   "N-modelled vs N-measured"};

constexpr std::array<std::string_view, kGraphKindCount> kYAxisTitles{"Nitrogen [kg/ha] ->",
                                                                     "Temperature [oC] ->",
                                                                     "Water [mm] ->",
                                                                     "Water [mm/week] ->",
                                                                     "pF [-] ->",
                                                                     "Organic Matter [kg/ha] ->",
                                                                     "C/N Ratio [-] ->",
                                                                     "Nitrogen [kg/ha] ->",
                                                                     "Nitrogen [kg/ha/week] ->",
                                                                     "Nitrogen [kg/ha] ->",
                                                                     "Modelled [kg N/ha] ->"};

// The nine series styles the kinds are built from.
struct Style {
  bool line;
  int32_t width;
  GraphColor lineColor;
  uint8_t lineStyle;
  bool points;
  int32_t size;
  GraphColor pointColor;
  uint8_t shape;
};
constexpr Style kStyleA{true, 2, kColorRed, kPenSolid, false, 8, kColorRed, ps_Square};
constexpr Style kStyleB{true, 1, kColorGreen, kPenSolid, true, 4, kColorGreen, ps_Plus};
constexpr Style kStyleC{true, 1, kColorBlue, kPenSolid, false, 8, kColorBlue, ps_Triangle};
constexpr Style kStyleD{true, 1, kColorYellow, kPenDot, false, 8, kColorYellow, ps_Diamond};
constexpr Style kStyleE{false, 2, kColorRed, kPenSolid, true, 8, kColorBlack, ps_Square};
constexpr Style kStyleF{true, 2, kColorBlue, kPenSolid, false, 8, kColorBlue, ps_Triangle};
constexpr Style kStyleG{false, 2, kColorBlue, kPenSolid, true, 8, kColorBlack, ps_Triangle};
constexpr Style kStyleH{false, 2, kColorBlue, kPenSolid, true, 8, kColorBlue, ps_Triangle};
constexpr Style kStyleI{false, 2, kColorRed, kPenSolid, true, 8, kColorRed, ps_Square};

struct KindSeries {
  const Style* style; // nullptr: the series stays inactive
  std::string_view title;
};

std::array<KindSeries, kGraphSeriesCount> KindSeriesOf(int kind) {
  switch (kind) {
  case 0:
    return {{{&kStyleA, "Available"},
             {&kStyleB, "Net Available"},
             {&kStyleC, "Modelled Uptake"},
             {&kStyleD, "Intended Uptake"}}};
  case 1:
    return {{{&kStyleA, "Temperature"}, {}, {}, {}}};
  case 2:
    return {{{&kStyleA, "Evaporation"}, {}, {&kStyleC, "Water Supply"}, {}}};
  case 3:
    return {{{&kStyleA, "Modelled Uptake"},
             {&kStyleB, "Intended Uptake"},
             {&kStyleC, "Water Supply"},
             {&kStyleD, "Flow Out"}}};
  case 4:
    return {{{&kStyleA, "TopSoil"}, {}, {&kStyleC, "SubSoil"}, {}}};
  case 5:
    return {{{&kStyleA, "TopSoil"}, {&kStyleE, "Meas.TopSoil"}, {}, {}}};
  case 6:
    return {{{}, {}, {&kStyleF, "TopSoil"}, {&kStyleG, "Meas.TopSoil"}}};
  case 7:
    return {{{&kStyleA, "Initial OM"},
             {&kStyleB, "Cultivations"},
             {&kStyleC, "Residues"},
             {&kStyleD, "Applications"}}};
  case 8:
    return {{{&kStyleA, "Leaching"},
             {&kStyleB, "Mineralisation"},
             {&kStyleC, "Modelled Uptake"},
             {&kStyleD, "Denitrification"}}};
  case 9:
    return {{{&kStyleA, "TopSoil"},
             {&kStyleE, "Meas.TopSoil"},
             {&kStyleC, "SubSoil"},
             {&kStyleH, "Meas.SubSoil"}}};
  case 10:
    return {{{&kStyleI, "TopSoil"}, {}, {&kStyleH, "SubSoil"}, {}}};
  default:
    return {};
  }
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

} // namespace

std::string_view GraphKindName(int kind) {
  if (kind < 0 || kind >= kGraphKindCount) return {};
  return kKindNames[kind];
}

int GraphKindFromText(std::string_view text) {
  int n = -1;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (ec == std::errc() && end == text.data() + text.size() && !text.empty())
    return n >= 0 && n < kGraphKindCount ? n : -1;
  for (int k = 0; k < kGraphKindCount; ++k)
    if (EqualNoCase(text, kKindNames[k])) return k;
  return -1;
}

GraphSetup DefaultGraphSetup(int kind) {
  GraphSetup g;
  g.GraphTitle = GraphKindName(kind);
  g.XAxisTitle = kind == kGraphScatterKind ? "Measured [kg N/ha] ->" : "Week ->";
  if (kind >= 0 && kind < kGraphKindCount) g.YAxisTitle = kYAxisTitles[kind];
  const auto series = KindSeriesOf(kind);
  for (int i = 0; i < kGraphSeriesCount; ++i) {
    SeriesSetup& s = g.Series[i];
    s = SeriesSetup{};
    const char title[] = {'S', 'e', 'r', 'i', 'e', 's', static_cast<char>('1' + i)};
    s.Title = std::string_view(title, sizeof title);
    const Style* st = series[i].style;
    if (!st) continue;
    s.Active = true;
    s.Title = series[i].title;
    s.HasLine = st->line;
    s.LineWidth = st->width;
    s.LineColor = st->lineColor;
    s.LineStyle = st->lineStyle;
    s.HasPoints = st->points;
    s.PointSize = st->size;
    s.PointColor = st->pointColor;
    s.PointShape = st->shape;
    s.FillPoints = false;
  }
  return g;
}

} // namespace kelmar
