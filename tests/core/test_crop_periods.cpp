#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "Workspace.h"
#include "model/Processes.h"
#include "model/Weeks.h"

using namespace kelmar;
using namespace kelmar::model;

namespace {

// A run of `weeks` weeks from week `week` of year 1 whose records carry simple
// patterns: constant weekly flows, cumulative columns growing linearly
// (and cNout quadratically) with the record index.
std::unique_ptr<Workspace> Window(int week, int weeks) {
  auto ws = MakeWorkspace();
  ws->scenario.Weeks = weeks, ws->scenario.CropCount = 0;
  ws->run.RunStart = week, ws->run.RunEnd = week + weeks - 1;
  using W = WeekRecord; // cumulative columns: a different multiple of the record index each
  const float step[] = {10, 2, 3, 1, 2, 3, 4, 5, 6, 21, 0.5f};
  float W::*const cumulative[] = {&W::cAvail, &W::cNUPTi, &W::cNUPTm, &W::APPL, &W::CULT, &W::IOM,
                                  &W::FERT,   &W::RESI,   &W::GRMA,   &W::SNM1, &W::SNM2};
  for (int r = 0; r <= weeks + 1; ++r) {
    WeekRecord& w = ws->weeks[r];
    const float f = static_cast<float>(r);
    w.Rain = 2, w.Irr = r % 2 == 0 ? 1.0f : 0.0f, w.UPTi = 3, w.UPTm = 2.5f, w.FOUT2 = f;
    w.NFIX = 0.5f, w.Den1 = 0.25f, w.Den2 = 0.125f, w.cNout = f * f;
    for (int k = 0; k < 11; ++k) w.*cumulative[k] = step[k] * f;
  }
  return ws;
}

void AddCrop(Scenario& s, const char* name, int year, int sow, int harvest) {
  Crop& c = s.Crops[++s.CropCount] = Crop{};
  c.Name = name, c.YEAR = year, c.WEEK1 = sow, c.WEEK4 = harvest;
}

// The period rows as "name first..last, ...", names without their padding.
std::string Describe(const Workspace& ws) {
  std::string out;
  for (int i = 1; i <= ws.run.PeriodCount; ++i) {
    const CropPeriodRow& p = ws.run.Periods[i];
    const std::string name = p.Name.str();
    out += (i > 1 ? ", " : "") + name.substr(0, name.find_last_not_of(' ') + 1) + " " +
           std::to_string(p.Week) + ".." + std::to_string(p.LastWeek);
  }
  return out;
}

} // namespace

TEST(CropPeriods, PeriodsFollowTheSortedCrops) {
  // First run week of year 1; crops as name, year, sow, harvest; the periods without the TOTAL row.
  using Crops = std::vector<std::tuple<const char*, int, int, int>>;
  const std::tuple<int, Crops, const char*> cases[] = {
      {1, {}, "bare 1..30"},
      {1, {{"wheat", 1, 3, 6}}, "bare 1..2, wheat 3..6, bare 7..30"},
      // rye, sown under wheat, is harvested in the one week wheat leaves
      {1, {{"wheat", 1, 3, 10}, {"rye", 1, 5, 11}}, "bare 1..2, wheat 3..10, rye 11..11, bare 12..30"},
      {1, {{"beet", 1, 20, 40}}, "bare 1..19, beet 20..30"}, // harvest after the run
      // clover ends inside wheat and has no period
      {1,
       {{"wheat", 1, 3, 20}, {"clover", 1, 5, 10}, {"mustard", 1, 25, 28}},
       "bare 1..2, wheat 3..20, bare 21..24, mustard 25..28, bare 29..30"},
      {1, {{"beet", 1, 20, 40}, {"grass", 1, 25, 45}}, "bare 1..19, beet 20..30"}, // after one to the end
      {10, {{"wheat", 1, 5, 12}}, "wheat 1..3, bare 4..30"},                       // sown before the run
      {10, {{"wheat", 1, 2, 9}}, "bare 1..30"},                                    // harvested before the run
      {1, {{"wheat", 1, 31, 40}}, "bare 1..30"},                                   // sown after the run
      {1, {{"wheat", 1, 30, 40}}, "bare 1..29, wheat 30..30"},               // sown in the last run week
      {1, {{"wheat", 1, 1, 30}}, "wheat 1..30"},                             // the whole run
      {40, {{"wheat", 2, 5, 10}}, "bare 1..17, wheat 18..23, bare 24..30"}}; // next year's weeks
  for (const auto& [startWeek, crops, expected] : cases) {
    auto ws = Window(startWeek, 30);
    for (auto [name, year, sow, harvest] : crops) AddCrop(ws->scenario, name, year, sow, harvest);
    CropPeriods(*ws);
    EXPECT_EQ(Describe(*ws), std::string(expected) + ", TOTAL 31..30") << "run from week " << startWeek;
  }
}

TEST(CropPeriods, SumsAndDifferencesOfOneRow) {
  auto ws = Window(1, 30);
  AddCrop(ws->scenario, "potatoes", 1, 3, 6);
  CropPeriods(*ws);
  EXPECT_EQ(ws->run.Periods[1].Name.view(), "bare                ");
  const CropPeriodRow& p = ws->run.Periods[2];
  ASSERT_EQ(p.Name.view(), "potatoes");
  // Weeks 3..6: irrigation in weeks 4 and 6; FOUT2 3 + 4 + 5 + 6; the
  // cumulative columns are differences between records 6 and 2.
  const std::pair<float, float> rows[] = {
      {p.Avail, 10}, {p.UPTi, 12},   {p.UPTm, 10},   {p.OUT, 18},  {p.AVG, 4.5f}, {p.NAvail, 40},
      {p.Fix, 2},    {p.NUPTi, 8},   {p.NUPTm, 12},  {p.Den, 1},   {p.NOUT, 32},  {p.NAVG, 8},
      {p.APPL, 4},   {p.CULT, 8},    {p.IOM, 12},    {p.FERT, 16}, {p.RESI, 20},  {p.GRMA, 24},
      {p.SNM, 84},   {p.SNMAVG, 21}, {p.Den2, 0.5f}, {p.SNM2, 2}};
  for (size_t i = 0; i < std::size(rows); ++i) EXPECT_FLOAT_EQ(rows[i].first, rows[i].second) << "row " << i;

  // The whole run, from the initial record 0 to week 30.
  const CropPeriodRow& t = ws->run.Periods[ws->run.PeriodCount];
  EXPECT_EQ(t.Name.view(), "TOTAL               ");
  EXPECT_TRUE(t.NAvail == 300 && t.NOUT == 900 && t.NAVG == 30 && t.OUT == 465 && t.Avail == 75);
}

TEST(CropPeriods, FortyCropsWithGapsFillTheTable) {
  auto ws = Window(1, 200);
  for (int k = 1; k <= kMaxCrops; ++k) AddCrop(ws->scenario, "catch crop", 1, 2 * k, 2 * k);
  CropPeriods(*ws);
  ASSERT_EQ(ws->run.PeriodCount, kPeriodRows);
  EXPECT_TRUE(Describe(*ws).ends_with(", catch crop 80..80, bare 81..200, TOTAL 201..200")) << Describe(*ws);
  // A shorter run afterwards uses fewer rows.
  ws->scenario.CropCount = 0;
  CropPeriods(*ws);
  EXPECT_EQ(Describe(*ws), "bare 1..200, TOTAL 201..200");
}
