// kelmar merge-sum: joins summary files. The shards of a split MultiRun (each
// with its run list beside it) are joined back in run order, into the file an
// unsplit run writes; plain summary files are joined one after the other.
#include <iostream>
#include <memory>

#include "Command.h"
#include "CommandSupport.h"
#include "data/Errors.h"
#include "data/FileSystem.h"
#include "report/SumFile.h"

namespace kelmar::cli {

namespace {

struct MergeOptions {
  std::vector<std::string> inputs;
  std::string output;
};

int Merge(const MergeOptions& o) {
  std::string text;
  try {
    if (int rc = ExitOnFileError([&] { text = JoinSumFiles(o.inputs); }); rc != kExitOk) return rc;
  } catch (const Refusal& e) {
    ReportError(e.what());
    return kExitUsage;
  }
  if (text.empty()) {
    ReportError("No summary lines in the files given: " + o.output + " is not written.");
    return kExitOk;
  }
  return ExitOnFileError([&] { WriteFileAtomic(o.output, text); });
}

const RegisterCommand registerMergeSum([](CLI::App& app, int& exitCode) {
  auto o = std::make_shared<MergeOptions>();
  CLI::App* cmd = app.add_subcommand(
      "merge-sum",
      "Join summary files: the shards of a split MultiRun in run order, others one after another");
  cmd->add_option("SUM", o->inputs, "Summary files (.SUM); a shard's run list (.RUNS) is read beside it")
      ->required();
  cmd->add_option("-o", o->output, "The joined summary file")->required();
  cmd->callback([o, &exitCode] { exitCode = Merge(*o); });
});

} // namespace

} // namespace kelmar::cli
