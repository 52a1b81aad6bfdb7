// Global sensitivity analysis: which of the marked parameters move which
// outputs, over the whole of their fitting ranges.
//
// Two methods. Morris' elementary effects: r random one-at-a-time
// trajectories on a p-level grid of the unit cube; per parameter and output
// the mean effect mu, the mean absolute effect mu* (the ranking measure) and
// the standard deviation sigma (interaction or non-linearity). Sobol indices:
// Saltelli's A/B/AB design over a randomly shifted Sobol sequence, with
// Jansen's estimators of the first-order index S1 and the total index ST and
// bootstrap confidence intervals. Effects are per whole range: x = 0 is the
// lower end of a range, x = 1 the upper.
//
// The engine is generic: it evaluates "parameter vector -> outputs" through
// evaluators that a factory makes, one per worker thread. The design is made
// before any run and every run's outputs land in their own slot, so the
// results are the same for any number of workers and fixed by the seed.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "data/GraphSetup.h"
#include "report/GraphData.h"

namespace kelmar {

struct Workspace;

enum class SensitivityMethod { Morris, Sobol };

std::string_view MethodName(SensitivityMethod m); // "morris" / "sobol"

struct SensitivitySettings {
  SensitivityMethod method = SensitivityMethod::Morris;
  int32_t trajectories = 20; // Morris: r
  int32_t levels = 4;        // Morris: p, even, >= 2
  int32_t samples = 1024;    // Sobol: N, base samples
  int32_t resamples = 200;   // Sobol: bootstrap resamples of the confidence intervals
  double confidence = 0.95;  // level of the confidence intervals
  uint32_t seed = 1;
  int32_t jobs = 1; // worker threads
};

// Throws std::invalid_argument with a message naming the setting.
void CheckSettings(const SensitivitySettings& s, int factors);

// Model runs a design needs: r (k + 1) for Morris, N (k + 2) for Sobol.
long SensitivityRuns(const SensitivitySettings& s, int factors);

struct SensitivityFactor {
  std::string name;
  double lower = 0, upper = 1;
  int32_t parm = 0; // parameter table entry 1..51; 0 for a plain function
};

// Computes the outputs of one parameter vector (real units, one value per
// factor). Throws (any std::exception) when the run fails; a non-finite
// output counts as a failed run too.
using SensitivityEvaluator = std::function<void(std::span<const double> x, std::span<double> y)>;
// Makes the evaluator of one worker; called on the starting thread, once per worker.
using EvaluatorFactory = std::function<SensitivityEvaluator()>;

struct SensitivityCallbacks {
  // Runs done of the total; on the starting thread, at most every 50 ms and at the end.
  std::function<void(long done, long total)> OnProgress;
  // Set by another thread (or by OnProgress) to stop; runs under way finish, no estimates are made.
  const std::atomic<bool>* Abort = nullptr;
};

// The estimates of one parameter for one output.
struct SensitivityEntry {
  int32_t factor = 0; // index into the factors
  int32_t output = 0; // index into the outputs
  // Morris
  double mu = 0, muStar = 0, sigma = 0;
  double muStarConf = 0; // half-width of the bootstrap interval of mu*
  // Sobol
  double s1 = 0, s1Conf = 0; // half-widths of the bootstrap intervals
  double st = 0, stConf = 0;
  int32_t used = 0;          // elementary effects (Morris) or base samples (Sobol) the estimate rests on
  double importance() const; // mu* or ST
};

struct SensitivityFailure {
  long run = 0; // 0-based index in the design
  std::string message;
};

struct SensitivityResult {
  SensitivityMethod method = SensitivityMethod::Morris;
  bool aborted = false;
  long runs = 0;                            // runs of the design
  long done = 0;                            // runs made
  long failedRuns = 0;                      // runs that failed (their effects or samples are left out)
  std::vector<SensitivityFailure> failures; // the first few, with their messages
  // Per output, ordered by importance (descending), then by factor: one block per output, outputs in order.
  std::vector<SensitivityEntry> entries;
  // Output variance (Sobol) per output; 0 makes every index 0.
  std::vector<double> variance;
};

// Runs the design of s over the factors (their ranges) and estimates the
// indices of nOutputs outputs. Throws std::invalid_argument for bad settings.
SensitivityResult RunSensitivity(const std::vector<SensitivityFactor>& factors, int nOutputs,
                                 const SensitivitySettings& s, const EvaluatorFactory& make,
                                 const SensitivityCallbacks& cb = {});

// The unit-cube points of a design, row by row (runs x factors): for Morris
// r trajectories of k + 1 points, for Sobol N blocks of A, B, AB_1..AB_k.
std::vector<double> SensitivityDesign(const SensitivitySettings& s, int factors);

// ---- the model as the function under study ----

// An output of a model run: a summary item (1..76) or a Price target (1..9).
struct SensitivityOutput {
  enum Kind { kSummaryItem, kTarget } kind = kSummaryItem;
  int32_t number = 1;
  std::string name() const; // the item's name, or "T" + number
};

// "NLeach,NOUT,34" -> summary items by name or number (case ignored).
// Throws std::invalid_argument naming the unknown word.
std::vector<SensitivityOutput> ParseSummaryOutputs(std::string_view text);
// The selected targets (flags 1..9) as outputs.
std::vector<SensitivityOutput> TargetOutputs(const std::array<bool, 10>& selected);

// The marked parameters of ws with their fitting ranges.
std::vector<SensitivityFactor> MarkedFactors(const Workspace& ws);

// Evaluators over copies of ws: each run starts from the state ws has now
// (messages off), writes the factors into their parameters, runs the model
// and reads the outputs. ws must outlive the factory and stay unchanged while
// it is in use.
EvaluatorFactory ModelEvaluators(const Workspace& ws, const std::vector<SensitivityFactor>& factors,
                                 const std::vector<SensitivityOutput>& outputs);

// The result as CSV, entries sorted by importance over all outputs:
// Morris "parameter,output,mu_star,mu_star_conf,mu,sigma,effects",
// Sobol "parameter,output,ST,ST_conf,S1,S1_conf,samples"; the measures of an
// entry without effects or samples are empty.
std::string SensitivityCsv(const SensitivityResult& r, const std::vector<SensitivityFactor>& factors,
                           const std::vector<std::string>& outputNames);

// Entries of every output sorted by importance (descending), ties by output and factor.
std::vector<SensitivityEntry> RankedEntries(const SensitivityResult& r);

// The ranked entries as a text table (at most maxRows rows, 0: all):
// parameter, output, the importance with its interval, the other measures and
// the number of effects or samples.
std::string SensitivityTable(const SensitivityResult& r, const std::vector<SensitivityFactor>& factors,
                             const std::vector<std::string>& outputNames, int maxRows);

// The chart of one output. Morris: sigma against mu*, one point per
// parameter, the names of the five most important along the top at their mu*. Sobol: ST (series 1) and S1
// (series 2) per parameter in the order of importance, x = rank, names along
// the top. Sets the titles and series of `setup` (points, no lines).
void FillSensitivityGraph(const SensitivityResult& r, const std::vector<SensitivityFactor>& factors,
                          const std::string& outputName, int output, GraphSetup& setup, GraphData& out);

// "Morris: 1040 of 1040 runs, 3 failed"
std::string SensitivitySummaryLine(const SensitivityResult& r);

} // namespace kelmar
