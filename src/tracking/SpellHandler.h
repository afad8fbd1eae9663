// The spells active on the character and the spells cast on items, merged
// into one list sorted by time left and shown in the buff and debuff lists
// of the settings view; the tracked buff, its label and expiry warnings; the
// gems and drinks that renew buffs.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tracking/SpellInfo.h"
#include "tracking/SpellItemInfo.h"

namespace mellox::platform {
class Enchantment;
}

namespace mellox {

class SpellHandler {
 public:
  // The colour of the tracked buff's row.
  static constexpr std::int32_t kTrackedColor = 0xFFFF80;
  // Cooldown keys of the gems (both Benedictions share one).
  static constexpr std::int32_t kBenedictionCooldown = -32766;
  static constexpr std::int32_t kFavorCooldown = -32765;
  // The drinks' buff spells, in the order every drink operation visits them.
  static constexpr std::array<std::int32_t, 6> kBeerSpells{3530, 3533, 3531, 3864, 3862, 3863};

 private:
  using BeerCounts = std::array<std::pair<std::int32_t, std::int32_t>, 6>;
  // Each drink's buff spell with 0.
  static constexpr BeerCounts NoBeerCounts() {
    BeerCounts counts{};
    for (std::size_t i = 0; i < kBeerSpells.size(); ++i) counts[i] = {kBeerSpells[i], 0};
    return counts;
  }
  // Everything of this handler's that belongs to one login, in one value that
  // each login's start replaces whole (ResetForLogin). The item spells are
  // the character's data file's.
  struct LoginState {
    std::vector<SpellInfoRef> AllSpells;
    std::map<std::int32_t, std::shared_ptr<platform::Enchantment>> CooldownTimers;
    std::int32_t Favor = -1;
    std::int32_t Benediction = -1;
    std::int32_t LesserBenediction = -1;
    std::int32_t LowBeer = 99999;
    bool RebuildList = false;
    std::int32_t Augs = 0;
    std::string NextBuffText;
    BeerCounts BeerTimes = NoBeerCounts();
    BeerCounts BeerRetries = NoBeerCounts();
    // The tracked value of the last tick and what it tracked, for the warnings.
    std::optional<std::int64_t> lastTrackedValue;
    std::string lastTrackedSelection;
    // LowBeer of the last tick that computed it, for the low-drink warning.
    std::optional<std::int32_t> lastLowBeer;
  };
  LoginState login_;

 public:
  SpellHandler();
  ~SpellHandler();
  SpellHandler(const SpellHandler&) = delete;
  SpellHandler& operator=(const SpellHandler&) = delete;

  // Rebuilds AllSpells and CooldownTimers from the enchantments (one spell per
  // family) and, while item spells are tracked, the item spells.
  void BuildSpellList();
  // The per-second work: times, both lists, the tracked buff and warnings;
  // with no spell active the lists are empty and no buff is tracked.
  void UpdateSpellList();

  // Handlers of the spells page (nothing while the plug-in is inactive).
  // A click on a buff row chooses it as the tracked buff, or clears the choice.
  void BuffList_Change(std::int32_t id, std::int32_t column, std::int32_t row);
  // A spell offset that is not a whole number in range becomes "0".
  void SpellsOffset_End(std::int32_t id, bool success);

  // --- Gems and drinks ---------------------------------------------------------
  // Finds the three gems in the inventory (login); a gem picked up later is
  // seen at the next login.
  void InitSpells();
  // A login's start: the lists, the tracked buff, the warnings' memory, the
  // drinks' times, the gems and the augmentation count start empty; nothing
  // of the last character's is kept (the item spells come from the data file).
  void ResetForLogin();
  // Queues every ticked drink, whatever its buff's time left, then runs the
  // queue (hotkey).
  void DrinkAllBeers();
  // Queues one use of the named drink on the character; nothing when none is
  // carried, nor when automatic and the queue gave up on that use at this login.
  void AddBeer(const std::string& name, bool automatic = false);
  // The low-drink warning due when LowBeer moves from previous to current:
  // it crossed the drink timer (previous above, current at or below it).
  // Without a previous value only an exact hit counts.
  static bool LowBeerWarningDue(std::optional<std::int32_t> previous, std::int32_t current, std::int32_t beerTimer);

  // --- Item spells ----------------------------------------------------------------
  // A cast on an item (or on "your armor.") seen in chat; the list is
  // rebuilt. carried: whether the item was in the pack when the cast came,
  // when that was looked up then; otherwise it is looked up now.
  void AddItemSpell(const std::string& spellName, const std::string& target,
                    std::optional<bool> carried = std::nullopt);
  // Whether spells cast on the target are tracked: the worn armour, or an
  // item of exactly that name in the inventory.
  static bool ItemTargetAccepted(const std::string& target);
  // A record from the data file, with the seconds it had left at the save.
  void AddItemSpellfromData(std::int32_t id, std::int32_t remaining, const std::string& target);
  // Removes the family's record of the target; nothing when either is absent.
  void RemoveItemSpell(const std::string& target, std::int32_t family);

  // Handlers of the spells and utility pages (nothing while the plug-in is inactive).
  // The item-spell box: saved, and the next tick lists or drops the item spells.
  void SpellsItem_Change(std::int32_t id, bool checked);
  // The drink timers: a text that is not a whole number in range becomes "120".
  void BeerTimer_End(std::int32_t id, bool success);
  void BeerUseTimer_End(std::int32_t id, bool success);
  // The six drink boxes, "Beer_Use_Check" and "Spells_Beers": saved.
  void BeerBox_Change(std::int32_t id, bool checked);

  // What the data file keeps of the item spells: the seconds left now,
  // computed from each record's finish, so a record not refreshed by the list
  // never stores a stale time. Expired records are left out.
  struct ItemSpellRecord {
    std::int32_t id = 0;
    std::int32_t remaining = 0;
    std::string target;
  };
  std::vector<ItemSpellRecord> ItemSpellsToSave() const;

  // The expiry warning due when the tracked time moves from previous to
  // current: the most urgent of the 5-, 3- and 1-minute thresholds crossed
  // (previous above, current at or below it). Without a previous value only
  // an exact hit counts. Null when none is due.
  static const char* ExpiryWarning(std::optional<std::int64_t> previous, std::int64_t current);
  // The whole-number value of a text that is numeric and fits in 32 bits.
  static std::optional<std::int32_t> WholeNumber(const std::string& text);

  // Target text -> the spells cast on it, in insertion order.
  std::vector<std::pair<std::string, std::shared_ptr<SpellItemInfo>>> ItemSpells;
  // The login's values under their own names.
  // The merged list, sorted by time left.
  std::vector<SpellInfoRef>& AllSpells = login_.AllSpells;
  // Item cooldowns found in the last build, by (negative) spell id.
  std::map<std::int32_t, std::shared_ptr<platform::Enchantment>>& CooldownTimers = login_.CooldownTimers;
  // Inventory ids of the three gems; -1 none.
  std::int32_t& Favor = login_.Favor;
  std::int32_t& Benediction = login_.Benediction;
  std::int32_t& LesserBenediction = login_.LesserBenediction;
  // Least time left of an enabled drink's buff; 99999 none.
  std::int32_t& LowBeer = login_.LowBeer;
  // The next tick rebuilds the list first.
  bool& RebuildList = login_.RebuildList;
  std::int32_t& Augs = login_.Augs;
  // The default tracked buff: the first non-debuff of AllSpells.
  std::string& NextBuffText = login_.NextBuffText;
  // Drink buff spell -> seconds left (0 not active), and ticks before it may be drunk again.
  BeerCounts& BeerTimes = login_.BeerTimes;
  BeerCounts& BeerRetries = login_.BeerRetries;

 private:
  std::shared_ptr<SpellItemInfo> FindItemTarget(const std::string& target) const;
  // Stores the record under its target, the stronger of a family kept.
  void StoreItemSpell(const std::string& target, const SpellInfoRef& spell);
  void HandleGems(bool favorMissing, bool benedictionMissing, bool lesserMissing);
  void HandleBeers(std::int32_t tracked);
};

}  // namespace mellox
