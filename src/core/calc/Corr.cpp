#include "calc/Corr.h"

#include <algorithm>
#include <cmath>

#include "Workspace.h"
#include "data/TextFormat.h"

namespace kelmar {

namespace {

// The modelled value set against a measurement in week r of a run of `weeks`
// weeks. The averaging modes take the week's own value where the run has no
// neighbour.
double Modelled(const WeekRecords& wk, float WeekRecord::*N, int r, int weeks, int32_t mode) {
  const double v = wk[r].*N;
  if (mode == kCorrHalfWeekAvg) {
    const double a = r > 1 ? (wk[r - 1].*N + v) * 0.5 : v;
    const double b = r < weeks ? (wk[r + 1].*N + v) * 0.5 : v;
    return (a + v + b) * (1.0 / 3);
  }
  if (mode == kCorrWholeWeekAvg) {
    const double a = r > 1 ? wk[r - 1].*N : v;
    const double b = r < weeks ? wk[r + 1].*N : v;
    return (a + v + b) * (1.0 / 3);
  }
  return v;
}

CorrLayer CompareLayer(const WeekRecords& wk, float WeekRecord::*Ni, float WeekRecord::*N, int weeks,
                       int32_t mode, double rng1, double rng2) {
  CorrLayer L;
  int n = 0;
  double Sx = 0, Sy = 0, Sxy = 0, Sxx = 0, Syy = 0, Sdd = 0, Sabs = 0;
  for (int r = 1; r <= weeks; ++r) {
    const double x = wk[r].*Ni;
    if (!(x > 0)) continue; // 0 means no measurement
    ++n;
    const double y = Modelled(wk, N, r, weeks, mode);
    Sx += x;
    Sy += y;
    Sxy += x * y;
    Sxx += x * x;
    Syy += y * y;
    Sdd += (y - x) * (y - x);
    const double d = std::fabs(y - x);
    Sabs += d;
    if (d <= rng1) ++L.n1;
    if (d <= rng2) ++L.n2;
  }
  L.NMeas = n;
  const double D = Sy - Sx;
  if (n > 0) {
    L.Ex = static_cast<float>(Sx / n);
    L.Ey = static_cast<float>(Sy / n);
    L.Ez = static_cast<float>(Sabs / n);
    L.EDif = static_cast<float>(D / n);
  }
  if (n > 1) {
    // Rounding can leave a spread of identical differences a hair below 0.
    const double var = (Sdd - D * D / n) / (n - 1);
    L.SEDif = var > 0 ? static_cast<float>(std::sqrt(var)) : 0.0f;
    const double Qxy = Sxy - Sx * Sy / n;
    const double Qxx = Sxx - Sx * Sx / n;
    if (Qxx >= 1e-8) {
      L.Tan = static_cast<float>(Qxy / Qxx);
      L.Abcis = static_cast<float>(static_cast<double>(L.Ey) - static_cast<double>(L.Tan) * L.Ex);
    }
    const double P = (Syy - Sy * Sy / n) * Qxx;
    if (P >= 1e-8) L.Corr = static_cast<float>(Qxy / std::sqrt(P));
  }
  return L;
}

// Count, mean measured value and mean absolute difference of the weeks with a
// measurement above 0.
void CompareOrganic(const WeekRecords& wk, float WeekRecord::*meas, float WeekRecord::*model, int weeks,
                    int32_t& count, float& avg, float& difAbs) {
  count = 0;
  double sum = 0, sumAbs = 0;
  for (int r = 1; r <= weeks; ++r) {
    const double m = wk[r].*meas;
    if (!(m > 0)) continue;
    ++count;
    sum += m;
    sumAbs += std::fabs(wk[r].*model - m);
  }
  avg = 1;
  difAbs = 0;
  if (count > 0) {
    avg = static_cast<float>(sum / count);
    difAbs = static_cast<float>(sumAbs / count);
  }
}

double Shown(double v) { return v == 0.0 ? 0.0 : v; } // never "-0.00"

} // namespace

CorrResult CalcCorr(const Workspace& ws) {
  CorrResult r;
  r.CorrOpti = ws.options.CorrOpti;
  r.CorrRng1 = ws.options.CorrRng1;
  r.CorrRng2 = ws.options.CorrRng2;
  // Records 1..520 hold the run weeks; a longer run length reads no further.
  const int weeks = std::clamp(ws.scenario.Weeks, 0, kMaxWeeks);
  r.Layer[0] =
      CompareLayer(ws.weeks, &WeekRecord::Ni1, &WeekRecord::N1, weeks, r.CorrOpti, r.CorrRng1, r.CorrRng2);
  r.Layer[1] =
      CompareLayer(ws.weeks, &WeekRecord::Ni2, &WeekRecord::N2, weeks, r.CorrOpti, r.CorrRng1, r.CorrRng2);
  CompareOrganic(ws.weeks, &WeekRecord::OMi, &WeekRecord::OMt1, weeks, r.NOMi, r.OMiAvg, r.OMDifAbs);
  CompareOrganic(ws.weeks, &WeekRecord::ONi, &WeekRecord::Nt1, weeks, r.NONi, r.ONiAvg, r.ONDifAbs);
  return r;
}

std::vector<std::string> NmVsNiLines(const CorrResult& r) {
  const CorrLayer& t = r.Layer[0];
  const CorrLayer& s = r.Layer[1];
  auto pair = [](const char* label, double top, double sub, int d, const char* unit) {
    return LineBuilder().text(label).real(Shown(top), 9, d).real(Shown(sub), 9, d).text(unit).str();
  };
  // The tolerance belongs to its label ("+/-10 kg:"), so it follows the text
  // directly.
  auto inRange = [](float rng, int32_t top, int32_t sub) {
    return LineBuilder()
        .text("    +/-")
        .text(FmtReal(Shown(rng), 3, 0))
        .text(" kg:")
        .integer(top, 7)
        .integer(sub, 9)
        .text(" [-]")
        .str();
  };

  std::vector<std::string> lines;
  lines.reserve(19);
  lines.push_back("              TopSoil  SubSoil");
  lines.push_back(LineBuilder().text("    n:      ").integer(t.NMeas, 9).integer(s.NMeas, 9).str());
  lines.push_back(pair("    Avg. Ni:", t.Ex, s.Ex, 2, " [kg N/ha]"));
  lines.push_back(" ");
  lines.push_back("  Sample of difference N-Ni:");
  lines.push_back(pair("    Average:", t.EDif, s.EDif, 2, " [kg N/ha]"));
  lines.push_back(pair("    SE:     ", t.SEDif, s.SEDif, 2, " [kg N/ha]"));
  lines.push_back(" ");
  lines.push_back("  Regression of N on Ni:");
  lines.push_back(pair("    Abcis:  ", t.Abcis, s.Abcis, 2, " [kg N/ha]"));
  lines.push_back(pair("    Tangent:", t.Tan, s.Tan, 2, " [-]"));
  lines.push_back(pair("    r:      ", t.Corr, s.Corr, 3, " [-]"));
  lines.push_back(" ");
  lines.push_back("  Number in range:");
  lines.push_back(inRange(r.CorrRng1, t.n1, s.n1));
  lines.push_back(inRange(r.CorrRng2, t.n2, s.n2));
  lines.push_back(" ");
  lines.push_back("  Average absolute difference:");
  lines.push_back(pair("            ", t.Ez, s.Ez, 2, " [kg N/ha]"));
  return lines;
}

std::vector<std::string> NmVsNiLines(const Workspace& ws) { return NmVsNiLines(CalcCorr(ws)); }

} // namespace kelmar
