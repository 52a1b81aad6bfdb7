// kelmar run: load a scenario with its companions, calculate, and write what
// the options ask for (tables, the weeks CSV, a summary line, the scenario).
#include <cstdio>
#include <iostream>
#include <optional>

#include "Command.h"
#include "CommandSupport.h"
#include "RunOutput.h"
#include "Validators.h"
#include "Workspace.h"
#include "data/Errors.h"
#include "data/FileSystem.h"
#include "data/IniFile.h"
#include "data/ScenarioFile.h"
#include "data/SeriesFile.h"
#include "data/TextFormat.h"
#include "model/Driver.h"
#include "report/SumFile.h"
#include "report/Summary.h"
#include "report/Tables.h"
#include "session/Companions.h"
#include "session/OptionsIni.h"

namespace kelmar::cli {

namespace {

struct RunOptions {
  std::string scenario;
  std::string env;
  bool noCompanions = false;
  std::string ini;
  std::optional<std::string> opt, opt2;
  std::optional<int> corrOpti;
  std::string corrRange;
  int repeat = 0;
  int cont = 0;
  std::string range = "1-520";
  std::vector<int> tables;
  bool listing = false;
  std::string weeksCsv;
  std::string summary;
  std::string save;
  std::string output;
};

int Run(const RunOptions& o) {
  auto ws = MakeCommandWorkspace();

  // Program options: the INI file, then the flags that override it.
  std::optional<IniFile> ini;
  if (int rc = ReadIniOption(o.ini, *ws, ini); rc != kExitOk) return rc;
  const ParIncludes par = ini ? ReadParIncludes(*ini) : ParIncludes{};
  // The flags have been checked: they parse.
  Options& opt = ws->options;
  if (o.opt) ParseWord(*o.opt, opt.KelmOpti);
  if (o.opt2) ParseWord(*o.opt2, opt.KelmOpt2);
  if (o.corrOpti) opt.CorrOpti = *o.corrOpti;
  if (!o.corrRange.empty()) {
    double lo = 0, hi = 0;
    ParsePair(o.corrRange, ',', lo, hi);
    opt.CorrRng1 = static_cast<float>(lo);
    opt.CorrRng2 = static_cast<float>(hi < lo ? lo : hi);
  }
  int from = 1, till = 520;
  ParseWeekRange(o.range, from, till);

  CompanionOptions co;
  co.companions = !o.noCompanions;
  co.envFile = o.env;
  co.par = par;
  if (int rc = LoadScenarioOrExit(*ws, o.scenario, co); rc != kExitOk) return rc;
  ws->state.RangeFrom = from;
  ws->state.RangeTill = till;

  const int rc = ExitOnRunFault(ws->scenario.ScenarioFile, [&] {
    RunModel(*ws);
    for (int i = 0; i < o.repeat; ++i) RepeatRun(*ws);
    for (int i = 0; i < o.cont; ++i) {
      if (opt.has(kOptMoveEnvOnContinue)) MoveSeries(*ws);
      ContinueRun(*ws);
    }
  });
  if (rc != kExitOk) return rc;

  try {
    OutText out(o.listing);
    std::vector<int> tables = o.tables;
    bool quiet = !tables.empty() || !o.weeksCsv.empty() || !o.summary.empty() || !o.save.empty();
    if (!quiet) tables = {19, 21};
    for (int k : tables) WriteTable(*ws, out, k, ws->state.RangeFrom, ws->state.RangeTill);
    if (!o.weeksCsv.empty()) WriteFileAtomic(o.weeksCsv, WeeksCsv(*ws));
    if (!o.summary.empty()) AppendSummary(*ws, o.summary, false);
    if (!o.save.empty()) SaveScenario(*ws, o.save);
    if (!o.output.empty()) {
      WriteFileAtomic(o.output, out.text());
    } else if (!out.text().empty()) {
      std::fwrite(out.text().data(), 1, out.text().size(), stdout);
      std::fflush(stdout);
    }
  } catch (const FileError& e) {
    ReportError(e.what());
    return kExitFile;
  }
  return kExitOk;
}

const RegisterCommand registerRun([](CLI::App& app, int& exitCode) {
  auto o = std::make_shared<RunOptions>();
  CLI::App* cmd = app.add_subcommand("run", "Load a scenario with its companion files, calculate and report");
  cmd->add_option("SCENARIO", o->scenario, "Scenario file (.DAT)")->required();
  cmd->add_option("--env", o->env, "Load this environment file instead of the scenario's EnviFile");
  cmd->add_flag("--no-companions", o->noCompanions, "Do not load the .IRR, .MIN, .OM and .PAR companions");
  cmd->add_option("--ini", o->ini,
                  "Read the program options from section \"Kelmar Options\" of this INI file");
  cmd->add_option("--opt", o->opt, "Option word KelmOpti (decimal or 0x hex); overrides --ini")
      ->check(WordCheck());
  cmd->add_option("--opt2", o->opt2, "Option word KelmOpt2")->check(WordCheck());
  cmd->add_option("--corr-opti", o->corrOpti,
                  "Modelled N compared with measured N: 0 same week, 1 +/- 1/2 week, 2 +/- 1 week")
      ->check(WholeIn(0, 2, "0, 1 or 2"));
  cmd->add_option("--corr-range", o->corrRange, "LOW,HIGH: the N-modelled vs N-measured ranges, kg N/ha")
      ->check(PairCheck());
  cmd->add_option("--repeat", o->repeat, "After Calculate, run Repeat N times")
      ->check(CLI::NonNegativeNumber);
  cmd->add_option("--continue", o->cont, "Then run Continue N times")->check(CLI::NonNegativeNumber);
  cmd->add_option("--range", o->range, "FROM-TILL: the week range of tables and summaries (default 1-520)")
      ->check(WeekRangeCheck());
  cmd->add_option("--table", o->tables, "Write table kind K (1..21) for the range; repeatable")
      ->check(WholeIn(1, 21, "a table kind 1..21"))
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  cmd->add_flag("--listing", o->listing, "Write the tables in the printed-listing form (margin, paging)");
  cmd->add_option("--weeks-csv", o->weeksCsv, "Write all 86 week-record fields of records 0..Weeks+1 as CSV");
  cmd->add_option("--summary", o->summary, "Append the run's summary line to this .SUM file");
  cmd->add_option("--save", o->save, "Write the scenario after all runs in the current layout");
  cmd->add_option("-o", o->output, "Write the tables to FILE instead of standard output");
  cmd->callback([o, &exitCode] { exitCode = Run(*o); });
});

} // namespace

} // namespace kelmar::cli
