#include <gtest/gtest.h>

#include <stdexcept>
#include <tuple>

#include "Workspace.h"
#include "model/Crops.h"
#include "model/Processes.h"

using namespace kelmar;
using namespace kelmar::model;

namespace {

// Run weeks 2..20 of year 1 (records 1..20, absolute week = record + 1),
// ET0 10 mm every week, bare soil factor 0.5, topsoil 30 cm. Crops as
// sown, full cover, ripe, harvest, ETMAX, roots (cm):
//   A: 3, 7, 12, 16, 1.2, 80
//   B: 14, 15, 20, 20 (the last run week), 0.9, 20
//   C: sown in week 1, before the run: no demand
//   D: harvested in week 21, after the run: no demand
std::unique_ptr<Workspace> Rotation() {
  auto ws = MakeWorkspace();
  Scenario& s = ws->scenario;
  s.ETbare = 0.5f, s.Soil[0].THL = 30, s.Weeks = 19, s.CropCount = 0;
  ws->run.RunStart = 2, ws->run.RunEnd = 20;
  const std::tuple<int, int, int, int, float, float> crops[] = {
      {3, 7, 12, 16, 1.2f, 80}, {14, 15, 20, 20, 0.9f, 20}, {1, 1, 10, 10, 2, 100}, {18, 18, 21, 21, 2, 100}};
  for (auto [sow, fcov, ripe, harv, etmax, rdepth] : crops) {
    Crop& c = s.Crops[++s.CropCount] = Crop{};
    c.YEAR = 1, c.WEEK1 = sow, c.WEEK2 = fcov, c.WEEK3 = ripe, c.WEEK4 = harv, c.ETMAX = etmax,
    c.RDepth = rdepth;
  }
  for (int r = 1; r <= 20; ++r) ws->weeks[r].ET0 = 10;
  return ws;
}

} // namespace

TEST(CropWork, DryMatterAndNitrogenPerPart) {
  auto ws = MakeWorkspace();
  Scenario& s = ws->scenario;
  s.CropCount = 2;
  Crop& c = s.Crops[1];
  c.PRODi = 40000, c.DMpct = 22, c.DMdistr = {0.6f, 0.25f, 0.15f}, c.Npctdm = {1.5f, 2.0f, 1.2f};
  c.PlantQUANT = 2500, c.PlantDMpct = 25, c.PlantNpctdm = 1.6f;
  Crop& d = s.Crops[2] = c; // without a product share: no total dry matter to divide
  d.DMdistr[kProd] = 0;
  ComputeCropWork(*ws);
  // DMprod = 40000 x 22 x 0.01 = 8800; DMtot = 8800 / 0.6 = 14666.67;
  // Npct = 0.6 x 1.5 + 0.25 x 2 + 0.15 x 1.2 = 1.58; DMplant = 2500 x 25 x
  // 0.01 = 625; Nplant = 625 x 1.6 x 0.01 = 10;
  // Nupt = 14666.67 x 1.58 x 0.01 - 10 = 221.7333.
  // Without a product share: DMtot 0, Npct = 0.5 + 0.18, Nupt = -Nplant.
  using W = CropWork;
  const std::tuple<float W::*, double, double> rows[] = {
      {&W::DMprod, 8800, 8800}, {&W::DMtot, 14666.667, 0}, {&W::DMresi, 3666.6667, 0}, {&W::DMroot, 2200, 0},
      {&W::Nprod, 132, 132},    {&W::Nresi, 73.333333, 0}, {&W::Nroot, 26.4, 0},       {&W::Npct, 1.58, 0.68},
      {&W::DMplant, 625, 625},  {&W::Nplant, 10, 10},      {&W::Nupt, 221.73333, -10}};
  for (size_t i = 0; i < std::size(rows); ++i) {
    const auto [field, crop1, crop2] = rows[i];
    EXPECT_NEAR(c.work.*field, crop1, std::abs(crop1) * 1e-6 + 1e-6) << "row " << i;
    EXPECT_NEAR(d.work.*field, crop2, std::abs(crop2) * 1e-6 + 1e-6) << "row " << i << ", no product";
  }
  s.CropCount = 41;
  EXPECT_THROW(ComputeCropWork(*ws), std::logic_error) << "beyond the crop records";
}

// The fractions of cover and rooting over a crop's weeks are checked through
// the rotation below.
TEST(CropDevelopment, FullCoverAtSowingAndWeeksOfLaterYears) {
  const CropWeeks instant{10, 10, 12, 14}; // no rise to divide
  EXPECT_TRUE(DevelopmentFraction(instant, 10) == 1 && DevelopmentFraction(instant, 14) == 0.5);
  // All four weeks count from the crop's year; above 52 is a later year.
  Crop late;
  late.YEAR = 2, late.WEEK1 = 40, late.WEEK2 = 45, late.WEEK3 = 60, late.WEEK4 = 64;
  const CropWeeks a = AbsCropWeeks(late);
  EXPECT_TRUE(a.sow == 92 && a.fcov == 97 && a.ripe == 112 && a.harv == 116);
}

TEST(Crops, CoverAndNitrogenDemandOfARotation) {
  auto ws = Rotation();
  Scenario& s = ws->scenario;
  s.MWU = 0.5f;
  for (int r = 0; r <= 21; ++r) ws->weeks[r].NUPTi = ws->weeks[r].NFIX = 99; // an earlier run's results
  CropCover(*ws);
  // The modelled water uptake meets the demand except in week 9 (a quarter:
  // growth halved) and week 10 (exactly MWU: no reduction).
  for (int r = 1; r <= 20; ++r) ws->weeks[r].UPT1 = ws->weeks[r].UPTi;
  ws->weeks[8].UPT1 = 0.25f * ws->weeks[8].UPTi; // exact in float
  ws->weeks[9].UPT1 = ws->weeks[9].UPT2 = 0.25f * ws->weeks[9].UPTi;
  // A: weights 12 x g over weeks 3..16, g = 0, .25, .5, .75, 1 (x6), .875,
  //    .75, .625, .5: sum 123, less 6 for the halved week 9: S = 117.
  //    Nupt 117 gives k = 1; half of it fixed.
  // B: weights 0 in week 14, then 9 in weeks 15..20: S = 54; Nupt 27 gives
  //    k = 0.5; its fixation exceeds the uptake, so all of it is fixed.
  s.Crops[1].work.Nupt = 117, s.Crops[1].NFIXi = 58.5f;
  s.Crops[2].work.Nupt = 27, s.Crops[2].NFIXi = 100;
  s.Crops[3].work.Nupt = s.Crops[4].work.Nupt = 500; // partly outside the run: must not appear
  CropNitrogenDemand(*ws);

  // Week, cover, RD, RF1; RF1 = 1 - ((RD - 30) / RD)^2 once the roots pass
  // the topsoil. Week 2: bare soil (C was sown before the run); 3: A sown,
  // its cover 0 does not lower the bare-soil factor; 5: A halfway, 0.5 x 1.2,
  // roots 40 cm; 7: A at full cover; 14: A declining (0.75 x 1.2), B sown;
  // 16: A harvested at 0.6 under B at 0.9; 17: B alone, roots within the
  // topsoil; 18: D ends after the run and takes no part; 20: B harvested in
  // the last run week, its ripening week; 21: record Weeks + 1 is bare.
  const double covers[][4] = {{2, 0.5, 0, 1},          {3, 0.5, 0, 1},          {5, 0.6, 40, 0.9375},
                              {7, 1.2, 80, 0.609375},  {12, 1.2, 80, 0.609375}, {14, 0.9, 80, 0.609375},
                              {16, 0.9, 80, 0.609375}, {17, 0.9, 20, 1},        {18, 0.9, 20, 1},
                              {20, 0.9, 20, 1},        {21, 0.5, 0, 1}};
  for (const auto& [week, cover, rd, rf1] : covers) {
    const WeekRecord& w = ws->weeks[static_cast<int>(week) - 1];
    EXPECT_NEAR(w.Cover, cover, 1e-6) << "week " << week;
    EXPECT_NEAR(w.UPTi, cover * 10, 1e-5) << "week " << week;
    EXPECT_NEAR(w.RD, rd, 1e-5) << "week " << week;
    EXPECT_NEAR(w.RF1, rf1, 1e-6) << "week " << week;
  }
  // Week, NUPTi, NFIX; weeks 15 and 16 hold both crops.
  const double demand[][3] = {{2, 0, 0},      {3, 0, 0},        {4, 3, 1.5},  {7, 12, 6},     {9, 6, 3},
                              {10, 12, 6},    {13, 10.5, 5.25}, {14, 9, 4.5}, {15, 12, 8.25}, {16, 10.5, 7.5},
                              {17, 4.5, 4.5}, {20, 4.5, 4.5},   {21, 0, 0}};
  for (const auto& [week, nupti, nfix] : demand) {
    EXPECT_NEAR(ws->weeks[static_cast<int>(week) - 1].NUPTi, nupti, 1e-5) << "week " << week;
    EXPECT_NEAR(ws->weeks[static_cast<int>(week) - 1].NFIX, nfix, 1e-5) << "week " << week;
  }
  double total = 0;
  for (int r = 1; r <= 20; ++r) total += ws->weeks[r].NUPTi;
  EXPECT_NEAR(total, 117 + 27, 1e-4) << "each crop takes up exactly its Nupt";
}
