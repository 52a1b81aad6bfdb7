#include "Workspace.h"

namespace kelmar {

void NewScenarioDefaults(Workspace& ws) {
  Scenario& s = ws.scenario;
  s.Title = "Untitled";
  for (SeriesHeader& h : s.Series) {
    h.Name = "Untitled";
    h.Week = 1;
    h.InsertWeek = 1;
    h.Count = 0;
  }
  s.Year = 1;
  s.Week = 1;
  s.Weeks = 312;
  ws.state.RangeFrom = 1;
  ws.state.RangeTill = 520;

  s.SoilCount = kSoilCount;
  s.Soil[0].Name = "fine sand           ";
  s.Soil[1].Name = s.Soil[0].Name;
  s.P2O5Dep = 2;
  s.K2ODep = 6;

  s.CropCount = 1;
  Crop& t = s.Crops[0];
  t.Name = "Untitled            ";
  t.YEAR = 1;
  t.WEEK1 = 1;
  t.WEEK2 = 1;
  t.WEEK3 = 52;
  t.WEEK4 = 52;
  t.DMpct = 100;
  t.Code = 5;
  s.Crops[1] = t;

  s.ApplCount = 3;
  const char* pools[3] = {"Old Organic Matter  ", "Young Organic Matter", "Fresh Organic Matter"};
  for (int i = 1; i <= 3; ++i) {
    Application& a = s.Appls[i];
    a.Name = pools[i - 1];
    a.ACT = 3;
    a.YR = 1;
    a.WK = 1;
    a.QUANT = 0;
    a.DMpct = 100;
    a.OMpctdm = 100;
  }
  ws.state.SelCrop = 1;
  ws.state.SelAppl = 1;
}

std::unique_ptr<Workspace> MakeWorkspace() {
  auto ws = std::make_unique<Workspace>(); // value-initialised: every record zero
  Scenario& s = ws->scenario;
  s.ScenarioFile = "NEW.DAT";
  s.EnviFile = "NEW.ENV";
  s.series(SeriesKind::Environment).FileName = "NEW.ENV";
  s.series(SeriesKind::Irrigation).FileName = "NEW.IRR";
  s.series(SeriesKind::Nmineral).FileName = "NEW.MIN";
  s.series(SeriesKind::Omon).FileName = "NEW.OM";
  NewScenarioDefaults(*ws);
  ws->parms.ResetRanges();
  ws->parms.Restore(s);
  return ws;
}

} // namespace kelmar
