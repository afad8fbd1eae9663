#include "sim/SimCharacter.h"

#include "core/VBError.h"
#include "sim/SimClock.h"
#include "sim/SimEnchantment.h"

namespace mellox::sim {

std::int32_t SimCharacter::EffectiveVital(std::int32_t index) {
  auto it = maxima_.find(index);
  return it == maxima_.end() ? 0 : it->second;
}

std::int32_t SimCharacter::Skill(std::int32_t index) {
  auto it = skills_.find(index);
  return it == skills_.end() ? 0 : it->second;
}

bool SimCharacter::TryGetLongProperty(std::int32_t key, std::int32_t& value) {
  auto it = longs_.find(key);
  if (it == longs_.end()) return false;
  value = it->second;
  return true;
}

std::shared_ptr<platform::Enchantment> SimCharacter::GetEnchantment(std::int32_t index) {
  if (index < 0 || index >= EnchantmentCount()) throw VBError(9);
  return enchantments_[static_cast<std::size_t>(index)];
}

void SimCharacter::AddEnchantment(std::int32_t spellId, std::int32_t family, std::int32_t seconds) {
  auto ench = std::make_shared<SimEnchantment>(spellId, family, clock_.NowMs() + std::int64_t{seconds} * 1000, clock_);
  bool replaced = false;
  for (auto& e : enchantments_) {
    if (e->SpellId() == spellId) {
      e = ench;
      replaced = true;
      break;
    }
  }
  if (!replaced) enchantments_.push_back(ench);
  ChangeEnchantments.Emit(kEnchantmentAdded, ench);
}

void SimCharacter::RemoveEnchantment(std::int32_t spellId) {
  for (auto it = enchantments_.begin(); it != enchantments_.end(); ++it) {
    if ((*it)->SpellId() == spellId) {
      std::shared_ptr<platform::Enchantment> gone = *it;
      enchantments_.erase(it);
      ChangeEnchantments.Emit(kEnchantmentRemoved, gone);
      return;
    }
  }
}

void SimCharacter::RaiseVital(std::int32_t vital, std::int32_t value) {
  if (vital == 2) health_ = value;
  if (vital == 4) stamina_ = value;
  if (vital == 6) mana_ = value;
  ChangeVital.Emit(vital, value);
}

}  // namespace mellox::sim
