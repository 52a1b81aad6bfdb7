// kelmar multirun: a batch of runs with one summary line each - every scenario
// of a directory, one scenario with every environment file of a directory, or
// one scenario with every parameter set of a Price search. Runs can go in
// parallel (--jobs) and a batch can be split over machines (--shard I/N, then
// kelmar merge-sum); the summary file is the same either way.
#include <cstdio>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <unistd.h>

#include "Command.h"
#include "CommandSupport.h"
#include "Progress.h"
#include "Validators.h"
#include "Workspace.h"
#include "data/Errors.h"
#include "data/FileSystem.h"
#include "data/IniFile.h"
#include "data/ParFile.h"
#include "data/TextFormat.h"
#include "model/Driver.h"
#include "optim/MultiRun.h"
#include "optim/PriceAlg.h"
#include "optim/PriceOptions.h"
#include "optim/PriceSets.h"
#include "optim/Targets.h"
#include "report/SumFile.h"
#include "session/Companions.h"
#include "session/OptionsIni.h"
#include "session/PriceSession.h"

namespace kelmar::cli {

namespace {

struct MultiRunCli {
  MultiRunMode mode = kRunAllScenarios;
  std::string dir;      // scenarios: the data directory
  std::string scenario; // envs, price
  std::string envDir;   // envs
  std::string output;
  std::string items;
  bool saveResults = false;
  bool overwrite = false;
  int jobs = 1;
  std::string shard;
  std::string ini;
  // The search whose sets the price mode runs.
  SearchFlags search;
};

std::string WithSlash(std::string d) {
  if (!d.empty() && d.back() != '/') d += '/';
  return d;
}

// Asks on the terminal whether an existing result file is replaced; without
// a terminal to ask on, the file is kept.
class ReplaceQuestion {
public:
  ReplaceQuestion(Progress& progress) : progress_(progress) {}
  ReplaceAnswer operator()(const std::string& question) {
    if (!::isatty(STDIN_FILENO) || !::isatty(STDERR_FILENO)) {
      kept_.push_back(question);
      return ReplaceAnswer::No;
    }
    progress_.finish();
    for (;;) {
      std::cerr << question << " [y]es, [n]o, [a]bort, a[l]l: " << std::flush;
      std::string answer;
      if (!std::getline(std::cin, answer)) return ReplaceAnswer::Abort;
      if (answer == "y" || answer == "Y") return ReplaceAnswer::Yes;
      if (answer == "n" || answer == "N") return ReplaceAnswer::No;
      if (answer == "a" || answer == "A") return ReplaceAnswer::Abort;
      if (answer == "l" || answer == "L") return ReplaceAnswer::All;
    }
  }
  const std::vector<std::string>& kept() const { return kept_; }

private:
  Progress& progress_;
  std::vector<std::string> kept_;
};

// The Price search of the price mode: resumed from --state when that file
// exists, otherwise drawn (and iterated unless --init-only), saving its state
// as it goes when --state names a file. Returns an exit code.
int Search(const MultiRunCli& o, Workspace& ws, TPriceAlg& alg, const PriceOptions& po, Progress& progress) {
  PriceSession session(ws, alg);
  PriceStep step = session.Prepare(po, o.search.seed);
  if (step.ok()) step = session.UseCheckpoint(o.search.state);
  if (step.ok() && session.resumed()) ReportError("Resuming the search from " + o.search.state);
  if (step.ok()) {
    session.OnProgress = [&](const TPriceAlg& a) { ShowPriceProgress(progress, a, false); };
    session.StopRequested = [] { return Progress::Interrupted(); };
    step = session.Search(o.search.initOnly);
    progress.finish();
  }
  if (step.kind == PriceStep::kStopped) return kExitAborted;
  if (!step.ok()) {
    ReportError(step.message);
    return PriceStepExit(step);
  }
  std::string guard = PopulationGuard(alg.PriceState);
  if (!guard.empty()) {
    ReportError(guard);
    return kExitUsage;
  }
  return kExitOk;
}

int Run(const MultiRunCli& o) {
  int shard = 1, shards = 1;
  if (!o.shard.empty()) ParseShard(o.shard, shard, shards);
  if (o.mode == kRunAllPriceSets && shards > 1 && !o.search.seed && o.search.state.empty()) {
    ReportError("--shard: every shard must run the same parameter sets; give --seed or --state");
    return kExitUsage;
  }
  auto ws = MakeCommandWorkspace();
  std::optional<IniFile> ini;
  if (int rc = ReadIniOption(o.ini, *ws, ini); rc != kExitOk) return rc;
  MultiRunOptions opt = ini ? ReadMultiRunOptions(*ini, ws->state.DataDir) : MultiRunOptions{};
  if (!ini) opt.Included.fill(true);
  if (!o.items.empty()) opt.Included = ParseItemSelection(o.items);
  if (o.overwrite) opt.Overwrite = true;
  if (o.saveResults) opt.SaveRslts = true;
  PriceOptions po;
  if (o.mode == kRunAllPriceSets) {
    if (ini) po = ReadPriceOptions(*ini);
    ApplySearchFlags(o.search, po);
  }

  const ParIncludes par = ini ? ReadParIncludes(*ini) : ParIncludes{};
  if (o.mode == kRunAllScenarios) {
    ws->state.DataDir = WithSlash(ExpandFileName(o.dir));
  } else {
    CompanionOptions co;
    co.par = par;
    LoadOutcome lo = LoadScenarioWithCompanions(*ws, o.scenario, co);
    // Every run of the environments mode reads its own environment.
    const bool envOnly = lo.status == LoadStatus::EnvMissing || lo.status == LoadStatus::EnvInvalidId ||
                         lo.status == LoadStatus::EnvReadError;
    if (!lo.ok() && !(o.mode == kRunAllEnvironments && envOnly)) {
      ReportError(lo.message);
      return LoadStatusExit(lo.status);
    }
    if (o.mode == kRunAllEnvironments) opt.EnviDir = WithSlash(ExpandFileName(o.envDir));
    if (!o.search.par.empty()) {
      int rc = ExitOnFileError([&] { LoadPar(*ws, o.search.par, ParIncludes{false, true, true, true}); });
      if (rc != kExitOk) return rc;
    }
  }

  MultiRunJob job;
  job.Mode = o.mode;
  job.SumFile = ExpandFileName(o.output.empty() ? DefaultSumFile(*ws, o.mode) : o.output);
  job.Jobs = o.jobs;
  job.Shard = shard;
  job.Shards = shards;
  job.Par = par;
  job.Load = LoadScenarioForBatch;
  if (o.mode != kRunAllPriceSets) {
    // Refuse an empty directory before anything else is asked.
    try {
      MultiRunWork(*ws, o.mode, opt, nullptr);
    } catch (const Refusal& e) {
      ReportError(e.what());
      return kExitUsage;
    }
  }
  if (FileExists(job.SumFile) && !opt.Overwrite) {
    ReportError("File " + job.SumFile + " already exists; --overwrite replaces it.");
    return kExitFile;
  }

  Progress progress;
  std::unique_ptr<TPriceAlg> alg;
  if (o.mode == kRunAllPriceSets) {
    alg = std::make_unique<TPriceAlg>(*ws);
    int rc = Search(o, *ws, *alg, po, progress);
    if (rc != kExitOk) return rc;
    job.Price = alg.get();
  }

  ReplaceQuestion ask(progress);
  MultiRunCallbacks cb;
  cb.OnProgress = [&](const MultiRunStatus& s) {
    if (s.MRunState == kMRunStarting)
      progress.start(MultiRunProgressLine(s), static_cast<long>(s.NScen) * s.NEnv);
    if (s.MRunState == kMRunRunning) progress.update(s.DoneRuns);
    if (s.MRunState == kMRunShown || s.MRunState == kMRunInvalid) progress.finish();
  };
  cb.AbortRequested = [] { return Progress::Interrupted(); };
  std::mutex askMutex;
  cb.AskReplaceResult = [&](const std::string& q) {
    std::lock_guard<std::mutex> lock(askMutex);
    return ask(q);
  };

  MultiRunResult r;
  try {
    r = RunMultiRun(*ws, job, opt, cb);
  } catch (const Refusal& e) {
    progress.finish();
    ReportError(e.what());
    return kExitUsage;
  } catch (const FileError& e) {
    progress.finish();
    ReportError(e.what());
    return kExitFile;
  }

  for (const std::string& q : ask.kept())
    ReportError(q.substr(0, q.find(" already exists")) + " already exists: kept (--overwrite replaces it)");
  bool loadFailed = false, runFailed = false, writeFailed = false;
  for (const RunFailure& f : r.Failures) {
    ReportError("Run " + std::to_string(f.run) + " (" + f.item + "): " + f.message);
    loadFailed |= f.kind == RunFailure::kLoad;
    runFailed |= f.kind == RunFailure::kModel;
    writeFailed |= f.kind == RunFailure::kResultFile;
  }
  std::string end = MultiRunEndMessage(r);
  if (!end.empty()) ReportError(end);
  ReportError(std::to_string(r.status.DoneRuns) + " of " + std::to_string(r.status.NScen * r.status.NEnv) +
              " runs, " + std::to_string(r.LineRuns.size()) + " summary lines" +
              (r.SumFileWritten ? " in " + job.SumFile : ""));

  if (r.status.MRunState != kMRunShown) return kExitAborted;
  if (!o.items.empty() && r.SumFileWritten) {
    // The batch as the MultiRun window shows it after a run.
    try {
      OutText out;
      for (const std::string& line : SumGridLines(BuildSumGrid(ReadSumFile(job.SumFile), opt.Included)))
        out.line(line);
      std::fwrite(out.text().data(), 1, out.text().size(), stdout);
      std::fflush(stdout);
    } catch (const std::exception& e) {
      ReportError(e.what());
      return kExitFile;
    }
  }
  if (loadFailed || writeFailed) return kExitFile;
  if (runFailed) return kExitFloat;
  return kExitOk;
}

void CommonOptions(CLI::App* cmd, MultiRunCli& o) {
  cmd->add_option("-o", o.output,
                  "The summary file (default: DIR/MULTIRUN.SUM, or the scenario with the extension .SUM)");
  cmd->add_option("--items", o.items,
                  "Summary items of the statistics shown after the batch: 76 characters 1 or 0, item 1 first")
      ->check(SwitchesCheck(kSummaryItemCount, "76 characters 1 or 0 were expected, item 1 first", false));
  cmd->add_flag("--save-results", o.saveResults,
                "Write the graph-data table of every run beside its scenario or environment file (.PRN)");
  cmd->add_flag("--overwrite", o.overwrite,
                "Replace an existing summary file and result files without asking");
  cmd->add_option("--jobs", o.jobs, "Runs in parallel, each in its own workspace (default 1)")
      ->check(CLI::PositiveNumber);
  cmd->add_option("--shard", o.shard,
                  "I/N: run only runs I, I+N, I+2N, ... of the batch; join the parts with merge-sum")
      ->check(ShardCheck());
  cmd->add_option("--ini", o.ini,
                  "Read sections \"Kelmar Options\", \"MultiRun Options\", \"Parameter Options\" and "
                  "\"Price Options\" of this INI file");
}

const RegisterCommand registerMultiRun([](CLI::App& app, int& exitCode) {
  auto o = std::make_shared<MultiRunCli>();
  CLI::App* cmd = app.add_subcommand("multirun", "Run a batch and collect one summary line per run (.SUM)");
  cmd->require_subcommand(1);
  cmd->footer(
      "Runs that fail to load or to calculate leave no summary line and are named on standard error.\n"
      "With --shard the part's run list is written beside its summary file (.RUNS), so that\n"
      "kelmar merge-sum can join the parts in run order.\n"
      "Exit status: 0 every run made, 4 a run failed to load or a result file was not written,\n"
      "5 a run failed to calculate, 130 interrupted (the summary lines made are kept).");

  CLI::App* scen = cmd->add_subcommand("scenarios", "Every scenario (*.DAT) of a directory");
  scen->add_option("DIR", o->dir, "The data directory")->required();
  CommonOptions(scen, *o);
  scen->callback([o, &exitCode] {
    o->mode = kRunAllScenarios;
    exitCode = Run(*o);
  });

  CLI::App* envs =
      cmd->add_subcommand("envs", "One scenario with every environment file (*.ENV) of a directory");
  envs->add_option("SCENARIO", o->scenario, "Scenario file (.DAT)")->required();
  envs->add_option("ENVDIR", o->envDir, "Directory of the environment files")->required();
  CommonOptions(envs, *o);
  envs->callback([o, &exitCode] {
    o->mode = kRunAllEnvironments;
    exitCode = Run(*o);
  });

  CLI::App* price = cmd->add_subcommand("price", "One scenario with every parameter set of a Price search");
  price->add_option("SCENARIO", o->scenario, "Scenario file (.DAT)")->required();
  AddSearchFlags(price, o->search);
  CommonOptions(price, *o);
  price->callback([o, &exitCode] {
    o->mode = kRunAllPriceSets;
    exitCode = Run(*o);
  });
});

} // namespace

} // namespace kelmar::cli
