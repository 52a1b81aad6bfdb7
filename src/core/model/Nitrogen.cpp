// The mineral nitrogen of the topsoil and the subsoil, week by week: inputs
// from mineralisation, irrigation and deposition, bypass of incoming N,
// denitrification, crop uptake split between the layers, leaching with the
// matrix flow, and the reduction of fixation by mineral N.

#include <algorithm>

#include "Workspace.h"
#include "model/Processes.h"
#include "model/Water.h"

namespace kelmar::model {

namespace {

constexpr float Single(double v) { return static_cast<float>(v); }

// An uptake cannot take more than the layer holds after its inputs, nor
// anything from a layer that has gone negative.
float LimitUptake(float uptake, float available) {
  if (uptake > available) return available < 0 ? 0.0f : available;
  return uptake;
}

// Denitrification of a layer: it grows with the organic matter decomposed, the
// mineral N above the threshold and the relative water content.
float Denitrification(double factor, float dOM, float N, double threshold, float teta, double wilt,
                      float fc) {
  if (!(N >= threshold)) return 0.0f;
  return Single(0.001 * factor * dOM * (N - threshold) * (teta - wilt) / (fc - wilt));
}

} // namespace

void InitDeposition(Workspace& ws) {
  ws.run.DepWeek = Single(static_cast<double>(ws.scenario.NDep) * (1.0 / 52));
}

void MineralNitrogen(Workspace& ws) {
  const Scenario& sc = ws.scenario;
  const RunState& run = ws.run;
  const int32_t weeks = LastRunRecord(ws) - 1; // never past record 521
  const SoilLayer& top = sc.Soil[0];
  const SoilLayer& sub = sc.Soil[1];
  const double dep = run.DepWeek;        // kg N/ha per week
  const double NLF1 = top.NLF;           // [-]
  const double NLF2 = sub.NLF;           // [-]
  const double NFix0 = sc.NFix0;         // kg N/ha
  const double wilt1 = run.WiltWater[1]; // mm
  const double wilt2 = run.WiltWater[2]; // mm

  WeekRecord& init = ws.weeks[0];
  init.N1 = top.NMIN;
  init.N2 = sub.NMIN;
  init.BPFN1 = init.BPFN2 = 0;
  init.MNin1 = init.MNin2 = 0;
  init.NewN1 = Single(static_cast<double>(init.N1) + init.MNin1);
  init.NewN2 = Single(static_cast<double>(init.N2) + init.MNin2);
  init.NUPT1 = init.NUPT2 = 0;
  init.MNout1 = init.MNout2 = 0;
  init.Nout1 = init.Nout2 = 0;
  init.NUPTm = 0;
  init.cAvail = Single(static_cast<double>(init.NewN1) + init.NewN2);
  init.cNUPTi = init.cNUPTm = init.cNout = 0;
  init.NetAvail = init.cAvail;

  for (int r = 1; r <= weeks + 1; ++r) {
    const WeekRecord& p = ws.weeks[r - 1];
    WeekRecord& w = ws.weeks[r];

    w.N1 = Single(static_cast<double>(p.NewN1) - p.NUPT1 - p.MNout1);
    w.N2 = Single(static_cast<double>(p.NewN2) - p.NUPT2 - p.MNout2);

    // Topsoil: part of the N in rain and irrigation bypasses the matrix.
    w.BPFN1 = Single((w.NIrr + dep) * w.BP1);
    w.MNin1 = Single(static_cast<double>(w.dNt1) + w.NIrr + dep - w.BPFN1);

    // Full fixation up to NFix0 of mineral N, falling linearly to none at twice NFix0.
    if (2 * NFix0 <= w.N1)
      w.NFIX = 0;
    else if (w.N1 >= NFix0)
      w.NFIX = Single(2 * static_cast<double>(w.NFIX) - static_cast<double>(w.N1) * w.NFIX / NFix0);

    w.Den1 = Denitrification(sc.DNF, w.dOMt1, w.N1, sc.DN0, w.Teta1, wilt1, w.FC1);
    w.NewN1 = Single(static_cast<double>(w.N1) + w.MNin1 - w.Den1);

    // Uptake from the soil; the topsoil's share follows the concentrations in
    // the water taken up from each layer. The 0.001 terms keep the split
    // defined without topsoil uptake or topsoil N.
    const float S = Single(static_cast<double>(w.NUPTi) - w.NFIX);
    w.NUPT1 = Single(S / ((w.UPT2 / (0.001 + w.UPT1)) * w.Teta1 / w.Teta2 * w.N2 / (0.001 + w.N1) + 1));
    w.NUPT1 = LimitUptake(w.NUPT1, w.NewN1);

    // Leaching from the topsoil: downward with the topsoil's concentration,
    // upward (negative) with the subsoil's.
    double out1 = w.MFOUT1 >= 0 ? static_cast<double>(w.MFOUT1) / w.Teta1 * w.N1 * NLF1
                                : static_cast<double>(w.MFOUT1) / w.Teta2 * w.N2 * NLF1;
    out1 = std::min(out1, (static_cast<double>(w.NewN1) - w.NUPT1) * NLF1);
    w.MNout1 = Single(out1);
    w.Nout1 = Single(static_cast<double>(w.BPFN1) + w.MNout1);

    // Subsoil bypass: a negative BPF2 is topsoil bypass water the subsoil
    // matrix absorbs, with its share of the bypass N.
    if (w.BPF2 < 0)
      w.BPFN2 = Single(static_cast<double>(w.BPF2) / w.BPF1 * w.BPFN1);
    else
      w.BPFN2 = Single(static_cast<double>(w.BPF2) * w.N1 / w.Teta1 * NLF1);
    w.MNin2 = Single(static_cast<double>(w.dNt2) + w.MNout1 - w.BPFN2);

    w.Den2 = Denitrification(sc.DNF2, w.dOMt2, w.N2, sc.DN02, w.Teta2, wilt2, w.FC2);
    w.NewN2 = Single(static_cast<double>(w.N2) + w.MNin2 - w.Den2);

    // The subsoil is asked for the rest of the uptake.
    w.NUPT2 = LimitUptake(Single(static_cast<double>(S) - w.NUPT1), w.NewN2);

    // Leaching from the subsoil; capillary rise brings ground water of NGW mg/l,
    // 1 mm of which carries NGW x 0.01 kg N/ha.
    double out2 = w.MFOUT2 >= 0 ? static_cast<double>(w.MFOUT2) / w.Teta2 * w.N2 * NLF2
                                : static_cast<double>(w.MFOUT2) * w.NGW * 0.01 * NLF2;
    out2 = std::min(out2, (static_cast<double>(w.NewN2) - w.NUPT2) * NLF2);
    w.MNout2 = Single(out2);

    w.Nout2 = Single(static_cast<double>(w.BPFN1) + w.BPFN2 + w.MNout2);
    w.NUPTm = Single(static_cast<double>(w.NUPT1) + w.NUPT2 + w.NFIX);

    w.cAvail = Single(static_cast<double>(p.cAvail) + w.dNt1 + w.NIrr + dep + w.NFIX + w.dNt2);
    w.cNUPTi = Single(static_cast<double>(p.cNUPTi) + w.NUPTi);
    w.cNUPTm = Single(static_cast<double>(p.cNUPTm) + w.NUPTm);
    w.cNout = Single(static_cast<double>(p.cNout) + w.Nout2);
    w.NetAvail = Single(static_cast<double>(p.NetAvail) + w.dNt1 + w.NIrr + dep + w.NFIX - w.Nout2 - w.Den1 +
                        w.dNt2 - w.Den2);
  }
}

} // namespace kelmar::model
