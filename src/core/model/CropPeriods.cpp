// The run divided into consecutive periods, one per crop and one per bare
// interval between crops, with the water and nitrogen flows of each period and
// a final row for the whole run.

#include <algorithm>
#include <stdexcept>

#include "Workspace.h"
#include "model/Processes.h"
#include "model/Water.h"
#include "model/Weeks.h"

namespace kelmar::model {

namespace {

constexpr float Single(double v) { return static_cast<float>(v); }

// Fills one row over the run weeks first..last (record indices). Weekly flows
// are summed; cumulative columns give the period's amount as a difference.
void SumPeriod(const WeekRecords& W, CropPeriodRow& row, const Name20& name, int32_t first, int32_t last) {
  row = CropPeriodRow{};
  row.Name = name;
  row.Week = first;
  row.LastWeek = last;
  for (int32_t i = first; i <= last; ++i) {
    const WeekRecord& w = W[i];
    row.Avail = Single(row.Avail + (static_cast<double>(w.Rain) + w.Irr));
    row.UPTi += w.UPTi;
    row.UPTm += w.UPTm;
    row.OUT += w.FOUT2;
    row.Fix += w.NFIX;
    row.Den += w.Den1;
    row.Den2 += w.Den2;
  }
  const WeekRecord& before = W[first - 1];
  const WeekRecord& end = W[last];
  row.NAvail = end.cAvail - before.cAvail;
  row.NUPTi = end.cNUPTi - before.cNUPTi;
  row.NUPTm = end.cNUPTm - before.cNUPTm;
  row.NOUT = end.cNout - before.cNout;
  row.APPL = end.APPL - before.APPL;
  row.CULT = end.CULT - before.CULT;
  row.IOM = end.IOM - before.IOM;
  row.FERT = end.FERT - before.FERT;
  row.RESI = end.RESI - before.RESI;
  row.GRMA = end.GRMA - before.GRMA;
  row.SNM = end.SNM1 - before.SNM1;
  row.SNM2 = end.SNM2 - before.SNM2;

  const double n = last - first + 1; // weeks in the period, at least 1
  row.AVG = Single(row.OUT / n);
  row.NAVG = Single(row.NOUT / n);
  row.SNMAVG = Single(row.SNM / n);
}

} // namespace

void CropPeriods(Workspace& ws) {
  const Scenario& sc = ws.scenario;
  RunState& run = ws.run;
  const int32_t weeks = LastRunRecord(ws) - 1; // never past record 521
  if (sc.CropCount < 0 || sc.CropCount > kMaxCrops) throw std::logic_error("crop count outside 0..40");
  const int32_t runStart = run.RunStart;
  const int32_t runEnd = run.RunEnd;
  const Name20 bare("bare                ");
  const Name20 total("TOTAL               ");

  int row = 1;
  int32_t cur = runStart; // absolute week where the next period starts
  // From absolute week `from` to `to`; every crop adds at most a bare and a
  // crop row, so 40 crops, the last bare row and TOTAL fit the table.
  auto makeRow = [&](const Name20& name, int32_t from, int32_t to) {
    SumPeriod(ws.weeks, run.Periods[row], name, from - runStart + 1, to - runStart + 1);
    run.PeriodCount = row;
    ++row;
    cur = to + 1;
  };

  for (int i = 1; i <= sc.CropCount; ++i) {
    // Once a crop has run to the end of the run, a later overlapping crop has
    // no week left and gets no row.
    if (cur > runEnd) break;
    const Crop& c = sc.Crops[i];
    const int32_t a1 = AbsWeek(c.YEAR, c.WEEK1);
    const int32_t a4 = AbsWeek(c.YEAR, c.WEEK4);
    if (a1 > runEnd || a4 < cur) continue;
    if (a1 > cur) {
      makeRow(bare, cur, a1 - 1);
      if (a4 < cur) continue; // harvested before it was sown
    }
    // A crop sown before the current period starts its row there.
    makeRow(c.Name, cur, std::min(a4, runEnd));
  }
  if (cur <= runEnd) makeRow(bare, cur, runEnd);

  makeRow(total, runStart, runEnd);
  // Readers of the TOTAL row take Week as the index of the end-state record.
  run.Periods[run.PeriodCount].Week = weeks + 1;
}

} // namespace kelmar::model
