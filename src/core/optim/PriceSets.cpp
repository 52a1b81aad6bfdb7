#include "optim/PriceSets.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <system_error>

#include "Workspace.h"
#include "data/Errors.h"
#include "data/FileSystem.h"
#include "data/TextFormat.h"
#include "data/TextReader.h"
#include "model/Driver.h"
#include "optim/Targets.h"
#include "report/Statistics.h"

namespace kelmar {

std::string PriceStatusLine(const TPriceAlg& alg) {
  if (alg.PriceState == kPriceNotInitialised) return "Not initialised";
  return "Parameters: " + std::to_string(alg.NParms()) + "  Sets: " + std::to_string(alg.NSets()) +
         "  Iterations: " + std::to_string(alg.Iterations) + "  Retries: " + std::to_string(alg.Retries) +
         "  QT: " + TargetsText(alg.Selected) + "  Range: " + FmtReal(alg.QTMin[0], 0, 3) + " - " +
         FmtReal(alg.QTMax[0], 0, 3);
}

void PriceGrid::Reset(const TPriceAlg& alg) {
  const int n = alg.NSets();
  sortIdx_.resize(static_cast<std::size_t>(n) + 1);
  rowOfSet_.resize(static_cast<std::size_t>(n) + 1);
  std::iota(sortIdx_.begin(), sortIdx_.end(), 0);
  std::iota(rowOfSet_.begin(), rowOfSet_.end(), 0);
  sortColumn_ = 0;
}

void PriceGrid::SortBy(const TPriceAlg& alg, int column) {
  Reset(alg);
  const int np = alg.NParms();
  if (column <= 0 || column > np + kQTRows) return;
  auto key = [&](int s) -> float { return column <= np ? alg.PSet(s, column) : alg.QT(column - np - 1, s); };
  std::stable_sort(sortIdx_.begin() + 1, sortIdx_.end(), [&](int a, int b) { return key(a) < key(b); });
  for (int r = 1; r < static_cast<int>(sortIdx_.size()); ++r) rowOfSet_[sortIdx_[r]] = r;
  sortColumn_ = column;
}

std::string PriceGrid::Cell(const TPriceAlg& alg, int row, int col) const {
  const int np = alg.NParms();
  const int ns = alg.NSets();
  const ParmTable& table = alg.workspace().parms;
  if (col < 0 || col >= ColumnCount(alg) || row < 0 || row >= RowCount(alg)) return {};
  const bool parmCol = col >= 1 && col <= np;
  const int k = col - np - 1; // target row of a QT column
  const int dec = parmCol ? table[alg.ParmNr(col)].decimals : 3;

  if (row == 0) {
    if (col == 0) return "ID";
    if (parmCol) return std::string(table[alg.ParmNr(col)].name);
    if (k == 0) return alg.QTType == kQTMax ? "QTmax" : "QTsum";
    return "QT" + std::to_string(k) + (alg.Selected[k] ? "*" : "");
  }
  if (row <= ns) {
    const int s = SetOfRow(row);
    if (col == 0) return std::to_string(s);
    return parmCol ? FmtFixed(alg.PSet(s, col), 7, dec) : FmtFixed(alg.QT(k, s), 7, 3);
  }
  const int stat = row - ns - 1; // 1 low, 2 high, 3 avg, 4 SE
  if (stat < 1 || ns < 2) return {};
  if (col == 0) {
    static const char* labels[] = {"", "low", "high", "avg", "SE"};
    return labels[stat];
  }
  if (parmCol) {
    double v = 0;
    switch (stat) {
    case 1:
      v = alg.ParmMin[col];
      break;
    case 2:
      v = alg.ParmMax[col];
      break;
    case 3:
      v = static_cast<double>(alg.ParmSum[col]) / ns;
      break;
    default:
      v = StdDev(alg.ParmSum[col], alg.ParmSumSq[col], ns);
    }
    return FmtFixed(v, 6, dec);
  }
  double v = 0;
  switch (stat) {
  case 1:
    v = alg.QTMin[k];
    break;
  case 2:
    v = alg.QTMax[k];
    break;
  case 3:
    v = alg.QTAvg[k];
    break;
  default:
    v = StdDev(alg.QTSum[k], alg.QTSumSq[k], ns);
  }
  return FmtFixed(v, 7, 3);
}

CopyResult CopyCurrent(const TPriceAlg& alg, const PriceGrid& grid, Workspace& ws, int row) {
  std::string refusal = PopulationGuard(alg.PriceState);
  if (!refusal.empty()) return {CopyResult::kRefused, refusal};
  const int np = alg.NParms();
  if (row == PriceGrid::AvgRow(alg) && alg.NSets() >= 2) {
    // The averages as shown, that is rounded to each parameter's decimals.
    ws.state.DocStatus |= kResultsStale;
    for (int j = 1; j <= np; ++j) {
      const std::string text = grid.Cell(alg, row, j);
      float v = 0;
      auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
      // An average that is no number (sums beyond a float) leaves the value alone.
      if (ec == std::errc() && end == text.data() + text.size() && std::isfinite(v))
        ws.parms.value(ws.scenario, alg.ParmNr(j)) = v;
    }
  } else if (row < 1 || row > alg.NSets() || row > grid.Sets()) {
    return {CopyResult::kRefused, std::string(kNoSetSelected)};
  } else {
    ws.state.DocStatus |= kResultsStale;
    const int set = grid.SetOfRow(row);
    for (int j = 1; j <= np; ++j) ws.parms.value(ws.scenario, alg.ParmNr(j)) = alg.PSet(set, j);
  }
  try {
    RunModel(ws);
  } catch (const FloatingPointFault& e) {
    ws.state.DocStatus |= kResultsStale;
    return {CopyResult::kRunFailed, "Calculating " + ws.scenario.ScenarioFile + "\r" + e.what()};
  }
  return {};
}

std::string PriceSetsText(const TPriceAlg& alg, const PriceGrid& grid) {
  const ParmTable& table = alg.workspace().parms;
  const int np = alg.NParms();
  auto right = [](std::string_view s, int w) {
    return s.size() >= static_cast<std::size_t>(w) ? std::string(s)
                                                   : std::string(w - s.size(), ' ') + std::string(s);
  };
  OutText out;
  out.line(kPriceSetsId);
  LineBuilder lo, up, head;
  lo.text(right("BPRL", 7));
  up.text(right("BPRU", 7));
  head.text(right("SetNr", 7));
  for (int j = 1; j <= np; ++j) {
    const AutoParm& e = table[alg.ParmNr(j)];
    lo.real(e.lower, 7, e.decimals);
    up.real(e.upper, 7, e.decimals);
    head.text(right(e.name, 7));
  }
  for (int k = 0; k < kQTRows; ++k) head.text(right("QT" + std::to_string(k), 10));
  out.line(lo.str());
  out.line(up.str());
  out.line(head.str());
  for (int row = 1; row <= grid.Sets(); ++row) {
    const int s = grid.SetOfRow(row);
    LineBuilder b;
    b.integer(row, 7);
    for (int j = 1; j <= np; ++j) b.real(alg.PSet(s, j), 7, table[alg.ParmNr(j)].decimals);
    for (int k = 0; k < kQTRows; ++k) b.real(alg.QT(k, s), 10, 3);
    out.line(b.str());
  }
  return out.text();
}

void SavePriceSets(const std::string& path, const TPriceAlg& alg, const PriceGrid& grid) {
  WriteFileAtomic(path, PriceSetsText(alg, grid));
}

// --- State file -------------------------------------------------------------

namespace {

std::string Exact(float v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
  return buf;
}

void Line(std::string& out, std::string_view s) {
  out += s;
  out += kCrLf;
}

// Reads the state file line by line; every value is checked and named.
class StateReader {
public:
  StateReader(std::string_view text, const std::string& name) : r_(text, name) {}

  void label(std::string_view expected) {
    std::string_view got = r_.readLine();
    if (Trim(got) != expected)
      r_.fail("\"" + std::string(expected) + "\" was expected, found '" + Trim(got) + "'");
  }
  // The blank-separated fields of the next line; exactly n of them.
  const std::vector<std::string>& fields(std::size_t n, std::string_view what) {
    const int line = r_.lineNumber();
    if (r_.atEnd()) fail(line, "unexpected end of file, " + std::string(what) + " expected");
    std::string_view s = r_.readLine();
    fields_.clear();
    std::size_t i = 0;
    while (i < s.size()) {
      while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
      std::size_t b = i;
      while (i < s.size() && s[i] != ' ' && s[i] != '\t') ++i;
      if (i > b) fields_.emplace_back(s.substr(b, i - b));
    }
    if (fields_.size() != n)
      fail(line, std::to_string(n) + " values were expected for " + std::string(what) + ", found " +
                     std::to_string(fields_.size()));
    line_ = line;
    return fields_;
  }
  // Sums of squares of wild targets may overflow a float; only statistics
  // may be infinite.
  template <typename T> T number(std::size_t i, std::string_view what, bool mayBeInfinite = false) {
    const std::string& t = fields_.at(i);
    T v{};
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || end != t.data() + t.size())
      fail(line_, "a number was expected for " + std::string(what) + ", found '" + t + "'");
    if constexpr (std::is_floating_point_v<T>)
      if (std::isnan(v) || (!mayBeInfinite && std::isinf(v)))
        fail(line_, "a finite number was expected for " + std::string(what));
    return v;
  }
  [[noreturn]] void fail(int line, const std::string& msg) const {
    throw FileError(r_.fileName() + ", line " + std::to_string(line) + ": " + msg);
  }
  TextReader& reader() { return r_; }
  int line() const { return line_; }

private:
  TextReader r_;
  std::vector<std::string> fields_;
  int line_ = 0;
};

struct SavedState {
  int32_t state = 0, nParms = 0, nSets = 0;
  int32_t stepCount = 0, iterations = 0, retries = 0, turn = 1, setsDone = 0;
  int64_t runs = 0;
  uint32_t rng = 0;
  PriceOptions options;
  std::array<float, kQTRows> autoWeight{};
  std::array<float, kParmCount + 1> lower{}, upper{}, live{};
  std::vector<std::array<float, kParmCount + 1>> sets;
  std::vector<QTColumn> qt;
  std::array<float, kQTRows> qtMin{}, qtMax{}, qtSum{}, qtSumSq{}, qtAvg{};
  std::array<int32_t, kQTRows> qtLow{}, qtHigh{};
  std::array<float, kParmCount + 1> pMin{}, pMax{}, pSum{}, pSumSq{};
};

} // namespace

std::string PriceStateText(const TPriceAlg& alg) {
  const ParmTable& table = alg.workspace().parms;
  const int np = alg.NParms(), ns = alg.NSets();
  std::string out;
  out.reserve(static_cast<std::size_t>(ns + 1) * (np + kQTRows + 1) * 16 + 1024);
  Line(out, kPriceStateId);
  Line(out, "State NParms NSets");
  Line(out, std::to_string(alg.PriceState) + " " + std::to_string(np) + " " + std::to_string(ns));
  Line(out, "StepCount Iterations Retries Turn SetsDone Runs Random");
  Line(out, std::to_string(alg.StepCount) + " " + std::to_string(alg.Iterations) + " " +
                std::to_string(alg.Retries) + " " + std::to_string(alg.Turn) + " " +
                std::to_string(alg.SetsDone) + " " + std::to_string(alg.Runs) + " " +
                std::to_string(alg.Rng.state()));
  Line(out, "Targets QTType AutoWeigh KeepOM NIterPSet Ftol");
  Line(out, TargetsText(alg.Selected) + " " + std::to_string(alg.QTType) + " " + (alg.AutoWeigh ? "1" : "0") +
                " " + (alg.KeepOM ? "1" : "0") + " " + std::to_string(alg.NIterPSet) + " " + Exact(alg.Ftol));
  std::string w, a;
  for (int k = 1; k <= kTargetCount; ++k) {
    if (k > 1) {
      w += ' ';
      a += ' ';
    }
    w += Exact(alg.Weight[k]);
    a += Exact(alg.AutoWeight[k]);
  }
  Line(out, "Weight");
  Line(out, w);
  Line(out, "AutoWeight");
  Line(out, a);
  Line(out, "Parameters: number lower upper live");
  for (int j = 1; j <= np; ++j) {
    const AutoParm& e = table[alg.ParmNr(j)];
    Line(out, std::to_string(alg.ParmNr(j)) + " " + Exact(e.lower) + " " + Exact(e.upper) + " " +
                  Exact(alg.Live(j)));
  }
  Line(out, "Sets: values, then QT0..QT9");
  for (int s = 1; s <= ns; ++s) {
    std::string l;
    for (int j = 1; j <= np; ++j) l += Exact(alg.PSet(s, j)) + " ";
    for (int k = 0; k < kQTRows; ++k) l += Exact(alg.QT(k, s)) + (k + 1 < kQTRows ? " " : "");
    Line(out, l);
  }
  Line(out, "QT statistics: min max sum sumsq avg lowset highset");
  for (int k = 0; k < kQTRows; ++k)
    Line(out, Exact(alg.QTMin[k]) + " " + Exact(alg.QTMax[k]) + " " + Exact(alg.QTSum[k]) + " " +
                  Exact(alg.QTSumSq[k]) + " " + Exact(alg.QTAvg[k]) + " " + std::to_string(alg.QTLowSet[k]) +
                  " " + std::to_string(alg.QTHighSet[k]));
  Line(out, "Parameter statistics: min max sum sumsq");
  for (int j = 1; j <= np; ++j)
    Line(out, Exact(alg.ParmMin[j]) + " " + Exact(alg.ParmMax[j]) + " " + Exact(alg.ParmSum[j]) + " " +
                  Exact(alg.ParmSumSq[j]));
  return out;
}

void SavePriceState(const std::string& path, const TPriceAlg& alg) {
  WriteFileAtomic(path, PriceStateText(alg));
}

void LoadPriceStateText(TPriceAlg& alg, std::string_view text, const std::string& fileName) {
  StateReader in(text, fileName);
  const std::string id(in.reader().readChars(20));
  if (id != kPriceStateId) throw InvalidFileId(id, "Loading " + fileName + "\r" + "Invalid file ID: " + id);
  in.reader().skipLine();

  SavedState st;
  in.label("State NParms NSets");
  in.fields(3, "the state");
  st.state = in.number<int32_t>(0, "State");
  st.nParms = in.number<int32_t>(1, "NParms");
  st.nSets = in.number<int32_t>(2, "NSets");
  // Checkpoints are taken in these states only.
  if (st.state != kPriceCreatingSets && st.state != kPriceInitialised && st.state != kPriceIterating &&
      st.state != kPriceIterated)
    in.fail(in.line(), "State must be 2, 4, 6 or 8");
  if (st.nParms != alg.NParms() || st.nSets != alg.NSets())
    in.fail(in.line(), "the state holds " + std::to_string(st.nParms) + " fitted parameters, the scenario " +
                           std::to_string(alg.NParms()));

  in.label("StepCount Iterations Retries Turn SetsDone Runs Random");
  in.fields(7, "the counters");
  st.stepCount = in.number<int32_t>(0, "StepCount");
  st.iterations = in.number<int32_t>(1, "Iterations");
  st.retries = in.number<int32_t>(2, "Retries");
  st.turn = in.number<int32_t>(3, "Turn");
  st.setsDone = in.number<int32_t>(4, "SetsDone");
  st.runs = in.number<int64_t>(5, "Runs");
  st.rng = in.number<uint32_t>(6, "Random");
  if (st.turn < 1 || st.turn > kTargetCount) in.fail(in.line(), "Turn must be 1..9");
  if (st.setsDone < 0 || st.setsDone > st.nSets ||
      (st.state != kPriceCreatingSets && st.setsDone != st.nSets))
    in.fail(in.line(), "SetsDone does not fit the state");

  in.label("Targets QTType AutoWeigh KeepOM NIterPSet Ftol");
  const auto& f = in.fields(6, "the options");
  if (f[0].size() != kTargetCount || f[0].find_first_not_of("01") != std::string::npos)
    in.fail(in.line(), "nine characters 1 or 0 were expected for Targets, found '" + f[0] + "'");
  st.options.Selected = ParseTargets(f[0]);
  st.options.QTType = in.number<int32_t>(1, "QTType");
  if (st.options.QTType < kQTSum || st.options.QTType > kQTCarrousel)
    in.fail(in.line(), "QTType must be 0..2");
  st.options.AutoWeigh = in.number<int32_t>(2, "AutoWeigh") != 0;
  st.options.KeepOM = in.number<int32_t>(3, "KeepOM") != 0;
  st.options.NIterPSet = in.number<int32_t>(4, "NIterPSet");
  st.options.Ftol = in.number<float>(5, "Ftol");

  in.label("Weight");
  in.fields(kTargetCount, "the weights");
  for (int k = 1; k <= kTargetCount; ++k) st.options.Weight[k] = in.number<float>(k - 1, "Weight");
  in.label("AutoWeight");
  in.fields(kTargetCount, "the automatic weights");
  for (int k = 1; k <= kTargetCount; ++k) st.autoWeight[k] = in.number<float>(k - 1, "AutoWeight");

  in.label("Parameters: number lower upper live");
  const ParmTable& table = alg.workspace().parms;
  for (int j = 1; j <= st.nParms; ++j) {
    in.fields(4, "a fitted parameter");
    const int nr = in.number<int32_t>(0, "the parameter number");
    if (nr != alg.ParmNr(j))
      in.fail(in.line(), "fitted parameter " + std::to_string(j) + " is number " + std::to_string(nr) +
                             " in the state, " + std::string(table[alg.ParmNr(j)].name) + " (number " +
                             std::to_string(alg.ParmNr(j)) + ") in the scenario");
    st.lower[j] = in.number<float>(1, "lower");
    st.upper[j] = in.number<float>(2, "upper");
    st.live[j] = in.number<float>(3, "the live value");
    if (st.lower[j] < table[nr].defLower || st.upper[j] > table[nr].defUpper || st.lower[j] > st.upper[j])
      in.fail(in.line(), "the range of " + std::string(table[nr].name) + " lies outside its limits");
  }

  in.label("Sets: values, then QT0..QT9");
  st.sets.assign(static_cast<std::size_t>(st.nSets) + 1, {});
  st.qt.assign(static_cast<std::size_t>(st.nSets) + 1, {});
  for (int s = 1; s <= st.nSets; ++s) {
    in.fields(static_cast<std::size_t>(st.nParms + kQTRows), "a parameter set");
    for (int j = 1; j <= st.nParms; ++j) st.sets[s][j] = in.number<float>(j - 1, "a parameter value");
    for (int k = 0; k < kQTRows; ++k) st.qt[s][k] = in.number<float>(st.nParms + k, "a target value");
  }
  in.label("QT statistics: min max sum sumsq avg lowset highset");
  for (int k = 0; k < kQTRows; ++k) {
    in.fields(7, "the target statistics");
    st.qtMin[k] = in.number<float>(0, "min");
    st.qtMax[k] = in.number<float>(1, "max");
    st.qtSum[k] = in.number<float>(2, "sum", true);
    st.qtSumSq[k] = in.number<float>(3, "sumsq", true);
    st.qtAvg[k] = in.number<float>(4, "avg", true);
    st.qtLow[k] = in.number<int32_t>(5, "lowset");
    st.qtHigh[k] = in.number<int32_t>(6, "highset");
    // While the sets are being created there are no statistics yet.
    const int first = st.state == kPriceCreatingSets ? 0 : 1;
    if (st.qtLow[k] < first || st.qtLow[k] > st.nSets || st.qtHigh[k] < first || st.qtHigh[k] > st.nSets)
      in.fail(in.line(), "set numbers must be 1..NSets");
  }
  in.label("Parameter statistics: min max sum sumsq");
  for (int j = 1; j <= st.nParms; ++j) {
    in.fields(4, "the parameter statistics");
    st.pMin[j] = in.number<float>(0, "min");
    st.pMax[j] = in.number<float>(1, "max");
    st.pSum[j] = in.number<float>(2, "sum", true);
    st.pSumSq[j] = in.number<float>(3, "sumsq", true);
  }

  // Everything read and checked: take it over.
  ParmTable& tab = alg.workspace().parms;
  alg.SetOptions(st.options);
  alg.AutoWeight = st.autoWeight;
  for (int j = 1; j <= st.nParms; ++j) {
    tab[alg.ParmNr(j)].lower = st.lower[j];
    tab[alg.ParmNr(j)].upper = st.upper[j];
    alg.SetLive(j, st.live[j]);
  }
  for (int s = 1; s <= st.nSets; ++s) {
    for (int j = 1; j <= st.nParms; ++j) alg.PSet(s, j) = st.sets[s][j];
    for (int k = 0; k < kQTRows; ++k) alg.QT(k, s) = st.qt[s][k];
  }
  alg.QTMin = st.qtMin;
  alg.QTMax = st.qtMax;
  alg.QTSum = st.qtSum;
  alg.QTSumSq = st.qtSumSq;
  alg.QTAvg = st.qtAvg;
  alg.QTLowSet = st.qtLow;
  alg.QTHighSet = st.qtHigh;
  alg.ParmMin = st.pMin;
  alg.ParmMax = st.pMax;
  alg.ParmSum = st.pSum;
  alg.ParmSumSq = st.pSumSq;
  alg.PriceState = st.state;
  alg.StepCount = st.stepCount;
  alg.Iterations = st.iterations;
  alg.Retries = st.retries;
  alg.Turn = st.turn;
  alg.SetsDone = st.setsDone;
  alg.Runs = st.runs;
  alg.Rng.seed(st.rng);
}

void LoadPriceState(TPriceAlg& alg, const std::string& path) {
  LoadPriceStateText(alg, ReadFileText(path), path);
}

} // namespace kelmar
