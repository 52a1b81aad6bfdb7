// Pieces that several subcommands share: the workspace of one command, the
// program's INI settings, exit codes of file failures, and the progress of a
// Price search.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "Command.h"
#include "data/Errors.h"
#include "data/IniFile.h"
#include "model/Driver.h"
#include "session/Companions.h"
#include "session/PriceSession.h"

namespace kelmar {
struct Workspace;
class TPriceAlg;
struct PriceOptions;
} // namespace kelmar

namespace kelmar::cli {

class Progress;

// A workspace whose current, data and program directories are the process's
// current directory.
std::unique_ptr<Workspace> MakeCommandWorkspace();

// Reads the INI file named by --ini (when given) into `ini` and its section
// "Kelmar Options" into the workspace. Returns an exit code (kExitOk or the
// code of the failure, already reported).
int ReadIniOption(const std::string& path, Workspace& ws, std::optional<IniFile>& ini);

int LoadStatusExit(LoadStatus s);

// Loads a scenario with its companions; a failure is reported in the
// program's words and becomes its exit code.
int LoadScenarioOrExit(Workspace& ws, const std::string& file, const CompanionOptions& co);

// Runs f (model runs); a floating-point fault is reported as the desktop
// program reports it ("Calculating " + scenario file, the error and the step)
// and becomes its exit code.
template <typename F> int ExitOnRunFault(const std::string& scenarioFile, F&& f) {
  try {
    f();
    return kExitOk;
  } catch (const FloatingPointFault& e) {
    ReportError("Calculating " + scenarioFile + "\r" + e.what() + " (" + e.step() + ")");
    return kExitFloat;
  }
}

// Runs f; an invalid identifier or a file error is reported in the program's
// words and becomes its exit code.
template <typename F> int ExitOnFileError(F&& f) {
  try {
    f();
    return kExitOk;
  } catch (const InvalidFileId& e) {
    ReportError(e.what());
    return kExitInvalidId;
  } catch (const FileError& e) {
    ReportError(e.what());
    return kExitFile;
  }
}

// The flags of a Price search, shared by `kelmar fit` and `kelmar multirun price`.
struct SearchFlags {
  std::string par; // fit marks and ranges, never values, from this .PAR file
  std::optional<std::string> targets;
  std::optional<std::string> weights;
  std::optional<std::string> qtType;
  bool autoWeigh = false;
  bool keepOM = false, noKeepOM = false;
  std::optional<int> iterPerSet;
  std::optional<double> ftol;
  std::optional<uint32_t> seed;
  bool initOnly = false;
  std::string state;
};

// The flags with their checks (a refused value is a usage error).
void AddSearchFlags(CLI::App* cmd, SearchFlags& f);
// Puts the flags given into the Price options.
void ApplySearchFlags(const SearchFlags& f, PriceOptions& p);

// The exit status of a step of a Price search.
int PriceStepExit(const PriceStep& step);

// Shows the state of a Price search on the progress bar; with `withRange`
// the iterations show the current range of the combined target.
void ShowPriceProgress(Progress& progress, const TPriceAlg& alg, bool withRange);

} // namespace kelmar::cli
