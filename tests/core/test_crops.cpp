#include <gtest/gtest.h>

#include <stdexcept>

#include "Workspace.h"
#include "model/Crops.h"
#include "model/Processes.h"
#include "model/Weeks.h"

using namespace kelmar;
using namespace kelmar::model;

namespace {

void SetRun(Workspace& ws, int year, int week, int weeks) {
  ws.scenario.Year = year, ws.scenario.Week = week, ws.scenario.Weeks = weeks;
  ws.run.RunStart = AbsWeek(year, week);
  ws.run.RunEnd = ws.run.RunStart + weeks - 1;
}

Crop& AddCrop(Scenario& s, int year, int sow, int fcov, int ripe, int harv, float etmax, float rdepth) {
  Crop& c = s.Crops[++s.CropCount];
  c = Crop{};
  c.YEAR = year, c.WEEK1 = sow, c.WEEK2 = fcov, c.WEEK3 = ripe, c.WEEK4 = harv, c.ETMAX = etmax,
  c.RDepth = rdepth;
  return c;
}

// Run weeks 2..20 of year 1 (records 1..20, absolute week = record + 1),
// ET0 10 mm every week, bare soil factor 0.5, topsoil 30 cm.
//   A: sown 3, full cover 7, ripe 12, harvest 16, ETMAX 1.2, roots 80 cm
//   B: sown 14, full cover 15, ripe = harvest = 20 (the last run week),
//      ETMAX 0.9, roots 20 cm
//   C: sown in week 1, before the run: no demand
//   D: harvested in week 21, after the run: no demand
std::unique_ptr<Workspace> Rotation() {
  auto ws = MakeWorkspace();
  Scenario& s = ws->scenario;
  s.ETbare = 0.5f;
  s.Soil[0].THL = 30;
  SetRun(*ws, 1, 2, 19);
  s.CropCount = 0;
  AddCrop(s, 1, 3, 7, 12, 16, 1.2f, 80);
  AddCrop(s, 1, 14, 15, 20, 20, 0.9f, 20);
  AddCrop(s, 1, 1, 1, 10, 10, 2, 100);
  AddCrop(s, 1, 18, 18, 21, 21, 2, 100);
  for (int r = 1; r <= 20; ++r) ws->weeks[r].ET0 = 10;
  return ws;
}

WeekRecord& AtWeek(Workspace& ws, int absWeek) { return ws.weeks[absWeek - ws.run.RunStart + 1]; }

} // namespace

TEST(CropWork, DryMatterAndNitrogenPerPart) {
  auto ws = MakeWorkspace();
  Scenario& s = ws->scenario;
  s.CropCount = 2;
  Crop& c = s.Crops[1];
  c.PRODi = 40000, c.DMpct = 22, c.DMdistr = {0.6f, 0.25f, 0.15f}, c.Npctdm = {1.5f, 2.0f, 1.2f};
  c.PlantQUANT = 2500, c.PlantDMpct = 25, c.PlantNpctdm = 1.6f;
  // The same crop without a product share: no total dry matter to divide.
  s.Crops[2] = c;
  s.Crops[2].DMdistr[kProd] = 0;
  ComputeCropWork(*ws);
  s.CropCount = 41;
  EXPECT_THROW(ComputeCropWork(*ws), std::logic_error) << "beyond the crop records";

  struct Row {
    const char* name;
    float CropWork::*field;
    double crop1, crop2;
  };
  // DMprod = 40000 x 22 x 0.01 = 8800; DMtot = 8800 / 0.6 = 14666.67;
  // Npct = 0.6 x 1.5 + 0.25 x 2 + 0.15 x 1.2 = 1.58; DMplant = 2500 x 25 x
  // 0.01 = 625; Nplant = 625 x 1.6 x 0.01 = 10;
  // Nupt = 14666.67 x 1.58 x 0.01 - 10 = 221.7333.
  // Without a product share: DMtot 0, Npct = 0.5 + 0.18, Nupt = -Nplant.
  const Row rows[] = {
      {"DMprod", &CropWork::DMprod, 8800, 8800},   {"DMtot", &CropWork::DMtot, 14666.667, 0},
      {"DMresi", &CropWork::DMresi, 3666.6667, 0}, {"DMroot", &CropWork::DMroot, 2200, 0},
      {"Nprod", &CropWork::Nprod, 132, 132},       {"Nresi", &CropWork::Nresi, 73.333333, 0},
      {"Nroot", &CropWork::Nroot, 26.4, 0},        {"Npct", &CropWork::Npct, 1.58, 0.68},
      {"DMplant", &CropWork::DMplant, 625, 625},   {"Nplant", &CropWork::Nplant, 10, 10},
      {"Nupt", &CropWork::Nupt, 221.73333, -10},
  };
  for (const Row& r : rows) {
    EXPECT_NEAR(s.Crops[1].work.*r.field, r.crop1, std::abs(r.crop1) * 1e-6 + 1e-6)
        << r.name << " (relative 1e-6: float storage)";
    EXPECT_NEAR(s.Crops[2].work.*r.field, r.crop2, std::abs(r.crop2) * 1e-6 + 1e-6)
        << r.name << " without a product share";
  }
}

TEST(CropDevelopment, CoverAndRootingFractions) {
  const CropWeeks c{10, 20, 30, 40};
  struct Row {
    int week;
    double cover, roots;
  };
  const Row rows[] = {
      {10, 0, 0}, {15, 0.5, 0.5}, {19, 0.9, 0.9}, {20, 1, 1},
      {30, 1, 1}, {31, 0.95, 1},  {35, 0.75, 1},  {40, 0.5, 1}, // one half at harvest
  };
  for (const Row& r : rows) {
    EXPECT_DOUBLE_EQ(DevelopmentFraction(c, r.week), r.cover) << "week " << r.week;
    EXPECT_DOUBLE_EQ(RootingFraction(c, r.week), r.roots) << "week " << r.week;
  }
  // Full cover at sowing: no rise to divide.
  const CropWeeks instant{10, 10, 12, 14};
  EXPECT_EQ(DevelopmentFraction(instant, 10), 1);
  EXPECT_EQ(DevelopmentFraction(instant, 14), 0.5);
  // All four weeks count from the crop's year; above 52 is a later year.
  Crop late;
  late.YEAR = 2, late.WEEK1 = 40, late.WEEK2 = 45, late.WEEK3 = 60, late.WEEK4 = 64;
  const CropWeeks a = AbsCropWeeks(late);
  EXPECT_EQ(a.sow, 92);
  EXPECT_EQ(a.fcov, 97);
  EXPECT_EQ(a.ripe, 112);
  EXPECT_EQ(a.harv, 116);
}

TEST(CropCover, RotationWithOverlapAndCropsOutsideTheRun) {
  auto ws = Rotation();
  for (int r = 0; r <= 21; ++r) ws->weeks[r].NUPTi = ws->weeks[r].NFIX = 99; // an earlier run's results
  CropCover(*ws);

  struct Row {
    int week;
    double cover, rd, rf1;
    const char* why;
  };
  // RF1 = 1 - ((RD - 30) / RD)^2 once the roots pass the topsoil.
  const Row rows[] = {
      {2, 0.5, 0, 1, "bare soil; C was sown before the run"},
      {3, 0.5, 0, 1, "A sown: cover 0 does not lower the bare-soil factor"},
      {5, 0.6, 40, 0.9375, "A halfway: 0.5 x 1.2, roots 40 cm: 1 - (10/40)^2"},
      {7, 1.2, 80, 0.609375, "A full cover, roots 80 cm: 1 - (50/80)^2"},
      {12, 1.2, 80, 0.609375, "A ripe"},
      {14, 0.9, 80, 0.609375, "A declining (0.75 x 1.2), B sown"},
      {16, 0.9, 80, 0.609375, "A harvested at 0.6 under B at 0.9"},
      {17, 0.9, 20, 1, "B alone, roots within the topsoil"},
      {18, 0.9, 20, 1, "D ends after the run and takes no part"},
      {20, 0.9, 20, 1, "B harvested in the last run week at its ripening week"},
      {21, 0.5, 0, 1, "record Weeks + 1 is bare"},
  };
  for (const Row& r : rows) {
    const WeekRecord& w = AtWeek(*ws, r.week);
    EXPECT_NEAR(w.Cover, r.cover, 1e-6) << "week " << r.week << ": " << r.why;
    EXPECT_NEAR(w.UPTi, r.cover * 10, 1e-5) << "week " << r.week << ": " << r.why;
    EXPECT_NEAR(w.RD, r.rd, 1e-5) << "week " << r.week << ": " << r.why;
    EXPECT_NEAR(w.RF1, r.rf1, 1e-6) << "week " << r.week << ": " << r.why;
    EXPECT_EQ(w.NUPTi, 0) << "week " << r.week;
    EXPECT_EQ(w.NFIX, 0) << "week " << r.week;
  }
}

TEST(CropNitrogenDemand, SpreadOverTheWeeksByTranspiration) {
  auto ws = Rotation();
  Scenario& s = ws->scenario;
  s.MWU = 0.5f;
  CropCover(*ws);
  // The modelled water uptake meets the demand except in week 9 (a quarter:
  // growth halved) and week 10 (exactly MWU: no reduction).
  for (int r = 1; r <= 20; ++r) ws->weeks[r].UPT1 = ws->weeks[r].UPTi;
  AtWeek(*ws, 9).UPT1 = 0.25f * AtWeek(*ws, 9).UPTi; // exact in float
  AtWeek(*ws, 10).UPT1 = 0.25f * AtWeek(*ws, 10).UPTi;
  AtWeek(*ws, 10).UPT2 = 0.25f * AtWeek(*ws, 10).UPTi;
  // A: weights 12 x g over weeks 3..16, g = 0, .25, .5, .75, 1 (x6), .875,
  //    .75, .625, .5: sum 123, less 6 for the halved week 9: S = 117.
  //    Nupt 117 gives k = 1; half of it fixed.
  // B: weights 0 in week 14, then 9 in weeks 15..20: S = 54; Nupt 27 gives
  //    k = 0.5; its fixation exceeds the uptake, so all of it is fixed.
  s.Crops[1].work.Nupt = 117, s.Crops[1].NFIXi = 58.5f;
  s.Crops[2].work.Nupt = 27, s.Crops[2].NFIXi = 100;
  s.Crops[3].work.Nupt = s.Crops[4].work.Nupt = 500; // partly outside the run: must not appear
  CropNitrogenDemand(*ws);

  // Week, NUPTi, NFIX; weeks 15 and 16 hold both crops.
  const double rows[][3] = {{2, 0, 0},      {3, 0, 0},        {4, 3, 1.5},  {7, 12, 6},     {9, 6, 3},
                            {10, 12, 6},    {13, 10.5, 5.25}, {14, 9, 4.5}, {15, 12, 8.25}, {16, 10.5, 7.5},
                            {17, 4.5, 4.5}, {20, 4.5, 4.5},   {21, 0, 0}};
  for (const auto& r : rows) {
    EXPECT_NEAR(AtWeek(*ws, static_cast<int>(r[0])).NUPTi, r[1], 1e-5) << "week " << r[0];
    EXPECT_NEAR(AtWeek(*ws, static_cast<int>(r[0])).NFIX, r[2], 1e-5) << "week " << r[0];
  }
  double total = 0;
  for (int r = 1; r <= 20; ++r) total += ws->weeks[r].NUPTi;
  EXPECT_NEAR(total, 117 + 27, 1e-4) << "each crop takes up exactly its Nupt";
}
