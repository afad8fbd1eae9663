#include "tracking/LevelCurve.h"

#include <gtest/gtest.h>

#include <limits>

#include "core/VBError.h"

namespace mellox {
namespace {

TEST(LevelCurveTest, BoundsAcrossTheCurveAndTheRoundingSeam) {
  struct Case {
    std::int32_t level;
    double at;
    double next;
  };
  const Case cases[] = {
      {-1, -750, -516},
      {0, -516, 0},
      {1, 0, 1000},
      {2, 1000, 2777},
      {3, 2777, 5697},
      {4, 5697, 10248},
      {10, 83511, 115645},
      {125, 4125476914.0, 4286609098.0},
      {126, 4286609097.0, 4452737184.0},
      {127, 4452737184.0, 4623976457.0},
  };
  for (const Case& c : cases) {
    const auto b = LevelCurve::ForLevel(c.level);
    EXPECT_EQ(b.atThisLevel, c.at) << "level " << c.level;
    EXPECT_EQ(b.atNextLevel, c.next) << "level " << c.level;
  }
}

TEST(LevelCurveTest, LevelTooLargeForTheBaseIsAnOverflowNotUndefined) {
  try {
    LevelCurve::ForLevel(std::numeric_limits<std::int32_t>::max());
    FAIL() << "no error";
  } catch (const VBError& e) {
    EXPECT_EQ(e.Number(), 6);
  }
}

TEST(LevelCurveTest, PercentAndBarRounding) {
  // span 10000: xp to next level -> percent
  struct Case {
    double toNext;
    double percent;
    std::int32_t bar;
  };
  const Case cases[] = {
      {4, 100.0, 100},       // 99.96 rounds to 100
      {9996, 0.0, 0},        // 0.04
      {4950, 50.5, 50},      // ties to even
      {4850, 51.5, 52},
      {12000, -20.0, 0},     // level-up line before the new total
      {-500, 105.0, 100},    // totals past the next level
  };
  for (const Case& c : cases) {
    const double p = LevelCurve::Percent(10000, c.toNext);
    EXPECT_DOUBLE_EQ(p, c.percent) << c.toNext;
    EXPECT_EQ(LevelCurve::BarPosition(p), c.bar) << c.toNext;
  }
  EXPECT_THROW(LevelCurve::Percent(0, 0), VBError);
}

}  // namespace
}  // namespace mellox
