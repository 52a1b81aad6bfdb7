// kelmar fit: calibrate the marked parameters of a scenario against its
// measurements by Price's controlled random search, copy the best set into
// the scenario, and report the parameters and targets before and after.
#include <cstdio>
#include <iostream>
#include <optional>
#include <sstream>

#include "Command.h"
#include "CommandSupport.h"
#include "OptionsIni.h"
#include "Progress.h"
#include "Workspace.h"
#include "calc/Corr.h"
#include "data/Companions.h"
#include "data/Errors.h"
#include "data/FileSystem.h"
#include "data/IniFile.h"
#include "data/ScenarioFile.h"
#include "data/TextFormat.h"
#include "fitting/ParFile.h"
#include "model/Driver.h"
#include "optim/PriceAlg.h"
#include "optim/PriceOptions.h"
#include "optim/PriceSets.h"
#include "optim/Targets.h"

namespace kelmar::cli {

namespace {

struct FitOptions {
  std::string scenario;
  std::string par;
  std::optional<std::string> targets;
  std::optional<std::string> weights;
  std::optional<std::string> qtType;
  bool autoWeigh = false;
  bool keepOM = false, noKeepOM = false;
  std::optional<int> iterPerSet;
  std::optional<double> ftol;
  std::optional<uint32_t> seed;
  std::string ps;
  std::string save;
  bool initOnly = false;
  std::string state;
  std::string ini;
  std::optional<long> stopAfter;
};

bool ParseNumber(const std::string& text, double& v) {
  try {
    std::size_t used = 0;
    v = std::stod(text, &used);
    return used == text.size();
  } catch (...) {
    return false;
  }
}

// The flags over the options of the INI file (or their defaults). Returns a
// usage message, or "".
std::string ApplyFlags(const FitOptions& o, PriceOptions& p) {
  if (o.targets) {
    if (o.targets->size() != kTargetCount || o.targets->find_first_not_of("01") != std::string::npos)
      return "--targets: nine characters 1 or 0 were expected (target 1 first), found '" + *o.targets + "'";
    p.Selected = ParseTargets(*o.targets);
  }
  if (o.weights) {
    std::stringstream in(*o.weights);
    std::string item;
    int k = 0;
    while (std::getline(in, item, ',')) {
      double w = 0;
      if (++k > kTargetCount || !ParseNumber(Trim(item), w) || w < 0.01 || w > 100)
        return "--weights: up to nine weights 0.01..100, separated by commas, were expected, found '" +
               *o.weights + "'";
      p.Weight[k] = static_cast<float>(w);
    }
    if (k == 0) return "--weights: at least one weight was expected";
  }
  if (o.qtType) {
    if (*o.qtType == "sum")
      p.QTType = kQTSum;
    else if (*o.qtType == "max")
      p.QTType = kQTMax;
    else if (*o.qtType == "carrousel")
      p.QTType = kQTCarrousel;
    else
      return "--qttype: sum, max or carrousel was expected, found '" + *o.qtType + "'";
  }
  if (o.autoWeigh) p.AutoWeigh = true;
  if (o.keepOM && o.noKeepOM) return "--keepom and --no-keepom exclude each other";
  if (o.keepOM) p.KeepOM = true;
  if (o.noKeepOM) p.KeepOM = false;
  if (o.iterPerSet) {
    if (*o.iterPerSet < 0) return "--iter-per-set: a number 0 or above was expected";
    p.NIterPSet = *o.iterPerSet;
  }
  if (o.ftol) {
    if (!(*o.ftol >= 0 && *o.ftol <= 1)) return "--ftol: a number 0..1 was expected";
    p.Ftol = static_cast<float>(*o.ftol);
  }
  return {};
}

// The report on standard output: parameters and targets before and after.
std::string Report(const TPriceAlg& alg, const Workspace& ws, const std::vector<float>& before,
                   const QTColumn& qtBefore, const QTColumn& qtAfter, bool resumed) {
  std::ostringstream out;
  out << PriceStatusLine(alg) << "\n";
  out << "Model runs: " << alg.Runs << (resumed ? " (with those before the resumption)" : "") << "\n\n";
  LineBuilder head;
  head.text(PadRight("Parameter", 10)).text("     Before      After      Lower      Upper");
  out << head.str() << "\n";
  for (int j = 1; j <= alg.NParms(); ++j) {
    const AutoParm& e = ws.parms[alg.ParmNr(j)];
    LineBuilder b;
    b.text(PadRight(e.name, 10));
    b.real(before[j], 11, e.decimals).real(alg.Live(j), 11, e.decimals);
    b.real(e.lower, 11, e.decimals).real(e.upper, 11, e.decimals);
    out << b.str() << "\n";
  }
  out << "\n" << PadRight("Target", 42) << "     Before      After\n";
  LineBuilder comb;
  comb.text(PadRight(alg.QTType == kQTMax ? "QTmax (combined)" : "QTsum (combined)", 42));
  comb.real(alg.Combine(qtBefore), 11, 3).real(alg.Combine(qtAfter), 11, 3);
  out << comb.str() << "\n";
  for (int k = 1; k <= kTargetCount; ++k) {
    LineBuilder b;
    b.text(PadRight(std::string(TargetCaption(k)) + (alg.Selected[k] ? " *" : ""), 42));
    b.real(qtBefore[k], 11, 3).real(qtAfter[k], 11, 3);
    out << b.str() << "\n";
  }
  if (alg.AutoWeigh) {
    out << "\nAutomatic weights:";
    for (int k = 1; k <= kTargetCount; ++k) out << " " << FmtReal(alg.AutoWeight[k], 0, 2);
    out << "\n";
  }
  return out.str();
}

int Fit(const FitOptions& o) {
  auto ws = MakeCommandWorkspace();
  ws->state.ShowMessages = false;

  std::optional<IniFile> ini;
  if (int rc = ReadIniOption(o.ini, *ws, ini); rc != kExitOk) return rc;
  const ParIncludes par = ini ? ReadParIncludes(*ini) : ParIncludes{};
  PriceOptions popt = ini ? ReadPriceOptions(*ini) : PriceOptions{};
  if (std::string usage = ApplyFlags(o, popt); !usage.empty()) {
    ReportError(usage);
    return kExitUsage;
  }

  CompanionOptions co;
  co.par = par;
  LoadOutcome loaded = LoadScenarioWithCompanions(*ws, o.scenario, co);
  if (!loaded.ok()) {
    ReportError(loaded.message);
    return LoadStatusExit(loaded.status);
  }
  if (!o.par.empty()) {
    // As the fitting window loads a parameter file: ranges and marks, never values.
    ParIncludes fromFile = par;
    fromFile.value = false;
    if (int rc = ExitOnFileError([&] { LoadPar(*ws, o.par, fromFile); }); rc != kExitOk) return rc;
  }

  try {
    RunModel(*ws);
  } catch (const FloatingPointFault& e) {
    ReportError("Calculating " + ws->scenario.ScenarioFile + "\r" + e.what() + " (" + e.step() + ")");
    return kExitFloat;
  }

  TPriceAlg alg(*ws);
  alg.SetOptions(popt);
  ConnectModel(alg, *ws);
  if (std::string refusal = CheckFitStart(alg, *ws); !refusal.empty()) {
    ReportError(refusal);
    return kExitUsage;
  }
  if (o.seed) alg.Rng.seed(*o.seed);

  std::vector<float> before(static_cast<std::size_t>(alg.NParms()) + 1);
  for (int j = 1; j <= alg.NParms(); ++j) before[j] = alg.Live(j);
  const QTColumn qtBefore = ComputeTargets(*ws, CalcCorr(*ws));

  bool resumed = false;
  if (!o.state.empty() && FileExists(o.state)) {
    if (int rc = ExitOnFileError([&] { LoadPriceState(alg, o.state); }); rc != kExitOk) return rc;
    resumed = true;
    ReportError("Resuming from " + o.state + " (its options, ranges and random state apply)");
  }

  Progress progress;
  long counted = 0; // sets and trials completed in this invocation
  bool stopped = false;
  alg.OnCheckpoint = [&] {
    if (!o.state.empty()) SavePriceState(o.state, alg);
    if (alg.PriceState == kPriceCreatingSets || alg.PriceState == kPriceIterating) ++counted;
  };
  alg.OnProgress = [&] {
    ShowPriceProgress(progress, alg, true);
    if (Progress::Interrupted() || (o.stopAfter && counted >= *o.stopAfter)) stopped = true;
    return stopped;
  };

  try {
    if (resumed)
      alg.Resume();
    else
      alg.Initialise();
    if (!stopped && alg.PriceState == kPriceInitialised && !o.initOnly) alg.Iterate();
  } catch (const FileError& e) {
    progress.finish();
    ReportError(e.what());
    return kExitFile;
  }
  progress.finish();
  if (stopped) {
    ReportError(o.state.empty() ? std::string("Fit interrupted")
                                : "Fit interrupted; the same command resumes it from " + o.state);
    return kExitAborted;
  }

  PriceGrid grid;
  grid.SortBy(alg, PriceGrid::CombinedColumn(alg));
  CopyResult copied = CopyCurrent(alg, grid, *ws, 1);
  if (copied.kind == CopyResult::kRefused) {
    ReportError(copied.message);
    return kExitUsage;
  }
  if (copied.kind == CopyResult::kRunFailed) {
    ReportError(copied.message);
    return kExitFloat;
  }
  const QTColumn qtAfter = ComputeTargets(*ws, CalcCorr(*ws));
  const std::string report = Report(alg, *ws, before, qtBefore, qtAfter, resumed);
  std::fwrite(report.data(), 1, report.size(), stdout);
  std::fflush(stdout);

  try {
    if (!o.ps.empty()) SavePriceSets(o.ps, alg, grid);
  } catch (const FileError& e) {
    ReportError(std::string(kSavePriceSetsError) + "\r" + e.what());
    return kExitFile;
  }
  try {
    if (!o.save.empty()) SaveScenario(*ws, o.save);
  } catch (const FileError& e) {
    ReportError(e.what());
    return kExitFile;
  }
  return kExitOk;
}

const RegisterCommand registerFit([](CLI::App& app, int& exitCode) {
  auto o = std::make_shared<FitOptions>();
  CLI::App* cmd = app.add_subcommand(
      "fit", "Calibrate the marked parameters against the measurements (Price's controlled random search)");
  cmd->footer(
      "The fit marks and ranges come from the scenario's .PAR companion or from --par.\n"
      "Options not given come from section \"Price Options\" of the --ini file, else their defaults.\n"
      "With --state the search is saved after every step; the same command with the same\n"
      "--state resumes it (with the options, ranges and random state saved in it) and ends in\n"
      "the same sets as a search that was never interrupted. Delete the file to start afresh.\n"
      "Ctrl+C stops the search after the current step (exit status 130); a second Ctrl+C ends\n"
      "the program at once.");
  cmd->add_option("SCENARIO", o->scenario, "Scenario file (.DAT)")->required();
  cmd->add_option("--par", o->par, "Take the fit marks and ranges (never the values) from this .PAR file");
  cmd->add_option("--targets", o->targets, "Nine characters 1/0 selecting targets 1..9 (default 111110000)");
  cmd->add_option("--weights", o->weights, "W1,...,W9: weights of the targets, 0.01..100 (default 1)");
  cmd->add_option("--qttype", o->qtType, "How targets combine: sum, max or carrousel (default sum)");
  cmd->add_flag("--autoweigh", o->autoWeigh,
                "Multiply the weights by automatic weights from the initial sets");
  cmd->add_flag("--keepom", o->keepOM, "Keep the sum of the fitted oOM, yOM and fOM constant (default)");
  cmd->add_flag("--no-keepom", o->noKeepOM, "Let oOM, yOM and fOM vary independently");
  cmd->add_option("--iter-per-set", o->iterPerSet, "Trials per parameter set; 0: no limit (default 6)");
  cmd->add_option("--ftol", o->ftol,
                  "Stop when the relative range of the combined target is below X (0.001)");
  cmd->add_option("--seed", o->seed, "Seed the random generator with N (default: the clock)");
  cmd->add_option("--ps", o->ps, "Write the parameter sets, best first, to this .PS file");
  cmd->add_option("--save", o->save, "Write the fitted scenario to this .DAT file");
  cmd->add_flag("--init-only", o->initOnly, "Stop after creating the initial sets");
  cmd->add_option("--state", o->state, "Save the search to FILE after every step, and resume from it");
  cmd->add_option("--ini", o->ini, "Read program, parameter and Price options from this INI file");
  cmd->add_option("--stop-after", o->stopAfter,
                  "Stop as Ctrl+C would after N more sets or trials (exit status 130)")
      ->check(CLI::PositiveNumber);
  cmd->callback([o, &exitCode] { exitCode = Fit(*o); });
});

} // namespace

} // namespace kelmar::cli
