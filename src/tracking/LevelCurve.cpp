#include "tracking/LevelCurve.h"

#include <cmath>
#include <limits>

#include "core/VB.h"
#include "core/VBError.h"

namespace mellox {

namespace {

constexpr double kSixToTheFifth = 7776.0;
constexpr std::int32_t kNearestRoundingFrom = 126;

double Quotient(std::int32_t base) {
  const double b = static_cast<double>(base);
  return (b * b * b * b * b - kSixToTheFifth) / 9.0;
}

}  // namespace

LevelCurve::Bounds LevelCurve::ForLevel(std::int32_t level) {
  if (level == 1) return {0, 1000};
  if (level == 2) return {1000, 2777};
  // The bases are 32-bit values; a level this close to the limit is an overflow.
  if (level > std::numeric_limits<std::int32_t>::max() - 6) Raise(6);
  const double at = Quotient(level + 5);
  const double next = Quotient(level + 6);
  if (level < kNearestRoundingFrom) return {std::ceil(at), std::ceil(next)};
  return {vb::Round(at), vb::Round(next)};
}

double LevelCurve::Percent(double xpForThisLevel, double xpToNextLevel) {
  if (xpForThisLevel == 0) Raise(11);
  return vb::Round((xpForThisLevel - xpToNextLevel) / xpForThisLevel * 100.0, 1);
}

std::int32_t LevelCurve::BarPosition(double percent) {
  if (std::isnan(percent) || percent < 0) return 0;
  if (percent > 100) return 100;
  return static_cast<std::int32_t>(vb::Round(percent));
}

}  // namespace mellox
