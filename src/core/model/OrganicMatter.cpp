// Decomposition of organic matter and the nitrogen it releases. Every portion
// of organic matter (initial pools, crop residues, applications, the subsoil
// stock) is followed as a batch whose rate depends on its apparent age; the
// weekly sums of all batches form the organic-matter columns of the week
// records, split by source.

#include "model/OrganicMatter.h"

#include <array>
#include <cmath>
#include <stdexcept>

#include "Workspace.h"
#include "model/Processes.h"
#include "model/Water.h"
#include "model/Weeks.h"

namespace kelmar::model {

namespace {

using Column = float WeekRecord::*;

constexpr float Single(double v) { return static_cast<float>(v); }

// The week-record columns one soil layer's batches are summed into.
struct LayerColumns {
  Column factor; // fT x moisture factor that drives the layer's decomposition
  Column OM;     // kg/ha
  Column N;      // kg/ha
  Column dOM;    // kg/ha per week
  Column dN;     // kg N/ha per week
  Column SNM;    // kg N/ha, cumulative
};

constexpr LayerColumns kTopsoil{&WeekRecord::fT_fTheta, &WeekRecord::OMt1, &WeekRecord::Nt1,
                                &WeekRecord::dOMt1,     &WeekRecord::dNt1, &WeekRecord::SNM1};
constexpr LayerColumns kSubsoil{&WeekRecord::fT_fTheta2, &WeekRecord::OMt2, &WeekRecord::Nt2,
                                &WeekRecord::dOMt2,      &WeekRecord::dNt2, &WeekRecord::SNM2};

// The source column of a kind of batch; the negative twin of a cultivation
// books into the same column as its positive batch, so that the column holds
// the net effect. Kinds above 6 count in the totals only.
Column SourceColumn(int kind) {
  switch (kind < 0 ? -kind : kind) {
  case 1:
    return &WeekRecord::APPL;
  case 2:
    return &WeekRecord::CULT;
  case 3:
    return &WeekRecord::IOM;
  case 4:
    return &WeekRecord::FERT;
  case 5:
    return &WeekRecord::RESI;
  case 6:
    return &WeekRecord::GRMA;
  default:
    return nullptr;
  }
}

// What the trajectory of one batch needs besides its own start values.
struct TrajectorySetup {
  LayerColumns layer;
  Column source = nullptr; // source column, or none
  float sign = 1;          // +1 adds the batch, -1 subtracts it
  int32_t runStart = 0;    // absolute week of run week 1
  int32_t last = 0;        // absolute week of the last trajectory week (run end + 1)
  double soilFactor = 0;   // MinSoilFactor of the layer
  double ADM = 0;          // assimilation/dissimilation ratio [-]
  double CNM = 0;          // C/N of the micro-organisms [-]
};

// Follows one batch from absolute week s to setup.last in ws.run.Batch and
// adds (or subtracts) each week's values into the week records. Returns the
// batch's state in its last week. Every weekly value is rounded to single
// precision when stored and read back as stored.
template <bool kCarbonWithAge, bool kHasSource>
const OMBatchWeek& Trajectory(Workspace& ws, const TrajectorySetup& set, int32_t s, double age0, double N0,
                              double OM0) {
  OMBatchWeek* b = ws.run.Batch.data();
  b[0] = OMBatchWeek{0.0f, Single(age0), Single(OM0), Single(N0), 0.0f, 0.0f, 0.0f};
  const int n = set.last - s + 1;
  WeekRecord* rec = &ws.weeks[s - set.runStart + 1];
  const LayerColumns& L = set.layer;
  const float sign = set.sign;
  const double gross = 1 + set.ADM;
  // With a fixed carbon content of 0.58 the microbial binding term is the same
  // every week.
  const double bindFixed = set.ADM / (set.CNM / 0.58);

  // The age of a batch does not depend on its amount: the ages and the
  // yearly rates come first, so that the pow calls do not wait on the OM and
  // N chain of the second pass.
  std::array<double, kWeekRecords> rate; // 2.82 x age^-1.6, per year
  for (int j = 1; j <= n; ++j) {
    OMBatchWeek& t = b[j];
    t.teff = Single(static_cast<double>(rec[j - 1].*L.factor) * set.soilFactor);
    t.age = Single(b[j - 1].age + t.teff / 52.0);
    rate[j] = 2.82 * std::pow(static_cast<double>(t.age), -1.6);
  }

  for (int j = 1; j <= n; ++j, ++rec) {
    const OMBatchWeek& p = b[j - 1];
    OMBatchWeek& t = b[j];
    t.OM = Single(static_cast<double>(p.OM) - p.dOM);
    t.N = Single(static_cast<double>(p.N) - p.dN);
    // The yearly relative rate applied for teff/52 years.
    t.dOM = Single(rate[j] * t.OM * t.teff / 52.0);
    double bind = bindFixed;
    if constexpr (kCarbonWithAge) bind = set.ADM / (set.CNM / CarbonContentWithAge(t.age));
    // N of the decomposed matter times (1 + ADM), less the N the microbes bind
    // for the carbon they assimilate.
    t.dN = Single(t.dOM * (gross / (static_cast<double>(t.OM) / t.N) - bind));
    t.cumN = Single(static_cast<double>(p.cumN) + t.dN);

    rec->*L.OM += sign * t.OM;
    rec->*L.N += sign * t.N;
    rec->*L.dOM += sign * t.dOM;
    rec->*L.dN += sign * t.dN;
    rec->*L.SNM += sign * t.cumN;
    if constexpr (kHasSource) rec->*set.source += sign * t.cumN;
  }
  return b[n];
}

// The topsoil's batches of one run: decomposition and end pools.
class TopsoilBatches {
public:
  TopsoilBatches(Workspace& ws, int32_t runStart, int32_t runEnd) : ws_(ws) {
    const Scenario& sc = ws.scenario;
    set_.layer = kTopsoil;
    set_.runStart = runStart;
    set_.last = runEnd + 1;
    set_.soilFactor = ws.run.MinSoilFactor[1];
    set_.ADM = sc.ADM;
    set_.CNM = sc.CNM;
    carbonWithAge_ = ws.options.has(kOpt2CContentWithAge);
  }

  // One batch of the given kind starting in absolute week s (run start <= s
  // <= run end + 1); a negative kind is subtracted.
  void Decompose(int32_t s, int kind, double age, double N, double OM) {
    TrajectorySetup set = set_;
    set.sign = kind < 0 ? -1.0f : 1.0f;
    set.source = SourceColumn(kind);
    const bool hasSource = set.source != nullptr;
    const OMBatchWeek& end = carbonWithAge_ ? (hasSource ? Trajectory<true, true>(ws_, set, s, age, N, OM)
                                                         : Trajectory<true, false>(ws_, set, s, age, N, OM))
                                            : (hasSource ? Trajectory<false, true>(ws_, set, s, age, N, OM)
                                                         : Trajectory<false, false>(ws_, set, s, age, N, OM));
    BookEndPool(ws_.run.EndPools[AgeClass(end.age)], set.sign, end);
  }

private:
  // Adds (sign +1) or removes (sign -1) the batch's remainder in its age
  // class's pool, keeping the pool's amount-weighted mean age.
  static void BookEndPool(EndPool& pool, float sign, const OMBatchWeek& end) {
    const double amount = sign * end.OM;
    const double total = static_cast<double>(pool.amount) + amount;
    if (total != 0)
      pool.age = Single((static_cast<double>(pool.age) * pool.amount + end.age * amount) / total);
    pool.amount = Single(total);
    pool.N = Single(static_cast<double>(pool.N) + sign * end.N);
  }

  Workspace& ws_;
  TrajectorySetup set_;
  bool carbonWithAge_ = false;
};

// v, but not below lowest: the minimum ages and N keep the rate and the
// OM/N ratio of a batch defined.
double AtLeast(double v, double lowest) { return v < lowest ? lowest : v; }

void ResidueBatches(Workspace& ws, TopsoilBatches& batches, int32_t runStart, int32_t runEnd) {
  const Scenario& sc = ws.scenario;
  for (int i = 1; i <= sc.CropCount; ++i) {
    const Crop& c = sc.Crops[i];
    // The residues enter the week after harvest; the sowing may lie before the run.
    const int32_t s = AbsWeek(c.YEAR, c.WEEK4) + 1;
    if (s < runStart || s > runEnd) continue;
    const int kind = c.Code == 6 ? 6 : 5;
    const CropWork& w = c.work;

    const double prodOM = 0.9 * w.DMprod * c.Applied[kProd];
    if (c.Applied[kProd] > 0 && prodOM > 0)
      batches.Decompose(s, kind, AtLeast(c.InitAge[kProd], 0.4),
                        AtLeast(static_cast<double>(w.Nprod) * c.Applied[kProd], 0.1), prodOM);

    const double resiOM = 0.9 * w.DMresi * c.Applied[kResi];
    if (c.Applied[kResi] > 0 && resiOM > 0)
      batches.Decompose(s, kind, AtLeast(c.InitAge[kResi], 0.4),
                        AtLeast(static_cast<double>(w.Nresi) * c.Applied[kResi], 0.1), resiOM);

    const double rootOM = 0.9 * w.DMroot;
    if (rootOM > 0) batches.Decompose(s, kind, AtLeast(c.InitAge[kRoot], 0.4), AtLeast(w.Nroot, 0.1), rootOM);
  }
}

void ApplicationBatches(Workspace& ws, TopsoilBatches& batches, int32_t runStart, int32_t runEnd) {
  Scenario& sc = ws.scenario;
  for (int i = 1; i <= sc.ApplCount; ++i) {
    Application& a = sc.Appls[i];
    const int kind = a.ACT;
    // The initial pools are present from the first run week, whatever their date.
    const int32_t s = kind == 3 ? runStart : AbsWeek(a.YR, a.WK);
    if (s < runStart || s > runEnd || kind <= 0 || a.QUANT <= 0) continue;

    const double OM = static_cast<double>(a.QUANT) * a.DMpct * a.OMpctdm * 0.0001;
    const double Ntot = static_cast<double>(a.QUANT) * a.DMpct * a.Npctdm * 0.0001;
    if (a.Nminpct > a.Npctdm) a.Nminpct = a.Npctdm; // mineral N cannot exceed the total N

    double Nmin = Ntot; // without organic matter all N is mineral
    if (std::abs(OM) >= 0.001) {
      Nmin = static_cast<double>(a.QUANT) * a.DMpct * a.Nminpct * 0.0001;
      double Norg = Ntot - Nmin;
      // Keep OM/N defined: a batch needs some organic N. The mineral N gives
      // up what the organic part gains.
      if (std::abs(Norg) < 0.00001) {
        Norg = Norg < 0 ? -0.00001 : 0.00001;
        Nmin = Nmin - Norg;
      }
      batches.Decompose(s, kind, AtLeast(a.IAGE, 0.4), Norg, OM);
      // A cultivation turns old organic matter into matter of its own age:
      // the same amount, at the age of the Old pool, is taken away.
      if (kind == 2) batches.Decompose(s, -2, AtLeast(sc.Appls[1].IAGE, 0.4), Norg, OM);
    }

    if (std::abs(Nmin) >= 0.00001) {
      WeekRecord& first = ws.weeks[s - runStart + 1];
      first.Nt1 = Single(first.Nt1 + Nmin);
      first.dNt1 = Single(first.dNt1 + Nmin);
      const Column source = SourceColumn(kind);
      for (int r = s - runStart + 1; r <= runEnd - runStart + 2; ++r) {
        WeekRecord& rec = ws.weeks[r];
        rec.SNM1 = Single(rec.SNM1 + Nmin);
        if (source) rec.*source = Single(rec.*source + Nmin);
      }
    }
  }
}

} // namespace

void InitSoilFactors(Workspace& ws) {
  const Scenario& sc = ws.scenario;
  const float fpH = Single(1.0 / (1.0 + std::exp((static_cast<double>(sc.pH) - 4) * (-1.5))));
  // The topsoil pH serves both layers.
  for (int k = 1; k <= 2; ++k)
    ws.run.MinSoilFactor[k] = Single(static_cast<double>(fpH) * sc.Soil[k - 1].Text);
}

void TopsoilOrganicMatter(Workspace& ws) {
  const Scenario& sc = ws.scenario;
  RunState& run = ws.run;
  const int32_t weeks = LastRunRecord(ws) - 1; // never past record 521
  if (sc.CropCount < 0 || sc.CropCount > kMaxCrops || sc.ApplCount < 0 || sc.ApplCount > kMaxAppls)
    throw std::logic_error("crop or application count outside the record tables");
  const int32_t runStart = run.RunStart;
  const int32_t runEnd = run.RunEnd;

  for (int r = 0; r <= weeks + 1; ++r) {
    WeekRecord& rec = ws.weeks[r];
    rec.OMt1 = rec.Nt1 = rec.dOMt1 = rec.dNt1 = rec.SNM1 = 0;
    rec.APPL = rec.CULT = rec.FERT = rec.IOM = rec.RESI = rec.GRMA = 0;
  }
  run.EndPools = {};

  TopsoilBatches batches(ws, runStart, runEnd);
  ResidueBatches(ws, batches, runStart, runEnd);
  ApplicationBatches(ws, batches, runStart, runEnd);

  // A Repeat divides by the pool amounts: an empty pool is kept at 1 kg/ha.
  for (EndPool& pool : run.EndPools)
    if (pool.amount == 0) pool.amount = 1;
}

void SubsoilOrganicMatter(Workspace& ws) {
  const Scenario& sc = ws.scenario;
  RunState& run = ws.run;
  const int32_t weeks = LastRunRecord(ws) - 1; // never past record 521
  const int32_t runStart = run.RunStart;

  for (int r = 0; r <= weeks + 1; ++r) {
    WeekRecord& rec = ws.weeks[r];
    rec.OMt2 = rec.Nt2 = rec.dOMt2 = rec.dNt2 = rec.SNM2 = 0;
  }
  if (!(sc.oOM2 > 0)) return;

  const double OM = sc.oOM2 <= 1 ? 1.0 : static_cast<double>(sc.oOM2);
  const double N = AtLeast(static_cast<double>(sc.oOM2) * sc.oNc2 * 0.01, 0.1);
  const double age = AtLeast(sc.oAge2, 0.4);

  TrajectorySetup set;
  set.layer = kSubsoil;
  set.runStart = runStart;
  set.last = runStart + weeks; // run end + 1
  set.soilFactor = run.MinSoilFactor[2];
  set.ADM = sc.ADM;
  set.CNM = sc.CNM;
  Trajectory<false, false>(ws, set, runStart, age, N, OM);
}

} // namespace kelmar::model
