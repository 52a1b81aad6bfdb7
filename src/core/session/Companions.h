// Loading a scenario together with the files that belong to it: the
// irrigation, N-mineral and organic-matter series and the parameter file of
// the same base name, and the environment file the scenario names. The
// desktop program and the command line share this flow; questions to the
// user (save unsaved series first?) go through a callback.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "data/ParFile.h"
#include "optim/MultiRun.h"
#include "records/Scenario.h"

namespace kelmar {

struct Workspace;

struct CompanionOptions {
  bool companions = true; // read the .IRR, .MIN, .OM and .PAR companions
  std::string envFile;    // this environment file instead of the scenario's EnviFile
  ParIncludes par{};      // which columns the .PAR companion supplies
  // Asked before a series in memory is replaced by its companion file or,
  // when there is none, emptied; false keeps it (the desktop program asks
  // whether to save it first).
  std::function<bool(SeriesKind)> mayReplace;
};

enum class LoadStatus {
  Ok,                 // scenario, companions and environment loaded
  InvalidId,          // the scenario file has no valid identifier; nothing changed
  ReadError,          // the scenario file could not be read
  CompanionInvalidId, // a companion file has an invalid identifier
  CompanionReadError, // a companion file could not be read
  EnvInvalidId,       // the environment file has an invalid identifier
  EnvReadError,       // the environment file could not be read
  EnvMissing,         // the scenario loaded, its environment file does not exist
};

struct LoadOutcome {
  LoadStatus status = LoadStatus::Ok;
  std::string message; // the program's message for a failure (CR as line break)
  std::string envPath; // the environment file looked for
  // Which series were read from their files (by SeriesKind); a series whose
  // companion is missing was emptied instead, one the caller kept is neither.
  std::array<bool, kSeriesCount> seriesRead{};
  std::array<bool, kSeriesCount> seriesEmptied{};
  bool ok() const { return status == LoadStatus::Ok; }
};

// The environment file of the loaded scenario: EnviFile with the extension
// ".ENV", in the directory EnviFile names (a relative one is taken relative
// to the scenario's directory) or else in DataDir; an existing file whose
// name differs only in case is found too.
std::string EnvironmentFileName(const Workspace& ws);

// The companion of the scenario with extension ext (".IRR", ".MIN", ".OM",
// ".PAR") in DataDir, matched case-insensitively; "" when there is none.
std::string CompanionFileName(const Workspace& ws, const char* ext);

LoadOutcome LoadScenarioWithCompanions(Workspace& ws, const std::string& fileName,
                                       const CompanionOptions& opt = {});

// LoadScenarioWithCompanions for batches: the scenarios of a MultiRun and the
// rows of a summary grid that are reloaded.
ScenarioLoadResult LoadScenarioForBatch(Workspace& ws, const std::string& path, const ParIncludes& par);

} // namespace kelmar
