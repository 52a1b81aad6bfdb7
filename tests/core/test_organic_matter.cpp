#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "Workspace.h"
#include "model/OrganicMatter.h"
#include "model/Processes.h"
#include "model/Weeks.h"

using namespace kelmar;
using namespace kelmar::model;

namespace {

// A run window set as the driver sets it, without crops or applications,
// with the soil factor 1 and a given effective-time factor in every week.
std::unique_ptr<Workspace> Window(int year, int week, int weeks, float factor = 1.0f) {
  auto ws = MakeWorkspace();
  ws->scenario.Weeks = weeks, ws->scenario.CropCount = ws->scenario.ApplCount = 0;
  ws->scenario.ADM = 0.5f, ws->scenario.CNM = 8.3f;
  ws->run.RunStart = AbsWeek(year, week), ws->run.RunEnd = ws->run.RunStart + weeks - 1;
  ws->run.MinSoilFactor = {0, 1, 1};
  for (int r = 1; r <= weeks + 1; ++r) ws->weeks[r].fT_fTheta = ws->weeks[r].fT_fTheta2 = factor;
  return ws;
}

Application& Add(Scenario& s, int act, int yr, int wk, float quant, float dmPct, float omPct, float nPct,
                 float iage, float nminPct = 0) {
  return s.Appls[++s.ApplCount] = {"appl", act, yr, wk, quant, dmPct, omPct, nPct, iage, 0, 0, nminPct};
}

// The decomposition written out independently in double precision, with the
// rate and the N release regrouped (c = 0.58, CNM 8.3 as stored): differences
// from the model are the single-precision storage only.
struct Ref {
  double age, OM, N, dOM, dN, cumN;
};
std::vector<Ref> Reference(double age0, double N0, double OM0, const std::vector<double>& teff) {
  const double ADM = 0.5, CNM = 8.3f;
  std::vector<Ref> t{{age0, OM0, N0, 0, 0, 0}};
  for (double te : teff) {
    const Ref p = t.back();
    const double age = p.age + te / 52, OM = p.OM - p.dOM, N = p.N - p.dN;
    const double dOM = OM * (te / 52) * 2.82 / std::pow(age, 1.6);
    const double dN = dOM * (1 + ADM) * N / OM - dOM * ADM * 0.58 / CNM;
    t.push_back({age, OM, N, dOM, dN, p.cumN + dN});
  }
  return t;
}

// Tolerance for a few weeks of values stored in single precision.
double Tol(double expected, double scale = 0) { return 2e-6 * (std::abs(expected) + scale); }

// Expects the columns OM, N, dOM, dN and cumulative N of records 0..last + 1
// to follow the reference in records 1..last and to be zero elsewhere.
void ExpectTrajectory(const Workspace& ws, const std::vector<Ref>& ref, int last,
                      std::array<float WeekRecord::*, 5> cols, double scale) {
  for (int r = 0; r <= last + 1; ++r) {
    const Ref e = r > 0 && r <= last ? ref[r] : Ref{};
    const double expected[] = {e.OM, e.N, e.dOM, e.dN, e.cumN};
    for (int k = 0; k < 5; ++k)
      EXPECT_NEAR(ws.weeks[r].*cols[k], expected[k], Tol(expected[k], k < 2 ? 0 : scale))
          << "column " << k << ", week " << r;
  }
}

using W = WeekRecord;

} // namespace

TEST(OrganicMatter, SoilFactorsCarbonContentAndAgeClasses) {
  auto ws = Window(1, 1, 10);
  ws->scenario.pH = 4, ws->scenario.Soil[0].Text = 1, ws->scenario.Soil[1].Text = 0.8f;
  InitSoilFactors(*ws);
  EXPECT_TRUE(ws->run.MinSoilFactor[1] == 0.5f && ws->run.MinSoilFactor[2] == 0.4f)
      << "pH 4 halves the rate; the topsoil pH serves both layers";
  ws->scenario.pH = 7;
  InitSoilFactors(*ws);
  EXPECT_EQ(ws->run.MinSoilFactor[1], static_cast<float>(1 / (1 + std::exp(-4.5))));
  for (auto [age, c] :
       {std::pair{0.4, 0.45}, {1.0, 0.45}, {1.5, 0.4825}, {2.0, 0.515}, {3.0, 0.58}, {25.0, 0.58}})
    EXPECT_NEAR(CarbonContentWithAge(age), c, 1e-12) << "age " << age;
  EXPECT_TRUE(AgeClass(6) == kOldPool && AgeClass(std::nextafter(6.0f, 0.0f)) == kYoungPool);
  EXPECT_TRUE(AgeClass(2) == kYoungPool && AgeClass(std::nextafter(2.0f, 0.0f)) == kFreshPool);
}

TEST(OrganicMatter, OneBatchThroughFourWeeksMatchesHandComputation) {
  // Weeks 10..12 of year 1: the initial pool decomposes in run weeks 1..3 and
  // the state week 4, under varying conditions (one week without any).
  auto ws = Window(1, 10, 3);
  const float factor[] = {1.2f, 0.8f, 0.0f, 2.1f};
  std::vector<double> teff;
  for (int r = 1; r <= 4; ++r) ws->weeks[r].fT_fTheta = factor[r - 1], teff.push_back(factor[r - 1] * 0.75);
  ws->weeks[5].fT_fTheta = 99, ws->run.MinSoilFactor[1] = 0.75f; // week 5 is beyond the run: must not be read
  Add(ws->scenario, 3, 1, 30, 2000, 100, 100, 5, 3); // initial OM dated later still starts with the run
  TopsoilOrganicMatter(*ws);
  TopsoilOrganicMatter(*ws); // every column starts from zero again
  ExpectTrajectory(*ws, Reference(3, 100, 2000, teff), 4, {&W::OMt1, &W::Nt1, &W::dOMt1, &W::dNt1, &W::SNM1},
                   1e-3);
  for (int r = 0; r <= 5; ++r)
    EXPECT_EQ(ws->weeks[r].IOM, ws->weeks[r].SNM1) << "the only source, week " << r;
  // Each weekly value is rounded to single precision when stored, and the
  // following formulas read it back as stored: the first two weeks bit for bit.
  double age = 3, om = 2000, n = 100, dom = 0, dn = 0, cum = 0;
  auto stored = [](double x) { return static_cast<double>(static_cast<float>(x)); };
  for (int j = 1; j <= 2; ++j) {
    const double te = stored(factor[j - 1] * 0.75);
    age = stored(age + te / 52), om = stored(om - dom), n = stored(n - dn);
    dom = stored(2.82 * std::pow(age, -1.6) * om * te / 52);
    dn = stored(dom * (1.5 / (om / n) - 0.5 / (double{8.3f} / 0.58))), cum = stored(cum + dn);
    const OMBatchWeek& b = ws->run.Batch[j];
    EXPECT_TRUE(b.teff == te && b.age == age && b.OM == om && b.N == n && b.dOM == dom && b.dN == dn &&
                b.cumN == cum)
        << "week " << j;
  }
}

TEST(OrganicMatter, CarbonContentOptionUsesAgeOfTheWeek) {
  // teff 3.25 adds exactly 1/16 year: a batch of age 1.9375 is 2 in week 1,
  // where the option gives c = 0.515 instead of 0.58.
  for (bool option : {false, true}) {
    auto ws = Window(1, 1, 2, 3.25f);
    ws->options.KelmOpt2 = option ? uint32_t{kOpt2CContentWithAge} : 0u;
    Add(ws->scenario, 1, 1, 1, 1000, 100, 100, 1, 1.9375f);
    TopsoilOrganicMatter(*ws);
    const OMBatchWeek& b = ws->run.Batch[1];
    ASSERT_EQ(b.age, 2.0f);
    const double c = option ? 0.515 : 0.58;
    EXPECT_NEAR(b.dN, b.dOM * (1.5 * b.N / b.OM - 0.5 * c / double{8.3f}), 1e-6 * std::abs(b.dOM))
        << "c " << c;
  }
}

TEST(OrganicMatter, ApplicationsInsideTheRunOnly) {
  auto ws = Window(2, 1, 5); // absolute weeks 53..57
  Scenario& s = ws->scenario;
  Add(s, 1, 2, 5, 10000, 20, 70, 3, 0.8f);  // the last run week: decomposes twice
  Add(s, 1, 1, 52, 10000, 20, 70, 3, 0.8f); // the week before the run
  Add(s, 4, 2, 6, 300, 100, 0, 27, 0, 27);  // the week after the run
  Add(s, 0, 2, 2, 10000, 20, 70, 3, 0.8f);  // no action
  Add(s, 1, 2, 2, 0, 20, 70, 3, 0.8f);      // no quantity
  Add(s, 4, 2, 3, 100, 100, 0, 27, 0);      // fertiliser without organic matter: all mineral
  TopsoilOrganicMatter(*ws);
  for (int r = 0; r <= 6; ++r) {
    const WeekRecord& w = ws->weeks[r];
    EXPECT_TRUE((w.OMt1 != 0) == (r >= 5) && (w.APPL != 0) == (r >= 5)) << "week " << r;
    EXPECT_FLOAT_EQ(w.FERT, r >= 3 ? 27.0f : 0.0f) << "week " << r;
    EXPECT_FLOAT_EQ(w.dNt1 - (r >= 5 ? w.APPL - ws->weeks[r - 1].APPL : 0), r == 3 ? 27.0f : 0.0f) << r;
  }
  EXPECT_FLOAT_EQ(ws->weeks[5].OMt1, 1400);
}

TEST(OrganicMatter, MineralShareAboveTotalNIsStoredBack) {
  auto ws = Window(1, 1, 6);
  Application& a = Add(ws->scenario, 1, 1, 2, 1000, 50, 60, 2, 0.8f, 5);
  TopsoilOrganicMatter(*ws);
  EXPECT_EQ(a.Nminpct, 2.0f);
  // All 10 kg N mineral; the batch keeps the smallest organic N that keeps
  // its OM/N defined, taken from the mineral part.
  const OMBatchWeek* b = ws->run.Batch.data();
  EXPECT_EQ(b[0].N, 0.00001f);
  EXPECT_NEAR(ws->weeks[2].dNt1, 10 - 0.00001 + b[1].dN, 1e-5);
  EXPECT_NEAR(ws->weeks[7].APPL, 10 - 0.00001 + b[6].cumN, 1e-5);
}

TEST(OrganicMatter, CropResiduesEnterTheWeekAfterHarvest) {
  auto ws = Window(1, 1, 20);
  Scenario& s = ws->scenario;
  s.CropCount = 3;
  const int harvest[] = {20, 5, 9}; // the first in the last run week: residues after the run
  for (int i = 1; i <= 3; ++i) {
    Crop& c = s.Crops[i];
    c.YEAR = 1, c.WEEK4 = harvest[i - 1], c.Code = i == 2 ? 6 : 5; // the second a green manure
    c.work = {5000, 3000, 1000, 100, 30, 10};           // dry matter and N of product, residue, roots
    c.Applied = {0, 0.5f}, c.InitAge = {1, 0.6f, 0.7f}; // product removed, half the residue returned
  }
  s.Crops[3].work.Nroot = 0.02f, s.Crops[3].InitAge[kRoot] = 0.1f; // below the minimum N and age
  TopsoilOrganicMatter(*ws);
  EXPECT_EQ(ws->weeks[5].OMt1, 0.0f);
  EXPECT_FLOAT_EQ(ws->weeks[6].OMt1, 0.9 * 3000 * 0.5 + 0.9 * 1000);
  EXPECT_TRUE(ws->weeks[6].GRMA != 0 && ws->weeks[6].RESI == 0);
  EXPECT_TRUE(ws->weeks[9].RESI == 0 && ws->weeks[10].RESI != 0);
  const OMBatchWeek& roots = ws->run.Batch[0]; // the last batch
  EXPECT_TRUE(roots.N == 0.1f && roots.age == 0.4f && roots.OM == 900.0f);
  // Only the crop harvested in the last run week: nothing enters, and what
  // the previous call left behind is gone; the empty pools are kept at 1.
  s.CropCount = 1;
  TopsoilOrganicMatter(*ws);
  for (int r = 0; r <= 21; ++r) EXPECT_EQ(ws->weeks[r].OMt1 + ws->weeks[r].SNM1, 0.0f) << "week " << r;
  for (const EndPool& p : ws->run.EndPools) EXPECT_EQ(p.amount + p.N + p.age, 1.0f);
}

TEST(OrganicMatter, CultivationTurnsOldMatterYoungAndBooksTheNetEffect) {
  auto ws = Window(1, 1, 10, 1.5f);
  Add(ws->scenario, 3, 1, 1, 0, 100, 100, 5, 20);            // Old pool, empty: only its age counts
  Add(ws->scenario, 2, 1, 3, 1000, 100, 100, 2, 0.5f, 0.5f); // cultivation, 5 kg mineral N
  TopsoilOrganicMatter(*ws);
  const auto young = Reference(0.5, 15, 1000, std::vector<double>(9, 1.5));
  const auto old = Reference(20, 15, 1000, std::vector<double>(9, 1.5));
  for (int r = 3; r <= 11; ++r) { // in week 3 the same matter is added and taken away
    const WeekRecord& w = ws->weeks[r];
    const double om = young[r - 2].OM - old[r - 2].OM, cum = young[r - 2].cumN - old[r - 2].cumN + 5;
    EXPECT_NEAR(w.OMt1, om, Tol(om, 1000)) << "week " << r;
    EXPECT_NEAR(w.SNM1, cum, Tol(cum, 20)) << "week " << r;
    EXPECT_EQ(w.CULT, w.SNM1) << "the cultivation column holds the net effect, week " << r;
  }
  // The young matter ends fresh; the old matter it replaces leaves the Old pool.
  const EndPool* pool = ws->run.EndPools.data();
  EXPECT_NEAR(pool[kFreshPool].amount, young[9].OM, Tol(young[9].OM));
  EXPECT_NEAR(pool[kOldPool].amount, -old[9].OM, Tol(old[9].OM));
  EXPECT_NEAR(pool[kOldPool].N, -old[9].N, Tol(old[9].N));
  EXPECT_NEAR(pool[kOldPool].age, old[9].age, Tol(old[9].age));
}

TEST(OrganicMatter, EndPoolsByAgeWithWeightedMeanAge) {
  // Two trajectory weeks of teff 3.25 age a batch by exactly 1/8 year.
  auto ws = Window(1, 1, 1, 3.25f);
  const float start[][2] = {{5.875f, 1000}, {1.875f, 1000}, {2.875f, 3000}, {1.75f, 1000}}; // age, amount
  std::vector<Ref> end;
  for (auto [age, om] : start)
    Add(ws->scenario, 1, 1, 1, om, 100, 100, 2, age),
        end.push_back(Reference(age, om * 0.02, om, {3.25, 3.25})[2]);
  TopsoilOrganicMatter(*ws);
  const EndPool* pool = ws->run.EndPools.data();
  EXPECT_NEAR(pool[kOldPool].amount, end[0].OM, Tol(end[0].OM)) << "aged exactly 6";
  EXPECT_EQ(pool[kOldPool].age, 6.0f);
  const double young = end[1].OM + end[2].OM, meanAge = (2 * end[1].OM + 3 * end[2].OM) / young;
  EXPECT_NEAR(pool[kYoungPool].amount, young, Tol(young)) << "aged exactly 2 and 3";
  EXPECT_NEAR(pool[kYoungPool].N, end[1].N + end[2].N, Tol(end[1].N + end[2].N));
  EXPECT_NEAR(pool[kYoungPool].age, meanAge, Tol(meanAge)) << "weighted by amount";
  EXPECT_NEAR(pool[kFreshPool].amount, end[3].OM, Tol(end[3].OM));
}

TEST(OrganicMatter, SubsoilStockFollowsItsOwnFactorsWithFixedCarbon) {
  auto ws = Window(1, 1, 3);
  Scenario& s = ws->scenario;
  ws->options.KelmOpt2 = kOpt2CContentWithAge; // does not apply to the subsoil
  s.oOM2 = 50000, s.oNc2 = 0.2f, s.oAge2 = 1.5f;
  ws->run.MinSoilFactor[2] = 0.6f;
  const float f2[] = {0.9f, 1.1f, 0.4f, 2.0f};
  std::vector<double> teff;
  for (int r = 1; r <= 4; ++r) // the topsoil factor must not be used
    ws->weeks[r].fT_fTheta = 3, ws->weeks[r].fT_fTheta2 = f2[r - 1], teff.push_back(f2[r - 1] * double{0.6f});
  ws->weeks[1].OMt1 = 7; // the subsoil step leaves the topsoil alone
  SubsoilOrganicMatter(*ws);
  ExpectTrajectory(*ws, Reference(1.5, 100, 50000, teff), 4,
                   {&W::OMt2, &W::Nt2, &W::dOMt2, &W::dNt2, &W::SNM2}, 1);
  EXPECT_EQ(ws->weeks[1].OMt1, 7.0f);
  s.oOM2 = 0.5f, s.oAge2 = 0; // a trace still decomposes, with the minimum amount, N and age
  SubsoilOrganicMatter(*ws);
  EXPECT_TRUE(ws->run.Batch[0].OM == 1.0f && ws->run.Batch[0].N == 0.1f && ws->run.Batch[0].age == 0.4f);
  s.oOM2 = 0;
  SubsoilOrganicMatter(*ws);
  for (int r = 0; r <= 4; ++r) EXPECT_EQ(ws->weeks[r].OMt2 + ws->weeks[r].SNM2, 0.0f) << "week " << r;
}
