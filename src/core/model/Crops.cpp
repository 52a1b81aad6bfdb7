// Crop development and uptake: dry matter and N per plant part, the weekly
// cover, rooting depth and intended water uptake, and the intended N uptake
// and fixation spread over the crop's weeks.
//
// Formulas are evaluated in double precision from the stored fields; a value
// is rounded when it is stored (week records, CropWork), and later formulas
// read the stored value back.
#include "model/Crops.h"

#include <stdexcept>

#include "Workspace.h"
#include "model/Processes.h"
#include "model/Water.h"
#include "model/Weeks.h"

namespace kelmar::model {

namespace {

// Rounds v into a stored field and gives back what was stored.
double Put(float& field, double v) {
  field = static_cast<float>(v);
  return field;
}

void CheckCropCount(const Scenario& s) {
  if (s.CropCount < 0 || s.CropCount > kMaxCrops) throw std::logic_error("crop count outside 0..40");
}

// Sown and harvested inside the run window. A crop sown before the run or
// harvested after it has no weekly demand (its residues may still count).
bool InsideRun(const CropWeeks& c, const RunState& run) {
  return run.RunStart <= c.sow && c.sow <= run.RunEnd && run.RunStart <= c.harv && c.harv <= run.RunEnd;
}

} // namespace

CropWeeks AbsCropWeeks(const Crop& crop) {
  return {AbsWeek(crop.YEAR, crop.WEEK1), AbsWeek(crop.YEAR, crop.WEEK2), AbsWeek(crop.YEAR, crop.WEEK3),
          AbsWeek(crop.YEAR, crop.WEEK4)};
}

double RootingFraction(const CropWeeks& c, int32_t w) {
  if (w < c.fcov) return static_cast<double>(w - c.sow) / (c.fcov - c.sow);
  return 1;
}

double DevelopmentFraction(const CropWeeks& c, int32_t w) {
  double g = RootingFraction(c, w);
  if (w > c.ripe) g = 1 - (w - c.ripe) * 0.5 / (c.harv - c.ripe);
  return g;
}

void ComputeCropWork(Workspace& ws) {
  Scenario& s = ws.scenario;
  CheckCropCount(s);
  for (int i = 1; i <= s.CropCount; ++i) {
    const Crop& c = s.Crops[i];
    CropWork& k = s.Crops[i].work;
    const double prodShare = c.DMdistr[kProd];
    const double dmprod = Put(k.DMprod, static_cast<double>(c.PRODi) * c.DMpct * 0.01);
    const double dmtot = Put(k.DMtot, prodShare > 0 ? dmprod / prodShare : 0.0);
    const double dmresi = Put(k.DMresi, dmtot * c.DMdistr[kResi]);
    const double dmroot = Put(k.DMroot, dmtot * c.DMdistr[kRoot]);
    k.Nprod = static_cast<float>(static_cast<double>(c.Npctdm[kProd]) * dmprod * 0.01);
    k.Nresi = static_cast<float>(static_cast<double>(c.Npctdm[kResi]) * dmresi * 0.01);
    k.Nroot = static_cast<float>(static_cast<double>(c.Npctdm[kRoot]) * dmroot * 0.01);
    const double npct = Put(k.Npct, static_cast<double>(c.DMdistr[kProd]) * c.Npctdm[kProd] +
                                        static_cast<double>(c.DMdistr[kResi]) * c.Npctdm[kResi] +
                                        static_cast<double>(c.DMdistr[kRoot]) * c.Npctdm[kRoot]);
    const double dmplant = Put(k.DMplant, static_cast<double>(c.PlantQUANT) * c.PlantDMpct * 0.01);
    const double nplant = Put(k.Nplant, dmplant * c.PlantNpctdm * 0.01);
    k.Nupt = static_cast<float>(dmtot * npct * 0.01 - nplant);
  }
}

void CropCover(Workspace& ws) {
  const Scenario& s = ws.scenario;
  const RunState& run = ws.run;
  const int last = LastRunRecord(ws);
  CheckCropCount(s);

  // Bare soil everywhere first.
  for (int r = 1; r <= last; ++r) {
    WeekRecord& w = ws.weeks[r];
    const double cover = Put(w.Cover, s.ETbare);
    w.RD = 0;
    w.RF1 = 1;
    w.UPTi = static_cast<float>(cover * w.ET0);
    w.NUPTi = 0;
    w.NFIX = 0;
  }

  const double thl = s.Soil[0].THL; // cm, topsoil thickness
  for (int i = 1; i <= s.CropCount; ++i) {
    const Crop& crop = s.Crops[i];
    const CropWeeks c = AbsCropWeeks(crop);
    if (!InsideRun(c, run) || c.harv < c.sow) continue;
    for (int32_t a = c.sow; a <= c.harv; ++a) {
      WeekRecord& w = ws.weeks[a - run.RunStart + 1];
      // Overlapping crops: the larger cover and the deeper roots count.
      const double cover = DevelopmentFraction(c, a) * crop.ETMAX;
      if (w.Cover < cover) w.Cover = static_cast<float>(cover);
      w.UPTi = static_cast<float>(static_cast<double>(w.Cover) * w.ET0);
      const double depth = RootingFraction(c, a) * crop.RDepth;
      if (depth > w.RD) w.RD = static_cast<float>(depth);
      if (w.RD > thl) {
        const double below = (w.RD - thl) / w.RD; // share of the rooting depth below the topsoil
        w.RF1 = static_cast<float>(1 - below * below);
      }
    }
  }
}

void CropNitrogenDemand(Workspace& ws) {
  const Scenario& s = ws.scenario;
  const RunState& run = ws.run;
  LastRunRecord(ws); // the run window must be valid before crop weeks are mapped to records
  CheckCropCount(s);
  const double mwu = s.MWU;

  for (int i = 1; i <= s.CropCount; ++i) {
    const Crop& crop = s.Crops[i];
    const CropWeeks c = AbsCropWeeks(crop);
    if (!InsideRun(c, run)) continue;
    const int offset = 1 - run.RunStart; // record of absolute week a: a + offset

    // Weekly weights: the crop's transpiration, reduced where it got less
    // than the fraction MWU of the water it asked for. BPFN1 holds them
    // until the second pass (the mineral-N balance overwrites it later).
    double sum = 0;
    for (int32_t a = c.sow; a <= c.harv; ++a) {
      WeekRecord& w = ws.weeks[a + offset];
      double cover = DevelopmentFraction(c, a) * crop.ETMAX;
      const double q = w.UPTi > 0 ? (static_cast<double>(w.UPT1) + w.UPT2) / w.UPTi : 1.0;
      if (q < mwu) cover = cover * q / mwu;
      double weight = cover * w.ET0;
      if (!(weight > 0)) weight = 0;
      sum += Put(w.BPFN1, weight);
    }

    const double nupt = crop.work.Nupt;
    const double k = sum > 0 ? nupt / sum : 0.0;
    double fixed = nupt > 0 ? crop.NFIXi / nupt : 0.0;
    if (fixed > 1) fixed = 1;

    // Overlapping crops add up.
    for (int32_t a = c.sow; a <= c.harv; ++a) {
      WeekRecord& w = ws.weeks[a + offset];
      const float x = static_cast<float>(w.BPFN1 * k);
      w.NUPTi = static_cast<float>(static_cast<double>(w.NUPTi) + x);
      w.NFIX = static_cast<float>(w.NFIX + x * fixed);
    }
  }
}

} // namespace kelmar::model
