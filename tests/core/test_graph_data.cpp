// What the graphs take from the week records: which weeks, which values,
// which measured values give no point, and the names along the top.
#include <gtest/gtest.h>

#include <cmath>

#include "Workspace.h"
#include "report/GraphData.h"

using namespace kelmar;

namespace {

class GraphDataTest : public ::testing::Test {
protected:
  void SetUp() override {
    ws = MakeWorkspace();
    ws->scenario.Year = 1;
    ws->scenario.Week = 1;
    ws->scenario.Weeks = 10;
    ws->run.RunStart = 1;
    for (int w = 0; w < 522; ++w) {
      WeekRecord& r = ws->weeks[w];
      r.N1 = 10.0f * w;
      r.N2 = 1.0f * w;
      r.OMt1 = 5800;
      r.Nt1 = 100;
    }
  }
  GraphData Fill(int kind, int from = 1, int till = 520, GraphFillOptions opt = {}) {
    GraphData d;
    FillGraphData(*ws, kind, DefaultGraphSetup(kind), from, till, opt, d);
    return d;
  }
  std::unique_ptr<Workspace> ws;
};

} // namespace

TEST_F(GraphDataTest, RangeIsClampedToTheRunAndHasTwoWeeksAtLeast) {
  struct Case {
    int from, till, first, last;
  };
  for (Case c : {Case{1, 520, 1, 10}, Case{3, 5, 3, 5}, Case{4, 4, 4, 5}, Case{10, 10, 10, 11},
                 Case{12, 520, 12, 13}, Case{-5, 3, 1, 3}}) {
    SCOPED_TRACE(::testing::Message() << c.from << "-" << c.till);
    GraphData d = Fill(9, c.from, c.till);
    EXPECT_EQ(d.firstWeek, c.first);
    EXPECT_EQ(d.lastWeek, c.last);
    ASSERT_EQ(d.series[0].count, c.last - c.first + 1);
    EXPECT_EQ(d.series[0].points[0].x, c.first);
    EXPECT_EQ(d.series[0].points[0].y, 10.0f * c.first);
  }
}

TEST_F(GraphDataTest, MeasuredValuesGivePointsOnlyWhenPositive) {
  ws->weeks[2].Ni1 = 30;
  ws->weeks[3].Ni1 = -1;
  ws->weeks[5].Ni2 = 7;
  ws->weeks[4].OMi = 5000; // no ONi: no measured C/N point
  ws->weeks[6].OMi = 5800;
  ws->weeks[6].ONi = 58;
  ws->weeks[7].Nt1 = 0; // modelled C/N 0
  GraphData d9 = Fill(9);
  ASSERT_EQ(d9.series[1].count, 1);
  EXPECT_EQ(d9.series[1].points[0].x, 2);
  ASSERT_EQ(d9.series[3].count, 1);
  EXPECT_EQ(d9.series[3].points[0].y, 7);
  GraphData d6 = Fill(6);
  EXPECT_EQ(d6.series[2].count, 10);
  EXPECT_FLOAT_EQ(d6.series[2].points[0].y, 0.58f * 58);
  EXPECT_EQ(d6.series[2].points[6].y, 0);
  ASSERT_EQ(d6.series[3].count, 1);
  EXPECT_FLOAT_EQ(d6.series[3].points[0].y, 0.58f * 100);
  GraphData d5 = Fill(5);
  EXPECT_EQ(d5.series[1].count, 2);
  // Scatter: (Ni1, N1) and (Ni2, N2) where measured.
  GraphData d10 = Fill(10);
  ASSERT_EQ(d10.series[0].count, 1);
  EXPECT_EQ(d10.series[0].points[0].x, 30);
  EXPECT_EQ(d10.series[0].points[0].y, 20);
  EXPECT_EQ(d10.series[2].count, 1);
  EXPECT_EQ(d10.series[1].count + d10.series[3].count, 0);
}

TEST_F(GraphDataTest, SumsOfFields) {
  ws->weeks[1].Rain = 10;
  ws->weeks[1].Irr = 2.5f;
  ws->weeks[1].Den1 = 1;
  ws->weeks[1].Den2 = 0.5f;
  ws->weeks[1].RESI = 3;
  ws->weeks[1].GRMA = 4;
  EXPECT_EQ(Fill(2).series[2].points[0].y, 12.5f);
  EXPECT_EQ(Fill(3).series[2].points[0].y, 12.5f);
  EXPECT_EQ(Fill(8).series[3].points[0].y, 1.5f);
  EXPECT_EQ(Fill(7).series[2].points[0].y, 7);
  EXPECT_EQ(Fill(2).series[1].count, 0); // inactive series get no points
}

TEST_F(GraphDataTest, AFailedRunDrawsNoNaN) {
  ws->weeks[4].N1 = std::nanf("");
  ws->weeks[5].N1 = INFINITY;
  ws->weeks[6].OMt1 = std::nanf("");
  GraphData d = Fill(9);
  EXPECT_EQ(d.series[0].count, 8);
  for (int i = 0; i < d.series[0].count; ++i) EXPECT_TRUE(std::isfinite(d.series[0].points[i].y));
  EXPECT_TRUE(std::isfinite(d.series[0].yMax));
  EXPECT_EQ(Fill(6).series[2].count, 9);
}

TEST_F(GraphDataTest, AFullSeriesRefusesMorePoints) {
  GraphSeries s;
  for (int i = 0; i < 520; ++i) ASSERT_TRUE(s.AddPoint(static_cast<float>(i), 1));
  EXPECT_FALSE(s.AddPoint(521, 1));
  EXPECT_EQ(s.count, 520);
  EXPECT_EQ(s.xMax, 519);
}

TEST_F(GraphDataTest, CropBarsNamesAndTitles) {
  Scenario& sc = ws->scenario;
  sc.CropCount = 2;
  sc.Crops[1].Name = "  potatoes ";
  sc.Crops[1].YEAR = 1;
  sc.Crops[1].WEEK1 = 3;
  sc.Crops[1].WEEK4 = 6;
  sc.Crops[2].Name = "wheat";
  sc.Crops[2].YEAR = 2;
  sc.Crops[2].WEEK1 = 1;
  sc.Crops[2].WEEK4 = 2;
  sc.ApplCount = 5;
  sc.Appls[1].ACT = 1; // an initial pool: never a label
  sc.Appls[4] = {"slurry", 1, 1, 4};
  sc.Appls[5] = {"plough", 2, 1, 8};
  sc.Title = "  Sandy soil ";
  sc.ScenarioFile = "/data/SANDY6.DAT";

  GraphData d = Fill(0);
  EXPECT_FALSE(d.cropBarsOn);
  EXPECT_TRUE(d.cropBars.empty());
  ASSERT_EQ(d.labels.size(), 2u);
  EXPECT_EQ(d.labels[0].text, "potatoes");
  EXPECT_EQ(d.labels[1].x, 53);
  ws->options.KelmOpti = kOptCropBars | kOptGraphFileName | kOptGraphTitle;
  d = Fill(0);
  ASSERT_EQ(d.cropBars.size(), 2u);
  EXPECT_EQ(d.cropBars[0].x1, 3);
  EXPECT_EQ(d.cropBars[0].x2, 7);
  EXPECT_EQ(d.title, "Cumulative Nitrogen Balance");
  GraphFillOptions print;
  print.forPrint = true;
  print.labelMode = kLabelApplAct1;
  d = Fill(0, 1, 520, print);
  EXPECT_EQ(d.title, "Cumulative Nitrogen Balance; sandy6.dat; Sandy soil");
  ASSERT_EQ(d.labels.size(), 1u);
  EXPECT_EQ(d.labels[0].text, "slurry");
  print.labelMode = kLabelApplAct2;
  EXPECT_EQ(Fill(0, 1, 520, print).labels[0].text, "plough");
  print.labelMode = kLabelNone;
  EXPECT_TRUE(Fill(0, 1, 520, print).labels.empty());
  // The scatter graph has neither bars nor names.
  d = Fill(10);
  EXPECT_TRUE(d.scatter);
  EXPECT_TRUE(d.cropBars.empty() && d.labels.empty());
}

TEST_F(GraphDataTest, ScatterPointLabelsAreThePlottedWeeks) {
  ws->weeks[2].Ni1 = 30;
  ws->weeks[8].Ni1 = 40;
  ws->weeks[3].Ni2 = 5;
  GraphFillOptions o;
  o.pointLabelMode = kPointLabelTopSoil;
  GraphData d = Fill(10, 1, 5, o);
  ASSERT_EQ(d.pointLabels.size(), 1u);
  EXPECT_EQ(d.pointLabels[0].week, 2);
  o.pointLabelMode = kPointLabelSubSoil;
  d = Fill(10, 1, 520, o);
  ASSERT_EQ(d.pointLabels.size(), 1u);
  EXPECT_EQ(d.pointLabels[0].week, 3);
  EXPECT_EQ(d.bandLow, 10);
  EXPECT_EQ(d.bandHigh, 20);
}
