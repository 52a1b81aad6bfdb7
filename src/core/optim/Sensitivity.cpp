#include "optim/Sensitivity.h"

#include <algorithm>
#include <boost/math/distributions/normal.hpp>
#include <boost/random/sobol.hpp>
#include <chrono>
#include <cmath>
#include <limits>
#include <memory>
#include <numeric>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "Workspace.h"
#include "calc/Corr.h"
#include "data/FileSystem.h"
#include "data/TextFormat.h"
#include "model/Driver.h"
#include "optim/PriceOptions.h"
#include "optim/Targets.h"
#include "report/Summary.h"

namespace kelmar {

namespace {

// Draws that depend only on the seed: std::mt19937_64 is the same everywhere,
// the standard distributions are not, so the mapping to [0, 1) and to
// integers is done here.
class Draws {
public:
  explicit Draws(uint64_t seed) : g_(seed) {}
  double real() { return static_cast<double>(g_() >> 11) * (1.0 / 9007199254740992.0); }
  int integer(int n) { return std::min(n - 1, static_cast<int>(real() * n)); }

private:
  std::mt19937_64 g_;
};

constexpr int kKeptFailures = 10;
constexpr int kNamedMorrisPoints = 5;
constexpr double kMaxDesignValues = 1 << 24; // 128 MB of design

double ZOf(double confidence) {
  boost::math::normal n;
  return boost::math::quantile(n, 0.5 + confidence / 2);
}

double StdDev(const std::vector<double>& v) {
  if (v.size() < 2) return 0;
  double mean = 0;
  for (double d : v) mean += d;
  mean /= static_cast<double>(v.size());
  double ss = 0;
  for (double d : v) ss += (d - mean) * (d - mean);
  return std::sqrt(ss / static_cast<double>(v.size() - 1));
}

std::vector<double> MorrisDesign(const SensitivitySettings& s, int k) {
  const int p = s.levels;
  const double step = 1.0 / (p - 1);
  const double delta = p / (2.0 * (p - 1));
  Draws d(s.seed);
  std::vector<double> x(static_cast<std::size_t>(s.trajectories) * (k + 1) * k);
  std::vector<int> order(k);
  std::vector<double> point(k);
  std::vector<int> sign(k);
  std::size_t row = 0;
  for (int t = 0; t < s.trajectories; ++t) {
    for (int i = 0; i < k; ++i) {
      const int low = d.integer(p / 2); // levels from which a step of delta stays inside
      sign[i] = d.integer(2) == 0 ? 1 : -1;
      point[i] = low * step + (sign[i] < 0 ? delta : 0.0);
    }
    std::iota(order.begin(), order.end(), 0);
    for (int i = k - 1; i > 0; --i) std::swap(order[i], order[d.integer(i + 1)]);
    std::copy(point.begin(), point.end(), x.begin() + static_cast<std::ptrdiff_t>(row++ * k));
    for (int j = 0; j < k; ++j) {
      const int i = order[j];
      point[i] = std::clamp(point[i] + sign[i] * delta, 0.0, 1.0);
      std::copy(point.begin(), point.end(), x.begin() + static_cast<std::ptrdiff_t>(row++ * k));
    }
  }
  return x;
}

std::vector<double> SobolDesign(const SensitivitySettings& s, int k) {
  const int dim = 2 * k;
  boost::random::sobol_engine<uint32_t, 32> gen(static_cast<std::size_t>(dim));
  // A random shift of the whole sequence (modulo 1) makes the seed matter and
  // keeps the point at the origin out of the design.
  Draws d(s.seed);
  std::vector<double> shift(dim);
  for (double& v : shift) v = d.real();
  const int rows = k + 2;
  std::vector<double> x(static_cast<std::size_t>(s.samples) * rows * k);
  std::vector<double> q(dim);
  for (int j = 0; j < s.samples; ++j) {
    for (int c = 0; c < dim; ++c) {
      const double u = static_cast<double>(gen()) * (1.0 / 4294967296.0) + shift[c];
      q[c] = u - std::floor(u);
    }
    double* block = x.data() + static_cast<std::size_t>(j) * rows * k;
    for (int c = 0; c < k; ++c) {
      block[c] = q[c];         // A
      block[k + c] = q[k + c]; // B
    }
    for (int i = 0; i < k; ++i) {
      double* ab = block + static_cast<std::size_t>(2 + i) * k;
      std::copy(q.begin(), q.begin() + k, ab);
      ab[i] = q[k + i];
    }
  }
  return x;
}

struct Evaluations {
  std::vector<double> y; // runs x outputs
  std::vector<char> ok;  // per run
  std::vector<std::string> messages;
  long done = 0;
  bool aborted = false;
};

Evaluations Evaluate(const std::vector<double>& unit, const std::vector<SensitivityFactor>& factors, int m,
                     const SensitivitySettings& s, const EvaluatorFactory& make,
                     const SensitivityCallbacks& cb) {
  const int k = static_cast<int>(factors.size());
  const long runs = static_cast<long>(unit.size() / static_cast<std::size_t>(k));
  Evaluations e;
  e.y.assign(static_cast<std::size_t>(runs) * m, 0.0);
  e.ok.assign(static_cast<std::size_t>(runs), 0);
  e.messages.resize(static_cast<std::size_t>(runs));
  std::atomic<long> next{0}, done{0};
  std::atomic<bool> stop{false};
  auto aborting = [&] { return cb.Abort && cb.Abort->load(); };

  auto runOne = [&](SensitivityEvaluator& eval, long r, std::vector<double>& x) {
    const double* u = unit.data() + static_cast<std::size_t>(r) * k;
    for (int i = 0; i < k; ++i) x[i] = factors[i].lower + u[i] * (factors[i].upper - factors[i].lower);
    std::span<double> y(e.y.data() + static_cast<std::size_t>(r) * m, static_cast<std::size_t>(m));
    try {
      eval(x, y);
      if (std::all_of(y.begin(), y.end(), [](double v) { return std::isfinite(v); }))
        e.ok[r] = 1;
      else
        e.messages[r] = "an output is not a number";
    } catch (const std::exception& ex) {
      e.messages[r] = ex.what();
    }
    // A failed run's outputs are never used; zeros keep the estimates clean of them.
    if (!e.ok[r]) std::fill(y.begin(), y.end(), 0.0);
    done.fetch_add(1);
  };
  auto work = [&](SensitivityEvaluator& eval) {
    std::vector<double> x(k);
    while (!stop.load()) {
      const long r = next.fetch_add(1);
      if (r >= runs) break;
      runOne(eval, r, x);
    }
  };

  using Clock = std::chrono::steady_clock;
  auto lastReport = Clock::now();
  auto report = [&](bool force) {
    if (!cb.OnProgress) return;
    if (!force && Clock::now() - lastReport < std::chrono::milliseconds(50)) return;
    lastReport = Clock::now();
    cb.OnProgress(done.load(), runs);
  };
  report(true);
  const int jobs = static_cast<int>(std::min<long>(s.jobs, std::max(runs, 1L)));
  if (jobs <= 1) {
    SensitivityEvaluator eval = make();
    std::vector<double> x(k);
    for (long r = 0; r < runs; ++r) {
      if (aborting()) break;
      runOne(eval, r, x);
      report(false);
    }
  } else {
    std::vector<SensitivityEvaluator> evals;
    for (int t = 0; t < jobs; ++t) evals.push_back(make());
    std::vector<std::thread> workers;
    for (int t = 0; t < jobs; ++t) workers.emplace_back([&, t] { work(evals[t]); });
    try {
      while (done.load() < runs) {
        if (aborting()) {
          stop = true;
          break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        report(false);
      }
    } catch (...) {
      stop = true;
      for (auto& t : workers) t.join();
      throw;
    }
    for (auto& t : workers) t.join();
  }
  e.done = done.load();
  e.aborted = e.done < runs;
  report(true);
  return e;
}

void SortBlock(std::vector<SensitivityEntry>::iterator first, std::vector<SensitivityEntry>::iterator last) {
  std::stable_sort(first, last, [](const SensitivityEntry& a, const SensitivityEntry& b) {
    if (a.importance() != b.importance()) return a.importance() > b.importance();
    if (a.output != b.output) return a.output < b.output;
    return a.factor < b.factor;
  });
}

void EstimateMorris(const SensitivitySettings& s, int k, int m, const std::vector<double>& unit,
                    const Evaluations& e, SensitivityResult& r) {
  // Elementary effects per factor and output, in design order.
  std::vector<std::vector<double>> effects(static_cast<std::size_t>(k) * m);
  for (int t = 0; t < s.trajectories; ++t)
    for (int j = 0; j < k; ++j) {
      const std::size_t a = static_cast<std::size_t>(t) * (k + 1) + j, b = a + 1;
      if (!e.ok[a] || !e.ok[b]) continue;
      const double* xa = unit.data() + a * k;
      const double* xb = unit.data() + b * k;
      int i = 0;
      while (i < k && xa[i] == xb[i]) ++i;
      if (i == k) continue;
      const double dx = xb[i] - xa[i];
      for (int o = 0; o < m; ++o)
        effects[static_cast<std::size_t>(i) * m + o].push_back((e.y[b * m + o] - e.y[a * m + o]) / dx);
    }
  const double z = ZOf(s.confidence);
  Draws boot(static_cast<uint64_t>(s.seed) ^ 0x9E3779B97F4A7C15ull);
  for (int o = 0; o < m; ++o) {
    const std::size_t first = r.entries.size();
    for (int i = 0; i < k; ++i) {
      const std::vector<double>& ee = effects[static_cast<std::size_t>(i) * m + o];
      SensitivityEntry en;
      en.factor = i;
      en.output = o;
      en.used = static_cast<int32_t>(ee.size());
      if (ee.empty()) {
        en.mu = en.muStar = en.sigma = en.muStarConf = std::numeric_limits<double>::quiet_NaN();
      } else {
        const double n = static_cast<double>(ee.size());
        for (double v : ee) {
          en.mu += v;
          en.muStar += std::abs(v);
        }
        en.mu /= n;
        en.muStar /= n;
        en.sigma = StdDev(ee);
        std::vector<double> means(static_cast<std::size_t>(s.resamples));
        for (double& mean : means) {
          double sum = 0;
          for (std::size_t q = 0; q < ee.size(); ++q)
            sum += std::abs(ee[boot.integer(static_cast<int>(ee.size()))]);
          mean = sum / n;
        }
        en.muStarConf = z * StdDev(means);
      }
      r.entries.push_back(en);
    }
    SortBlock(r.entries.begin() + static_cast<std::ptrdiff_t>(first), r.entries.end());
  }
}

void EstimateSobol(const SensitivitySettings& s, int k, int m, const Evaluations& e, SensitivityResult& r) {
  const std::size_t rows = static_cast<std::size_t>(k) + 2;
  const double z = ZOf(s.confidence);
  Draws boot(static_cast<uint64_t>(s.seed) ^ 0x9E3779B97F4A7C15ull);
  r.variance.assign(static_cast<std::size_t>(m), 0.0);
  // The samples of every factor whose A, B and AB_i runs all succeeded.
  std::vector<std::vector<int>> valid(static_cast<std::size_t>(k));
  std::vector<int> validAB;
  for (int j = 0; j < s.samples; ++j) {
    const std::size_t base = static_cast<std::size_t>(j) * rows;
    if (!e.ok[base] || !e.ok[base + 1]) continue;
    validAB.push_back(j);
    for (int i = 0; i < k; ++i)
      if (e.ok[base + 2 + i]) valid[i].push_back(j);
  }
  auto val = [&](int j, std::size_t row, int o) {
    return e.y[(static_cast<std::size_t>(j) * rows + row) * m + o];
  };
  // Jansen's estimators with the variance taken as mean (f(A) - f(B))^2 / 2
  // over the same samples: a parameter the output does not depend on gets
  // exactly 0 for both indices, one it depends on alone exactly 1.
  auto estimate = [&](const std::vector<int>& js, const std::vector<int>& pick, int i, int o, double& s1,
                      double& st) {
    double v = 0, d1 = 0, dt = 0;
    for (int q : pick) {
      const int j = js[q];
      const double fa = val(j, 0, o), fb = val(j, 1, o), fab = val(j, 2 + i, o);
      v += (fa - fb) * (fa - fb);
      d1 += (fb - fab) * (fb - fab);
      dt += (fa - fab) * (fa - fab);
    }
    if (v <= 0) {
      s1 = st = 0;
      return;
    }
    s1 = 1 - d1 / v;
    st = dt / v;
  };
  // The bootstrap draws are shared by the outputs: one set per factor.
  for (int o = 0; o < m; ++o) {
    double sum = 0, sumSq = 0;
    for (int j : validAB) {
      const double fa = val(j, 0, o), fb = val(j, 1, o);
      sum += fa + fb;
      sumSq += fa * fa + fb * fb;
    }
    const double n2 = 2.0 * static_cast<double>(validAB.size());
    if (n2 > 1) r.variance[o] = std::max(0.0, (sumSq - sum * sum / n2) / (n2 - 1));
  }
  std::vector<SensitivityEntry> all(static_cast<std::size_t>(k) * m);
  for (int i = 0; i < k; ++i) {
    const std::vector<int>& js = valid[i];
    const int n = static_cast<int>(js.size());
    std::vector<int> pick(static_cast<std::size_t>(n));
    std::iota(pick.begin(), pick.end(), 0);
    std::vector<std::vector<int>> picks(static_cast<std::size_t>(n > 0 ? s.resamples : 0));
    for (auto& p : picks) {
      p.resize(static_cast<std::size_t>(n));
      for (int& q : p) q = boot.integer(n);
    }
    for (int o = 0; o < m; ++o) {
      SensitivityEntry& en = all[static_cast<std::size_t>(o) * k + i];
      en.factor = i;
      en.output = o;
      en.used = n;
      if (n == 0) {
        // No sample to rest on: unknown, not zero.
        en.s1 = en.st = en.s1Conf = en.stConf = std::numeric_limits<double>::quiet_NaN();
        continue;
      }
      estimate(js, pick, i, o, en.s1, en.st);
      std::vector<double> b1, bt;
      b1.reserve(picks.size());
      bt.reserve(picks.size());
      for (const auto& p : picks) {
        double a1, at;
        estimate(js, p, i, o, a1, at);
        b1.push_back(a1);
        bt.push_back(at);
      }
      en.s1Conf = z * StdDev(b1);
      en.stConf = z * StdDev(bt);
    }
  }
  for (int o = 0; o < m; ++o) {
    const std::size_t first = r.entries.size();
    r.entries.insert(r.entries.end(), all.begin() + static_cast<std::ptrdiff_t>(o) * k,
                     all.begin() + static_cast<std::ptrdiff_t>(o + 1) * k);
    SortBlock(r.entries.begin() + static_cast<std::ptrdiff_t>(first), r.entries.end());
  }
}

std::string CsvField(const std::string& s) {
  if (s.find_first_of(",\"\n\r") == std::string::npos) return s;
  std::string q = "\"";
  for (char c : s) {
    if (c == '"') q += '"';
    q += c;
  }
  return q + "\"";
}

std::string Num(double v) {
  if (std::isnan(v)) return {}; // an estimate without any run behind it
  std::ostringstream o;
  o.precision(6);
  o << v;
  return o.str();
}

} // namespace

std::string_view MethodName(SensitivityMethod m) {
  return m == SensitivityMethod::Morris ? "morris" : "sobol";
}

double SensitivityEntry::importance() const {
  return used == 0 ? -std::numeric_limits<double>::infinity() : std::max(muStar, st);
}

void CheckSettings(const SensitivitySettings& s, int factors) {
  if (factors < 1) throw std::invalid_argument("no parameters to vary");
  if (s.jobs < 1) throw std::invalid_argument("jobs must be at least 1");
  if (s.confidence <= 0 || s.confidence >= 1)
    throw std::invalid_argument("confidence must lie between 0 and 1");
  if (s.resamples < 2) throw std::invalid_argument("resamples must be at least 2");
  // The whole design is held in memory (that is what makes the result
  // independent of the order of the runs).
  if (static_cast<double>(SensitivityRuns(s, factors)) * factors > kMaxDesignValues)
    throw std::invalid_argument("too many runs: the design of " +
                                std::to_string(SensitivityRuns(s, factors)) + " runs over " +
                                std::to_string(factors) + " parameters does not fit in memory");
  if (s.method == SensitivityMethod::Morris) {
    if (s.trajectories < 2) throw std::invalid_argument("trajectories must be at least 2");
    if (s.levels < 2 || s.levels % 2 != 0) throw std::invalid_argument("levels must be even and at least 2");
  } else {
    if (s.samples < 2) throw std::invalid_argument("samples must be at least 2");
    if (2 * factors > 3600) throw std::invalid_argument("too many parameters for the Sobol sequence");
  }
}

long SensitivityRuns(const SensitivitySettings& s, int factors) {
  return s.method == SensitivityMethod::Morris ? static_cast<long>(s.trajectories) * (factors + 1)
                                               : static_cast<long>(s.samples) * (factors + 2);
}

std::vector<double> SensitivityDesign(const SensitivitySettings& s, int factors) {
  CheckSettings(s, factors);
  return s.method == SensitivityMethod::Morris ? MorrisDesign(s, factors) : SobolDesign(s, factors);
}

SensitivityResult RunSensitivity(const std::vector<SensitivityFactor>& factors, int nOutputs,
                                 const SensitivitySettings& s, const EvaluatorFactory& make,
                                 const SensitivityCallbacks& cb) {
  const int k = static_cast<int>(factors.size());
  if (nOutputs < 1) throw std::invalid_argument("no outputs to study");
  const std::vector<double> unit = SensitivityDesign(s, k);
  SensitivityResult r;
  r.method = s.method;
  r.runs = SensitivityRuns(s, k);
  Evaluations e = Evaluate(unit, factors, nOutputs, s, make, cb);
  r.done = e.done;
  r.aborted = e.aborted;
  for (long i = 0; i < r.runs; ++i)
    if (!e.messages[i].empty()) {
      ++r.failedRuns;
      if (r.failures.size() < kKeptFailures) r.failures.push_back({i, e.messages[i]});
    }
  if (r.aborted) return r;
  if (s.method == SensitivityMethod::Morris)
    EstimateMorris(s, k, nOutputs, unit, e, r);
  else
    EstimateSobol(s, k, nOutputs, e, r);
  return r;
}

std::vector<SensitivityEntry> RankedEntries(const SensitivityResult& r) {
  std::vector<SensitivityEntry> v = r.entries;
  SortBlock(v.begin(), v.end());
  return v;
}

std::string SensitivityCsv(const SensitivityResult& r, const std::vector<SensitivityFactor>& factors,
                           const std::vector<std::string>& outputNames) {
  std::string out = r.method == SensitivityMethod::Morris
                        ? "parameter,output,mu_star,mu_star_conf,mu,sigma,effects\n"
                        : "parameter,output,ST,ST_conf,S1,S1_conf,samples\n";
  for (const SensitivityEntry& en : RankedEntries(r)) {
    out += CsvField(factors[en.factor].name) + "," + CsvField(outputNames[en.output]) + ",";
    if (r.method == SensitivityMethod::Morris)
      out += Num(en.muStar) + "," + Num(en.muStarConf) + "," + Num(en.mu) + "," + Num(en.sigma);
    else
      out += Num(en.st) + "," + Num(en.stConf) + "," + Num(en.s1) + "," + Num(en.s1Conf);
    out += "," + std::to_string(en.used) + "\n";
  }
  return out;
}

std::string SensitivityTable(const SensitivityResult& r, const std::vector<SensitivityFactor>& factors,
                             const std::vector<std::string>& outputNames, int maxRows) {
  const bool morris = r.method == SensitivityMethod::Morris;
  LineBuilder head;
  head.text(PadRight("Parameter", 10)).text(PadRight("Output", 10));
  head.text(morris ? "        mu*     +/-         mu      sigma     n"
                   : "         ST     +/-         S1     +/-     n");
  std::string out = head.str() + "\n";
  int rows = 0;
  for (const SensitivityEntry& en : RankedEntries(r)) {
    if (maxRows > 0 && rows++ >= maxRows) break;
    LineBuilder b;
    b.text(PadRight(factors[en.factor].name, 10)).text(PadRight(outputNames[en.output], 10));
    if (en.used == 0)
      b.text("          -       -          -          -");
    else if (morris)
      b.real(en.muStar, 11, 4).real(en.muStarConf, 8, 3).real(en.mu, 11, 4).real(en.sigma, 11, 4);
    else
      b.real(en.st, 11, 4).real(en.stConf, 8, 3).real(en.s1, 11, 4).real(en.s1Conf, 8, 3);
    b.integer(en.used, 6);
    out += b.str() + "\n";
  }
  return out;
}

void FillSensitivityGraph(const SensitivityResult& r, const std::vector<SensitivityFactor>& factors,
                          const std::string& outputName, int output, GraphSetup& setup, GraphData& out) {
  const bool morris = r.method == SensitivityMethod::Morris;
  out.kind = 0;
  out.scatter = false;
  out.cropBarsOn = false;
  out.cropBars.clear();
  out.labels.clear();
  out.pointLabels.clear();
  out.stale = false;
  for (GraphSeries& g : out.series) g.Clear();
  setup.GraphTitle = (morris ? "Morris: " : "Sobol: ") + outputName;
  setup.XAxisTitle = morris ? "mu*" : "rank";
  setup.YAxisTitle = morris ? "sigma" : "S1, ST";
  setup.XAuto = setup.YAuto = true;
  for (int k = 0; k < kGraphSeriesCount; ++k) {
    SeriesSetup& ss = setup.Series[k];
    ss.Active = k < (morris ? 1 : 2);
    ss.HasLine = false;
    ss.HasPoints = true;
    ss.FillPoints = true;
    ss.PointSize = 8;
  }
  setup.Series[0].Title = morris ? "parameters" : "ST";
  setup.Series[0].PointShape = ps_Square;
  setup.Series[0].PointColor = kColorBlack;
  setup.Series[1].Title = "S1";
  setup.Series[1].PointShape = ps_Circle;
  setup.Series[1].PointColor = kColorRed;
  int rank = 0;
  for (const SensitivityEntry& en : r.entries) {
    if (en.output != output) continue;
    ++rank;
    const float x = morris ? static_cast<float>(en.muStar) : static_cast<float>(rank);
    if (morris) {
      out.series[0].AddPoint(x, static_cast<float>(en.sigma));
    } else {
      out.series[0].AddPoint(x, static_cast<float>(en.st));
      out.series[1].AddPoint(x, static_cast<float>(en.s1));
    }
    // Morris points crowd near the origin: only the most important are named.
    if (!morris || rank <= kNamedMorrisPoints) {
      GraphLabel l;
      l.x = x;
      l.text = factors[en.factor].name;
      out.labels.push_back(l);
    }
  }
  // The renderer spreads crowded names from left to right.
  std::stable_sort(out.labels.begin(), out.labels.end(),
                   [](const GraphLabel& a, const GraphLabel& b) { return a.x < b.x; });
  out.firstWeek = 1;
  out.lastWeek = std::max(2, rank);
  out.title = std::string(setup.GraphTitle.view());
}

std::string SensitivitySummaryLine(const SensitivityResult& r) {
  std::string line = std::string(r.method == SensitivityMethod::Morris ? "Morris" : "Sobol") + ": " +
                     std::to_string(r.done) + " of " + std::to_string(r.runs) + " runs";
  if (r.failedRuns > 0) line += ", " + std::to_string(r.failedRuns) + " failed";
  if (r.aborted) line += ", aborted";
  return line;
}

// ---- the model ----

std::string SensitivityOutput::name() const {
  return kind == kSummaryItem ? std::string(kSummaryItems[number - 1].name) : "QT" + std::to_string(number);
}

std::vector<SensitivityOutput> ParseSummaryOutputs(std::string_view text) {
  std::vector<SensitivityOutput> out;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t comma = text.find(',', pos);
    if (comma == std::string_view::npos) comma = text.size();
    const std::string word = Trim(text.substr(pos, comma - pos));
    pos = comma + 1;
    if (word.empty()) continue;
    int n = 0;
    for (int i = 0; i < kSummaryItemCount && n == 0; ++i)
      if (EqualsIgnoreCase(kSummaryItems[i].name, word)) n = i + 1;
    if (n == 0 && word.size() <= 3 && word.find_first_not_of("0123456789") == std::string::npos) {
      const int v = std::stoi(word);
      if (v >= 1 && v <= kSummaryItemCount) n = v;
    }
    if (n == 0) throw std::invalid_argument("unknown summary item '" + word + "'");
    const bool seen =
        std::any_of(out.begin(), out.end(), [&](const SensitivityOutput& o) { return o.number == n; });
    if (!seen) out.push_back({SensitivityOutput::kSummaryItem, n});
  }
  return out;
}

std::vector<SensitivityOutput> TargetOutputs(const std::array<bool, 10>& selected) {
  std::vector<SensitivityOutput> out;
  for (int k = 1; k <= kTargetCount; ++k)
    if (selected[k]) out.push_back({SensitivityOutput::kTarget, k});
  return out;
}

std::vector<SensitivityFactor> MarkedFactors(const Workspace& ws) {
  std::vector<SensitivityFactor> f;
  for (int i = 1; i <= ParmTable::size(); ++i) {
    const AutoParm& p = ws.parms[i];
    if (p.fit > 0) f.push_back({std::string(p.name), p.lower, p.upper, i});
  }
  return f;
}

EvaluatorFactory ModelEvaluators(const Workspace& ws, const std::vector<SensitivityFactor>& factors,
                                 const std::vector<SensitivityOutput>& outputs) {
  return [&ws, factors, outputs]() -> SensitivityEvaluator {
    std::shared_ptr<Workspace> w = MakeWorkspace();
    const bool targets = std::any_of(outputs.begin(), outputs.end(), [](const SensitivityOutput& o) {
      return o.kind == SensitivityOutput::kTarget;
    });
    return [&ws, w, factors, outputs, targets](std::span<const double> x, std::span<double> y) {
      *w = ws;
      w->state.ShowMessages = false;
      for (std::size_t i = 0; i < factors.size(); ++i)
        w->parms.value(w->scenario, factors[i].parm) = static_cast<float>(x[i]);
      RunModel(*w);
      const SummaryValues items = ComputeSummaryItems(*w);
      QTColumn qt{};
      if (targets) qt = ComputeTargets(*w, CalcCorr(*w));
      for (std::size_t o = 0; o < outputs.size(); ++o)
        y[o] = outputs[o].kind == SensitivityOutput::kSummaryItem ? items[outputs[o].number - 1]
                                                                  : qt[outputs[o].number];
    };
  };
}

} // namespace kelmar
