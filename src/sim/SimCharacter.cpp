#include "sim/SimCharacter.h"

#include <algorithm>
#include <climits>

#include "core/VBError.h"
#include "sim/SimClock.h"
#include "sim/SimEnchantment.h"
#include "sim/SimTimer.h"

namespace mellox::sim {

SimCharacter::SimCharacter(SimClock& clock) : clock_(clock), expiry_(std::make_unique<SimTimer>(clock)) {
  expiring_ = expiry_->Timeout.Connect([this] { Expire(true); });
}

SimCharacter::~SimCharacter() = default;

bool SimCharacter::IsAnotherCharacter(std::int32_t id) const {
  if (id == 0 || id == sheet_.id) return false;
  return std::any_of(others_.begin(), others_.end(), [id](const auto& other) { return other.second.id == id; });
}

std::int32_t SimCharacter::EffectiveVital(std::int32_t index) {
  auto it = sheet_.maxima.find(index);
  return it == sheet_.maxima.end() ? 0 : it->second;
}

std::int32_t SimCharacter::Skill(std::int32_t index) {
  auto it = sheet_.skills.find(index);
  return it == sheet_.skills.end() ? 0 : it->second;
}

bool SimCharacter::TryGetLongProperty(std::int32_t key, std::int32_t& value) {
  auto it = sheet_.longs.find(key);
  if (it == sheet_.longs.end()) return false;
  value = it->second;
  return true;
}

std::shared_ptr<platform::Enchantment> SimCharacter::GetEnchantment(std::int32_t index) {
  if (index < 0 || index >= EnchantmentCount()) throw VBError(9);
  return sheet_.enchantments[static_cast<std::size_t>(index)];
}

void SimCharacter::AddEnchantment(std::int32_t spellId, std::int32_t family, std::int32_t seconds) {
  auto ench = std::make_shared<SimEnchantment>(spellId, family, clock_.NowMs() + std::int64_t{seconds} * 1000, clock_);
  bool replaced = false;
  for (auto& e : sheet_.enchantments) {
    if (e->SpellId() == spellId) {
      e = ench;
      replaced = true;
      break;
    }
  }
  if (!replaced) sheet_.enchantments.push_back(ench);
  ArmExpiry();
  ChangeEnchantments.Emit(kEnchantmentAdded, ench);
}

void SimCharacter::Expire(bool raise) {
  auto& spells = sheet_.enchantments;
  for (std::size_t i = 0; i < spells.size();) {
    if (!spells[i]->HasDuration() || spells[i]->ExpiresMs() > clock_.NowMs()) {
      ++i;
      continue;
    }
    std::shared_ptr<platform::Enchantment> gone = spells[i];
    spells.erase(spells.begin() + static_cast<std::ptrdiff_t>(i));
    // A handler may add or remove spells: the scan goes on from where it was.
    if (raise) ChangeEnchantments.Emit(kEnchantmentRemoved, gone);
  }
  ArmExpiry();
}

void SimCharacter::ArmExpiry() {
  std::int64_t next = LLONG_MAX;
  for (const auto& spell : sheet_.enchantments)
    if (spell->HasDuration()) next = std::min(next, spell->ExpiresMs());
  if (next == LLONG_MAX) {
    expiry_->Stop();
    return;
  }
  // A timer's interval is 32 bits: a longer wait is made of several.
  expiry_->Start(static_cast<std::int32_t>(std::clamp<std::int64_t>(next - clock_.NowMs(), 1, INT32_MAX)));
}

void SimCharacter::RemoveEnchantment(std::int32_t spellId) {
  for (auto it = sheet_.enchantments.begin(); it != sheet_.enchantments.end(); ++it) {
    if ((*it)->SpellId() == spellId) {
      std::shared_ptr<platform::Enchantment> gone = *it;
      sheet_.enchantments.erase(it);
      ArmExpiry();
      ChangeEnchantments.Emit(kEnchantmentRemoved, gone);
      return;
    }
  }
}

std::int32_t SimCharacter::Character() {
  if (sheet_.id == 0) sheet_.id = nextId_++;
  return sheet_.id;
}

std::int32_t SimCharacter::Become(const std::string& server, const std::string& name) {
  if (server == server_ && name == name_) return 0;
  const std::int32_t left = sheet_.id;
  others_[{server_, name_}] = std::move(sheet_);
  auto it = others_.find({server, name});
  if (it == others_.end()) {
    sheet_ = Sheet();
  } else {
    sheet_ = std::move(it->second);
    others_.erase(it);
  }
  server_ = server;
  name_ = name;
  Expire(false);
  return left;
}

void SimCharacter::RaiseVital(std::int32_t vital, std::int32_t value) {
  if (vital == 2) sheet_.health = value;
  if (vital == 4) sheet_.stamina = value;
  if (vital == 6) sheet_.mana = value;
  ChangeVital.Emit(vital, value);
}

}  // namespace mellox::sim
