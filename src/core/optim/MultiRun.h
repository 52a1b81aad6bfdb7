// MultiRun: many runs without user interaction, one summary line per run in
// a summary file. Three kinds of batch: every scenario of the data directory;
// the current scenario with every environment file of a directory (the
// variation comes only from those files); the current scenario with every
// parameter set of a Price population. The runs are independent of each
// other, so a batch can be spread over worker threads or split into shards
// for several machines; the summary file is the same either way.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "data/ParFile.h"
#include "report/SumFile.h"

namespace kelmar {

struct Workspace;
class IniFile;
class TPriceAlg;

enum MultiRunMode : int32_t {
  kRunAllScenarios = 0,    // every *.DAT of DataDir
  kRunAllEnvironments = 1, // the current scenario with every *.ENV of EnviDir
  kRunAllPriceSets = 2,    // the current scenario with every Price set
};

// MRunState: whether the summaries shown are valid.
enum MRunStateKind : int32_t {
  kMRunInvalid = 0,  // no valid summaries
  kMRunStarting = 1, // a run is starting
  kMRunRunning = 2,  // a run is under way
  kMRunShown = 3,    // summaries shown
};

// The option word a batch runs with: no parameter backup on load, P and K as
// elements, no editor windows; in particular no model run on loading.
inline constexpr uint32_t kMultiRunOptionWord = 0x0181;

inline constexpr const char* kMultiRunSection = "MultiRun Options";

struct MultiRunOptions {
  ItemSelection Included{}; // the summary items shown ("SummItems")
  std::string EnviDir;      // environment directory, with a trailing '/'
  bool Overwrite = false;   // replace existing files without asking
  bool SaveRslts = false;   // write the graph-data table of every run to a .PRN file
};

// Reads section "MultiRun Options": "SummItems" (missing: no item), "EnviDir"
// (missing or empty: dataDir), "Overwrite" and "SaveRslts" (missing: false).
MultiRunOptions ReadMultiRunOptions(const IniFile& ini, const std::string& dataDir);
void WriteMultiRunOptions(IniFile& ini, const MultiRunOptions& opt);

// The seven groups of summary items the options dialog switches together.
struct ItemGroup {
  int first, last; // item numbers, inclusive
  std::string_view caption;
  std::string_view hint;
};
inline constexpr std::array<ItemGroup, 7> kItemGroups{{
    {1, 7, "1", "Check water balance"},
    {8, 19, "2", "Check organic matter balance topsoil"},
    {20, 25, "3", "Check organic matter balance subsoil"},
    {26, 34, "4", "Check nitrogen balance"},
    {35, 56, "5", "Check mineral balance"},
    {57, 66, "6", "Check Nm vs Ni topsoil"},
    {67, 76, "7", "Check Nm vs Ni subsoil"},
}};
// Includes (on) or excludes the items of group g (0..6).
void SetItemGroup(ItemSelection& sel, int g, bool on);

// "Selected: " + NItems + " of 76 summary items".
std::string SelectionStatus(const ItemSelection& sel);
// The MultiRun window's status line for a state and a number of items.
std::string MultiRunStatusLine(int32_t mrunState, int nItems);

// The summary file of a batch: DataDir + "MULTIRUN.SUM" for the scenarios of
// a directory, the scenario file with the extension ".SUM" otherwise.
std::string DefaultSumFile(const Workspace& ws, MultiRunMode mode);
// The question before an existing summary file is replaced (Yes / Abort).
std::string SumFileExistsQuestion(const std::string& sumFile);

// Progress of a batch, reported after every run.
struct MultiRunStatus {
  int32_t MRunState = kMRunInvalid;
  int32_t NScen = 0;      // scenarios of the batch
  int32_t NEnv = 0;       // environments per scenario
  int32_t DoneRuns = 0;   // runs made
  int32_t LoadErrors = 0; // runs that failed to load or to calculate
};
inline constexpr std::string_view kMultiRunCaption = "MultiRun progress...";
// "Running " + NScen + " scenario(s) with " + NEnv + " environment(s)".
std::string MultiRunProgressLine(const MultiRunStatus& s);

// The answer to "Result <name> already exists. Replace ?".
enum class ReplaceAnswer { Yes, No, Abort, All };

struct MultiRunCallbacks {
  // After the start, after every run and at the end (MRunState 3 complete,
  // 0 aborted). Always called on the thread that started the batch.
  std::function<void(const MultiRunStatus&)> OnProgress;
  // Polled after every run and while waiting for runs; true ends the batch
  // there (runs that other workers have under way are not written).
  std::function<bool()> AbortRequested;
  // Asked when a result file exists and Overwrite is off; without it such a
  // file is kept. With several jobs it is called from a worker thread, one
  // question at a time.
  std::function<ReplaceAnswer(const std::string& question)> AskReplaceResult;
};

// Loads a scenario file with its companions (.IRR, .MIN, .OM, .PAR and the
// environment it names) into a workspace. Batches take it as a parameter:
// the load-with-companions flow belongs to the layer above them.
struct ScenarioLoadResult {
  bool ok = false;              // scenario, companions and environment loaded
  bool onlyEnvironment = false; // the scenario and its companions loaded, its environment did not
  std::string message;          // the program's message for a failure
};
using ScenarioLoader =
    std::function<ScenarioLoadResult(Workspace& ws, const std::string& path, const ParIncludes& par)>;

struct MultiRunJob {
  MultiRunMode Mode = kRunAllScenarios;
  std::string SumFile;              // the summary file written; replaced if it exists
  int32_t Jobs = 1;                 // worker threads, each with its own workspace
  int32_t Shard = 1;                // this part, 1..Shards: runs Shard, Shard + Shards, ...
  int32_t Shards = 1;               // parts the batch is split into
  const TPriceAlg* Price = nullptr; // the population of the Price mode
  ParIncludes Par{};                // what a scenario's .PAR companion supplies
  ScenarioLoader Load;              // loads the scenarios of kRunAllScenarios
};

// A run that left no summary line, or whose result file could not be written.
struct RunFailure {
  enum Kind { kLoad, kModel, kResultFile } kind = kLoad;
  int32_t run = 0;  // run number in the whole batch, 1..
  std::string item; // the file or "set " + number
  std::string message;
};

struct MultiRunResult {
  MultiRunStatus status;         // MRunState 3 when every run was made, 0 after an abort
  bool PriceRun = false;         // the lines belong to Price sets
  int32_t TotalRuns = 0;         // runs of the whole batch (all shards)
  std::vector<int32_t> LineRuns; // run number of every line written; in the Price mode the set number
  std::vector<RunFailure> Failures;
  bool SumFileWritten = false; // false when no run gave a line (no file is left)
};

// The work of a mode: the scenario or environment files (sorted by name) or
// the set numbers. Refuses "No scenarios found in " + DataDir, "No
// environment files found in " + EnviDir, "No Price parametersets found !",
// and, in the Price mode, a missing or unusable population.
std::vector<std::string> MultiRunWork(const Workspace& ws, MultiRunMode mode, const MultiRunOptions& opt,
                                      const TPriceAlg* price);

// Runs a batch on the scenario in ws. Every run starts from the state ws has
// now, with the option word 0x0181 and messages off, so the order of the runs
// and the number of jobs change nothing. The lines go to job.SumFile in run
// order (written as runs complete, so that an abort keeps the lines made);
// a failed load, a failed run (no line is written for it: its results are not
// valid) and an invalid environment file are counted in LoadErrors. With
// SaveRslts the graph-data table of every run of the first two modes goes to
// the scenario or environment file's name with the extension ".PRN"; an
// "All" answer turns opt.Overwrite on. When the batch completes, ws holds the
// last run with the options it had before; after an abort ws is unchanged.
// A split batch also writes ShardIndexFileName(job.SumFile).
MultiRunResult RunMultiRun(Workspace& ws, const MultiRunJob& job, MultiRunOptions& opt,
                           const MultiRunCallbacks& cb);

// "Scenario loading errors encountered: " + LoadErrors, shown after a
// complete batch with errors; "MultiRun aborted !" after an abort.
std::string MultiRunEndMessage(const MultiRunResult& r);

// Writes Price set s into the parameters of ws.
void WritePriceSet(const TPriceAlg& alg, int s, Workspace& ws);

// Reload of grid row `row`: the row's scenario (DataDir) and environment
// (the one its scenario names, or EnviDir) are loaded and run; for the lines
// of a Price batch, the set of that line (lineRuns, or the row number when
// they are unknown) is written into the live parameters and run. On success
// the model has run and the caller refreshes its views.
struct ReloadResult {
  bool ran = false;
  std::string message; // the message to show; empty when there is none
};
ReloadResult ReloadSummaryRow(Workspace& ws, const SumGrid& grid, int row, bool priceRun,
                              const std::vector<int32_t>& lineRuns, const std::string& enviDir,
                              TPriceAlg* price, const ScenarioLoader& load);

} // namespace kelmar
