// The player's character: vitals, skills, enchantments and its events.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Event.h"

namespace mellox::platform {

class Enchantment {
 public:
  virtual ~Enchantment() = default;
  virtual std::int32_t SpellId() = 0;
  virtual std::int32_t TimeRemaining() = 0;  // seconds
  virtual std::int32_t Family() = 0;
};

class CharacterStats {
 public:
  virtual ~CharacterStats() = default;
  virtual std::int32_t Character() = 0;  // own object id
  virtual std::int32_t Level() = 0;
  virtual std::string Server() = 0;
  virtual std::string Name() = 0;
  virtual std::int32_t Health() = 0;
  virtual std::int32_t Stamina() = 0;
  virtual std::int32_t Mana() = 0;
  virtual std::int32_t EffectiveVital(std::int32_t index) = 0;  // 2 health, 4 stamina, 6 mana maximum
  virtual std::int32_t Skill(std::int32_t index) = 0;
  virtual double Vitae() = 0;
  virtual std::int32_t Followers() = 0;
  virtual std::int32_t AllegianceFollowers() = 0;
  virtual bool TryGetLongProperty(std::int32_t key, std::int32_t& value) = 0;
  virtual std::int32_t EnchantmentCount() = 0;
  virtual std::shared_ptr<Enchantment> GetEnchantment(std::int32_t index) = 0;  // 0 to count - 1

  Event<> LoginComplete;
  Event<> Logoff;
  Event<std::int32_t, std::int32_t> ChangeVital;  // vital, value
  Event<std::int32_t, const std::shared_ptr<Enchantment>&> ChangeEnchantments;  // change, enchantment
  Event<std::int32_t> ChangePortalMode;
  Event<const std::string&> Death;
};

}  // namespace mellox::platform
