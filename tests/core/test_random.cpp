// The calibration's generator: the recurrence, how reals and integers are
// taken from the state, and that a saved state continues the same sequence.
#include <gtest/gtest.h>

#include "optim/Random.h"

using namespace kelmar;

TEST(Random, FollowsTheRecurrenceFromAGivenSeed) {
  // state := state * 134775813 + 1 (mod 2^32), worked by hand from seed 0:
  //   1, 134775814, 134775814 * 134775813 + 1 = 3698175007 (mod 2^32), ...
  Random g(0);
  EXPECT_EQ(g.integer(100), 0); // state 1: 1 * 100 >> 32
  EXPECT_EQ(g.state(), 1u);
  EXPECT_DOUBLE_EQ(g.real(), 134775814 / 4294967296.0);
  EXPECT_EQ(g.integer(100), 86); // state 3698175007: 369817500700 >> 32
  EXPECT_EQ(g.state(), 3698175007u);
  EXPECT_EQ(g.integer(100), 20); // state 870078620
  EXPECT_EQ(g.state(), 870078620u);

  Random h(12345);
  const int expected[] = {3, 2, 0}; // states 1655067934, 1242767767, 342459380 times 10, high word
  for (int e : expected) EXPECT_EQ(h.integer(10), e);
  EXPECT_EQ(h.state(), 342459380u);
}

TEST(Random, DrawsStayInTheirRanges) {
  Random g(0xFFFFFFFFu); // the largest state: next is 0xFFFFFFFF * 134775813 + 1
  for (int i = 0; i < 10000; ++i) {
    const double r = g.real();
    ASSERT_GE(r, 0.0);
    ASSERT_LT(r, 1.0);
    const int k = g.integer(7);
    ASSERT_GE(k, 0);
    ASSERT_LT(k, 7);
  }
  EXPECT_EQ(Random(5).integer(1), 0) << "Random(1) is always 0";
}

TEST(Random, ASavedStateContinuesTheSequence) {
  Random a(Random::ClockSeed());
  for (int i = 0; i < 17; ++i) a.real();
  Random b(a.state());
  for (int i = 0; i < 50; ++i) ASSERT_EQ(a.integer(510), b.integer(510));
  EXPECT_LT(Random::ClockSeed(), 24u * 60 * 60 * 1000) << "milliseconds of the day";
}
