// The water balance of the two soil layers: run constants, the ground-water
// table with field capacities and maximum capillary rise, and the weekly
// balance with bypass flow, matrix flow, capillary rise and crop uptake.
//
// Every formula is evaluated in double precision from the stored
// single-precision fields; a value is rounded when it is stored in a week
// record, and later formulas read the stored (rounded) value back. Working
// values that are not stored (the capillary rises, stress factors, the
// drainage surplus) stay in double.
#include "model/Water.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "Workspace.h"
#include "model/Processes.h"
#include "model/Weeks.h"

namespace kelmar::model {

namespace {

// Rounds v into a stored field and gives back what was stored.
double Put(float& field, double v) {
  field = static_cast<float>(v);
  return field;
}

// Share of the maximum capillary rise that a suction difference mobilises.
double RiseShare(double x) {
  if (x < 0) x = 0;
  if (x > 1) x = 1;
  return x;
}

// Volume fraction, suction and pF of a layer from its stored water content.
void DeriveSuction(const SoilLayer& layer, float teta, float& theta, float& fi, float& pF) {
  const double frac = Put(theta, static_cast<double>(teta) / layer.THL * 0.1);
  const double h = Put(fi, SuctionAtFraction(layer.GAM, layer.SMO, frac));
  pF = static_cast<float>(std::log10(h));
}

// Field capacity (mm) of a layer whose middle lies h cm above the water
// table, h limited to 1..100 cm.
double FieldCapacity(const SoilLayer& layer, double h) {
  if (h > 100) h = 100;
  if (h < 1) h = 1;
  return WaterAtSuction(layer.GAM, layer.THL, layer.SMO, h);
}

// Maximum capillary rise (mm/week) from the exponent's numerator, at most 21.
double MaxRise(double numerator, double crx) {
  double v = 7 * std::exp(numerator / crx);
  if (v > 21) v = 21;
  return v;
}

} // namespace

double WaterAtSuction(double gam, double thl, double smo, double h) {
  const double lnh = std::log(h);
  return std::exp(-gam * (lnh * lnh)) * thl * smo * 10;
}

double SuctionAtFraction(double gam, double smo, double theta) {
  double l = std::log(smo / theta);
  // A saturated layer (theta = smo in exact arithmetic, for instance an
  // initial suction of 1 cm) can come out a rounding step above smo; the
  // curve has no inverse there, saturation has suction 1 cm.
  if (l < 0) l = 0;
  return std::exp(std::sqrt(l * (1 / gam)));
}

double TemperatureFactor(double Tc) {
  double f;
  if (Tc <= -1)
    f = 0;
  else if (Tc <= 9)
    f = (Tc + 1) * 0.1;
  else if (Tc <= 27)
    f = std::pow(2.0, (Tc - 9) / 9);
  else
    f = 4;
  return f * 0.88;
}

double MoistureFactor(double pF) {
  if (pF < 2.7) return 1;
  if (pF <= 4.21) return (4.21 - pF) / 1.51;
  return 0;
}

double UptakeStress(double pF) { return pF <= 2.7 ? 1.0 : (4.21 - pF) / 1.51; }

int LastRunRecord(const Workspace& ws) {
  const int weeks = ws.scenario.Weeks;
  if (weeks < 1 || weeks > kMaxWeeks || ws.run.RunEnd - ws.run.RunStart + 1 != weeks)
    throw std::logic_error("model pass called without a valid run window");
  return weeks + 1;
}

void InitWaterConstants(Workspace& ws) {
  for (int k = 1; k <= 2; ++k) {
    const SoilLayer& layer = ws.scenario.Soil[k - 1];
    ws.run.WiltWater[k] = static_cast<float>(WaterAtSuction(layer.GAM, layer.THL, layer.SMO, kWiltSuction));
    ws.run.InitWater[k] = static_cast<float>(WaterAtSuction(layer.GAM, layer.THL, layer.SMO, layer.IFi));
  }
}

void GroundWater(Workspace& ws) {
  Scenario& s = ws.scenario;
  const int last = LastRunRecord(ws);
  const SoilLayer& top = s.Soil[0];
  const SoilLayer& sub = s.Soil[1];
  WaterTablePoint& p1 = s.WaterTable[0]; // maximum level
  WaterTablePoint& p2 = s.WaterTable[1]; // minimum level

  // The first point must come first in the year, and the table must lie
  // below the profile; both corrections stay in the scenario.
  if (p1.Week >= p2.Week) p1.Week = static_cast<float>(static_cast<double>(p2.Week) - 1);
  const double depth = static_cast<double>(top.THL) + sub.THL;
  if (p1.GWT <= depth) p1.GWT = static_cast<float>(depth + 5);
  if (p2.GWT <= depth) p2.GWT = static_cast<float>(depth + 5);

  const double w1 = p1.Week, w2 = p2.Week;
  const double gwt1 = p1.GWT, gwt2 = p2.GWT;
  const double ngw1 = p1.NGW, ngw2 = p2.NGW;
  for (int r = 1; r <= last; ++r) {
    WeekRecord& w = ws.weeks[r];
    const double y = WeekOfYear(ws.run.RunStart + r - 1);
    // Linear on a cyclic year: rising from point 1 to point 2, falling back
    // from point 2 over the turn of the year to point 1.
    double gwt, ngw;
    if (y < w1) {
      const double f = ((y + 52) - w2) / ((w1 + 52) - w2);
      gwt = gwt2 + (gwt1 - gwt2) * f;
      ngw = ngw2 + (ngw1 - ngw2) * f;
    } else if (y <= w2) {
      const double f = (y - w1) / (w2 - w1);
      gwt = gwt1 + (gwt2 - gwt1) * f;
      ngw = ngw1 + (ngw2 - ngw1) * f;
    } else {
      const double f = (y - w2) / ((w1 + 52) - w2);
      gwt = gwt2 + (gwt1 - gwt2) * f;
      ngw = ngw2 + (ngw1 - ngw2) * f;
    }
    const double table = Put(w.GWT, gwt);
    w.NGW = static_cast<float>(ngw);

    // Heights above the table of the middles of the layers.
    const double h1 = table - top.THL * 0.5;
    const double h2raw = table - top.THL - sub.THL * 0.5;
    double h2 = h2raw;
    if (h2 > 100) h2 = 100;
    if (h2 < 1) h2 = 1;
    w.FC1 = static_cast<float>(FieldCapacity(top, h1));
    w.FC2 = static_cast<float>(FieldCapacity(sub, h2raw));
    // The rise into the topsoil uses the limited h2, that from the ground
    // water the real distance.
    w.CRmax1 = static_cast<float>(MaxRise(top.CRc - top.THL * 0.5 - h2, top.CRx));
    w.CRmax2 = static_cast<float>(MaxRise(sub.CRc - h2raw, sub.CRx));
  }
}

void WaterBalance(Workspace& ws) {
  const Scenario& s = ws.scenario;
  const int last = LastRunRecord(ws);
  const SoilLayer& top = s.Soil[0];
  const SoilLayer& sub = s.Soil[1];
  const double wilt1 = ws.run.WiltWater[1]; // mm
  const double wilt2 = ws.run.WiltWater[2]; // mm

  // Initial state: the water of the initial suctions, no flows.
  WeekRecord& w0 = ws.weeks[0];
  w0.Teta1 = ws.run.InitWater[1];
  w0.Teta2 = ws.run.InitWater[2];
  DeriveSuction(top, w0.Teta1, w0.theta1, w0.Fi1, w0.pF1);
  DeriveSuction(sub, w0.Teta2, w0.theta2, w0.Fi2, w0.pF2);
  w0.BP1 = w0.BPF1 = w0.MFIN1 = 0;
  w0.BP2 = w0.BPF2 = w0.MFIN2 = 0;
  w0.NTeta1 = static_cast<float>(static_cast<double>(w0.Teta1) + w0.MFIN1);
  w0.NTeta2 = static_cast<float>(static_cast<double>(w0.Teta2) + w0.MFIN2);
  w0.UPT1 = w0.MFOUT1 = w0.FOUT1 = 0;
  w0.UPT2 = w0.MFOUT2 = w0.FOUT2 = 0;
  w0.fT = w0.fTheta = w0.fT_fTheta = w0.fT_fTheta2 = w0.UPTm = 0;

  for (int r = 1; r <= last; ++r) {
    const WeekRecord& p = ws.weeks[r - 1];
    WeekRecord& w = ws.weeks[r];

    // Water at the start of the week: what the previous week left.
    const double teta1 = Put(w.Teta1, static_cast<double>(p.NTeta1) - p.UPT1 - p.MFOUT1);
    const double teta2 = Put(w.Teta2, static_cast<double>(p.NTeta2) - p.UPT2 - p.MFOUT2);
    DeriveSuction(top, w.Teta1, w.theta1, w.Fi1, w.pF1);
    DeriveSuction(sub, w.Teta2, w.theta2, w.Fi2, w.pF2);
    const double pF1 = w.pF1;
    const double pF2 = w.pF2;

    // Decomposition factors.
    const double fT = Put(w.fT, TemperatureFactor(w.Tc));
    const double fTheta = Put(w.fTheta, MoistureFactor(pF1));
    w.fT_fTheta = static_cast<float>(fT * fTheta);
    w.fT_fTheta2 = static_cast<float>(fT * MoistureFactor(pF2));

    // Topsoil inflow: above the threshold part of the water bypasses the matrix.
    const double precip = static_cast<double>(w.Rain) + w.Irr;
    const double bp1 = Put(w.BP1, precip > top.FI ? static_cast<double>(top.BPF) : 0.0);
    const double bpf1 = Put(w.BPF1, precip * bp1);
    const double mfin1 = Put(w.MFIN1, precip - bpf1);

    // Capillary rise from the subsoil, as far as the subsoil holds water
    // above its wilting point.
    double cr1 = w.CRmax1 * RiseShare((pF1 - pF2) * 2.5);
    if (teta2 - wilt2 < cr1) cr1 = teta2 - wilt2;

    const double nteta1 = Put(w.NTeta1, teta1 + mfin1);

    // Topsoil uptake; a subsoil drier than pF 2.7 leaves the whole demand
    // to the topsoil.
    const double s1 = UptakeStress(pF1);
    double upt1 = pF2 <= 2.7 ? static_cast<double>(w.UPTi) * w.RF1 * s1 : static_cast<double>(w.UPTi) * s1;
    upt1 = Put(w.UPT1, std::min(upt1, nteta1 + cr1 - wilt1));

    // Topsoil drainage to field capacity, or an upward flow of at most cr1.
    const double x1 = nteta1 + cr1 - upt1 - w.FC1;
    double mfout1;
    if (x1 > 0)
      mfout1 = x1 - cr1;
    else
      mfout1 = x1 >= -cr1 ? x1 : -cr1;
    mfout1 = Put(w.MFOUT1, mfout1);
    const double fout1 = Put(w.FOUT1, bpf1 + mfout1);

    // Subsoil inflow: the total bypass through the subsoil is fout1 x bp2;
    // BPF2 is what it adds to (or, negative, takes from) the topsoil bypass.
    const double bp2 = Put(w.BP2, fout1 > sub.FI ? static_cast<double>(sub.BPF) : 0.0);
    const double bpf2 = Put(w.BPF2, fout1 * bp2 - bpf1);
    const double mfin2 = Put(w.MFIN2, mfout1 - bpf2);

    // Capillary rise from the ground water into the subsoil.
    const double d = static_cast<double>(w.GWT) - top.THL - sub.THL * 0.5;
    const double cr2 = w.CRmax2 * RiseShare((pF2 - std::log10(d)) * 2.5);

    const double nteta2 = Put(w.NTeta2, teta2 + mfin2);

    // Subsoil uptake: what the topsoil did not supply, limited to the
    // roots' share of the available water.
    const double u = static_cast<double>(w.UPTi) - upt1;
    double upt2 = pF2 <= 2.7 ? u : u * (4.21 - pF2) / 1.51;
    upt2 = Put(w.UPT2, std::min(upt2, (nteta2 + cr2 - wilt2) * (1 - static_cast<double>(w.RF1))));

    const double x2 = nteta2 + cr2 - upt2 - w.FC2;
    const double mfout2 = Put(w.MFOUT2, x2 > 0 ? x2 - cr2 : std::max(x2, -cr2));

    w.FOUT2 = static_cast<float>(bpf1 + bpf2 + mfout2);
    w.UPTm = static_cast<float>(upt1 + upt2);
  }
}

} // namespace kelmar::model
