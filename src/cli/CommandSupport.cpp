#include "CommandSupport.h"

#include <limits>

#include "Progress.h"
#include "Validators.h"
#include "Workspace.h"
#include "data/FileSystem.h"
#include "data/TextFormat.h"
#include "optim/PriceAlg.h"
#include "optim/PriceOptions.h"
#include "optim/Targets.h"
#include "session/OptionsIni.h"

namespace kelmar::cli {

std::unique_ptr<Workspace> MakeCommandWorkspace() {
  auto ws = MakeWorkspace();
  ws->state.CurrentDir = ExpandFileName(".") + "/";
  ws->state.DataDir = ws->state.CurrentDir;
  ws->state.ExeDir = ws->state.CurrentDir;
  return ws;
}

int ReadIniOption(const std::string& path, Workspace& ws, std::optional<IniFile>& ini) {
  if (path.empty()) return kExitOk;
  return ExitOnFileError([&] {
    ini = IniFile(path);
    ReadOptions(*ini, ws);
  });
}

int LoadStatusExit(LoadStatus s) {
  switch (s) {
  case LoadStatus::Ok:
    return kExitOk;
  case LoadStatus::InvalidId:
  case LoadStatus::CompanionInvalidId:
  case LoadStatus::EnvInvalidId:
    return kExitInvalidId;
  default:
    return kExitFile;
  }
}

int LoadScenarioOrExit(Workspace& ws, const std::string& file, const CompanionOptions& co) {
  const LoadOutcome loaded = LoadScenarioWithCompanions(ws, file, co);
  if (loaded.ok()) return kExitOk;
  ReportError(loaded.message);
  return LoadStatusExit(loaded.status);
}

void AddSearchFlags(CLI::App* cmd, SearchFlags& f) {
  cmd->add_option("--par", f.par, "Take the fit marks and ranges (never the values) from this .PAR file");
  cmd->add_option("--targets", f.targets, "Nine characters 1/0 selecting targets 1..9 (default 111110000)")
      ->check(SwitchesCheck(kTargetCount, "nine characters 1 or 0 were expected (target 1 first)", true));
  cmd->add_option("--weights", f.weights, "W1,...,W9: weights of the targets, 0.01..100 (default 1)")
      ->check(WeightsCheck());
  cmd->add_option("--qttype", f.qtType, "How targets combine: sum, max or carrousel (default sum)")
      ->check(OneOf({"sum", "max", "carrousel"}, "sum, max or carrousel"));
  cmd->add_flag("--autoweigh", f.autoWeigh,
                "Multiply the weights by automatic weights from the initial sets");
  CLI::Option* keep =
      cmd->add_flag("--keepom", f.keepOM, "Keep the sum of the fitted oOM, yOM and fOM constant (default)");
  cmd->add_flag("--no-keepom", f.noKeepOM, "Let oOM, yOM and fOM vary independently")->excludes(keep);
  cmd->add_option("--iter-per-set", f.iterPerSet, "Trials per parameter set; 0: no limit (default 6)")
      ->check(WholeIn(0, std::numeric_limits<int>::max(), "a number 0 or above"));
  cmd->add_option("--ftol", f.ftol, "Stop when the relative range of the combined target is below X (0.001)")
      ->check(RealIn(0, 1, "a number 0..1 was expected"));
  cmd->add_option("--seed", f.seed, "Seed the random generator with N (default: the clock)");
  cmd->add_flag("--init-only", f.initOnly, "Stop after creating the initial sets");
  cmd->add_option("--state", f.state, "Save the search to FILE after every step, and resume from it");
}

void ApplySearchFlags(const SearchFlags& o, PriceOptions& p) {
  if (o.targets) p.Selected = ParseTargets(*o.targets);
  if (o.weights) {
    int count = 0;
    ParseWeights(*o.weights, p.Weight, count);
  }
  if (o.qtType) p.QTType = *o.qtType == "max" ? kQTMax : *o.qtType == "carrousel" ? kQTCarrousel : kQTSum;
  if (o.autoWeigh) p.AutoWeigh = true;
  if (o.keepOM) p.KeepOM = true;
  if (o.noKeepOM) p.KeepOM = false;
  if (o.iterPerSet) p.NIterPSet = *o.iterPerSet;
  if (o.ftol) p.Ftol = static_cast<float>(*o.ftol);
}

int PriceStepExit(const PriceStep& step) {
  switch (step.kind) {
  case PriceStep::kOk:
    return kExitOk;
  case PriceStep::kRefused:
    return kExitUsage;
  case PriceStep::kModelFault:
    return kExitFloat;
  case PriceStep::kInvalidId:
    return kExitInvalidId;
  case PriceStep::kFileError:
    return kExitFile;
  case PriceStep::kStopped:
    return kExitAborted;
  }
  return kExitUsage;
}

void ShowPriceProgress(Progress& progress, const TPriceAlg& alg, bool withRange) {
  switch (alg.PriceState) {
  case kPriceInitStarted:
    progress.start("Creating " + std::to_string(alg.NSets()) + " initial parametersets", alg.NSets());
    progress.update(alg.SetsDone);
    break;
  case kPriceCreatingSets:
    progress.update(alg.SetsDone);
    break;
  case kPriceIterStarted:
    progress.start("Iterating", static_cast<long>(alg.NSets()) * alg.NIterPSet);
    progress.update(alg.StepCount);
    break;
  case kPriceIterating:
    if (withRange)
      progress.update(alg.StepCount,
                      "Range: " + FmtReal(alg.QTMin[0], 0, 3) + " - " + FmtReal(alg.QTMax[0], 0, 3));
    else
      progress.update(alg.StepCount);
    break;
  default:
    progress.finish();
  }
}

} // namespace kelmar::cli
