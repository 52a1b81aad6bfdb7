#include "report/SumFile.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <utility>

#include "Workspace.h"
#include "data/Errors.h"
#include "data/FileSystem.h"
#include "data/TextFormat.h"
#include "data/TextReader.h"
#include "report/Statistics.h"

namespace kelmar {

namespace {

// Paths may come from files written on another system: both separators end
// the directory part.
std::size_t NameStart(const std::string& path) {
  auto i = path.find_last_of("/\\");
  return i == std::string::npos ? 0 : i + 1;
}

std::string DirectoryPart(const std::string& path) { return path.substr(0, NameStart(path)); }

// Splits a text into lines; CR LF, LF and CR each end a line. A final line
// end does not start another line.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(text.substr(start, i - start));
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = ++i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

bool IsBlank(std::string_view s) { return s.find_first_not_of(" \t") == std::string_view::npos; }

std::vector<std::string_view> Tokens(std::string_view s) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    std::size_t b = i;
    while (i < s.size() && s[i] != ' ' && s[i] != '\t') ++i;
    if (i > b) out.push_back(s.substr(b, i - b));
  }
  return out;
}

[[noreturn]] void LineFail(const std::string& file, int line, const std::string& message) {
  throw FileError(file + ", line " + std::to_string(line) + ": " + message);
}

int32_t ParseInt(std::string_view tok, const std::string& file, int line, std::string_view what) {
  std::string_view d = tok;
  if (!d.empty() && d.front() == '+') d.remove_prefix(1);
  int32_t v = 0;
  auto [p, ec] = std::from_chars(d.data(), d.data() + d.size(), v);
  if (d.empty() || ec != std::errc() || p != d.data() + d.size())
    LineFail(file, line,
             "a whole number was expected for " + std::string(what) + ", found '" + std::string(tok) + "'");
  return v;
}

float ParseFloat(std::string_view tok, const std::string& file, int line, std::string_view what) {
  std::string_view d = tok;
  if (!d.empty() && d.front() == '+') d.remove_prefix(1);
  double v = 0;
  auto [p, ec] = std::from_chars(d.data(), d.data() + d.size(), v, std::chars_format::general);
  if (d.empty() || ec != std::errc() || p != d.data() + d.size() || !std::isfinite(v) ||
      std::fabs(v) > static_cast<double>(std::numeric_limits<float>::max()))
    LineFail(file, line,
             "a number was expected for " + std::string(what) + ", found '" + std::string(tok) + "'");
  return static_cast<float>(v);
}

SumLine ParseDataLine(std::string_view text, const std::string& file, int line) {
  if (text.size() < 42) LineFail(file, line, "the line is too short for the Scenario and Environment names");
  SumLine s;
  s.text = std::string(text);
  s.Scenario = Trim(text.substr(0, 21));
  s.Environment = Trim(text.substr(21, 21));
  std::vector<std::string_view> tok = Tokens(text.substr(42));
  const std::size_t expected = 3 + kSummaryItemCount;
  auto name = [](std::size_t i) -> std::string_view {
    static constexpr std::string_view kFixed[3] = {"Year", "Week", "Weeks"};
    return i < 3 ? kFixed[i] : kSummaryItems[i - 3].name;
  };
  if (tok.size() < expected)
    LineFail(file, line, "the line ends where a number was expected for " + std::string(name(tok.size())));
  if (tok.size() > expected)
    LineFail(file, line,
             "more than " + std::to_string(kSummaryItemCount) + " summary items, found '" +
                 std::string(tok[expected]) + "'");
  s.Year = ParseInt(tok[0], file, line, name(0));
  s.Week = ParseInt(tok[1], file, line, name(1));
  s.Weeks = ParseInt(tok[2], file, line, name(2));
  for (int i = 0; i < kSummaryItemCount; ++i)
    s.items[i] = ParseFloat(tok[3 + i], file, line, name(3 + static_cast<std::size_t>(i)));
  return s;
}

} // namespace

std::string ItemSelectionText(const ItemSelection& sel) {
  std::string s;
  for (bool b : sel) s += b ? '1' : '0';
  return s;
}

ItemSelection ParseItemSelection(std::string_view text) {
  ItemSelection sel{};
  for (std::size_t i = 0; i < sel.size() && i < text.size(); ++i) sel[i] = text[i] == '1';
  return sel;
}

int CountIncluded(const ItemSelection& sel) {
  return static_cast<int>(std::count(sel.begin(), sel.end(), true));
}

SumFileData ReadSumText(std::string_view text, const std::string& fileName) {
  std::vector<std::string_view> lines = SplitLines(text);
  std::string id = lines.empty() ? std::string() : std::string(lines[0].substr(0, kSummaryFileId.size()));
  if (id != kSummaryFileId) throw InvalidFileId(id, "Loading " + fileName + "\r" + "Invalid file ID: " + id);
  SumFileData data;
  data.fileName = fileName;
  for (std::size_t i = 0; i < 4 && i < lines.size(); ++i) data.header[i] = std::string(lines[i]);
  std::size_t end = lines.size();
  while (end > 4 && IsBlank(lines[end - 1])) --end;
  for (std::size_t i = 4; i < end; ++i) {
    int lineNo = static_cast<int>(i) + 1;
    if (IsBlank(lines[i])) LineFail(fileName, lineNo, "an empty line among the summary lines");
    data.lines.push_back(ParseDataLine(lines[i], fileName, lineNo));
  }
  return data;
}

SumFileData ReadSumFile(const std::string& fileName) { return ReadSumText(ReadFileText(fileName), fileName); }

double SumGrid::cellValue(int row, int column) const {
  const std::string& s = cell(row, column);
  char* end = nullptr;
  double v = std::strtod(s.c_str(), &end);
  return end == s.c_str() ? 0.0 : v;
}

double ItemAverage(const ItemStatistics& s, int n) { return n > 0 ? s.ItemSum / n : 0.0; }

double ItemDeviation(const ItemStatistics& s, int n) { return StdDev(s.ItemSum, s.ItemSumSq, n); }

SumGrid BuildSumGrid(const SumFileData& data, const ItemSelection& included) {
  SumGrid g;
  for (int i = 0; i < kSummaryItemCount; ++i)
    if (included[i]) g.Items.push_back(i + 1);
  g.NSumm = static_cast<int32_t>(data.lines.size());
  const int cols = g.columns();
  const int n = g.NSumm;
  g.cells.assign(static_cast<std::size_t>(n) + 6, std::vector<std::string>(static_cast<std::size_t>(cols)));
  auto& head = g.cells[0];
  head[0] = "ID";
  head[1] = "Scenario";
  head[2] = "Environment";
  head[3] = "Year";
  head[4] = "Week";
  head[5] = "Weeks";
  for (int j = 0; j < g.NItems(); ++j)
    head[kFirstItemColumn + j] = std::string(kSummaryItems[g.Items[j] - 1].name);

  g.stats.assign(g.Items.size(), ItemStatistics{});
  for (int r = 1; r <= n; ++r) {
    const SumLine& line = data.lines[r - 1];
    auto& row = g.cells[r];
    row[0] = std::to_string(r);
    row[1] = line.Scenario;
    row[2] = line.Environment;
    row[3] = std::to_string(line.Year);
    row[4] = std::to_string(line.Week);
    row[5] = std::to_string(line.Weeks);
    g.NameWidth = std::max<int32_t>(
        g.NameWidth, static_cast<int32_t>(std::max(line.Scenario.size(), line.Environment.size())));
    for (int j = 0; j < g.NItems(); ++j) {
      int item = g.Items[j];
      float v = line.items[item - 1];
      row[kFirstItemColumn + j] = FmtFixed(v, 6, kSummaryItems[item - 1].decimals);
      ItemStatistics& st = g.stats[j];
      // Start from the first value rather than from fixed bounds, so that
      // no value range can escape the minimum or maximum.
      if (r == 1 || v < st.ItemMin) st.ItemMin = v;
      if (r == 1 || v > st.ItemMax) st.ItemMax = v;
      // Sums in double: the sum of squares of organic-matter amounts
      // (around 1e10 each) leaves nothing of the variance in single precision.
      st.ItemSum += v;
      st.ItemSumSq += static_cast<double>(v) * v;
    }
  }
  if (n >= 2) {
    static constexpr const char* kLabels[4] = {"low", "high", "avg", "SE"};
    for (int k = 0; k < 4; ++k) g.cells[n + 2 + k][0] = kLabels[k];
    for (int j = 0; j < g.NItems(); ++j) {
      const ItemStatistics& st = g.stats[j];
      int dec = kSummaryItems[g.Items[j] - 1].decimals;
      int c = kFirstItemColumn + j;
      g.cells[n + 2][c] = FmtFixed(st.ItemMin, 6, dec);
      g.cells[n + 3][c] = FmtFixed(st.ItemMax, 6, dec);
      g.cells[n + 4][c] = FmtFixed(static_cast<float>(ItemAverage(st, n)), 6, dec);
      g.cells[n + 5][c] = FmtFixed(static_cast<float>(ItemDeviation(st, n)), 6, dec);
    }
  }
  return g;
}

std::vector<std::string> SumGridLines(const SumGrid& g) {
  std::vector<std::size_t> width(static_cast<std::size_t>(g.columns()), 0);
  for (const auto& row : g.cells)
    for (std::size_t c = 0; c < row.size(); ++c) width[c] = std::max(width[c], row[c].size());
  std::vector<std::string> lines;
  for (const auto& row : g.cells) {
    std::string line;
    for (std::size_t c = 0; c < row.size(); ++c) {
      if (c > 0) line += ' ';
      const int pad = static_cast<int>(width[c] - row[c].size());
      line += c <= 2 ? row[c] + Repeat(' ', pad) : Repeat(' ', pad) + row[c];
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    lines.push_back(std::move(line));
  }
  lines.push_back("Summary items: " + std::to_string(g.NItems()));
  return lines;
}

std::string ShardIndexFileName(const std::string& sumFile) { return ChangeFileExt(sumFile, ".RUNS"); }

std::string ShardIndexText(const ShardIndex& idx) {
  std::string s = "Kelmar MultiRun shard " + std::to_string(idx.shard) + " of " + std::to_string(idx.shards) +
                  ", " + std::to_string(idx.totalRuns) + " runs, " +
                  (idx.complete ? "complete" : "incomplete");
  s += kCrLf;
  for (int32_t r : idx.lineRuns) {
    s += std::to_string(r);
    s += kCrLf;
  }
  return s;
}

ShardIndex ReadShardIndexText(std::string_view text, const std::string& fileName) {
  std::vector<std::string_view> lines = SplitLines(text);
  ShardIndex idx;
  char state[16] = {};
  std::string first = lines.empty() ? std::string() : std::string(lines[0]);
  int consumed = 0;
  if (std::sscanf(first.c_str(), "Kelmar MultiRun shard %d of %d, %d runs, %15s%n", &idx.shard, &idx.shards,
                  &idx.totalRuns, state, &consumed) != 4 ||
      static_cast<std::size_t>(consumed) != first.size() ||
      (std::string_view(state) != "complete" && std::string_view(state) != "incomplete"))
    throw FileError(fileName + ", line 1: not a MultiRun shard index");
  if (idx.shards < 1 || idx.shard < 1 || idx.shard > idx.shards || idx.totalRuns < 0)
    throw FileError(fileName + ", line 1: shard numbers out of range");
  idx.complete = std::string_view(state) == "complete";
  std::size_t end = lines.size();
  while (end > 1 && IsBlank(lines[end - 1])) --end;
  for (std::size_t i = 1; i < end; ++i) {
    std::vector<std::string_view> tok = Tokens(lines[i]);
    int lineNo = static_cast<int>(i) + 1;
    if (tok.size() != 1) LineFail(fileName, lineNo, "one run number was expected");
    idx.lineRuns.push_back(ParseInt(tok[0], fileName, lineNo, "the run number"));
  }
  return idx;
}

ShardIndex ReadShardIndexFile(const std::string& fileName) {
  return ReadShardIndexText(ReadFileText(fileName), fileName);
}

namespace {
std::string JoinLines(const std::array<std::string, 4>& header,
                      const std::vector<const std::string*>& lines) {
  std::string out;
  for (const std::string& h : header) {
    out += h;
    out += kCrLf;
  }
  for (const std::string* l : lines) {
    out += *l;
    out += kCrLf;
  }
  return out;
}
} // namespace

std::string MergeShardText(const std::vector<SumFileData>& files, const std::vector<ShardIndex>& indexes) {
  if (files.empty() || files.size() != indexes.size())
    throw Refusal("Every shard needs its summary and run list.");
  const int32_t shards = indexes[0].shards;
  const int32_t total = indexes[0].totalRuns;
  if (static_cast<std::size_t>(shards) != files.size())
    throw Refusal("The batch has " + std::to_string(shards) + " shards, " + std::to_string(files.size()) +
                  " were given.");
  std::vector<bool> seen(static_cast<std::size_t>(shards) + 1, false);
  std::vector<std::pair<int32_t, std::size_t>> order; // run number, file
  std::vector<const std::string*> text;
  for (std::size_t f = 0; f < files.size(); ++f) {
    const ShardIndex& idx = indexes[f];
    const std::string& name = files[f].fileName;
    if (idx.shards != shards || idx.totalRuns != total)
      throw Refusal(name + " belongs to another batch (shard " + std::to_string(idx.shard) + " of " +
                    std::to_string(idx.shards) + ", " + std::to_string(idx.totalRuns) + " runs).");
    if (seen[idx.shard]) throw Refusal("Shard " + std::to_string(idx.shard) + " was given twice.");
    seen[idx.shard] = true;
    if (!idx.complete) throw Refusal(name + " is an incomplete shard: its MultiRun was stopped.");
    if (idx.lineRuns.size() != files[f].lines.size())
      throw Refusal(name + " holds " + std::to_string(files[f].lines.size()) +
                    " summary lines, its run list " + std::to_string(idx.lineRuns.size()) + ".");
    int32_t previous = 0;
    for (int32_t r : idx.lineRuns) {
      if (r <= previous || r > total || (r - 1) % shards != idx.shard - 1)
        throw Refusal(name + ": run " + std::to_string(r) + " does not belong to shard " +
                      std::to_string(idx.shard) + " of " + std::to_string(shards) + ".");
      previous = r;
    }
  }
  for (std::size_t f = 0; f < files.size(); ++f)
    for (std::size_t k = 0; k < files[f].lines.size(); ++k) order.push_back({indexes[f].lineRuns[k], f});
  if (order.empty()) return {};
  std::sort(order.begin(), order.end());
  std::vector<std::size_t> next(files.size(), 0);
  for (const auto& [run, f] : order) text.push_back(&files[f].lines[next[f]++].text);
  // The header is written by the first run that produced a line.
  return JoinLines(files[order.front().second].header, text);
}

std::string ConcatenateSumText(const std::vector<SumFileData>& files) {
  std::vector<const std::string*> text;
  const SumFileData* first = nullptr;
  for (const SumFileData& f : files) {
    if (f.lines.empty()) continue;
    if (!first) first = &f;
    for (const SumLine& l : f.lines) text.push_back(&l.text);
  }
  if (!first) return {};
  return JoinLines(first->header, text);
}

std::string SummaryBaseName(const std::string& path) {
  std::string base = path.substr(NameStart(path));
  auto dot = base.find_last_of('.');
  if (dot != std::string::npos) base.erase(dot);
  if (base.size() <= static_cast<std::size_t>(kNameWidth)) return base;
  std::string shortName = base.substr(0, 6);
  for (char& c : shortName) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return shortName + "~1";
}

std::string SummaryHeaderLines(const Workspace& ws) {
  const Scenario& s = ws.scenario;
  std::string t;
  t += kSummaryFileId;
  t += kCrLf;
  t += DirectoryPart(s.ScenarioFile);
  t += kCrLf;
  t += DirectoryPart(s.series(SeriesKind::Environment).FileName);
  t += kCrLf;
  t += "Scenario             Environment          Year   Week   Weeks ";
  for (const SummaryItemInfo& item : kSummaryItems) {
    t += ' ';
    t += PadRight(item.name, 6);
  }
  t += kCrLf;
  return t;
}

std::string SummaryDataLine(const Workspace& ws, const SummaryValues& items) {
  const Scenario& s = ws.scenario;
  std::string t = PadRight(SummaryBaseName(s.ScenarioFile), 21);
  t += PadRight(SummaryBaseName(s.series(SeriesKind::Environment).FileName), 21);
  t += FmtInt(s.Year, 6) + " " + FmtInt(s.Week, 6) + " " + FmtInt(s.Weeks, 6);
  for (int i = 0; i < kSummaryItemCount; ++i) {
    t += ' ';
    t += FmtReal(items[i], 6, kSummaryItems[i].decimals);
  }
  return t;
}

void AppendSummary(const Workspace& ws, const std::string& sumFile, bool newFile) {
  const SummaryValues items = ComputeSummaryItems(ws);
  std::string text;
  if (!newFile && FileExists(sumFile)) text = ReadFileText(sumFile);
  if (text.empty()) {
    // An empty file has no header either; without one it could not be loaded.
    text = SummaryHeaderLines(ws);
  } else if (text.back() != '\n' && text.back() != '\r') {
    // A last line without its line end would swallow the new line.
    text += kCrLf;
  }
  text += SummaryDataLine(ws, items);
  text += kCrLf;
  WriteFileAtomic(sumFile, text);
}

std::string JoinSumFiles(const std::vector<std::string>& inputs) {
  std::vector<SumFileData> files;
  std::vector<ShardIndex> indexes;
  std::vector<std::string> withoutIndex;
  for (const std::string& in : inputs) {
    const std::string idxFile = ShardIndexFileName(in);
    const bool hasIndex = FileExists(idxFile);
    if (hasIndex)
      indexes.push_back(ReadShardIndexFile(idxFile));
    else
      withoutIndex.push_back(in);
    if (hasIndex && indexes.back().lineRuns.empty() && !FileExists(in)) {
      SumFileData empty;
      empty.fileName = in;
      files.push_back(empty);
    } else {
      files.push_back(ReadSumFile(in));
    }
  }
  if (!indexes.empty() && !withoutIndex.empty())
    throw Refusal(withoutIndex.front() + " has no run list (" + ShardIndexFileName(withoutIndex.front()) +
                  "): shards of a split MultiRun and other summary files cannot be joined together.");
  return indexes.empty() ? ConcatenateSumText(files) : MergeShardText(files, indexes);
}

} // namespace kelmar
