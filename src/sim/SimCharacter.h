// The character-stats service: settable character data and enchantments,
// and methods that raise its events as the game would.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/CharacterStats.h"

namespace mellox::sim {

class SimClock;
class SimEnchantment;

class SimCharacter : public platform::CharacterStats {
 public:
  static constexpr std::int32_t kEnchantmentAdded = 1;
  static constexpr std::int32_t kEnchantmentRemoved = 2;

  explicit SimCharacter(const SimClock& clock) : clock_(clock) {}

  std::int32_t Character() override { return id_; }
  std::int32_t Level() override { return level_; }
  std::string Server() override { return server_; }
  std::string Name() override { return name_; }
  std::int32_t Health() override { return health_; }
  std::int32_t Stamina() override { return stamina_; }
  std::int32_t Mana() override { return mana_; }
  std::int32_t EffectiveVital(std::int32_t index) override;
  std::int32_t Skill(std::int32_t index) override;
  double Vitae() override { return vitae_; }
  std::int32_t Followers() override { return followers_; }
  std::int32_t AllegianceFollowers() override { return allegianceFollowers_; }
  bool TryGetLongProperty(std::int32_t key, std::int32_t& value) override;
  std::int32_t EnchantmentCount() override { return static_cast<std::int32_t>(enchantments_.size()); }
  // Raises 9 for an index outside 0 to count - 1.
  std::shared_ptr<platform::Enchantment> GetEnchantment(std::int32_t index) override;

  // Sim setters (raise nothing).
  void SetId(std::int32_t id) { id_ = id; }
  void SetName(std::string name) { name_ = std::move(name); }
  void SetServer(std::string server) { server_ = std::move(server); }
  void SetLevel(std::int32_t level) { level_ = level; }
  void SetHealth(std::int32_t v) { health_ = v; }
  void SetStamina(std::int32_t v) { stamina_ = v; }
  void SetMana(std::int32_t v) { mana_ = v; }
  void SetMaximum(std::int32_t index, std::int32_t v) { maxima_[index] = v; }  // 2, 4, 6
  void SetSkill(std::int32_t index, std::int32_t v) { skills_[index] = v; }
  void SetVitae(double v) { vitae_ = v; }
  void SetFollowers(std::int32_t v) { followers_ = v; }
  void SetAllegianceFollowers(std::int32_t v) { allegianceFollowers_ = v; }
  void SetLongProperty(std::int32_t key, std::int32_t v) { longs_[key] = v; }
  void ClearLongProperty(std::int32_t key) { longs_.erase(key); }

  // Adds or replaces the enchantment of that spell and raises ChangeEnchantments(1, it).
  void AddEnchantment(std::int32_t spellId, std::int32_t family, std::int32_t seconds);
  // Removes it and raises ChangeEnchantments(2, it); nothing when absent.
  void RemoveEnchantment(std::int32_t spellId);

  // Events as the game raises them.
  void RaiseLoginComplete() { LoginComplete.Emit(); }
  void RaiseLogoff() { Logoff.Emit(); }
  // Sets the current value (vital 2 health, 4 stamina, 6 mana), then raises ChangeVital.
  void RaiseVital(std::int32_t vital, std::int32_t value);
  void RaisePortal(std::int32_t mode) { ChangePortalMode.Emit(mode); }
  void RaiseDeath(const std::string& text) { Death.Emit(text); }

 private:
  const SimClock& clock_;
  std::int32_t id_ = 0x50000001;
  std::string name_ = "Tester";
  std::string server_ = "Testserver";
  std::int32_t level_ = 1;
  std::int32_t health_ = 0;
  std::int32_t stamina_ = 0;
  std::int32_t mana_ = 0;
  std::map<std::int32_t, std::int32_t> maxima_;
  std::map<std::int32_t, std::int32_t> skills_;
  double vitae_ = 1.0;
  std::int32_t followers_ = 0;
  std::int32_t allegianceFollowers_ = 0;
  std::map<std::int32_t, std::int32_t> longs_;
  std::vector<std::shared_ptr<SimEnchantment>> enchantments_;
};

}  // namespace mellox::sim
