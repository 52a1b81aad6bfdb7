#include "optim/PriceAlg.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "Workspace.h"
#include "model/Driver.h"

namespace kelmar {

TPriceAlg::TPriceAlg(Workspace& ws) : Rng(Random::ClockSeed()), ws_(ws) {
  // Until a target function is installed, every target is one random draw,
  // so that any selection ranks the sets by it.
  OnQTFunction = [this](int aSet) {
    // A float of a real just below 1 may round up to 1; keep it below.
    float r = static_cast<float>(Rng.real());
    if (r >= 1.0f) r = std::nextafter(1.0f, 0.0f);
    for (int k = 1; k <= kTargetCount; ++k) QT(k, aSet) = r;
    CombineQT(aSet);
    return QT(0, aSet);
  };
  SetOptions(PriceOptions());
  Ftol = 0.01f; // the search's own default; the options dialog and the INI file use 0.001
  AutoWeight.fill(1.0f);
  // Count the marked parameters at once, so that the population always
  // belongs to the table as it is.
  SetNParms();
}

void TPriceAlg::SetNParms(int) {
  PriceState = kPriceNotInitialised;
  if (OnSetNParms) OnSetNParms();
  const ParmTable& table = ws_.parms;
  int count = 0;
  parmNr_.fill(0);
  omFitted_ = {false, false, false};
  for (int i = 1; i <= ParmTable::size(); ++i) {
    if (table[i].fit <= 0) continue;
    parmNr_[++count] = i;
    if (i == kParmOldOM) omFitted_[0] = true;
    if (i == kParmYoungOM) omFitted_[1] = true;
    if (i == kParmFreshOM) omFitted_[2] = true;
  }
  nParms_ = count;
  nSets_ = kSetsPerParm * count;
  sizeStorage();
}

void TPriceAlg::sizeStorage() {
  // Allocation happens here only, when the number of sets changes; trials
  // reuse this storage.
  const std::size_t n = static_cast<std::size_t>(nSets_) + 1;
  if (pset_.size() != n) {
    pset_.assign(n, {});
    qt_.assign(n, {});
    chosen_.assign(n, 0);
  }
}

void TPriceAlg::SetOptions(const PriceOptions& o) {
  Selected = o.Selected;
  Selected[0] = false;
  NTargets = static_cast<int32_t>(std::count(Selected.begin() + 1, Selected.end(), true));
  Weight = o.Weight;
  QTType = o.QTType;
  AutoWeigh = o.AutoWeigh;
  KeepOM = o.KeepOM;
  NIterPSet = o.NIterPSet;
  Ftol = o.Ftol;
}

PriceOptions TPriceAlg::Options() const {
  PriceOptions o;
  o.Selected = Selected;
  o.Weight = Weight;
  o.QTType = QTType;
  o.AutoWeigh = AutoWeigh;
  o.KeepOM = KeepOM;
  o.NIterPSet = NIterPSet;
  o.Ftol = Ftol;
  return o;
}

float TPriceAlg::Live(int j) const { return ws_.parms.value(ws_.scenario, parmNr_[j]); }

void TPriceAlg::SetLive(int j, float v) { ws_.parms.value(ws_.scenario, parmNr_[j]) = v; }

void TPriceAlg::CopySetToLive(int s) {
  for (int j = 1; j <= nParms_; ++j) SetLive(j, pset_[s][j]);
}

float TPriceAlg::Combine(const QTColumn& qt) const {
  double q0 = 0;
  for (int k = 1; k <= kTargetCount; ++k) {
    if (!Selected[k]) continue;
    const double f = AutoWeigh ? static_cast<double>(Weight[k]) * AutoWeight[k] : Weight[k];
    const double v = qt[k] * f;
    // The maximum starts from 0, so negative products never lower it.
    if (QTType == kQTMax)
      q0 = std::max(v, q0);
    else
      q0 += v;
  }
  return static_cast<float>(q0);
}

void TPriceAlg::CombineQT(int aSet) { qt_[aSet][0] = Combine(qt_[aSet]); }

void TPriceAlg::Recombine() {
  for (int s = 1; s <= nSets_; ++s) CombineQT(s);
  UpdateQTStats(0);
}

void TPriceAlg::UpdateQTStats(int k) {
  double sum = 0, sumSq = 0;
  float lo = qt_[std::min(1, nSets_)][k], hi = lo;
  int32_t loSet = 1, hiSet = 1;
  for (int s = 1; s <= nSets_; ++s) {
    const float v = qt_[s][k];
    sum += v;
    sumSq += static_cast<double>(v) * v;
    // Strict comparisons: among equal values the lowest set number wins.
    if (v < lo) {
      lo = v;
      loSet = s;
    } else if (v > hi) {
      hi = v;
      hiSet = s;
    }
  }
  QTMin[k] = lo;
  QTMax[k] = hi;
  QTLowSet[k] = loSet;
  QTHighSet[k] = hiSet;
  QTSum[k] = static_cast<float>(sum);
  QTSumSq[k] = static_cast<float>(sumSq);
  QTAvg[k] = nSets_ < 1 ? 0.0f : static_cast<float>(sum / nSets_);
}

void TPriceAlg::UpdateParmStats() {
  for (int j = 1; j <= nParms_; ++j) {
    float lo = 1e8f, hi = -1e8f;
    double sum = 0, sumSq = 0;
    for (int s = 1; s <= nSets_; ++s) {
      const float v = pset_[s][j];
      sum += v;
      sumSq += static_cast<double>(v) * v;
      if (v < lo) lo = v;
      if (v > hi) hi = v;
    }
    ParmMin[j] = lo;
    ParmMax[j] = hi;
    ParmSum[j] = static_cast<float>(sum);
    ParmSumSq[j] = static_cast<float>(sumSq);
  }
}

void TPriceAlg::TrialBounds(int j) {
  const ParmTable& table = ws_.parms;
  const int p = parmNr_[j];
  TrialLo = table[p].lower;
  TrialUp = table[p].upper;
  if (!KeepOM || (p != kParmOldOM && p != kParmYoungOM && p != kParmFreshOM)) return;

  const bool o = omFitted_[0], y = omFitted_[1], f = omFitted_[2];
  auto v = [&](int nr) -> double { return ws_.parms.value(ws_.scenario, nr); };
  auto L = [&](int nr) -> double { return table[nr].lower; };
  auto U = [&](int nr) -> double { return table[nr].upper; };
  const int O = kParmOldOM, Y = kParmYoungOM, F = kParmFreshOM;
  // The first fitted member of the group fixes the sum from the live values;
  // later members take what is left after the values the earlier ones have
  // just received. The formulas stand even when they give lo > up.
  double lo = 0, up = 0;
  if (p == O) {
    if (!y && !f) {
      lo = up = v(O);
    } else if (f && !y) {
      SumOM = static_cast<float>(v(O) + v(F));
      lo = std::max(SumOM - U(F), L(O));
      up = std::min(SumOM - L(F), U(O));
    } else if (y && !f) {
      SumOM = static_cast<float>(v(O) + v(Y));
      lo = std::max(SumOM - U(Y), L(O));
      up = std::min(SumOM - L(Y), U(O));
    } else {
      SumOM = static_cast<float>(v(O) + v(Y) + v(F));
      lo = std::max(SumOM - U(Y) - U(F), L(O));
      up = std::min(SumOM - L(Y) - L(F), U(O));
    }
  } else if (p == Y) {
    if (!o && !f) {
      lo = up = v(Y);
    } else if (f && !o) {
      SumOM = static_cast<float>(v(Y) + v(F));
      lo = std::max(SumOM - U(F), L(Y));
      up = std::min(SumOM - L(F), U(Y));
    } else if (o && !f) {
      lo = std::max(SumOM - v(O), L(Y));
      up = std::min(SumOM - v(O), U(Y));
    } else {
      lo = std::max(SumOM - v(O) - U(F), L(Y));
      up = std::min(SumOM - v(O) - L(F), U(Y));
    }
  } else {
    if (!o && !y) {
      lo = up = v(F);
    } else if (y && !o) {
      lo = std::max(SumOM - v(Y), L(F));
      up = std::min(SumOM - v(Y), U(F));
    } else if (o && !y) {
      lo = std::max(SumOM - v(O), L(F));
      up = std::min(SumOM - v(O), U(F));
    } else {
      lo = std::max(SumOM - v(O) - v(Y), L(F));
      up = std::min(SumOM - v(O) - v(Y), U(F));
    }
  }
  TrialLo = static_cast<float>(lo);
  TrialUp = static_cast<float>(up);
}

bool TPriceAlg::progress() {
  if (OnProgress && OnProgress()) Running = false;
  return Running;
}

void TPriceAlg::checkpoint() {
  if (OnCheckpoint) OnCheckpoint();
}

void TPriceAlg::AbortRun() {
  if (PriceState <= kPriceCreatingSets)
    PriceState = kPriceNotInitialised;
  else if (PriceState <= kPriceIterStarted)
    PriceState = kPriceInitialised;
  else
    PriceState = kPriceIterated;
  if (OnProgress) OnProgress();
}

bool TPriceAlg::evaluate(int aSet) {
  try {
    ++Runs;
    if (OnRunModel) OnRunModel();
  } catch (const FloatingPointFault&) {
    return false;
  }
  return targets(aSet);
}

bool TPriceAlg::targets(int aSet) {
  try {
    OnQTFunction(aSet);
  } catch (const FloatingPointFault&) {
    return false;
  }
  // A target that is no number would make every comparison false; it is a
  // failed evaluation like a fault inside the run.
  for (float v : qt_[aSet])
    if (!std::isfinite(v)) return false;
  return true;
}

void TPriceAlg::drawSet() {
  for (int j = 1; j <= nParms_; ++j) {
    const double r = Rng.real();
    if (KeepOM) {
      // Bounds first: a later organic-matter member sees the values the
      // earlier ones have just received.
      TrialBounds(j);
      SetLive(j, static_cast<float>(TrialLo + r * (static_cast<double>(TrialUp) - TrialLo)));
    } else {
      const AutoParm& e = ws_.parms[parmNr_[j]];
      SetLive(j, static_cast<float>(e.lower + r * (static_cast<double>(e.upper) - e.lower)));
    }
  }
}

void TPriceAlg::Initialise() {
  if (nParms_ < 1) {
    PriceState = kPriceNotInitialised;
    return;
  }
  sizeStorage();
  PriceState = kPriceInitStarted;
  Running = true;
  StepCount = 0;
  Iterations = 0;
  Retries = 0;
  SetsDone = 0;
  Turn = 1;
  if (!progress()) {
    AbortRun();
    return;
  }
  createSets();
}

void TPriceAlg::createSets() {
  PriceState = kPriceCreatingSets;
  // A set is never taken from a failed run: the same set is drawn again,
  // as often as it takes (the progress call lets the user give up).
  while (SetsDone < nSets_) {
    const int s = SetsDone + 1;
    drawSet();
    const bool ok = evaluate(s);
    ++StepCount;
    if (ok) {
      for (int j = 1; j <= nParms_; ++j) pset_[s][j] = Live(j);
      SetsDone = s;
      checkpoint();
    }
    if (!progress()) {
      AbortRun();
      return;
    }
  }
  finishInitialise();
}

void TPriceAlg::finishInitialise() {
  for (int k = 1; k <= kTargetCount; ++k) UpdateQTStats(k);
  for (int k = 1; k <= kTargetCount; ++k) {
    const float avg = QTAvg[k];
    if (avg < 0.01f)
      AutoWeight[k] = 100;
    else if (avg <= 100)
      AutoWeight[k] = static_cast<float>(1.0 / avg);
    else
      AutoWeight[k] = 0.01f;
  }
  for (int s = 1; s <= nSets_; ++s) CombineQT(s);
  UpdateQTStats(0);
  UpdateParmStats();
  PriceState = kPriceSetsEvaluated;
  if (!progress()) {
    AbortRun();
    return;
  }
  PriceState = kPriceInitialised;
  checkpoint();
}

void TPriceAlg::Iterate() {
  if (PriceState != kPriceInitialised && PriceState != kPriceIterated)
    throw std::logic_error("Iterate needs an initialised population");
  PriceState = kPriceIterStarted;
  Running = true;
  StepCount = 0;
  if (!progress()) {
    AbortRun();
    return;
  }
  PriceState = kPriceIterating;
  Turn = 1;
  iterateLoop(true);
}

void TPriceAlg::Resume() {
  if (PriceState == kPriceCreatingSets) {
    PriceState = kPriceInitStarted;
    Running = true;
    if (!progress()) {
      AbortRun();
      return;
    }
    createSets();
  } else if (PriceState == kPriceIterating) {
    PriceState = kPriceIterStarted;
    Running = true;
    if (!progress()) {
      AbortRun();
      return;
    }
    PriceState = kPriceIterating;
    // The checkpoint was taken after a trial and before its stop test.
    iterateLoop(false);
  }
}

bool TPriceAlg::stopTest() const {
  const int64_t budget = static_cast<int64_t>(NIterPSet) * nSets_;
  if (budget > 0 && StepCount >= budget) return true;
  const double hi = QTMax[0], lo = QTMin[0];
  return 2.0 * std::fabs(hi - lo) / (std::fabs(hi + lo) + 1e-8) < Ftol;
}

void TPriceAlg::iterateLoop(bool trialFirst) {
  bool first = trialFirst;
  while (first || !stopTest()) {
    first = false;
    if (!oneTrial()) return;
  }
  for (int k = 0; k <= kTargetCount; ++k) UpdateQTStats(k);
  UpdateParmStats();
  PriceState = kPriceIterFinished;
  if (!progress()) {
    AbortRun();
    return;
  }
  PriceState = kPriceIterated;
  checkpoint();
}

int TPriceAlg::turnTarget() const {
  if (QTType != kQTCarrousel) return 0;
  for (int n = 0, k = Turn; n < kTargetCount; ++n, k = k % kTargetCount + 1)
    if (Selected[k]) return k;
  return 0; // nothing selected: judge by the combined target
}

void TPriceAlg::setTrialPoint(int r) {
  for (int j = 1; j <= nParms_; ++j) {
    const double P = 2.0 * centroid_[j] - pset_[r][j];
    if (KeepOM) {
      TrialBounds(j);
      double v = P;
      if (v < TrialLo) v = TrialLo;
      if (v > TrialUp) v = TrialUp;
      SetLive(j, static_cast<float>(v));
    } else {
      // A point outside the range is moved onto its boundary, never rejected.
      const AutoParm& e = ws_.parms[parmNr_[j]];
      float v = static_cast<float>(P);
      if (v < e.lower) v = e.lower;
      if (v > e.upper) v = e.upper;
      SetLive(j, v);
    }
  }
}

bool TPriceAlg::tryTrialPoint(int k) {
  if (!evaluate(0)) return false;
  if (!(qt_[0][k] < QTMax[k])) return true; // not better than the worst set
  const int worst = QTHighSet[k];
  savedSet_ = pset_[worst];
  savedQT_ = qt_[worst];
  for (int j = 1; j <= nParms_; ++j) pset_[worst][j] = Live(j);
  // The replaced set gets all ten target values of its own (of the run just made).
  if (!targets(worst)) {
    pset_[worst] = savedSet_;
    qt_[worst] = savedQT_;
    return false;
  }
  UpdateQTStats(0);
  if (QTType == kQTCarrousel)
    for (int t = 1; t <= kTargetCount; ++t) UpdateQTStats(t);
  return true;
}

bool TPriceAlg::oneTrial() {
  centroid_.fill(0);
  for (int i = 1; i <= nParms_; ++i) {
    int s;
    do {
      s = Rng.integer(nSets_) + 1;
    } while (chosen_[s]);
    chosen_[s] = 1;
    chosenList_[i] = s;
    for (int j = 1; j <= nParms_; ++j)
      centroid_[j] = static_cast<float>(static_cast<double>(centroid_[j]) + pset_[s][j]);
  }
  for (int j = 1; j <= nParms_; ++j)
    centroid_[j] = static_cast<float>(static_cast<double>(centroid_[j]) / nParms_);

  const int k = turnTarget();
  int failures = 0;
  bool counted = false;
  while (failures < kMaxTrialFailures) {
    // After a failed run: the same centroid, another reflected set.
    int r;
    do {
      r = Rng.integer(nSets_) + 1;
    } while (chosen_[r]);
    setTrialPoint(r);
    if (tryTrialPoint(k)) {
      counted = true;
      break;
    }
    ++failures;
    ++Retries;
  }
  for (int i = 1; i <= nParms_; ++i) chosen_[chosenList_[i]] = 0;

  if (counted) {
    ++StepCount;
    ++Iterations;
    if (QTType == kQTCarrousel && k > 0) Turn = k % kTargetCount + 1;
    checkpoint();
  }
  // A dropped trial is not counted, but it reports progress all the same, so
  // that a search in which every run fails can still be stopped.
  if (!progress()) {
    AbortRun();
    return false;
  }
  return true;
}

} // namespace kelmar
