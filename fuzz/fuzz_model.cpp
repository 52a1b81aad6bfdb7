// Loads a scenario and its weekly series from arbitrary bytes and runs the
// model on whatever loads: a first run, a repeat and a continuation, then the
// N/P/K balance, the comparison with the measurements, every table, every
// period summary and the summary-file line. A run may end in a
// FloatingPointFault; anything else (a crash, a sanitizer report, a hang, a
// number that is not finite in the week records or the texts) is a bug.
//
// Input: one control byte, then the scenario, the environment, the measured
// mineral N, the irrigation and the organic matter, separated by form feeds.
// The control byte picks repeat and continue, moving the environment on
// continue, the comparison mode, P and K as elements and the two
// organic-matter options.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "Workspace.h"
#include "calc/Corr.h"
#include "calc/NPK.h"
#include "data/Errors.h"
#include "data/ScenarioFile.h"
#include "data/SeriesFile.h"
#include "data/TextFormat.h"
#include "model/Driver.h"
#include "report/SumFile.h"
#include "report/Summary.h"
#include "report/Tables.h"

using namespace kelmar;
using kelmar::fuzz::Check;
using kelmar::fuzz::ShowsNonFinite;

namespace {

void LoadCompanion(Workspace& ws, SeriesKind kind, std::string_view text) {
  ResetSeries(ws, kind);
  if (text.empty()) return;
  try {
    LoadSeriesText(ws, kind, text, "FUZZ", 1);
  } catch (const FileError&) {
    // A damaged companion leaves its series empty, as on loading.
    ResetSeries(ws, kind);
  } catch (const InvalidFileId&) {
    ResetSeries(ws, kind);
  }
}

void CheckWeeks(const Workspace& ws) {
  const int last = std::min<int>(ws.scenario.Weeks + 1, static_cast<int>(ws.weeks.size()) - 1);
  for (int r = 0; r <= last; ++r) {
    const auto* f = reinterpret_cast<const float*>(&ws.weeks[r]);
    for (int i = 0; i < kWeekFieldCount; ++i) Check(std::isfinite(f[i]), "week record not finite");
  }
}

template <typename T> void CheckFinite(const T& values, const char* what) {
  for (float v : values) Check(std::isfinite(v), what);
}

void CheckResults(const Workspace& ws, const std::string& lowerInput) {
  CheckWeeks(ws);
  const NPKResult npk = CalcNPK(ws);
  CheckFinite(std::initializer_list<float>{npk.Y, npk.NBal, npk.PBal, npk.KBal, npk.NEff1, npk.NEff2,
                                           npk.NEff3, npk.ONDecr, npk.NmDecr, npk.NLeach, npk.NDen},
              "N/P/K balance not finite");
  for (const std::string& line : MineralBalanceLines(npk))
    Check(!ShowsNonFinite(line, lowerInput), "mineral balance text");

  const CorrResult corr = CalcCorr(ws);
  for (const CorrLayer& l : corr.Layer)
    CheckFinite(std::initializer_list<float>{l.Ex, l.Ey, l.Ez, l.EDif, l.SEDif, l.Abcis, l.Tan, l.Corr},
                "comparison not finite");
  for (const std::string& line : NmVsNiLines(corr))
    Check(!ShowsNonFinite(line, lowerInput), "comparison text");

  const SummaryValues items = ComputeSummaryItems(ws);
  CheckFinite(items, "summary item not finite");
  Check(!ShowsNonFinite(SummaryDataLine(ws, items), lowerInput), "summary file line");

  OutText out;
  for (int kind = 1; kind <= kLastTableKind; ++kind)
    WriteTable(ws, out, kind, ws.state.RangeFrom, ws.state.RangeTill);
  Check(!ShowsNonFinite(out.text(), lowerInput), "table text");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t control = data[0];
  const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
  const auto files = fuzz::SplitFiles(input, 5);

  Workspace& ws = kelmar::fuzz::FreshWorkspace();
  try {
    LoadScenarioText(ws, files[0], "FUZZ.DAT");
  } catch (const FileError&) {
    return 0;
  } catch (const InvalidFileId&) {
    return 0;
  }
  const SeriesKind order[] = {SeriesKind::Environment, SeriesKind::Nmineral, SeriesKind::Irrigation,
                              SeriesKind::Omon};
  for (size_t i = 0; i < 4; ++i) LoadCompanion(ws, order[i], i + 1 < files.size() ? files[i + 1] : "");

  Options& o = ws.options;
  if (control & 0x04) o.KelmOpti |= kOptMoveEnvOnContinue;
  if (control & 0x20) o.KelmOpti |= kOptShowPK;
  if (control & 0x40) o.KelmOpt2 |= kOpt2CContentWithAge;
  if (control & 0x80) o.KelmOpt2 |= kOpt2KeepTotalIOM;
  o.CorrOpti = ((control >> 3) & 3) % 3;
  if (ws.state.RangeFrom >= ws.scenario.Weeks) {
    ws.state.RangeFrom = 1;
    ws.state.RangeTill = 520;
  }

  const std::string lowerInput = fuzz::Lower(input);
  try {
    RunModel(ws);
    CheckResults(ws, lowerInput);
    if (control & 0x01) {
      RepeatRun(ws);
      CheckWeeks(ws);
    }
    if (control & 0x02) {
      if (o.has(kOptMoveEnvOnContinue)) MoveSeries(ws);
      ContinueRun(ws);
      CheckResults(ws, lowerInput);
    }
  } catch (const FloatingPointFault&) {
  }
  return 0;
}
