#include "optim/CorrMatrix.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "Workspace.h"
#include "data/FileSystem.h"
#include "data/TextFormat.h"
#include "optim/PriceAlg.h"
#include "report/SumFile.h"

namespace kelmar {

namespace {

// Continued fraction of the incomplete beta function (modified Lentz).
double BetaContinuedFraction(double a, double b, double x) {
  const double tiny = 1e-300;
  double qab = a + b, qap = a + 1, qam = a - 1;
  double c = 1, d = 1 - qab * x / qap;
  if (std::fabs(d) < tiny) d = tiny;
  d = 1 / d;
  double h = d;
  for (int m = 1; m <= 500; ++m) {
    int m2 = 2 * m;
    double aa = m * (b - m) * x / ((qam + m2) * (a + m2));
    d = 1 + aa * d;
    if (std::fabs(d) < tiny) d = tiny;
    c = 1 + aa / c;
    if (std::fabs(c) < tiny) c = tiny;
    d = 1 / d;
    h *= d * c;
    aa = -(a + m) * (qab + m) * x / ((a + m2) * (qap + m2));
    d = 1 + aa * d;
    if (std::fabs(d) < tiny) d = tiny;
    c = 1 + aa / c;
    if (std::fabs(c) < tiny) c = tiny;
    d = 1 / d;
    double del = d * c;
    h *= del;
    if (std::fabs(del - 1) < 1e-15) break;
  }
  return h;
}

// Regularised incomplete beta function I_x(a, b).
double IncompleteBeta(double a, double b, double x) {
  if (x <= 0) return 0;
  if (x >= 1) return 1;
  double lbt = std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b) + a * std::log(x) + b * std::log1p(-x);
  double bt = std::exp(lbt);
  if (x < (a + 1) / (a + b + 2)) return bt * BetaContinuedFraction(a, b, x) / a;
  return 1 - bt * BetaContinuedFraction(b, a, 1 - x) / b;
}

// A variable whose spread vanishes next to its size is constant: its
// correlation with anything is undefined and shown as 0. The test is
// relative, so that the units of a variable do not decide it.
bool IsConstant(double sxx, double sumSq) { return !(sxx > 1e-12 * sumSq); }

} // namespace

float RCrit(int n) {
  if (n <= 3) return 1.0f;
  switch (n) {
  case 4:
    return 0.999f;
  case 5:
    return 0.991f;
  case 6:
    return 0.974f;
  case 7:
    return 0.951f;
  default:
    break;
  }
  // Under no correlation r^2 follows Beta(1/2, df/2) with df = n - 2, so
  // P(|r| >= rc) = I(1 - rc^2; df/2, 1/2), which falls as rc grows.
  const double half = 0.5 * (n - 2);
  const double alpha = 0.001;
  double lo = 0, hi = 1;
  for (int i = 0; i < 100; ++i) {
    double mid = 0.5 * (lo + hi);
    if (IncompleteBeta(half, 0.5, 1 - mid * mid) > alpha)
      lo = mid;
    else
      hi = mid;
  }
  return static_cast<float>(0.5 * (lo + hi));
}

CorrMatrix ComputeCorrMatrix(std::vector<std::string> names, std::vector<std::vector<double>> columns,
                             CorrDiagonal diagonal) {
  if (names.size() != columns.size()) throw std::invalid_argument("one name per variable is needed");
  CorrMatrix m;
  m.n = columns.empty() ? 0 : static_cast<int>(columns[0].size());
  for (const auto& c : columns)
    if (static_cast<int>(c.size()) != m.n)
      throw std::invalid_argument("every variable needs the same number of observations");
  m.names = std::move(names);
  m.columns = std::move(columns);
  m.RCrit = RCrit(m.n);
  const int k = m.size();
  const double n = m.n;
  m.cells.assign(static_cast<std::size_t>(k) + 1, std::vector<std::string>(static_cast<std::size_t>(k) + 1));
  m.marked.assign(static_cast<std::size_t>(k) + 1, std::vector<bool>(static_cast<std::size_t>(k) + 1, false));
  for (int i = 1; i <= k; ++i) {
    m.cells[0][i] = m.names[i - 1];
    m.cells[i][0] = m.names[i - 1];
  }
  std::vector<double> sum(k, 0.0), sumSq(k, 0.0);
  for (int i = 0; i < k; ++i)
    for (double x : m.columns[i]) {
      sum[i] += x;
      sumSq[i] += x * x;
    }
  for (int i = 1; i <= k; ++i) {
    for (int j = 1; j <= i; ++j) {
      if (j == i && diagonal == CorrDiagonal::One) {
        m.cells[i][j] = "1.000";
        continue;
      }
      double r = 0;
      if (m.n > 0) {
        const auto& x = m.columns[j - 1];
        const auto& y = m.columns[i - 1];
        double sxy = 0;
        for (int o = 0; o < m.n; ++o) sxy += x[o] * y[o];
        sxy -= sum[j - 1] * sum[i - 1] / n;
        double sxx = sumSq[j - 1] - sum[j - 1] * sum[j - 1] / n;
        double syy = sumSq[i - 1] - sum[i - 1] * sum[i - 1] / n;
        if (!IsConstant(sxx, sumSq[j - 1]) && !IsConstant(syy, sumSq[i - 1]))
          r = std::clamp(sxy / std::sqrt(sxx * syy), -1.0, 1.0);
      }
      m.cells[i][j] = FmtFixed(r, 6, 3);
      if (j < i) m.marked[i][j] = std::fabs(std::strtod(m.cells[i][j].c_str(), nullptr)) > m.RCrit;
    }
  }
  return m;
}

CorrMatrix PriceCorrMatrix(const TPriceAlg& alg) {
  std::vector<std::string> names;
  std::vector<std::vector<double>> columns;
  for (int j = 1; j <= alg.NParms(); ++j) {
    names.emplace_back(alg.workspace().parms[alg.ParmNr(j)].name);
    std::vector<double> col;
    col.reserve(static_cast<std::size_t>(alg.NSets()));
    for (int s = 1; s <= alg.NSets(); ++s) col.push_back(alg.PSet(s, j));
    columns.push_back(std::move(col));
  }
  return ComputeCorrMatrix(std::move(names), std::move(columns), CorrDiagonal::Computed);
}

CorrMatrix SummaryCorrMatrix(const SumGrid& grid) {
  std::vector<std::string> names;
  std::vector<std::vector<double>> columns;
  for (int j = 0; j < grid.NItems(); ++j) {
    int c = kFirstItemColumn + j;
    names.push_back(grid.cell(0, c));
    std::vector<double> col;
    col.reserve(static_cast<std::size_t>(grid.NSumm));
    for (int r = 1; r <= grid.NSumm; ++r) col.push_back(grid.cellValue(r, c));
    columns.push_back(std::move(col));
  }
  return ComputeCorrMatrix(std::move(names), std::move(columns), CorrDiagonal::One);
}

std::string ParameterCorrStatus(const CorrMatrix& m) {
  return "Parameters: " + std::to_string(m.size()) + "  Sets: " + std::to_string(m.n) +
         "  R-Crit (0.05%): " + FmtFixed(m.RCrit, 6, 3);
}

std::string SummaryCorrStatus(const CorrMatrix& m) {
  return "Summary items: " + std::to_string(m.size()) + "  Summaries: " + std::to_string(m.n) +
         "  R-Crit (0.05%): " + FmtFixed(m.RCrit, 6, 3);
}

std::vector<std::string> CorrMatrixLines(const CorrMatrix& m, const std::string& status) {
  std::size_t w = 7;
  for (const auto& row : m.cells)
    for (const std::string& c : row) w = std::max(w, c.size());
  std::vector<std::string> lines;
  for (int i = 0; i < static_cast<int>(m.cells.size()); ++i) {
    std::string line;
    for (int j = 0; j < static_cast<int>(m.cells[i].size()); ++j) {
      const std::string& c = m.cells[i][j];
      line += std::string(w - c.size(), ' ') + c + (m.isMarked(i, j) ? '*' : ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    lines.push_back(std::move(line));
  }
  lines.push_back(status + "  (* |r| > R-Crit)");
  return lines;
}

std::string CorFileText(const CorrMatrix& m) {
  std::string out(kCrLf);
  for (const auto& row : m.cells) {
    std::string line;
    for (const std::string& cell : row) {
      if (cell.size() >= 7 && !line.empty() && line.back() != ' ') line += ' ';
      line += std::string(cell.size() < 7 ? 7 - cell.size() : 0, ' ') + cell;
    }
    out += line;
    out += kCrLf;
  }
  return out;
}

void WriteCorFile(const std::string& path, const CorrMatrix& m) { WriteFileAtomic(path, CorFileText(m)); }

ScatterData ScatterOf(const CorrMatrix& m, int row, int column) {
  if (row < 1 || row > m.size() || column < 1 || column > m.size())
    throw std::out_of_range("a scatter plot needs a cell of two variables");
  ScatterData s;
  s.xTitle = m.names[column - 1];
  s.yTitle = m.names[row - 1];
  s.seriesTitle = std::to_string(m.n);
  const auto& x = m.columns[column - 1];
  const auto& y = m.columns[row - 1];
  s.points.reserve(x.size());
  for (std::size_t o = 0; o < x.size(); ++o) s.points.emplace_back(x[o], y[o]);
  return s;
}

} // namespace kelmar
