// An enchantment on the character; its time runs down with the virtual clock.
// One that ends no later than it began is a spell without duration.
#pragma once

#include <cstdint>

#include "platform/CharacterStats.h"

namespace mellox::sim {

class SimClock;

class SimEnchantment : public platform::Enchantment {
 public:
  SimEnchantment(std::int32_t spellId, std::int32_t family, std::int64_t expiresMs, const SimClock& clock);

  std::int32_t SpellId() override { return spellId_; }
  std::int32_t TimeRemaining() override;  // whole seconds left, never below 0
  std::int32_t Family() override { return family_; }

  bool HasDuration() const { return hasDuration_; }
  std::int64_t ExpiresMs() const { return expiresMs_; }

 private:
  std::int32_t spellId_;
  std::int32_t family_;
  std::int64_t expiresMs_;
  const SimClock& clock_;
  bool hasDuration_;
};

}  // namespace mellox::sim
