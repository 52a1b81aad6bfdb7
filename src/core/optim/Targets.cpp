#include "optim/Targets.h"

#include <array>
#include <cmath>

#include "Workspace.h"
#include "model/Driver.h"

namespace kelmar {

namespace {

constexpr std::array<std::string_view, kTargetCount + 1> kCaptions{
    "",
    "1: |Ni-Nm|/Ni TopSoil",
    "2: |Ni-Nm|/Ni SubSoil",
    "3: |OMi-OMm|/OMi",
    "4: |ONi-ONm|/ONi",
    "5: |NUpti-NUptm|/NUpti",
    "6: Measurements not in range 2 TopSoil",
    "7: Measurements not in range 2 SubSoil",
    "8: 1 - Correlation Nm-Ni TopSoil",
    "9: 1 - Correlation Nm-Ni SubSoil",
};

} // namespace

std::string_view TargetCaption(int k) { return k >= 1 && k <= kTargetCount ? kCaptions[k] : ""; }

QTColumn ComputeTargets(const Workspace& ws, const CorrResult& corr) {
  QTColumn qt{};
  const CorrLayer& top = corr.Layer[0];
  const CorrLayer& sub = corr.Layer[1];
  // Without a measurement the comparison keeps a mean of 1 and a mean
  // difference of 0, so these come out 0.
  qt[1] = static_cast<float>(static_cast<double>(top.Ez) / top.Ex);
  qt[2] = static_cast<float>(static_cast<double>(sub.Ez) / sub.Ex);
  qt[3] = static_cast<float>(static_cast<double>(corr.OMDifAbs) / corr.OMiAvg);
  qt[4] = static_cast<float>(static_cast<double>(corr.ONDifAbs) / corr.ONiAvg);

  const RunState& run = ws.run;
  const CropPeriodRow& total = run.Periods[run.PeriodCount];
  qt[5] = total.NUPTi > 0 ? static_cast<float>((static_cast<double>(total.NUPTi) - total.NUPTm) / total.NUPTi)
                          : 0.0f;

  qt[6] = static_cast<float>(top.NMeas - top.n2);
  qt[7] = static_cast<float>(sub.NMeas - sub.n2);
  qt[8] = static_cast<float>(1.0 - std::fabs(static_cast<double>(top.Corr)));
  qt[9] = static_cast<float>(1.0 - std::fabs(static_cast<double>(sub.Corr)));
  return qt;
}

float EvaluateTargets(TPriceAlg& alg, const Workspace& ws, int aSet) {
  const QTColumn qt = ComputeTargets(ws, CalcCorr(ws));
  for (int k = 1; k <= kTargetCount; ++k) alg.QT(k, aSet) = qt[k];
  alg.CombineQT(aSet);
  return alg.QT(0, aSet);
}

void ConnectModel(TPriceAlg& alg, Workspace& ws) {
  alg.OnRunModel = [&ws] { RunModel(ws); };
  alg.OnQTFunction = [&alg, &ws](int aSet) { return EvaluateTargets(alg, ws, aSet); };
}

int UsableMeasurements(const CorrResult& corr, const std::array<bool, kQTRows>& sel) {
  int n = 0;
  if (sel[1] || sel[6] || sel[8]) n += corr.Layer[0].NMeas;
  if (sel[2] || sel[7] || sel[9]) n += corr.Layer[1].NMeas;
  if (sel[3]) n += corr.NOMi;
  if (sel[4]) n += corr.NONi;
  if (sel[5]) n += 1;
  return n;
}

std::string CheckFitStart(TPriceAlg& alg, const Workspace& ws) {
  if (UsableMeasurements(CalcCorr(ws), alg.Selected) == 0) return std::string(kNoMeasurements);
  alg.SetNParms();
  if (alg.NParms() == 0) return std::string(kNoParmsSelected);
  if (alg.NTargets == 0) return std::string(kNoTargetsSelected);
  return {};
}

std::string PopulationGuard(int32_t state) {
  if (state == kPriceInitialised || state == kPriceIterated) return {};
  if (state == kPriceNotInitialised) return std::string(kNotInitialised);
  return BusyGuard(state);
}

std::string BusyGuard(int32_t state) {
  if (state >= kPriceInitStarted && state <= kPriceSetsEvaluated) return std::string(kBusyInitialising);
  if (state >= kPriceIterStarted && state <= kPriceIterFinished) return std::string(kBusyIterating);
  return {};
}

} // namespace kelmar
