// The nine target functions that judge a run against the measurements, the
// checks made before a calibration starts, and the refusals with their
// messages. The combination of the selected targets into the one value the
// search minimises is TPriceAlg::CombineQT (sum, maximum or carrousel, with
// manual and automatic weights).
#pragma once

#include <string>
#include <string_view>

#include "calc/Corr.h"
#include "optim/PriceAlg.h"

namespace kelmar {

struct Workspace;

// Refusals of the calibration commands.
inline constexpr std::string_view kNoMeasurements = "No measurements available for fitting!";
inline constexpr std::string_view kNoParmsSelected = "No parameters selected in Parameter Fitting dialog!";
inline constexpr std::string_view kNoTargetsSelected =
    "No target function(s) selected in Price Options dialog!";
inline constexpr std::string_view kNotInitialised = "Price Algoritm not initialised!";
inline constexpr std::string_view kBusyInitialising = "Price Algoritm busy initialising!";
inline constexpr std::string_view kBusyIterating = "Price Algoritm busy iterating!";

// The caption of target k (1..9), e.g. "1: |Ni-Nm|/Ni TopSoil".
std::string_view TargetCaption(int k);

// The nine target values of the last run, in rows 1..9 (row 0 is 0):
//  1, 2  mean |modelled - measured| mineral N over mean measured, top/subsoil
//  3, 4  the same for organic matter (OMt1 vs OMi) and organic N (Nt1 vs ONi)
//  5     (NUPTi - NUPTm) / NUPTi of the whole run, signed; 0 when NUPTi <= 0
//  6, 7  measurements farther than CorrRng2 from the model, top/subsoil
//  8, 9  1 - |r| of modelled against measured mineral N, top/subsoil
QTColumn ComputeTargets(const Workspace& ws, const CorrResult& corr);

// The target function of a calibration (OnQTFunction): compares the last run
// with the measurements, stores the nine targets in QT(1..9, aSet), combines
// them and returns QT(0, aSet).
float EvaluateTargets(TPriceAlg& alg, const Workspace& ws, int aSet);

// Wires a search to the model of ws: every evaluation runs RunModel and then
// EvaluateTargets.
void ConnectModel(TPriceAlg& alg, Workspace& ws);

// The measurements that the selected targets can use: topsoil mineral N for
// targets 1, 6 or 8, subsoil for 2, 7 or 9, OMi for 3, ONi for 4, and one for 5
// (the crops' intended uptake is always there).
int UsableMeasurements(const CorrResult& corr, const std::array<bool, kQTRows>& selected);

// The checks before Initialise, in order: measurements the targets can use
// (from the current week records), then the fitted parameters (NParms is
// written, which recounts them and discards the population), then the
// selected targets. Returns the refusal message, or "" when fitting can start.
std::string CheckFitStart(TPriceAlg& alg, const Workspace& ws);

// Commands that need a population: "" for states 4 and 8, otherwise the
// message that refuses them.
std::string PopulationGuard(int32_t priceState);
// Commands refused only while a command runs (Options, Close).
std::string BusyGuard(int32_t priceState);

} // namespace kelmar
