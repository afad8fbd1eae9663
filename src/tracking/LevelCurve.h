// The experience level curve: total XP at which a level starts and at which
// the next one starts, and the level progress shown on the XP bar.
#pragma once

#include <cstdint>

namespace mellox {

class LevelCurve {
 public:
  struct Bounds {
    double atThisLevel = 0;
    double atNextLevel = 0;
  };

  // Exact for every level the game knows: the quotients are whole ninths
  // computed in double precision, rounded up below level 126 and to nearest
  // from 126 on (where the game changed its rounding). Raises error 6 when
  // level + 6 does not fit in 32 bits.
  static Bounds ForLevel(std::int32_t level);

  // Progress through the level in percent, one decimal, ties to even.
  // Raises error 11 when the span is 0.
  static double Percent(double xpForThisLevel, double xpToNextLevel);

  // The bar position 0..100 for a percent value.
  static std::int32_t BarPosition(double percent);
};

}  // namespace mellox
