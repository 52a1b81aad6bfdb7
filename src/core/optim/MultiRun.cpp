#include "optim/MultiRun.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "Workspace.h"
#include "data/Errors.h"
#include "data/FileSystem.h"
#include "data/IniFile.h"
#include "data/SeriesFile.h"
#include "data/TextFormat.h"
#include "model/Driver.h"
#include "optim/PriceAlg.h"
#include "optim/Targets.h"
#include "report/Summary.h"
#include "report/Tables.h"

namespace kelmar {

namespace {

std::string WithSlash(std::string dir) {
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir;
}

// What one run left behind, handed from the worker to the writer.
struct Outcome {
  bool ready = false;
  bool hasLine = false;
  bool countsAsError = false; // failed to load or to calculate: no line
  std::string header;         // the header lines, should this be the first line
  std::string line;
  std::vector<RunFailure> failures;
};

// State shared by the runs of one batch.
struct Batch {
  Batch(const MultiRunJob& j, MultiRunOptions& o, const MultiRunCallbacks& c,
        const std::vector<std::string>& w)
      : job(j), opt(o), cb(c), work(w) {}
  const MultiRunJob& job;
  MultiRunOptions& opt;
  const MultiRunCallbacks& cb;
  const std::vector<std::string>& work;
  std::atomic<bool> running{true};
  std::mutex askMutex; // the result-file question and the Overwrite option
};

void ResultFileStep(Workspace& w, const std::string& item, int run, Batch& b, Outcome& o) {
  const std::string name = ChangeFileExt(item, ".PRN");
  bool write = false;
  {
    std::lock_guard<std::mutex> lock(b.askMutex);
    if (b.opt.Overwrite || !FileExists(name)) {
      write = true;
    } else if (b.cb.AskReplaceResult) {
      switch (b.cb.AskReplaceResult("Result " + name + " already exists. Replace ?")) {
      case ReplaceAnswer::All:
        b.opt.Overwrite = true;
        write = true;
        break;
      case ReplaceAnswer::Yes:
        write = true;
        break;
      case ReplaceAnswer::No:
        break;
      case ReplaceAnswer::Abort:
        b.running = false;
        break;
      }
    }
  }
  if (!write) return;
  OutText out(false);
  WriteTable(w, out, kTableGraphData, 1, 520);
  try {
    WriteFileAtomic(name, out.text());
  } catch (const FileError& e) {
    o.failures.push_back({RunFailure::kResultFile, run, name, e.what()});
  }
}

// One run of the batch in its own workspace, which holds the batch's
// starting state. Nothing here touches another run's state.
Outcome RunOne(Workspace& w, int run, Batch& b) {
  Outcome o;
  const std::string& item = b.work[run - 1];
  auto fail = [&](RunFailure::Kind kind, std::string message) {
    o.countsAsError = true;
    o.failures.push_back(
        {kind, run, b.job.Mode == kRunAllPriceSets ? "set " + item : item, std::move(message)});
    return o;
  };
  switch (b.job.Mode) {
  case kRunAllScenarios: {
    const ScenarioLoadResult lo = b.job.Load ? b.job.Load(w, item, b.job.Par) : ScenarioLoadResult{};
    if (!lo.ok) return fail(RunFailure::kLoad, lo.message.empty() ? "cannot be loaded" : lo.message);
    break;
  }
  case kRunAllEnvironments:
    ResetSeries(w, SeriesKind::Environment);
    try {
      LoadSeries(w, SeriesKind::Environment, item, 1);
    } catch (const InvalidFileId& e) {
      return fail(RunFailure::kLoad, e.what());
    } catch (const FileError& e) {
      // A half-read environment would give a run of the wrong weather.
      return fail(RunFailure::kLoad, e.what());
    }
    break;
  case kRunAllPriceSets:
    WritePriceSet(*b.job.Price, run, w);
    break;
  }
  SummaryValues items{};
  try {
    RunModel(w);
    items = ComputeSummaryItems(w);
  } catch (const std::exception& e) {
    // The results of a failed run are not valid; a line of them would
    // corrupt every statistic of the batch.
    return fail(RunFailure::kModel, "Calculating " + w.scenario.ScenarioFile + "\r" + e.what());
  }
  for (int i = 0; i < kSummaryItemCount; ++i)
    if (!std::isfinite(items[i]))
      return fail(RunFailure::kModel, "Calculating " + w.scenario.ScenarioFile + "\r" + "summary item " +
                                          std::string(kSummaryItems[i].name) + " is not a number");
  o.hasLine = true;
  o.header = SummaryHeaderLines(w);
  o.line = SummaryDataLine(w, items);
  if (b.job.Mode != kRunAllPriceSets && b.opt.SaveRslts) ResultFileStep(w, item, run, b, o);
  return o;
}

void RemoveIfExists(const std::string& path) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
  if (ec) throw FileError("Cannot replace " + path + ": " + ec.message());
}

} // namespace

MultiRunOptions ReadMultiRunOptions(const IniFile& ini, const std::string& dataDir) {
  MultiRunOptions o;
  o.Included = ParseItemSelection(ini.readString(kMultiRunSection, "SummItems", ""));
  // An empty value would make the environment names relative to wherever the
  // program was started; it means the default, like a missing key.
  const std::string envi = ini.readString(kMultiRunSection, "EnviDir", "");
  o.EnviDir = WithSlash(envi.empty() ? dataDir : envi);
  o.Overwrite = ini.readBool(kMultiRunSection, "Overwrite", false);
  o.SaveRslts = ini.readBool(kMultiRunSection, "SaveRslts", false);
  return o;
}

void WriteMultiRunOptions(IniFile& ini, const MultiRunOptions& opt) {
  ini.writeString(kMultiRunSection, "SummItems", ItemSelectionText(opt.Included));
  ini.writeString(kMultiRunSection, "EnviDir", opt.EnviDir);
  ini.writeBool(kMultiRunSection, "Overwrite", opt.Overwrite);
  ini.writeBool(kMultiRunSection, "SaveRslts", opt.SaveRslts);
}

void SetItemGroup(ItemSelection& sel, int g, bool on) {
  const ItemGroup& grp = kItemGroups.at(static_cast<std::size_t>(g));
  for (int i = grp.first; i <= grp.last; ++i) sel[i - 1] = on;
}

std::string SelectionStatus(const ItemSelection& sel) {
  return "Selected: " + std::to_string(CountIncluded(sel)) + " of " + std::to_string(kSummaryItemCount) +
         " summary items";
}

std::string MultiRunStatusLine(int32_t mrunState, int nItems) {
  if (mrunState == kMRunInvalid) return "Invalid! Execute, or load summaries, first.";
  if (mrunState == kMRunStarting || mrunState == kMRunRunning) return "Running !";
  return "Summary items: " + std::to_string(nItems);
}

std::string DefaultSumFile(const Workspace& ws, MultiRunMode mode) {
  if (mode == kRunAllScenarios) return ws.state.DataDir + "MULTIRUN.SUM";
  return ChangeFileExt(ws.scenario.ScenarioFile, ".SUM");
}

std::string SumFileExistsQuestion(const std::string& sumFile) {
  return "File " + sumFile + " already exists. Replace ?";
}

std::string MultiRunProgressLine(const MultiRunStatus& s) {
  return "Running " + std::to_string(s.NScen) + " scenario(s) with " + std::to_string(s.NEnv) +
         " environment(s)";
}

std::string MultiRunEndMessage(const MultiRunResult& r) {
  if (r.status.MRunState != kMRunShown) return "MultiRun aborted !";
  if (r.status.LoadErrors >= 1)
    return "Scenario loading errors encountered: " + std::to_string(r.status.LoadErrors);
  return {};
}

void WritePriceSet(const TPriceAlg& alg, int s, Workspace& ws) {
  for (int j = 1; j <= alg.NParms(); ++j) ws.parms.value(ws.scenario, alg.ParmNr(j)) = alg.PSet(s, j);
}

std::vector<std::string> MultiRunWork(const Workspace& ws, MultiRunMode mode, const MultiRunOptions& opt,
                                      const TPriceAlg* price) {
  std::vector<std::string> work;
  switch (mode) {
  case kRunAllScenarios:
    work = ListFiles(ws.state.DataDir, ".DAT");
    if (work.empty()) throw Refusal("No scenarios found in " + ws.state.DataDir);
    break;
  case kRunAllEnvironments:
    work = ListFiles(opt.EnviDir, ".ENV");
    if (work.empty()) throw Refusal("No environment files found in " + opt.EnviDir);
    break;
  case kRunAllPriceSets: {
    if (!price) throw Refusal("Price algoritm not initialised !");
    std::string guard = PopulationGuard(price->PriceState);
    if (!guard.empty()) throw Refusal(guard);
    if (price->NSets() < 1) throw Refusal("No Price parametersets found !");
    for (int s = 1; s <= price->NSets(); ++s) work.push_back(std::to_string(s));
    break;
  }
  default:
    throw std::invalid_argument("unknown MultiRun mode " + std::to_string(mode));
  }
  return work;
}

MultiRunResult RunMultiRun(Workspace& ws, const MultiRunJob& job, MultiRunOptions& opt,
                           const MultiRunCallbacks& cb) {
  if (job.Jobs < 1 || job.Shards < 1 || job.Shard < 1 || job.Shard > job.Shards)
    throw std::invalid_argument("jobs and shards must be at least 1, the shard one of them");
  const std::vector<std::string> work = MultiRunWork(ws, job.Mode, opt, job.Price);

  MultiRunResult result;
  result.PriceRun = job.Mode == kRunAllPriceSets;
  result.TotalRuns = static_cast<int32_t>(work.size());
  std::vector<int32_t> runs; // run numbers of this shard, in order
  for (int32_t r = job.Shard; r <= result.TotalRuns; r += job.Shards) runs.push_back(r);
  MultiRunStatus& status = result.status;
  const int32_t count = static_cast<int32_t>(runs.size());
  status.NScen = job.Mode == kRunAllEnvironments ? 1 : count;
  status.NEnv = job.Mode == kRunAllEnvironments ? count : 1;

  const bool sharded = job.Shards > 1;
  const std::string indexFile = ShardIndexFileName(job.SumFile);
  RemoveIfExists(job.SumFile);
  if (sharded) RemoveIfExists(indexFile);

  // Every run starts from this state, so no run sees what another left.
  auto base = MakeWorkspace();
  *base = ws;
  base->options.KelmOpti = kMultiRunOptionWord;
  base->state.ShowMessages = false;
  auto last = MakeWorkspace(); // the state after the batch's last run

  Batch b(job, opt, cb, work);
  auto progress = [&] {
    if (cb.OnProgress) cb.OnProgress(status);
  };
  auto abortRequested = [&] {
    if (cb.AbortRequested && cb.AbortRequested()) b.running = false;
  };

  std::string text; // the summary file so far
  auto flush = [&](bool complete) {
    if (!text.empty()) WriteFileAtomic(job.SumFile, text);
    if (sharded)
      WriteFileAtomic(indexFile,
                      ShardIndexText({job.Shard, job.Shards, result.TotalRuns, complete, result.LineRuns}));
  };
  // The file is rewritten whole (never left half-written), so not after
  // every run of a long batch; an abort or the end writes what is left.
  using Clock = std::chrono::steady_clock;
  auto lastFlush = Clock::now();
  auto take = [&](Outcome& o, int32_t run) {
    ++status.DoneRuns;
    if (o.countsAsError) ++status.LoadErrors;
    for (RunFailure& f : o.failures) result.Failures.push_back(std::move(f));
    if (o.hasLine) {
      if (text.empty()) text = o.header;
      text += o.line;
      text += kCrLf;
      result.LineRuns.push_back(run);
    }
    if (Clock::now() - lastFlush >= std::chrono::seconds(1)) {
      flush(false);
      lastFlush = Clock::now();
    }
    progress();
    abortRequested();
  };

  status.MRunState = kMRunStarting;
  progress();
  status.MRunState = kMRunRunning;
  abortRequested();

  int32_t done = 0;
  bool stopped = false; // an abort after the last run still ends without summaries
  const int32_t jobs = std::min(job.Jobs, std::max(count, 1));
  if (jobs <= 1) {
    auto w = MakeWorkspace();
    while (done < count && b.running) {
      *w = *base;
      Outcome o = RunOne(*w, runs[done], b);
      if (done == count - 1) *last = *w;
      take(o, runs[done]);
      ++done;
    }
    stopped = !b.running;
  } else {
    std::mutex m;
    std::condition_variable cv;
    std::vector<Outcome> outcomes(static_cast<std::size_t>(count));
    std::atomic<int32_t> next{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < jobs; ++t)
      workers.emplace_back([&] {
        auto w = MakeWorkspace();
        while (b.running) {
          int32_t k = next.fetch_add(1);
          if (k >= count) break;
          *w = *base;
          Outcome o = RunOne(*w, runs[k], b);
          if (k == count - 1) *last = *w;
          {
            std::lock_guard<std::mutex> lock(m);
            outcomes[k] = std::move(o);
            outcomes[k].ready = true;
          }
          cv.notify_all();
        }
      });
    try {
      // Lines are taken in run order, whichever worker finishes first.
      // An abort ends the batch at once: runs still under way are finished
      // by their workers but not written.
      while (done < count && b.running) {
        std::unique_lock<std::mutex> lock(m);
        if (!outcomes[done].ready) {
          cv.wait_for(lock, std::chrono::milliseconds(100));
          lock.unlock();
          abortRequested();
          continue;
        }
        Outcome o = std::move(outcomes[done]);
        lock.unlock();
        take(o, runs[done]);
        ++done;
      }
    } catch (...) {
      b.running = false;
      for (auto& t : workers) t.join();
      throw;
    }
    stopped = !b.running;
    b.running = false;
    for (auto& t : workers) t.join();
  }

  const bool complete = done == count && !stopped;
  flush(complete);
  result.SumFileWritten = !text.empty();
  if (complete) {
    if (count > 0) {
      const uint32_t opti = ws.options.KelmOpti;
      const bool show = ws.state.ShowMessages;
      ws = *last;
      ws.options.KelmOpti = opti;
      ws.state.ShowMessages = show;
    }
    status.MRunState = kMRunShown;
  } else {
    status.MRunState = kMRunInvalid;
  }
  progress();
  return result;
}

ReloadResult ReloadSummaryRow(Workspace& ws, const SumGrid& grid, int row, bool priceRun,
                              const std::vector<int32_t>& lineRuns, const std::string& enviDir,
                              TPriceAlg* price, const ScenarioLoader& load) {
  if (row < 1 || row > grid.NSumm) return {false, "No summary record selected!"};
  if (priceRun) {
    if (!price) return {false, "Price Algoritm dialog must be open!"};
    std::string guard = PopulationGuard(price->PriceState);
    if (!guard.empty()) return {false, guard};
    // A set whose run failed left no line: the line knows its set.
    const int set = static_cast<std::size_t>(row) <= lineRuns.size() ? lineRuns[row - 1] : row;
    const std::string error = "Error reloading Price parameterset!";
    if (set < 1 || set > price->NSets()) return {false, error};
    ws.state.DocStatus |= kResultsStale;
    WritePriceSet(*price, set, ws);
    try {
      RunModel(ws);
    } catch (const std::exception&) {
      return {false, error};
    }
    return {true, {}};
  }

  const std::string scenario = grid.cell(row, 1);
  const std::string environment = grid.cell(row, 2);
  const std::string path = FindFileCaseInsensitive(ws.state.DataDir + scenario + ".DAT");
  if (path.empty()) return {false, "Error loading scenario"};
  const ScenarioLoadResult lo = load ? load(ws, path, ParIncludes{}) : ScenarioLoadResult{};
  // Only the scenario itself must load: the row's environment may be
  // another one than the scenario names, and it is read below.
  if (!lo.ok && !lo.onlyEnvironment) return {false, "Error loading scenario"};
  const std::string loadedEnv = ExtractFileName(ws.scenario.series(SeriesKind::Environment).FileName);
  if (!(lo.ok && EqualsIgnoreCase(loadedEnv, environment + ".ENV"))) {
    const std::string envPath = FindFileCaseInsensitive(WithSlash(enviDir) + environment + ".ENV");
    if (envPath.empty()) return {false, "Environment file not found !"};
    ResetSeries(ws, SeriesKind::Environment);
    try {
      LoadSeries(ws, SeriesKind::Environment, envPath, 1);
    } catch (const std::runtime_error&) {
      return {false, "Error loading environment"};
    }
  }
  try {
    RunModel(ws);
  } catch (const std::exception& e) {
    ws.state.DocStatus |= kResultsStale;
    if (!ws.state.ShowMessages) return {false, {}};
    return {false, "Calculating " + ws.scenario.ScenarioFile + "\r" + e.what()};
  }
  return {true, {}};
}

} // namespace kelmar
