#include "session/PriceSession.h"

#include "Workspace.h"
#include "data/Errors.h"
#include "data/FileSystem.h"
#include "model/Driver.h"
#include "optim/PriceAlg.h"
#include "optim/PriceSets.h"
#include "optim/Targets.h"

namespace kelmar {

PriceSession::PriceSession(Workspace& ws, TPriceAlg& alg) : ws_(ws), alg_(alg) {}

PriceStep PriceSession::Prepare(const PriceOptions& options, std::optional<uint32_t> seed) {
  try {
    RunModel(ws_);
  } catch (const FloatingPointFault& e) {
    return {PriceStep::kModelFault, "Calculating " + ws_.scenario.ScenarioFile + "\r" + e.what(), e.step()};
  }
  alg_.SetOptions(options);
  ConnectModel(alg_, ws_);
  if (std::string refusal = CheckFitStart(alg_, ws_); !refusal.empty())
    return {PriceStep::kRefused, refusal, {}};
  if (seed) alg_.Rng.seed(*seed);
  return {};
}

PriceStep PriceSession::UseCheckpoint(const std::string& stateFile) {
  stateFile_ = stateFile;
  resumed_ = false;
  if (stateFile.empty() || !FileExists(stateFile)) return {};
  try {
    LoadPriceState(alg_, stateFile);
  } catch (const InvalidFileId& e) {
    return {PriceStep::kInvalidId, e.what(), {}};
  } catch (const FileError& e) {
    return {PriceStep::kFileError, e.what(), {}};
  }
  resumed_ = true;
  return {};
}

bool PriceSession::stopNow() { return abort_ || !saveError_.empty() || (StopRequested && StopRequested()); }

PriceStep PriceSession::Search(bool initOnly) {
  alg_.OnCheckpoint = [this] {
    if (!stateFile_.empty()) {
      try {
        SavePriceState(stateFile_, alg_);
      } catch (const FileError& e) {
        if (saveError_.empty()) saveError_ = e.what();
      }
    }
    if (alg_.PriceState == kPriceCreatingSets || alg_.PriceState == kPriceIterating) ++steps_;
  };
  // Once asked to stop, the search stays stopped.
  stopped_ = false;
  alg_.OnProgress = [this] {
    if (OnProgress) OnProgress(alg_);
    stopped_ = stopped_ || stopNow();
    return stopped_;
  };
  PriceStep result;
  try {
    if (resumed_)
      alg_.Resume();
    else
      alg_.Initialise();
    if (!initOnly && !stopped_ && !stopNow() && alg_.PriceState == kPriceInitialised) alg_.Iterate();
  } catch (const InvalidFileId& e) {
    result = {PriceStep::kInvalidId, e.what(), {}};
  } catch (const FileError& e) {
    result = {PriceStep::kFileError, e.what(), {}};
  }
  alg_.OnCheckpoint = nullptr;
  alg_.OnProgress = nullptr;
  if (!result.ok()) return result;
  if (!saveError_.empty()) return {PriceStep::kFileError, saveError_, {}};
  if (stopped_ || stopNow()) return {PriceStep::kStopped, {}, {}};
  return {};
}

} // namespace kelmar
