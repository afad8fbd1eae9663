// The character-stats service: settable character data and enchantments,
// and methods that raise its events as the game would.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/CharacterStats.h"

namespace mellox::sim {

class SimClock;
class SimEnchantment;
class SimTimer;

class SimCharacter : public platform::CharacterStats {
 public:
  static constexpr std::int32_t kEnchantmentAdded = 1;
  static constexpr std::int32_t kEnchantmentRemoved = 2;

  explicit SimCharacter(SimClock& clock);
  ~SimCharacter() override;
  SimCharacter(const SimCharacter&) = delete;
  SimCharacter& operator=(const SimCharacter&) = delete;

  // A character's id is given when first asked for, so the first character a
  // run uses is 0x50000001 whatever names it went through before.
  std::int32_t Character() override;
  // The id without giving one: 0 while the character has none yet.
  std::int32_t IdGiven() const { return sheet_.id; }
  // Whether id is the own object of a character other than the one in hand.
  bool IsAnotherCharacter(std::int32_t id) const;
  std::int32_t Level() override { return sheet_.level; }
  std::string Server() override { return server_; }
  std::string Name() override { return name_; }
  std::int32_t Health() override { return sheet_.health; }
  std::int32_t Stamina() override { return sheet_.stamina; }
  std::int32_t Mana() override { return sheet_.mana; }
  std::int32_t EffectiveVital(std::int32_t index) override;
  std::int32_t Skill(std::int32_t index) override;
  double Vitae() override { return sheet_.vitae; }
  std::int32_t Followers() override { return sheet_.followers; }
  std::int32_t AllegianceFollowers() override { return sheet_.allegianceFollowers; }
  bool TryGetLongProperty(std::int32_t key, std::int32_t& value) override;
  std::int32_t EnchantmentCount() override { return static_cast<std::int32_t>(sheet_.enchantments.size()); }
  // Raises 9 for an index outside 0 to count - 1.
  std::shared_ptr<platform::Enchantment> GetEnchantment(std::int32_t index) override;

  // Sim setters (raise nothing). SetName and SetServer rename the character
  // in hand; Become changes to another.
  void SetId(std::int32_t id) { sheet_.id = id; }
  void SetName(std::string name) { name_ = std::move(name); }
  void SetServer(std::string server) { server_ = std::move(server); }
  void SetLevel(std::int32_t level) { sheet_.level = level; }
  void SetHealth(std::int32_t v) { sheet_.health = v; }
  void SetStamina(std::int32_t v) { sheet_.stamina = v; }
  void SetMana(std::int32_t v) { sheet_.mana = v; }
  void SetMaximum(std::int32_t index, std::int32_t v) { sheet_.maxima[index] = v; }  // 2, 4, 6
  void SetSkill(std::int32_t index, std::int32_t v) { sheet_.skills[index] = v; }
  void SetVitae(double v) { sheet_.vitae = v; }
  void SetFollowers(std::int32_t v) { sheet_.followers = v; }
  void SetAllegianceFollowers(std::int32_t v) { sheet_.allegianceFollowers = v; }
  void SetLongProperty(std::int32_t key, std::int32_t v) { sheet_.longs[key] = v; }
  void ClearLongProperty(std::int32_t key) { sheet_.longs.erase(key); }
  // The character's experience, which the game describes at each login; the
  // game keeps it in 64 unsigned bits.
  void SetXP(std::uint64_t total, std::uint64_t unassigned) {
    sheet_.totalXP = total;
    sheet_.unassignedXP = unassigned;
  }
  std::uint64_t TotalXP() const { return sheet_.totalXP; }
  std::uint64_t UnassignedXP() const { return sheet_.unassignedXP; }

  // The character of that name on that server becomes the one given from now
  // on, with its own id, level, vitals, skills, properties, followers and
  // enchantments; the one given until now keeps its own for when it is named
  // again, and a name never given before starts afresh. Enchantments whose
  // time ran out while the character was away are gone, with no event: the
  // game tells no one of a character that is not playing. Gives the id of the
  // character left, 0 when it is the same one or was never given an id.
  std::int32_t Become(const std::string& server, const std::string& name);

  // Adds or replaces the enchantment of that spell and raises ChangeEnchantments(1, it).
  // Seconds above 0 run down with the clock; when they are up the spell
  // leaves the character, raising ChangeEnchantments(2, it). 0 or less: a
  // spell without duration, which stays.
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
  // What is each character's own.
  struct Sheet {
    std::int32_t id = 0;  // not given yet
    std::int32_t level = 1;
    std::int32_t health = 0;
    std::int32_t stamina = 0;
    std::int32_t mana = 0;
    std::map<std::int32_t, std::int32_t> maxima;
    std::map<std::int32_t, std::int32_t> skills;
    double vitae = 1.0;
    std::int32_t followers = 0;
    std::int32_t allegianceFollowers = 0;
    std::map<std::int32_t, std::int32_t> longs;
    std::vector<std::shared_ptr<SimEnchantment>> enchantments;
    std::uint64_t totalXP = 0;
    std::uint64_t unassignedXP = 0;
  };

  // Takes out the spells whose time is up, raising their event when told to,
  // and sets the expiry timer for the next one.
  void Expire(bool raise);
  void ArmExpiry();

  SimClock& clock_;
  std::unique_ptr<SimTimer> expiry_;
  platform::Connection expiring_;
  std::string name_ = "Tester";
  std::string server_ = "Testserver";
  Sheet sheet_;
  std::map<std::pair<std::string, std::string>, Sheet> others_;  // by server and name
  std::int32_t nextId_ = 0x50000001;
};

}  // namespace mellox::sim
