// kelmar convert: read a data file of any kind and write it again in the
// current layout (older scenario layouts come back with their defaults).
#include <iostream>

#include "Command.h"
#include "Workspace.h"
#include "data/Errors.h"
#include "data/FileSystem.h"
#include "data/ParFile.h"
#include "data/ScenarioFile.h"
#include "data/SeriesFile.h"

namespace kelmar::cli {

namespace {

struct ConvertOptions {
  std::string in, out;
};

int Convert(const ConvertOptions& o) {
  auto ws = MakeWorkspace();
  ws->state.DataDir = ExtractFilePath(ExpandFileName(o.in));
  const std::string ext = ExtractFileExt(o.in);
  auto is = [&](const char* e) { return EqualsIgnoreCase(ext, e); };
  try {
    if (is(".DAT")) {
      LoadScenario(*ws, o.in);
      SaveScenario(*ws, o.out);
      return kExitOk;
    }
    if (is(".PAR")) {
      LoadPar(*ws, o.in, ParIncludes{true, true, true, true});
      SavePar(*ws, o.out);
      return kExitOk;
    }
    const std::pair<const char*, SeriesKind> series[] = {{".ENV", SeriesKind::Environment},
                                                         {".IRR", SeriesKind::Irrigation},
                                                         {".MIN", SeriesKind::Nmineral},
                                                         {".OM", SeriesKind::Omon}};
    for (auto [e, kind] : series) {
      if (!is(e)) continue;
      LoadSeries(*ws, kind, o.in, 1);
      SeriesSaveResult r = SaveSeries(*ws, kind, o.out, false);
      if (!r.written) std::cerr << r.message << '\n'; // nothing to convert is no error
      return kExitOk;
    }
  } catch (const InvalidFileId& e) {
    ReportError(e.what());
    return kExitInvalidId;
  } catch (const FileError& e) {
    ReportError("Loading " + o.in + "\r" + e.what());
    return kExitFile;
  }
  ReportError("Unknown file kind '" + ext + "': .DAT, .ENV, .IRR, .MIN, .OM or .PAR was expected");
  return kExitUsage;
}

const RegisterCommand registerConvert([](CLI::App& app, int& exitCode) {
  auto o = std::make_shared<ConvertOptions>();
  CLI::App* cmd = app.add_subcommand(
      "convert", "Read a .DAT, .ENV, .IRR, .MIN, .OM or .PAR file and write it again in the current layout");
  cmd->add_option("IN", o->in, "File to read")->required();
  cmd->add_option("OUT", o->out, "File to write")->required();
  cmd->callback([o, &exitCode] { exitCode = Convert(*o); });
});

} // namespace

} // namespace kelmar::cli
