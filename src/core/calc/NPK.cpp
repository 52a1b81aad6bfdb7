#include "calc/NPK.h"

#include <algorithm>

#include "Workspace.h"
#include "data/TextFormat.h"
#include "model/Weeks.h"

namespace kelmar {

namespace {

// Actions of applications that bring nutrients in: organic applications (1)
// and fertilisers with organic matter (4). Cultivations, the initial organic
// matter and residues only move what is already in the field.
bool IsNutrientInput(int32_t act) { return act == 1 || act == 4; }

// Dry matter of product and residue of a crop, as the model derives it at the
// start of a run; recomputed here so that the balance follows the crop records
// as they are now.
struct HarvestDM {
  float DMprod = 0; // kg/ha
  float DMresi = 0; // kg/ha
};

HarvestDM HarvestDryMatter(const Crop& c) {
  HarvestDM h;
  h.DMprod = static_cast<float>(static_cast<double>(c.PRODi) * c.DMpct * 0.01);
  const float DMtot =
      c.DMdistr[kProd] > 0 ? static_cast<float>(static_cast<double>(h.DMprod) / c.DMdistr[kProd]) : 0.0f;
  h.DMresi = static_cast<float>(static_cast<double>(DMtot) * c.DMdistr[kResi]);
  return h;
}

// Removal of one nutrient: only the part of product and residue that is not
// returned to the soil leaves the field; roots never do. kg/ha.
double Removal(const HarvestDM& h, double pctProd, double pctResi, const Crop& c) {
  return (pctProd * h.DMprod * (1.0 - c.Applied[kProd]) + pctResi * h.DMresi * (1.0 - c.Applied[kResi])) *
         0.01;
}

float Ratio(double numerator, float denominator) {
  return denominator == 0.0f ? 0.0f : static_cast<float>(numerator / denominator);
}

// -0 prints as "-0.00"; a figure that is zero shows as zero.
double Shown(double v) { return v == 0.0 ? 0.0 : v; }

} // namespace

float NPKResult::NSupply() const {
  return static_cast<float>(static_cast<double>(NSeed) + NApplied + NIrrig);
}
float NPKResult::PSupply() const { return static_cast<float>(static_cast<double>(PSeed) + PAppl); }
float NPKResult::KSupply() const { return static_cast<float>(static_cast<double>(KSeed) + KAppl); }

NPKResult CalcNPK(const Workspace& ws, int32_t rangeFrom, int32_t rangeTill, bool pk) {
  const Scenario& s = ws.scenario;
  const WeekRecords& wk = ws.weeks;
  NPKResult r;
  r.PK = pk;
  // The records hold run weeks 1..520 with the state before week 1 in record 0
  // and after week 520 in record 521; a range outside that reads nothing else.
  r.first = std::max(rangeFrom, 1);
  r.last = std::min({rangeTill, s.Weeks, kMaxWeeks});
  if (r.first > r.last) return r; // empty range: no years to divide by

  const double fP = pk ? kPFromP2O5 : 1.0;
  const double fK = pk ? kKFromK2O : 1.0;
  r.Y = static_cast<float>((r.last - r.first + 1) * (1.0 / 52));
  const double Y = r.Y;
  auto inRange = [&](int32_t absWeek) {
    const int32_t k = absWeek - ws.run.RunStart + 1;
    return r.first <= k && k <= r.last;
  };

  // Seed and planting material of crops sown in the range; removal of crops
  // harvested in it.
  const int crops = std::clamp(s.CropCount, 0, kMaxCrops);
  for (int i = 1; i <= crops; ++i) {
    const Crop& c = s.Crops[i];
    if (inRange(AbsWeek(c.YEAR, c.WEEK1))) {
      const float DMplant = static_cast<float>(static_cast<double>(c.PlantQUANT) * c.PlantDMpct * 0.01);
      r.NSeed = static_cast<float>(r.NSeed + static_cast<double>(DMplant) * c.PlantNpctdm * 0.01);
      r.PSeed = static_cast<float>(r.PSeed + static_cast<double>(DMplant) * c.PlantP2O5pct * 0.01);
      r.KSeed = static_cast<float>(r.KSeed + static_cast<double>(DMplant) * c.PlantK2Opct * 0.01);
    }
  }
  r.NSeed = static_cast<float>(r.NSeed / Y);
  r.PSeed = static_cast<float>(r.PSeed / Y * fP);
  r.KSeed = static_cast<float>(r.KSeed / Y * fK);

  for (int i = 1; i <= crops; ++i) {
    const Crop& c = s.Crops[i];
    if (inRange(AbsWeek(c.YEAR, c.WEEK4))) {
      const HarvestDM h = HarvestDryMatter(c);
      r.NHarv = static_cast<float>(r.NHarv + Removal(h, c.Npctdm[kProd], c.Npctdm[kResi], c));
      r.PHarv = static_cast<float>(r.PHarv + Removal(h, c.P2O5pct[kProd], c.P2O5pct[kResi], c));
      r.KHarv = static_cast<float>(r.KHarv + Removal(h, c.K2Opct[kProd], c.K2Opct[kResi], c));
    }
  }
  r.NHarv = static_cast<float>(r.NHarv / Y);
  r.PHarv = static_cast<float>(r.PHarv / Y * fP);
  r.KHarv = static_cast<float>(r.KHarv / Y * fK);

  const int appls = std::clamp(s.ApplCount, 0, kMaxAppls);
  for (int i = 1; i <= appls; ++i) {
    const Application& a = s.Appls[i];
    if (IsNutrientInput(a.ACT) && a.QUANT > 0 && inRange(AbsWeek(a.YR, a.WK))) {
      const double dm = static_cast<double>(a.QUANT) * a.DMpct;
      r.NApplied = static_cast<float>(r.NApplied + dm * a.Npctdm * 0.0001);
      r.PAppl = static_cast<float>(r.PAppl + dm * a.P2O5pct * 0.0001);
      r.KAppl = static_cast<float>(r.KAppl + dm * a.K2Opct * 0.0001);
    }
  }
  r.NApplied = static_cast<float>(r.NApplied / Y);
  r.PAppl = static_cast<float>(r.PAppl / Y * fP);
  r.KAppl = static_cast<float>(r.KAppl / Y * fK);

  // Deposition is given per year already.
  r.NDep = s.NDep;
  r.PDep = static_cast<float>(s.P2O5Dep * fP);
  r.KDep = static_cast<float>(s.K2ODep * fK);

  double irr = 0, fix = 0, den = 0; // kg N/ha over the range
  for (int k = r.first; k <= r.last; ++k) {
    irr += wk[k].NIrr;
    fix += wk[k].NFIX;
    den += static_cast<double>(wk[k].Den1) + wk[k].Den2;
  }
  r.NIrrig = static_cast<float>(irr / Y);
  r.NFix = static_cast<float>(fix / Y);
  r.NDen = static_cast<float>(den / Y);

  // Cumulative leaching up to the end of a week; states at the start of a
  // week (record last + 1 is the state after the range).
  r.NLeach = static_cast<float>((static_cast<double>(wk[r.last].cNout) - wk[r.first - 1].cNout) / Y);
  const WeekRecord& b = wk[r.first];
  const WeekRecord& e = wk[r.last + 1];
  r.ONDecr = static_cast<float>((static_cast<double>(b.Nt1) + b.Nt2 - e.Nt1 - e.Nt2) / Y);
  r.NmDecr = static_cast<float>((static_cast<double>(b.N1) + b.N2 - e.N1 - e.N2) / Y);

  r.NBal = static_cast<float>(static_cast<double>(r.NSeed) + r.NApplied + r.NIrrig - r.NHarv);
  r.PBal = static_cast<float>(static_cast<double>(r.PSeed) + r.PAppl - r.PHarv);
  r.KBal = static_cast<float>(static_cast<double>(r.KSeed) + r.KAppl - r.KHarv);

  // Each efficiency is 0 when its denominator, as a stored figure, is 0.
  const float I1 = static_cast<float>(static_cast<double>(r.NSeed) + r.NApplied + r.NIrrig);
  r.NEff1 = Ratio(r.NHarv, I1);
  const float I2 = static_cast<float>(static_cast<double>(I1) + r.NFix + r.NDep);
  r.NEff2 = Ratio(r.NHarv, I2);
  const float I3 = static_cast<float>(static_cast<double>(I2) + r.ONDecr + r.NmDecr);
  r.NEff3 = Ratio(r.NHarv, I3);
  r.PEff1 = Ratio(r.PHarv, static_cast<float>(static_cast<double>(r.PSeed) + r.PAppl));
  r.KEff1 = Ratio(r.KHarv, static_cast<float>(static_cast<double>(r.KSeed) + r.KAppl));
  return r;
}

NPKResult CalcNPK(const Workspace& ws) {
  return CalcNPK(ws, ws.state.RangeFrom, ws.state.RangeTill, ws.options.has(kOptShowPK));
}

std::vector<std::string> MineralBalanceLines(const NPKResult& r) {
  auto triple = [](const char* label, double n, double p, double k, int d) {
    return LineBuilder().text(label).real(Shown(n), 9, d).real(Shown(p), 9, d).real(Shown(k), 9, d).str();
  };
  auto single = [](const char* label, double v, int d) {
    return LineBuilder().text(label).real(Shown(v), 9, d).str();
  };

  std::vector<std::string> lines;
  lines.reserve(16);
  lines.push_back(LineBuilder()
                      .text("  Range: week")
                      .integer(r.first, 4)
                      .text(" -")
                      .integer(r.last, 4)
                      .text(r.PK ? "       N        P        K" : "       N     P2O5      K2O")
                      .str());
  lines.push_back("  Input kg/ha/year");
  lines.push_back(triple("    + Seed/Planting   ", r.NSeed, r.PSeed, r.KSeed, 1));
  lines.push_back(
      triple("    + Applications    ", static_cast<double>(r.NApplied) + r.NIrrig, r.PAppl, r.KAppl, 1));
  lines.push_back("  Output kg/ha/year");
  lines.push_back(triple("    - Produkt Removal ", r.NHarv, r.PHarv, r.KHarv, 1));
  lines.push_back(triple("  Balance (In-Out)    ", r.NBal, r.PBal, r.KBal, 1));
  lines.push_back(triple("  Efficiency 1         ", r.NEff1, r.PEff1, r.KEff1, 2));
  lines.push_back(triple("    + Deposition      ", r.NDep, r.PDep, r.KDep, 1));
  lines.push_back(single("    + Fixation        ", r.NFix, 1));
  lines.push_back(single("  Efficiency 2         ", r.NEff2, 2));
  lines.push_back(single("    + Organic Stock   ", r.ONDecr, 1));
  lines.push_back(single("    + Mineral Stock   ", r.NmDecr, 1));
  lines.push_back(single("    - Leaching        ", r.NLeach, 1));
  lines.push_back(single("    - Denitrification ", r.NDen, 1));
  lines.push_back(single("  Efficiency 3         ", r.NEff3, 2));
  return lines;
}

std::vector<std::string> MineralBalanceLines(const Workspace& ws) { return MineralBalanceLines(CalcNPK(ws)); }

} // namespace kelmar
