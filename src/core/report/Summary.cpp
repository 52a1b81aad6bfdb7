#include "report/Summary.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "Workspace.h"
#include "calc/Corr.h"
#include "calc/NPK.h"
#include "data/FileSystem.h"
#include "data/TextFormat.h"
#include "data/TextReader.h"
#include "report/Tables.h"

namespace kelmar {

namespace {

// The week record at a period row's Week (the TOTAL row points at the state
// after the last run week).
const WeekRecord& RecordAt(const Workspace& ws, int week) {
  if (week < 0 || week >= kWeekRecords) throw std::out_of_range("no week record " + std::to_string(week));
  return ws.weeks[week];
}

} // namespace

int SummaryCount(const Workspace& ws) { return std::clamp(ws.run.PeriodCount, 0, kPeriodRows); }

std::string SummaryRow(const Workspace& ws, int row, int kind) {
  if (kind < kSummaryWater || kind > kSummaryNBalance)
    throw std::out_of_range("no period summary of kind " + std::to_string(kind));
  if (row < 1 || row > SummaryCount(ws)) throw std::out_of_range("no period row " + std::to_string(row));
  const CropPeriodRow& p = ws.run.Periods[row];
  const WeekRecord& w = RecordAt(ws, p.Week);
  LineBuilder b;
  // Names are stored 20 wide; a shorter one is padded so the columns align.
  b.text(PadRight(p.Name.view(), kNameWidth)).real(p.Week, 5, 0);
  switch (kind) {
  case kSummaryWater:
    b.real(static_cast<double>(w.Teta1) + w.Teta2, 5, 0)
        .real(p.Avail, 6, 0)
        .real(p.UPTi, 6, 0)
        .real(p.UPTm, 6, 0)
        .real(p.OUT, 6, 0)
        .real(p.AVG, 5, 0);
    break;
  case kSummaryMinTopSoil:
    b.real(w.OMt1, 7, 0).real(w.Nt1, 6, 0);
    for (float v : {p.IOM, p.CULT, p.RESI, p.GRMA, p.APPL, p.FERT, p.SNM, p.SNMAVG}) b.real(v, 5, 0);
    break;
  case kSummaryMinSubSoil:
    b.real(w.OMt2, 7, 0).real(w.Nt2, 6, 0).real(p.SNM2, 6, 0).real(p.Den2, 6, 0);
    break;
  default: // kSummaryNBalance
    b.real(static_cast<double>(w.N1) + w.N2, 5, 0);
    for (float v : {p.NAvail, p.Fix, p.NUPTi, p.NUPTm}) b.real(v, 5, 0);
    b.real(static_cast<double>(p.Den) + p.Den2, 5, 0).real(p.NOUT, 5, 0).real(p.NAVG, 5, 1);
    break;
  }
  return b.str();
}

SummaryValues ComputeSummaryItems(const Workspace& ws) {
  const Scenario& s = ws.scenario;
  // Before any run there is no TOTAL row: row 0 is an empty row at week 0.
  const CropPeriodRow& tot = ws.run.Periods[SummaryCount(ws)];
  const WeekRecord& ini = ws.weeks[1];
  const WeekRecord& fin = ws.weeks[std::clamp(tot.Week, 0, kWeekRecords - 1)];

  SummaryValues v{};
  int i = 0;
  auto put = [&](double x) { v[i++] = static_cast<float>(x); };
  auto sum = [](float a, float b) { return static_cast<double>(a) + b; };

  put(sum(ini.Teta1, ini.Teta2));
  put(sum(fin.Teta1, fin.Teta2));
  for (float x : {tot.Avail, tot.UPTi, tot.UPTm, tot.OUT, tot.AVG}) put(x);
  for (float x : {ini.OMt1, fin.OMt1, ini.Nt1, fin.Nt1}) put(x);
  for (float x : {tot.IOM, tot.CULT, tot.RESI, tot.GRMA, tot.APPL, tot.FERT, tot.SNM, tot.SNMAVG}) put(x);
  for (float x : {ini.OMt2, fin.OMt2, ini.Nt2, fin.Nt2, tot.SNM2, tot.Den2}) put(x);
  put(sum(ini.N1, ini.N2));
  put(sum(fin.N1, fin.N2));
  for (float x : {tot.NAvail, tot.Fix, tot.NUPTi, tot.NUPTm}) put(x);
  put(sum(tot.Den, tot.Den2));
  put(tot.NOUT);
  put(tot.NAVG);

  // The balance always covers the whole run, whatever range the views show;
  // of the options only the choice of elements over oxides applies.
  const NPKResult npk = CalcNPK(ws, 1, s.Weeks, ws.options.has(kOptShowPK));
  for (float x : {npk.NSupply(), npk.NHarv, npk.NBal, npk.NEff1, npk.NDep, npk.NFix, npk.NEff2, npk.ONDecr,
                  npk.NmDecr, npk.NLeach, npk.NDen, npk.NEff3})
    put(x);
  for (float x : {npk.PSupply(), npk.PHarv, npk.PBal, npk.PEff1, npk.PDep}) put(x);
  for (float x : {npk.KSupply(), npk.KHarv, npk.KBal, npk.KEff1, npk.KDep}) put(x);

  const CorrResult corr = CalcCorr(ws);
  for (const CorrLayer& l : corr.Layer) {
    put(l.NMeas);
    for (float x : {l.Ex, l.EDif, l.SEDif, l.Abcis, l.Tan, l.Corr}) put(x);
    put(l.n1);
    put(l.n2);
    put(l.Ez);
  }
  if (i != kSummaryItemCount) throw std::logic_error("summary items out of step with their table");
  return v;
}

} // namespace kelmar
