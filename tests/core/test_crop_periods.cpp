#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Workspace.h"
#include "model/Processes.h"
#include "model/Weeks.h"

using namespace kelmar;
using namespace kelmar::model;

namespace {

// A run of `weeks` weeks from (year, week) whose records carry simple
// patterns: constant weekly flows, cumulative columns growing linearly
// (and cNout quadratically) with the record index.
std::unique_ptr<Workspace> Window(int year, int week, int weeks) {
  auto ws = MakeWorkspace();
  Scenario& s = ws->scenario;
  s.Year = year;
  s.Week = week;
  s.Weeks = weeks;
  s.CropCount = 0;
  ws->run.RunStart = AbsWeek(year, week);
  ws->run.RunEnd = ws->run.RunStart + weeks - 1;
  for (int r = 0; r <= weeks + 1; ++r) {
    WeekRecord& w = ws->weeks[r];
    const float f = static_cast<float>(r);
    w.Rain = 2;
    w.Irr = r % 2 == 0 ? 1.0f : 0.0f;
    w.UPTi = 3;
    w.UPTm = 2.5f;
    w.FOUT2 = f;
    w.NFIX = 0.5f;
    w.Den1 = 0.25f;
    w.Den2 = 0.125f;
    w.cNout = f * f;
    // Cumulative columns: a different multiple of the record index each.
    const float step[] = {10, 2, 3, 1, 2, 3, 4, 5, 6, 21, 0.5f};
    float WeekRecord::*const cumulative[] = {&WeekRecord::cAvail, &WeekRecord::cNUPTi, &WeekRecord::cNUPTm,
                                             &WeekRecord::APPL,   &WeekRecord::CULT,   &WeekRecord::IOM,
                                             &WeekRecord::FERT,   &WeekRecord::RESI,   &WeekRecord::GRMA,
                                             &WeekRecord::SNM1,   &WeekRecord::SNM2};
    for (int k = 0; k < 11; ++k) w.*cumulative[k] = step[k] * f;
  }
  return ws;
}

void AddCrop(Scenario& s, const char* name, int year, int sow, int harvest) {
  Crop& c = s.Crops[++s.CropCount];
  c = Crop{};
  c.Name = name;
  c.YEAR = year;
  c.WEEK1 = sow;
  c.WEEK4 = harvest;
}

struct Period {
  std::string name;
  int first, last;
};

std::vector<Period> Rows(const Workspace& ws) {
  std::vector<Period> rows;
  for (int i = 1; i <= ws.run.PeriodCount; ++i) {
    const CropPeriodRow& p = ws.run.Periods[i];
    rows.push_back({p.Name.str(), p.Week, p.LastWeek});
  }
  return rows;
}

std::string Describe(const std::vector<Period>& rows) {
  std::string out;
  for (const Period& p : rows)
    out += "[" + p.name + " " + std::to_string(p.first) + ".." + std::to_string(p.last) + "] ";
  return out;
}

const std::string kBare = "bare                ";
const std::string kTotal = "TOTAL               ";

} // namespace

TEST(CropPeriods, PeriodsFollowTheSortedCrops) {
  struct Crop3 {
    const char* name;
    int year, sow, harvest;
  };
  struct Case {
    const char* what;
    int startWeek;
    std::vector<Crop3> crops;
    std::vector<Period> expected; // without the TOTAL row
  };
  const std::vector<Case> cases = {
      {"no crops", 1, {}, {{kBare, 1, 30}}},
      {"one crop", 1, {{"wheat", 1, 3, 6}}, {{kBare, 1, 2}, {"wheat", 3, 6}, {kBare, 7, 30}}},
      {"overlapping crops",
       1,
       {{"wheat", 1, 3, 10}, {"rye", 1, 8, 15}},
       {{kBare, 1, 2}, {"wheat", 3, 10}, {"rye", 11, 15}, {kBare, 16, 30}}},
      {"harvest after the run", 1, {{"beet", 1, 20, 40}}, {{kBare, 1, 19}, {"beet", 20, 30}}},
      {"crop ending before the period",
       1,
       {{"wheat", 1, 3, 20}, {"clover", 1, 5, 10}, {"mustard", 1, 25, 28}},
       {{kBare, 1, 2}, {"wheat", 3, 20}, {kBare, 21, 24}, {"mustard", 25, 28}, {kBare, 29, 30}}},
      {"overlapping crop after one that runs to the end",
       1,
       {{"beet", 1, 20, 40}, {"grass", 1, 25, 45}},
       {{kBare, 1, 19}, {"beet", 20, 30}}},
      {"sown before the run", 10, {{"wheat", 1, 5, 12}}, {{"wheat", 1, 3}, {kBare, 4, 30}}},
      {"harvested before the run", 10, {{"wheat", 1, 2, 9}}, {{kBare, 1, 30}}},
      {"sown after the run", 1, {{"wheat", 1, 31, 40}}, {{kBare, 1, 30}}},
      {"sown in the last run week", 1, {{"wheat", 1, 30, 40}}, {{kBare, 1, 29}, {"wheat", 30, 30}}},
      {"the whole run", 1, {{"wheat", 1, 1, 30}}, {{"wheat", 1, 30}}},
      {"next year's weeks", 40, {{"wheat", 2, 5, 10}}, {{kBare, 1, 17}, {"wheat", 18, 23}, {kBare, 24, 30}}}};
  for (const Case& c : cases) {
    auto ws = Window(1, c.startWeek, 30);
    for (const Crop3& crop : c.crops) AddCrop(ws->scenario, crop.name, crop.year, crop.sow, crop.harvest);
    CropPeriods(*ws);
    std::vector<Period> expected = c.expected;
    expected.push_back({kTotal, 31, 30});
    const std::vector<Period> got = Rows(*ws);
    EXPECT_EQ(Describe(got), Describe(expected)) << c.what;
  }
}

TEST(CropPeriods, SumsAndDifferencesOfOneRow) {
  auto ws = Window(1, 1, 30);
  AddCrop(ws->scenario, "potatoes", 1, 3, 6);
  CropPeriods(*ws);
  const CropPeriodRow& p = ws->run.Periods[2];
  ASSERT_EQ(p.Name.view(), "potatoes");
  struct Row {
    const char* name;
    float got, expected;
  };
  // Weeks 3..6: irrigation in weeks 4 and 6; FOUT2 3 + 4 + 5 + 6; the
  // cumulative columns are differences between records 6 and 2.
  const Row rows[] = {
      {"Avail", p.Avail, 10}, {"UPTi", p.UPTi, 12},     {"UPTm", p.UPTm, 10}, {"OUT", p.OUT, 18},
      {"AVG", p.AVG, 4.5f},   {"NAvail", p.NAvail, 40}, {"Fix", p.Fix, 2},    {"NUPTi", p.NUPTi, 8},
      {"NUPTm", p.NUPTm, 12}, {"Den", p.Den, 1},        {"NOUT", p.NOUT, 32}, {"NAVG", p.NAVG, 8},
      {"APPL", p.APPL, 4},    {"CULT", p.CULT, 8},      {"IOM", p.IOM, 12},   {"FERT", p.FERT, 16},
      {"RESI", p.RESI, 20},   {"GRMA", p.GRMA, 24},     {"SNM", p.SNM, 84},   {"SNMAVG", p.SNMAVG, 21},
      {"Den2", p.Den2, 0.5f}, {"SNM2", p.SNM2, 2}};
  for (const Row& row : rows) EXPECT_FLOAT_EQ(row.got, row.expected) << row.name;

  // The whole run, from the initial record 0 to week 30.
  const CropPeriodRow& t = ws->run.Periods[ws->run.PeriodCount];
  EXPECT_EQ(t.Name.view(), kTotal);
  EXPECT_EQ(t.Week, 31) << "after the run, the index of the end-state record";
  EXPECT_EQ(t.LastWeek, 30);
  EXPECT_TRUE(t.NAvail == 300 && t.NOUT == 900 && t.NAVG == 30 && t.OUT == 465 && t.Avail == 75);
}

TEST(CropPeriods, FortyCropsWithGapsFillTheTable) {
  auto ws = Window(1, 1, 200);
  for (int k = 1; k <= kMaxCrops; ++k) AddCrop(ws->scenario, "catch crop", 1, 2 * k, 2 * k);
  CropPeriods(*ws);
  ASSERT_EQ(ws->run.PeriodCount, kPeriodRows);
  EXPECT_EQ(ws->run.Periods[kPeriodRows - 2].Name.view(), "catch crop");
  EXPECT_EQ(ws->run.Periods[kPeriodRows - 1].Week, 81);
  EXPECT_EQ(ws->run.Periods[kPeriodRows - 1].LastWeek, 200);
  EXPECT_EQ(ws->run.Periods[kPeriodRows].Week, 201);

  // A shorter run afterwards uses fewer rows.
  ws->scenario.CropCount = 0;
  CropPeriods(*ws);
  EXPECT_EQ(ws->run.PeriodCount, 2);
}
