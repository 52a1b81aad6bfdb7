// Price's controlled random search over the fitted parameters of the
// parameter table. A population of ten parameter sets per fitted parameter is
// drawn inside the fitting ranges and each set is judged by a model run; every
// trial then reflects a random set through the centroid of other random sets
// and, when the trial point beats the worst set, takes that set's place.
//
// The search works on the live scenario: it writes trial values through the
// table's value references, runs the model (OnRunModel) and asks OnQTFunction
// for the target values. What the targets are is not its business; it only
// compares the numbers in row 0 (the combined target) or, in carrousel mode,
// in the row whose turn it is.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "optim/PriceOptions.h"
#include "optim/Random.h"
#include "records/ParmTable.h"

namespace kelmar {

struct Workspace;

inline constexpr int kSetsPerParm = 10;
inline constexpr int kMaxSets = kSetsPerParm * kParmCount; // 510
inline constexpr int kQTRows = kTargetCount + 1;           // row 0: the combined target
// Consecutive failed runs after which a trial is given up.
inline constexpr int kMaxTrialFailures = 10;

// Table numbers of the three initial organic-matter quantities, whose sum
// "Constant sum OM" keeps.
inline constexpr int kParmOldOM = 38;
inline constexpr int kParmYoungOM = 41;
inline constexpr int kParmFreshOM = 44;

// The life of a population. 1..3 are "busy initialising", 5..7 "busy
// iterating"; 4 and 8 hold a population that can be used.
enum PriceStateKind : int32_t {
  kPriceNotInitialised = 0,
  kPriceInitStarted = 1,
  kPriceCreatingSets = 2,
  kPriceSetsEvaluated = 3,
  kPriceInitialised = 4,
  kPriceIterStarted = 5,
  kPriceIterating = 6,
  kPriceIterFinished = 7,
  kPriceIterated = 8,
};

using QTColumn = std::array<float, kQTRows>; // the ten target values of one set

class TPriceAlg {
public:
  explicit TPriceAlg(Workspace& ws);
  TPriceAlg(const TPriceAlg&) = delete;
  TPriceAlg& operator=(const TPriceAlg&) = delete;

  // --- Callbacks -----------------------------------------------------------
  // Called at every step (see PriceState); returns true to ask for an abort,
  // which takes effect at once.
  std::function<bool()> OnProgress;
  // Called whenever NParms is written (the population has been discarded).
  std::function<void()> OnSetNParms;
  // Evaluates the results of the run just made: stores the target values of
  // set aSet (0 = the trial point) in QT(0..9, aSet) and returns QT(0, aSet).
  // The default draws one uniform number in [0, 1) for all nine targets.
  std::function<float(int aSet)> OnQTFunction;
  // The run that every evaluation costs (normally RunModel). It may throw
  // FloatingPointFault; that run then counts as failed. Left empty, the
  // targets are evaluated straight from the live parameter values.
  std::function<void()> OnRunModel;
  // Called whenever the population is complete and consistent: after every
  // evaluated initial set, at the end of Initialise, after every counted trial
  // and at the end of Iterate. The state saved then resumes exactly.
  std::function<void()> OnCheckpoint;

  // --- Properties ----------------------------------------------------------
  int NParms() const { return nParms_; }
  // Writing NParms (the value is ignored) recounts the fitted parameters from
  // the table and discards the population.
  void SetNParms(int ignored = 0);
  int NSets() const { return nSets_; }
  int ParmNr(int j) const { return parmNr_[j]; } // table number of fitted parameter j

  int32_t NIterPSet = 6; // trials per set in one Iterate; 0: no limit
  float Ftol = 0.01f;    // Iterate stops when the relative target range falls below it

  // Target options (what they mean is the business of the target functions;
  // the search reads the selection in carrousel mode).
  std::array<bool, kQTRows> Selected{};    // [1..9]
  int32_t NTargets = 0;                    // number of selected targets
  std::array<float, kQTRows> Weight{};     // [1..9] manual weights
  std::array<float, kQTRows> AutoWeight{}; // [1..9] from the initial population
  int32_t QTType = kQTSum;
  bool AutoWeigh = false;
  bool KeepOM = true;

  // Takes over the options (NTargets is recounted); AutoWeight is kept.
  void SetOptions(const PriceOptions& o);
  PriceOptions Options() const;

  // --- Commands ------------------------------------------------------------
  // Draws and evaluates NSets sets. With no fitted parameter nothing is done
  // and PriceState stays 0.
  void Initialise();
  // Trials until the budget of NIterPSet * NSets counted trials is spent, the
  // combined target's relative range falls below Ftol, or an abort. Needs
  // PriceState 4 or 8 (std::logic_error otherwise).
  void Iterate();
  // Goes on with a population restored from a checkpoint: state 2 finishes
  // Initialise, state 6 finishes Iterate; other states have nothing pending.
  void Resume();
  // Ends the running command: 0..2 -> 0, 3..5 -> 4, 6..8 -> 8; calls OnProgress.
  void AbortRun();
  // Asks the running command to stop at its next progress call.
  void RequestAbort() { Running = false; }

  // The combined target of set aSet from its nine target values and weights.
  void CombineQT(int aSet);
  // The same for a column that belongs to no set.
  float Combine(const QTColumn& qt) const;
  // After a change of the target options: every set's combined target and
  // the statistics of row 0 anew (the automatic weights stay as they are).
  void Recombine();
  void UpdateQTStats(int k);
  void UpdateParmStats();
  // The bounds of fitted parameter j for the next value (TrialLo, TrialUp);
  // with KeepOM they keep the sum of the fitted organic-matter quantities.
  void TrialBounds(int j);

  // --- Population ----------------------------------------------------------
  float PSet(int s, int j) const { return pset_[s][j]; }
  float& PSet(int s, int j) { return pset_[s][j]; }
  float QT(int k, int s) const { return qt_[s][k]; }
  float& QT(int k, int s) { return qt_[s][k]; }
  const QTColumn& QTOf(int s) const { return qt_[s]; }

  // The live value of fitted parameter j (the scenario field).
  float Live(int j) const;
  void SetLive(int j, float v);
  // Writes set s into the live parameters.
  void CopySetToLive(int s);

  // --- State ---------------------------------------------------------------
  int32_t PriceState = kPriceNotInitialised;
  bool Running = false;   // false asks the running command to stop
  int32_t Iterations = 0; // trials counted since the last Initialise
  int32_t Retries = 0;    // failed trial runs since the last Initialise
  int32_t StepCount = 0;  // progress count of the current command
  int32_t Turn = 1;       // carrousel: the target whose turn it is next
  int32_t SetsDone = 0;   // initial sets evaluated so far
  int64_t Runs = 0;       // model runs made (a failed run counts too)

  // Statistics per target row k = 0..9.
  std::array<float, kQTRows> QTMin{}, QTMax{}, QTSum{}, QTSumSq{}, QTAvg{};
  std::array<int32_t, kQTRows> QTLowSet{}, QTHighSet{};
  // Statistics per fitted parameter j = 1..NParms.
  std::array<float, kParmCount + 1> ParmMin{}, ParmMax{}, ParmSum{}, ParmSumSq{};

  // Scratch of TrialBounds.
  float SumOM = 0, TrialLo = 0, TrialUp = 0;

  Random Rng; // seeded from the clock; seed it for a reproducible search

  Workspace& workspace() { return ws_; }
  const Workspace& workspace() const { return ws_; }

private:
  void sizeStorage();
  bool progress(); // calls OnProgress; false when the command is to stop
  void checkpoint();
  bool evaluate(int aSet); // a model run, then the targets of aSet
  bool targets(int aSet);  // the targets of the run just made
  void drawSet();
  void createSets();
  void finishInitialise();
  void iterateLoop(bool trialFirst);
  bool oneTrial(); // false when aborted
  bool tryTrialPoint(int k);
  void setTrialPoint(int r);
  bool stopTest() const;
  int turnTarget() const;

  Workspace& ws_;
  int nParms_ = 0;
  int nSets_ = 0;
  std::array<int, kParmCount + 1> parmNr_{};
  std::array<bool, 3> omFitted_{};                      // oOM, yOM, fOM among the fitted parameters
  std::vector<std::array<float, kParmCount + 1>> pset_; // [0..NSets][1..NParms]
  std::vector<QTColumn> qt_;                            // [0..NSets]
  std::vector<char> chosen_;                            // sets in the current centroid
  std::array<int, kParmCount + 1> chosenList_{};
  std::array<float, kParmCount + 1> centroid_{};
  std::array<float, kParmCount + 1> savedSet_{};
  QTColumn savedQT_{};
};

} // namespace kelmar
