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
  std::vector<SumFileData> files;
  std::vector<ShardIndex> indexes;
  std::vector<std::string> withoutIndex;
  const int rc = ExitOnFileError([&] {
    for (const std::string& in : o.inputs) {
      const std::string idxFile = ShardIndexFileName(in);
      const bool hasIndex = FileExists(idxFile);
      if (hasIndex) {
        indexes.push_back(ReadShardIndexFile(idxFile));
      } else {
        withoutIndex.push_back(in);
      }
      // A shard all of whose runs failed leaves a run list and no summary file.
      if (hasIndex && indexes.back().lineRuns.empty() && !FileExists(in)) {
        SumFileData empty;
        empty.fileName = in;
        files.push_back(empty);
      } else {
        files.push_back(ReadSumFile(in));
      }
    }
  });
  if (rc != kExitOk) return rc;
  if (!indexes.empty() && !withoutIndex.empty()) {
    ReportError(withoutIndex.front() + " has no run list (" + ShardIndexFileName(withoutIndex.front()) +
                "): shards of a split MultiRun and other summary files cannot be joined together.");
    return kExitUsage;
  }
  std::string text;
  try {
    text = indexes.empty() ? ConcatenateSumText(files) : MergeShardText(files, indexes);
  } catch (const Refusal& e) {
    ReportError(e.what());
    return kExitUsage;
  }
  if (text.empty()) {
    ReportError("No summary lines in the files given: " + o.output + " is not written.");
    return kExitOk;
  }
  try {
    WriteFileAtomic(o.output, text);
  } catch (const FileError& e) {
    ReportError(e.what());
    return kExitFile;
  }
  return kExitOk;
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
