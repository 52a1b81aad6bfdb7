#include "session/Companions.h"

#include "Workspace.h"
#include "data/Errors.h"
#include "data/FileSystem.h"
#include "data/ScenarioFile.h"
#include "data/SeriesFile.h"

namespace kelmar {

std::string EnvironmentFileName(const Workspace& ws) {
  const std::string& envi = ws.scenario.EnviFile;
  std::string name = ChangeFileExt(ExtractFileName(envi), ".ENV");
  std::string dir = ExtractFilePath(envi);
  if (dir.empty())
    dir = ws.state.DataDir;
  else if (dir.front() != '/')
    dir = ws.state.DataDir + dir;
  std::string path = dir + name;
  std::string found = FindFileCaseInsensitive(path);
  return found.empty() ? ExpandFileName(path) : ExpandFileName(found);
}

std::string CompanionFileName(const Workspace& ws, const char* ext) {
  std::string path = ws.state.DataDir + ChangeFileExt(ExtractFileName(ws.scenario.ScenarioFile), ext);
  return FindFileCaseInsensitive(path);
}

namespace {

// Reads a series file from week 1 into an emptied series; false (with the
// outcome filled in) when the file is refused.
bool ReadSeriesFile(Workspace& ws, SeriesKind kind, const std::string& path, LoadOutcome& out,
                    LoadStatus invalidId, LoadStatus readError) {
  try {
    ResetSeries(ws, kind);
    LoadSeries(ws, kind, path, 1);
    ws.state.DocStatus |= SavedBit(kind);
    out.seriesRead[static_cast<size_t>(kind)] = true;
    return true;
  } catch (const InvalidFileId& e) {
    out.status = invalidId;
    out.message = e.what();
  } catch (const FileError& e) {
    out.status = readError;
    out.message = "Loading " + path + "\r" + e.what();
  }
  // The rows read before the error would pass for the whole series, and a
  // Save would cut the file down to them: the series is left empty instead.
  ResetSeries(ws, kind);
  ws.state.DocStatus |= SavedBit(kind);
  return false;
}

} // namespace

LoadOutcome LoadScenarioWithCompanions(Workspace& ws, const std::string& fileName,
                                       const CompanionOptions& opt) {
  LoadOutcome out;
  ProgramState& st = ws.state;
  ws.scenario.FileId.clear();
  try {
    LoadScenario(ws, fileName);
  } catch (const InvalidFileId& e) {
    out.status = LoadStatus::InvalidId;
    out.message = e.what();
    return out;
  } catch (const FileError& e) {
    // The scenario in memory, its name, series, parameters and results are
    // as they were: a later Save writes the intact scenario to its own file
    // and never touches the damaged one.
    out.status = LoadStatus::ReadError;
    out.message = "Loading scenario " + fileName + "\r" + e.what();
    return out;
  }
  st.DocStatus |= kResultsStale | kScenarioSaved;
  if (st.RangeFrom >= ws.scenario.Weeks) {
    st.RangeFrom = 1;
    st.RangeTill = 520;
  }

  if (opt.companions) {
    const std::pair<SeriesKind, const char*> series[] = {
        {SeriesKind::Irrigation, ".IRR"}, {SeriesKind::Nmineral, ".MIN"}, {SeriesKind::Omon, ".OM"}};
    for (auto [kind, ext] : series) {
      std::string path = CompanionFileName(ws, ext);
      if (opt.mayReplace && !opt.mayReplace(kind)) continue;
      if (path.empty()) {
        ResetSeries(ws, kind);
        out.seriesEmptied[static_cast<size_t>(kind)] = true;
      } else {
        if (!ReadSeriesFile(ws, kind, path, out, LoadStatus::CompanionInvalidId,
                            LoadStatus::CompanionReadError))
          return out;
      }
    }
    std::string par = CompanionFileName(ws, ".PAR");
    if (!par.empty()) {
      try {
        LoadPar(ws, par, opt.par);
        st.DocStatus |= kResultsStale;
      } catch (const InvalidFileId& e) {
        out.status = LoadStatus::CompanionInvalidId;
        out.message = e.what();
        return out;
      } catch (const FileError& e) {
        out.status = LoadStatus::CompanionReadError;
        out.message = "Loading " + par + "\r" + e.what();
        return out;
      }
    }
  }
  if (!ws.options.has(kOptNoParmBackup)) ws.parms.Backup(ws.scenario);

  out.envPath = opt.envFile.empty() ? EnvironmentFileName(ws) : ExpandFileName(opt.envFile);
  if (FileExists(out.envPath)) {
    if (!opt.mayReplace || opt.mayReplace(SeriesKind::Environment))
      ReadSeriesFile(ws, SeriesKind::Environment, out.envPath, out, LoadStatus::EnvInvalidId,
                     LoadStatus::EnvReadError);
    return out;
  }
  ResetSeries(ws, SeriesKind::Environment);
  out.seriesEmptied[static_cast<size_t>(SeriesKind::Environment)] = true;
  out.status = LoadStatus::EnvMissing;
  out.message = "Auto-load Environment file not found !\r" + out.envPath;
  return out;
}

ScenarioLoadResult LoadScenarioForBatch(Workspace& ws, const std::string& path, const ParIncludes& par) {
  CompanionOptions co;
  co.par = par;
  const LoadOutcome lo = LoadScenarioWithCompanions(ws, path, co);
  const bool env = lo.status == LoadStatus::EnvMissing || lo.status == LoadStatus::EnvInvalidId ||
                   lo.status == LoadStatus::EnvReadError;
  return {lo.ok(), env, lo.message};
}

} // namespace kelmar
