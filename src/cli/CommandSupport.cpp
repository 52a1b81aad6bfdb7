#include "CommandSupport.h"

#include "OptionsIni.h"
#include "Progress.h"
#include "Workspace.h"
#include "data/FileSystem.h"
#include "data/TextFormat.h"
#include "optim/PriceAlg.h"

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
