// kelmar sensitivity: which of the marked parameters move which outputs, by
// Morris' elementary effects or Sobol indices over the fitting ranges. Writes
// the ranked estimates to a CSV file and shows the first of them.
#include <atomic>
#include <cstdio>
#include <optional>

#include "Command.h"
#include "CommandSupport.h"
#include "Progress.h"
#include "Validators.h"
#include "Workspace.h"
#include "data/FileSystem.h"
#include "data/ParFile.h"
#include "optim/PriceOptions.h"
#include "optim/Sensitivity.h"
#include "optim/Targets.h"
#include "session/Companions.h"
#include "session/OptionsIni.h"

namespace kelmar::cli {

namespace {

struct SensOptions {
  std::string scenario;
  std::string par;
  std::string env;
  std::string method = "morris";
  int trajectories = 20;
  int levels = 4;
  int samples = 1024;
  std::optional<std::string> outputs;
  std::optional<std::string> targets;
  std::string seed = "1";
  int jobs = 1;
  std::string ini;
  std::string out;
  int show = 15;
};

int Sensitivity(const SensOptions& o) {
  auto ws = MakeCommandWorkspace();
  ws->state.ShowMessages = false;
  std::optional<IniFile> ini;
  if (int rc = ReadIniOption(o.ini, *ws, ini); rc != kExitOk) return rc;
  const ParIncludes par = ini ? ReadParIncludes(*ini) : ParIncludes{};
  CompanionOptions co;
  co.par = par;
  co.envFile = o.env;
  if (int rc = LoadScenarioOrExit(*ws, o.scenario, co); rc != kExitOk) return rc;
  if (!o.par.empty()) {
    // Marks and ranges only, as `kelmar fit` reads it.
    ParIncludes fromFile = par;
    fromFile.value = false;
    if (int rc = ExitOnFileError([&] { LoadPar(*ws, o.par, fromFile); }); rc != kExitOk) return rc;
  }
  const std::vector<SensitivityFactor> factors = MarkedFactors(*ws);
  if (factors.empty()) {
    ReportError(std::string(kNoParmsSelected));
    return kExitUsage;
  }

  std::vector<SensitivityOutput> outputs;
  if (o.outputs) outputs = ParseSummaryOutputs(*o.outputs);
  if (o.targets || !o.outputs) {
    const std::vector<SensitivityOutput> t = TargetOutputs(ParseTargets(o.targets.value_or("111110000")));
    outputs.insert(outputs.end(), t.begin(), t.end());
  }
  if (outputs.empty()) {
    ReportError("No outputs selected: give --outputs or select targets with --targets");
    return kExitUsage;
  }
  std::vector<std::string> names;
  for (const SensitivityOutput& out : outputs) names.push_back(out.name());

  SensitivitySettings s;
  s.method = o.method == "sobol" ? SensitivityMethod::Sobol : SensitivityMethod::Morris;
  s.trajectories = o.trajectories;
  s.levels = o.levels;
  s.samples = o.samples;
  ParseWord(o.seed, s.seed); // checked by WordCheck
  s.jobs = o.jobs;
  try {
    CheckSettings(s, static_cast<int>(factors.size()));
  } catch (const std::invalid_argument& e) {
    ReportError(e.what());
    return kExitUsage;
  }
  const long total = SensitivityRuns(s, static_cast<int>(factors.size()));

  std::atomic<bool> abort{false};
  Progress progress;
  progress.start(s.method == SensitivityMethod::Morris ? "Morris" : "Sobol", total);
  SensitivityCallbacks cb;
  cb.Abort = &abort;
  cb.OnProgress = [&](long done, long) {
    progress.update(done);
    if (Progress::Interrupted()) abort = true;
  };
  SensitivityResult r = RunSensitivity(factors, static_cast<int>(outputs.size()), s,
                                       ModelEvaluators(*ws, factors, outputs), cb);
  progress.finish();
  if (r.aborted) {
    ReportError("Sensitivity analysis interrupted after " + std::to_string(r.done) + " of " +
                std::to_string(r.runs) + " runs; nothing was written");
    return kExitAborted;
  }
  if (r.failedRuns > 0) {
    ReportError(std::to_string(r.failedRuns) + " of " + std::to_string(r.runs) +
                " runs failed and are left out, the first: " + r.failures.front().message);
    if (r.failedRuns == r.runs) return kExitFloat;
  }
  if (int rc = ExitOnFileError([&] { WriteFileAtomic(o.out, SensitivityCsv(r, factors, names)); });
      rc != kExitOk)
    return rc;
  const std::string text = SensitivitySummaryLine(r) + ", " + std::to_string(factors.size()) +
                           " parameters, " + std::to_string(outputs.size()) + " outputs\n\n" +
                           SensitivityTable(r, factors, names, o.show);
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
  return kExitOk;
}

CLI::Validator OutputsCheck() {
  return {[](std::string& t) {
            try {
              ParseSummaryOutputs(t);
              return std::string();
            } catch (const std::invalid_argument& e) {
              return std::string(
                         "summary items by name or number 1..76, separated by commas, were expected: ") +
                     e.what();
            }
          },
          "ITEMS", "items"};
}

CLI::Validator EvenLevels() {
  return {[](std::string& t) {
            const bool ok = t.find_first_not_of("0123456789") == std::string::npos && !t.empty() &&
                            t.size() < 4 && std::stoi(t) >= 2 && std::stoi(t) <= 100 && std::stoi(t) % 2 == 0;
            return ok ? std::string() : "an even number of levels 2..100 was expected, found " + t;
          },
          "P", "levels"};
}

const RegisterCommand registerSensitivity([](CLI::App& app, int& exitCode) {
  auto o = std::make_shared<SensOptions>();
  CLI::App* cmd = app.add_subcommand(
      "sensitivity", "Global sensitivity of outputs to the marked parameters (Morris or Sobol)");
  cmd->footer(
      "The parameters varied are those marked for fitting, over their fitting ranges (the scenario's\n"
      ".PAR companion or --par). Outputs: summary items (--outputs) and/or Price targets (--targets;\n"
      "the default when --outputs is not given is 111110000). Morris makes R (k + 1) runs, Sobol\n"
      "N (k + 2) for k parameters. The numbers depend only on the seed, not on --jobs.\n"
      "Ctrl+C stops the analysis (exit status 130) without writing the result.");
  cmd->add_option("SCENARIO", o->scenario, "Scenario file (.DAT)")->required();
  cmd->add_option("--par", o->par, "Fit marks and ranges from this .PAR file");
  cmd->add_option("--env", o->env, "Load this environment file instead of the scenario's EnviFile");
  cmd->add_option("--method", o->method, "morris or sobol (default morris)")
      ->check(OneOf({"morris", "sobol"}, "morris or sobol"));
  cmd->add_option("--trajectories", o->trajectories, "Morris: trajectories R (default 20)")
      ->check(WholeIn(2, 100000, "a number of trajectories 2..100000"));
  cmd->add_option("--levels", o->levels, "Morris: grid levels P, even (default 4)")->check(EvenLevels());
  cmd->add_option("--samples", o->samples, "Sobol: base samples N (default 1024)")
      ->check(WholeIn(2, 1048576, "a number of samples 2..1048576"));
  cmd->add_option("--outputs", o->outputs, "Summary items by name or number, separated by commas")
      ->check(OutputsCheck());
  cmd->add_option("--targets", o->targets, "Nine characters 1/0 selecting targets 1..9 as outputs")
      ->check(SwitchesCheck(kTargetCount, "nine characters 1 or 0 were expected (target 1 first)", true));
  cmd->add_option("--seed", o->seed, "Seed of the design (default 1)")->check(WordCheck());
  cmd->add_option("--jobs", o->jobs, "Runs in parallel, each in its own workspace (default 1)")
      ->check(WholeIn(1, 256, "a number of jobs 1..256"));
  cmd->add_option("--show", o->show, "Rows of the ranked table shown (default 15, 0: all)")
      ->check(WholeIn(0, 100000, "a number of rows"));
  cmd->add_option("--ini", o->ini, "Read program and parameter-file options from this INI file");
  cmd->add_option("-o,--output", o->out, "Write the ranked estimates to this CSV file")->required();
  cmd->callback([o, &exitCode] { exitCode = Sensitivity(*o); });
});

} // namespace

} // namespace kelmar::cli
