// The one object that holds a scenario, its 522 week records, the model's
// run-level values, the fittable-parameter table, the program options and the
// program state the views share. The desktop program owns exactly one; the
// command line makes one per run, so that batch runs can go in parallel.
// It is large (the week records and trajectory scratch): create it once, on
// the heap, with MakeWorkspace().
#pragma once

#include <memory>
#include <string>

#include "Options.h"
#include "records/ParmTable.h"
#include "records/RunState.h"
#include "records/Scenario.h"
#include "records/WeekRecord.h"

namespace kelmar {

// Bits of DocStatus: a "saved" bit per document and the stale-results mark.
enum DocStatusBit : uint32_t {
  kScenarioSaved = 0x01,
  kEnviSaved = 0x02,
  kIrriSaved = 0x04,
  kNminSaved = 0x08,
  kOmonSaved = 0x10,
  kResultsStale = 0x20,
};

// The five documents, in the order of the save questions.
enum class Doc { Scenario = 0, Environment, Irrigation, Nmineral, Omon };
inline constexpr int kDocCount = 5;

constexpr uint32_t SavedBit(Doc d) {
  switch (d) {
  case Doc::Scenario:
    return kScenarioSaved;
  case Doc::Environment:
    return kEnviSaved;
  case Doc::Irrigation:
    return kIrriSaved;
  case Doc::Nmineral:
    return kNminSaved;
  case Doc::Omon:
    return kOmonSaved;
  }
  return 0;
}
constexpr Doc DocOf(SeriesKind k) { return static_cast<Doc>(static_cast<int>(k) + 1); }
// Not for Doc::Scenario.
constexpr SeriesKind SeriesOf(Doc d) { return static_cast<SeriesKind>(static_cast<int>(d) - 1); }
constexpr uint32_t SavedBit(SeriesKind k) { return SavedBit(DocOf(k)); }

struct ProgramState {
  int32_t RangeFrom = 1;    // first week of tables, summaries and graphs
  int32_t RangeTill = 520;  // last week
  int32_t InfoWeek = 1;     // week shown by the info view
  int32_t SelParm = 1;      // selected fittable parameter, 1..51
  float FitDelta = 10;      // percent step of Increase/Decrease
  bool ShowMessages = true; // report failures to the user (MultiRun clears it)
  int32_t SelCrop = 1;      // crop selected in the editors
  int32_t SelAppl = 1;      // application selected in the editors
  std::string ExeDir;       // directory of the program, with a trailing '/'
  std::string DataDir;      // default data directory, with a trailing '/'
  std::string CurrentDir;   // process's current directory, with a trailing '/'
  std::string SoilFile;     // soil library
  std::string CropFile;     // crop library
  std::string ApplFile;     // application library
  uint32_t DocStatus = 0;
};

struct Workspace {
  Scenario scenario;
  WeekRecords weeks{};
  RunState run;
  ParmTable parms;
  Options options;
  ProgramState state;
};

// The state of a freshly started program: records zero-filled, the defaults of
// a new scenario, the parameter table bound and restored (so the fittable
// parameters hold their initial values and Year = Week = 1), ranges reset.
std::unique_ptr<Workspace> MakeWorkspace();

// The model's new-scenario initialisation: sets exactly the fields a new
// scenario defines and leaves all others as they are.
void NewScenarioDefaults(Workspace& ws);

} // namespace kelmar
