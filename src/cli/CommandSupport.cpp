#include "CommandSupport.h"

#include <sstream>

#include "session/OptionsIni.h"
#include "Progress.h"
#include "Workspace.h"
#include "data/FileSystem.h"
#include "data/TextFormat.h"
#include "optim/PriceAlg.h"
#include "optim/PriceOptions.h"
#include "optim/Targets.h"

namespace kelmar::cli {

namespace {

bool ParseNumber(const std::string& text, double& v) {
  try {
    std::size_t used = 0;
    v = std::stod(text, &used);
    return used == text.size();
  } catch (...) {
    return false;
  }
}

} // namespace

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

void AddSearchFlags(CLI::App* cmd, SearchFlags& f) {
  cmd->add_option("--par", f.par, "Take the fit marks and ranges (never the values) from this .PAR file");
  cmd->add_option("--targets", f.targets, "Nine characters 1/0 selecting targets 1..9 (default 111110000)");
  cmd->add_option("--weights", f.weights, "W1,...,W9: weights of the targets, 0.01..100 (default 1)");
  cmd->add_option("--qttype", f.qtType, "How targets combine: sum, max or carrousel (default sum)");
  cmd->add_flag("--autoweigh", f.autoWeigh,
                "Multiply the weights by automatic weights from the initial sets");
  cmd->add_flag("--keepom", f.keepOM, "Keep the sum of the fitted oOM, yOM and fOM constant (default)");
  cmd->add_flag("--no-keepom", f.noKeepOM, "Let oOM, yOM and fOM vary independently");
  cmd->add_option("--iter-per-set", f.iterPerSet, "Trials per parameter set; 0: no limit (default 6)");
  cmd->add_option("--ftol", f.ftol, "Stop when the relative range of the combined target is below X (0.001)");
  cmd->add_option("--seed", f.seed, "Seed the random generator with N (default: the clock)");
  cmd->add_flag("--init-only", f.initOnly, "Stop after creating the initial sets");
  cmd->add_option("--state", f.state, "Save the search to FILE after every step, and resume from it");
}

std::string ApplySearchFlags(const SearchFlags& o, PriceOptions& p) {
  if (o.targets) {
    if (o.targets->size() != kTargetCount || o.targets->find_first_not_of("01") != std::string::npos)
      return "--targets: nine characters 1 or 0 were expected (target 1 first), found '" + *o.targets + "'";
    p.Selected = ParseTargets(*o.targets);
  }
  if (o.weights) {
    std::stringstream in(*o.weights);
    std::string item;
    int k = 0;
    while (std::getline(in, item, ',')) {
      double w = 0;
      if (++k > kTargetCount || !ParseNumber(Trim(item), w) || w < 0.01 || w > 100)
        return "--weights: up to nine weights 0.01..100, separated by commas, were expected, found '" +
               *o.weights + "'";
      p.Weight[k] = static_cast<float>(w);
    }
    if (k == 0) return "--weights: at least one weight was expected";
  }
  if (o.qtType) {
    if (*o.qtType == "sum")
      p.QTType = kQTSum;
    else if (*o.qtType == "max")
      p.QTType = kQTMax;
    else if (*o.qtType == "carrousel")
      p.QTType = kQTCarrousel;
    else
      return "--qttype: sum, max or carrousel was expected, found '" + *o.qtType + "'";
  }
  if (o.autoWeigh) p.AutoWeigh = true;
  if (o.keepOM && o.noKeepOM) return "--keepom and --no-keepom exclude each other";
  if (o.keepOM) p.KeepOM = true;
  if (o.noKeepOM) p.KeepOM = false;
  if (o.iterPerSet) {
    if (*o.iterPerSet < 0) return "--iter-per-set: a number 0 or above was expected";
    p.NIterPSet = *o.iterPerSet;
  }
  if (o.ftol) {
    if (!(*o.ftol >= 0 && *o.ftol <= 1)) return "--ftol: a number 0..1 was expected";
    p.Ftol = static_cast<float>(*o.ftol);
  }
  return {};
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
