#include <gtest/gtest.h>

#include <vector>

#include "Workspace.h"
#include "optim/Histogram.h"
#include "report/SumFile.h"
#include "report/Summary.h"

using namespace kelmar;

TEST(Histogram, ClassLimitsAndTheCountingRule) {
  // Below the range: class 0; on a limit: the class below it; above the range: left out.
  Histogram h = CountClasses(0, 1, 10, std::vector<double>{-5, 0, 1, 1.0001, 5.5, 9, 9.5, 10, 10.5});
  EXPECT_EQ(h.Count, (std::array<int32_t, 10>{3, 1, 0, 0, 0, 1, 0, 0, 1, 2}));
  EXPECT_FLOAT_EQ(h.Edge[9], 10.0f);
  EXPECT_EQ(h.points()[0], (std::pair<float, float>{0.5f, 3.0f}));
  EXPECT_EQ(h.bar(3), (std::pair<float, float>{3.0f, 4.0f}));
}

TEST(Histogram, ParameterAtItsUpperRangeAlwaysCounts) {
  // Ten widths added in single precision often end just below the upper
  // range; sets lying on it must still fill class 9.
  int shortfalls = 0;
  for (int i = 1; i <= 300; ++i) {
    float lower = 0.013f * i, upper = lower + 0.37f * i;
    Histogram h = ParameterHistogram("p", lower, upper, std::vector<double>(20, upper));
    if (h.Edge[9] < upper) ++shortfalls;
    EXPECT_EQ(h.Count[9], 20) << lower << ".." << upper;
  }
  EXPECT_GT(shortfalls, 0) << "the case the rule exists for must occur here";
}

TEST(Histogram, SummaryColumn) {
  auto ws = MakeWorkspace();
  std::string text = SummaryHeaderLines(*ws);
  for (float x : {1.2f, 3.4f, 2.0f, 3.4f, 1.2f}) {
    SummaryValues v{};
    v[33] = x; // NAVG; item 1 stays 0 in every line
    text += SummaryDataLine(*ws, v) + "\r\n";
  }
  ItemSelection sel{};
  sel[0] = sel[33] = true;
  SumGrid g = BuildSumGrid(ReadSumText(text, "s.sum"), sel);
  Histogram h = SummaryHistogram(g, 7);
  EXPECT_EQ(h.title, "NAVG");
  EXPECT_FLOAT_EQ(h.w, 0.22f);
  EXPECT_EQ(h.Count, (std::array<int32_t, 10>{2, 0, 0, 1, 0, 0, 0, 0, 0, 2}));
  // All values equal: width 0, everything in class 0.
  Histogram flat = SummaryHistogram(g, 6);
  EXPECT_EQ(flat.w, 0.0f);
  EXPECT_EQ(flat.Count[0], 5);

  auto refusal = [](const SumGrid& grid, int column) -> std::string {
    try {
      SummaryHistogram(grid, column);
    } catch (const Refusal& e) {
      return e.what();
    }
    return "";
  };
  EXPECT_EQ(refusal(g, 5), "Cursor must be in column 6 or higher for showing a histogram !");
  SumGrid one =
      BuildSumGrid(ReadSumText(SummaryHeaderLines(*ws) + SummaryDataLine(*ws, {}) + "\r\n", "s"), sel);
  EXPECT_EQ(refusal(one, 6), "There must be more than one summary record for showing a histogram !");
}
