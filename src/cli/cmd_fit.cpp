// kelmar fit: calibrate the marked parameters of a scenario against its
// measurements by Price's controlled random search, copy the best set into
// the scenario, and report the parameters and targets before and after.
#include <cstdio>
#include <iostream>
#include <optional>
#include <sstream>

#include "Command.h"
#include "CommandSupport.h"
#include "Progress.h"
#include "Workspace.h"
#include "calc/Corr.h"
#include "data/Errors.h"
#include "data/FileSystem.h"
#include "data/IniFile.h"
#include "data/ParFile.h"
#include "data/ScenarioFile.h"
#include "data/TextFormat.h"
#include "optim/PriceAlg.h"
#include "optim/PriceOptions.h"
#include "optim/PriceSets.h"
#include "optim/Targets.h"
#include "session/Companions.h"
#include "session/OptionsIni.h"
#include "session/PriceSession.h"

namespace kelmar::cli {

namespace {

struct FitOptions {
  std::string scenario;
  SearchFlags search;
  std::string ps;
  std::string save;
  std::string ini;
  std::optional<long> stopAfter;
};

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
  ApplySearchFlags(o.search, popt);

  CompanionOptions co;
  co.par = par;
  if (int rc = LoadScenarioOrExit(*ws, o.scenario, co); rc != kExitOk) return rc;
  if (!o.search.par.empty()) {
    // As the fitting window loads a parameter file: ranges and marks, never values.
    ParIncludes fromFile = par;
    fromFile.value = false;
    if (int rc = ExitOnFileError([&] { LoadPar(*ws, o.search.par, fromFile); }); rc != kExitOk) return rc;
  }

  TPriceAlg alg(*ws);
  PriceSession session(*ws, alg);
  PriceStep step = session.Prepare(popt, o.search.seed);
  if (!step.ok()) {
    ReportError(step.kind == PriceStep::kModelFault ? step.message + " (" + step.detail + ")" : step.message);
    return PriceStepExit(step);
  }

  std::vector<float> before(static_cast<std::size_t>(alg.NParms()) + 1);
  for (int j = 1; j <= alg.NParms(); ++j) before[j] = alg.Live(j);
  const QTColumn qtBefore = ComputeTargets(*ws, CalcCorr(*ws));

  if (step = session.UseCheckpoint(o.search.state); !step.ok()) {
    ReportError(step.message);
    return PriceStepExit(step);
  }
  const bool resumed = session.resumed();
  if (resumed)
    ReportError("Resuming from " + o.search.state + " (its options, ranges and random state apply)");

  Progress progress;
  session.OnProgress = [&](const TPriceAlg& a) { ShowPriceProgress(progress, a, true); };
  session.StopRequested = [&] {
    return Progress::Interrupted() || (o.stopAfter && session.StepsDone() >= *o.stopAfter);
  };
  step = session.Search(o.search.initOnly);
  progress.finish();
  if (step.kind == PriceStep::kStopped) {
    ReportError(o.search.state.empty()
                    ? std::string("Fit interrupted")
                    : "Fit interrupted; the same command resumes it from " + o.search.state);
    return kExitAborted;
  }
  if (!step.ok()) {
    ReportError(step.message);
    return PriceStepExit(step);
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
  AddSearchFlags(cmd, o->search);
  cmd->add_option("--ps", o->ps, "Write the parameter sets, best first, to this .PS file");
  cmd->add_option("--save", o->save, "Write the fitted scenario to this .DAT file");
  cmd->add_option("--ini", o->ini, "Read program, parameter and Price options from this INI file");
  cmd->add_option("--stop-after", o->stopAfter,
                  "Stop as Ctrl+C would after N more sets or trials (exit status 130)")
      ->check(CLI::PositiveNumber);
  cmd->callback([o, &exitCode] { exitCode = Fit(*o); });
});

} // namespace

} // namespace kelmar::cli
