#include "sim/SimEnchantment.h"

#include <algorithm>

#include "sim/SimClock.h"

namespace mellox::sim {

SimEnchantment::SimEnchantment(std::int32_t spellId, std::int32_t family, std::int64_t expiresMs,
                               const SimClock& clock)
    : spellId_(spellId), family_(family), expiresMs_(expiresMs), clock_(clock), hasDuration_(expiresMs > clock.NowMs()) {}

std::int32_t SimEnchantment::TimeRemaining() {
  const std::int64_t left = std::max<std::int64_t>(0, expiresMs_ - clock_.NowMs());
  return static_cast<std::int32_t>(std::min<std::int64_t>(left / 1000, INT32_MAX));
}

}  // namespace mellox::sim
