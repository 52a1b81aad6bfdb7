#include <gtest/gtest.h>

#include <vector>

#include "Workspace.h"
#include "optim/Histogram.h"
#include "optim/SumFile.h"
#include "report/Summary.h"

using namespace kelmar;

TEST(Histogram, ClassLimitsAndTheCountingRule) {
  struct Row {
    double value;
    int cls; // -1: not counted
  } rows[] = {
      {-5, 0},             // below the range: class 0
      {0, 0},      {1, 0}, // a value on a limit belongs to the class below it
      {1.0001, 1}, {5.5, 5}, {9, 8}, {9.5, 9}, {10, 9}, {10.5, -1}, // above the range: left out
  };
  for (const Row& r : rows) {
    std::vector<double> v{r.value};
    Histogram h = CountClasses(0, 1, 10, v);
    EXPECT_EQ(h.total(), r.cls < 0 ? 0 : 1) << r.value;
    if (r.cls >= 0) {
      EXPECT_EQ(h.Count[r.cls], 1) << r.value;
    }
  }
  Histogram h = CountClasses(2, 0.5f, 7, std::vector<double>{});
  EXPECT_FLOAT_EQ(h.Edge[0], 2.5f);
  EXPECT_FLOAT_EQ(h.Edge[9], 7.0f);
  EXPECT_EQ(h.points()[0], (std::pair<float, float>{2.25f, 0.0f}));
  EXPECT_EQ(h.bar(3), (std::pair<float, float>{3.5f, 4.0f}));
}

TEST(Histogram, ParameterAtItsUpperRangeAlwaysCounts) {
  // Ten widths added in single precision often end just below the upper
  // range; sets lying on it must still fill class 9.
  int shortfalls = 0;
  for (int i = 1; i <= 300; ++i) {
    float lower = 0.013f * i, upper = lower + 0.37f * i;
    std::vector<double> v(20, upper);
    Histogram h = ParameterHistogram("p", lower, upper, v);
    if (h.Edge[9] < upper) ++shortfalls;
    EXPECT_EQ(h.Count[9], 20) << lower << ".." << upper;
    EXPECT_EQ(h.total(), 20);
  }
  EXPECT_GT(shortfalls, 0) << "the case the rule exists for must occur here";
}

TEST(Histogram, SummaryColumn) {
  auto ws = MakeWorkspace();
  std::string text = SummaryHeaderLines(*ws);
  const float navg[5] = {1.2f, 3.4f, 2.0f, 3.4f, 1.2f};
  for (float x : navg) {
    SummaryValues v{};
    v[33] = x;
    v[0] = 300;
    text += SummaryDataLine(*ws, v) + "\r\n";
  }
  ItemSelection sel{};
  sel[0] = sel[33] = true;
  SumGrid g = BuildSumGrid(ReadSumText(text, "s.sum"), sel);
  Histogram h = SummaryHistogram(g, 7);
  EXPECT_EQ(h.title, "NAVG");
  EXPECT_FLOAT_EQ(h.low, 1.2f);
  EXPECT_FLOAT_EQ(h.w, 0.22f);
  EXPECT_EQ(h.Count[0], 2);
  EXPECT_EQ(h.Count[3], 1);
  EXPECT_EQ(h.Count[9], 2);
  EXPECT_EQ(h.total(), 5);
  // All values equal: width 0, everything in class 0.
  Histogram flat = SummaryHistogram(g, 6);
  EXPECT_EQ(flat.w, 0.0f);
  EXPECT_EQ(flat.Count[0], 5);

  try {
    SummaryHistogram(g, 5);
    FAIL();
  } catch (const Refusal& e) {
    EXPECT_STREQ(e.what(), "Cursor must be in column 6 or higher for showing a histogram !");
  }
  SumGrid one =
      BuildSumGrid(ReadSumText(SummaryHeaderLines(*ws) + SummaryDataLine(*ws, {}) + "\r\n", "s"), sel);
  try {
    SummaryHistogram(one, 6);
    FAIL();
  } catch (const Refusal& e) {
    EXPECT_STREQ(e.what(), "There must be more than one summary record for showing a histogram !");
  }
}
