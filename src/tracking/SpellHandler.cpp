#include "tracking/SpellHandler.h"

#include <algorithm>
#include <limits>
#include <variant>

#include "core/Globals.h"
#include "core/Hub.h"
#include "core/Trap.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "host/FilterHandler.h"
#include "platform/CharacterStats.h"
#include "persistence/PersistenceLinks.h"
#include "platform/HostView.h"
#include "settings_view/ControlHandler.h"
#include "tracking/SpellFilterHandler.h"
#include "tracking/Statistics.h"
#include "tracking/TrackingPeers.h"

namespace mellox {

namespace {

constexpr const char* kClass = "SpellHandler";
// Sort key of a spell without duration while the list is built.
constexpr std::int32_t kNoDurationKey = 99999;
constexpr std::int32_t kNoDuration = -1;
constexpr std::int32_t kBenedictionSpell = 3810;
constexpr std::int32_t kFavorSpell = 3811;
constexpr std::int32_t kLesserBenedictionSpell = 4024;

// The gems, by their inventory names.
constexpr const char* kFavorGem = "Blackmoor's Favor";
constexpr const char* kBenedictionGem = "Asheron's Benediction";
constexpr const char* kLesserBenedictionGem = "Asheron's Lesser Benediction";

// LowBeer when no ticked drink's buff is active.
constexpr std::int32_t kNoBeer = 99999;
// Drink timer when its text is not a whole number.
constexpr std::int32_t kDefaultBeerTimer = 120;
// Ticks of an idle event queue before a queued drink may be queued again.
constexpr std::int32_t kBeerRetryTicks = 5;
// Event queue action: use a stack of items on a target.
constexpr std::int16_t kUseStackOnItem = 3;

// The target text of a spell cast on the worn armour as a whole.
constexpr const char* kArmorTarget = "your armor.";

// The drinks, in the order every drink operation visits them (that of
// SpellHandler::kBeerSpells), with their inventory names and option boxes.
struct Beer {
  std::int32_t spell;
  const char* item;
  ObjRef<platform::CheckBoxControl> ControlHandler::*box;
};
constexpr std::array<Beer, 6> kBeers{{
    {3530, "Tusker Spit Ale", &ControlHandler::BeerFocus},
    {3533, "Amber Ape", &ControlHandler::BeerCoord},
    {3531, "Bobo's Stout", &ControlHandler::BeerQuick},
    {3864, "Apothecary Zongo's Stout", &ControlHandler::BeerStr},
    {3862, "Duke Raoul's Distillation", &ControlHandler::BeerSelf},
    {3863, "Hunter's Stock Amber", &ControlHandler::BeerEnd},
}};
constexpr bool BeersInDrinkOrder() {
  for (std::size_t i = 0; i < kBeers.size(); ++i) {
    if (kBeers[i].spell != SpellHandler::kBeerSpells[i]) return false;
  }
  return true;
}
static_assert(BeersInDrinkOrder(), "BeerTimes and BeerRetries are indexed like kBeers");

ControlHandler& Controls() {
  if (!ControlHandlerInstance) Raise(91);
  return *ControlHandlerInstance;
}

FilterHandler& Filter() {
  if (!FilterHandlerInstance) Raise(91);
  return *FilterHandlerInstance;
}

bool BeerTicked(ControlHandler& c, const Beer& beer) { return (c.*beer.box)->CheckedGet(); }

SpellFilterHandler& SpellTable() {
  if (!SpellFilterHandlerInstance) Raise(91);
  return *SpellFilterHandlerInstance;
}

std::int32_t ClampToLong(std::int64_t v) {
  return static_cast<std::int32_t>(
      std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

std::string CellText(const platform::Variant& v) {
  if (const auto* s = std::get_if<std::string>(&v.value)) return *s;
  if (const auto* i = std::get_if<std::int64_t>(&v.value)) return std::to_string(*i);
  if (const auto* d = std::get_if<double>(&v.value)) return vb::CStr(*d);
  if (const auto* b = std::get_if<bool>(&v.value)) return *b ? "True" : "False";
  return {};
}

std::string DisplayText(const SpellInfo& s) { return s.sTarget.empty() ? s.name : s.name + " on " + s.sTarget; }

}  // namespace

SpellHandler::SpellHandler() {
  Trap("Class_Initialize", kClass, [&] {
    Hub::wtcw_debug("Spell Handler Init");
  });
  Links().ForEachItemSpell = [this](const std::function<void(const mellox::ItemSpellRecord&)>& visit) {
    for (const auto& r : ItemSpellsToSave()) visit({r.id, r.remaining, r.target});
  };
  Links().AddItemSpellfromData = [this](std::int32_t id, std::int32_t remaining, const std::string& target) {
    AddItemSpellfromData(id, remaining, target);
  };
  Links().ClearItemSpells = [this] {
    ItemSpells.clear();
    RebuildList = true;
  };
}

SpellHandler::~SpellHandler() {
  Links().ForEachItemSpell = nullptr;
  Links().AddItemSpellfromData = nullptr;
  Links().ClearItemSpells = nullptr;
  Trap("Class_Terminate", kClass, [] { Hub::wtcw_debug("Spell Handler Terminate"); });
  ItemSpells.clear();
  AllSpells.clear();
  CooldownTimers.clear();
}

std::optional<std::int32_t> SpellHandler::WholeNumber(const std::string& text) {
  if (!vb::IsNumeric(text)) return std::nullopt;
  try {
    return vb::CLng(text);
  } catch (const VBError&) {
    // Numeric but beyond 32 bits: no usable number.
    return std::nullopt;
  }
}

std::shared_ptr<SpellItemInfo> SpellHandler::FindItemTarget(const std::string& target) const {
  for (const auto& [key, info] : ItemSpells) {
    if (key == target) return info;
  }
  return nullptr;
}

void SpellHandler::RemoveItemSpell(const std::string& target, std::int32_t family) {
  Trap("RemoveItemSpell", kClass, [&] {
    if (auto info = FindItemTarget(target)) info->RemoveSpell(family);
  });
}

std::vector<SpellHandler::ItemSpellRecord> SpellHandler::ItemSpellsToSave() const {
  std::vector<ItemSpellRecord> out;
  const std::int64_t now = TrackingPeers::NowUnix();
  for (const auto& [target, info] : ItemSpells) {
    if (!info) continue;
    for (const auto& entry : info->Spells()) {
      const SpellInfo& s = *entry.second;
      const std::int64_t remaining = s.finish - now;
      if (remaining < 1) continue;
      out.push_back({s.id, ClampToLong(remaining), s.sTarget});
    }
  }
  return out;
}

void SpellHandler::BuildSpellList() {
  Trap("BuildSpellList", kClass, [&] {
    if (!PluginActive) return;
    Hub::wtcw_debug("Build Spell List");
    CooldownTimers.clear();
    SpellFilterHandler& table = SpellTable();
    std::int64_t now = TrackingPeers::NowUnix();

    // One record per family, each family in the place where it first appeared.
    std::vector<SpellInfoRef> families;
    std::map<std::int32_t, std::size_t> familyIndex;
    const std::int32_t count = TrackingPeers::GetMyEnchantmentCount();
    for (std::int32_t i = 0; i < count; ++i) {
      auto e = TrackingPeers::GetMyEnchantment(i);
      const std::int32_t spellId = e->SpellId();
      const std::int32_t timeLeft = e->TimeRemaining();
      if (spellId < 0 && timeLeft > 0) {
        Hub::wtcw_debug("Adding Cooldown Timer: z.SpellID");
        CooldownTimers[spellId] = e;
      }
      if (spellId <= 0) continue;
      const std::int32_t family = e->Family();
      const std::int32_t difficulty = table.GetDifficulty(spellId);
      auto found = familyIndex.find(family);
      if (found != familyIndex.end()) {
        const SpellInfo& held = *families[found->second];
        const bool stronger = difficulty > held.difficulty;
        const bool longer = difficulty == held.difficulty && timeLeft > held.timeRemaining;
        if (!stronger && !longer) continue;
      }
      auto s = std::make_shared<SpellInfo>();
      s->family = family;
      s->id = spellId;
      s->name = table.GetName(spellId);
      if (timeLeft >= 1) {
        s->timeRemaining = timeLeft;
        s->finish = now + timeLeft;
      } else {
        s->timeRemaining = kNoDuration;
      }
      s->Debuff = table.IsADebuff(spellId);
      s->difficulty = difficulty;
      s->icon = table.GetIcon(spellId);
      if (found != familyIndex.end()) {
        families[found->second] = std::move(s);
      } else {
        familyIndex.emplace(family, families.size());
        families.push_back(std::move(s));
      }
    }

    // Item spells follow the enchantments. Expired ones are collected first
    // and removed after the walk, so the maps are never changed while walked.
    std::vector<SpellInfoRef> merged = std::move(families);
    if (Controls().SpellsItem->CheckedGet()) {
      now = TrackingPeers::NowUnix();
      std::vector<std::pair<std::string, std::int32_t>> expired;
      for (const auto& [target, info] : ItemSpells) {
        if (!info) continue;
        for (const auto& entry : info->Spells()) {
          const SpellInfoRef& sp = entry.second;
          sp->timeRemaining = ClampToLong(sp->finish - now);
          if (sp->timeRemaining < 1) {
            expired.emplace_back(target, sp->family);
          } else {
            merged.push_back(sp);
          }
        }
      }
      for (const auto& [target, family] : expired) RemoveItemSpell(target, family);
    }

    for (auto& s : merged) {
      if (s->timeRemaining == kNoDuration) s->timeRemaining = kNoDurationKey;
    }
    // Stable: equal times keep their collection order.
    std::stable_sort(merged.begin(), merged.end(),
                     [](const SpellInfoRef& a, const SpellInfoRef& b) { return a->timeRemaining < b->timeRemaining; });
    for (auto& s : merged) {
      if (s->timeRemaining == kNoDurationKey) s->timeRemaining = 0;
    }
    AllSpells = std::move(merged);
    RebuildList = false;
  });
}

const char* SpellHandler::ExpiryWarning(std::optional<std::int64_t> previous, std::int64_t current) {
  struct Threshold {
    std::int64_t seconds;
    const char* text;
  };
  // Most urgent first.
  static constexpr Threshold kThresholds[] = {
      {60, "Your buffs will expire in 1 minute!"},
      {180, "Your buffs will expire in 3 minutes!"},
      {300, "Your buffs will expire in 5 minutes!"},
  };
  if (current <= 0) return nullptr;
  for (const Threshold& t : kThresholds) {
    const bool due = previous ? (*previous > t.seconds && current <= t.seconds) : current == t.seconds;
    if (due) return t.text;
  }
  return nullptr;
}

void SpellHandler::UpdateSpellList() {
  Trap("UpdateSpellList", kClass, [&] {
    if (!PluginActive || !StatisticsInstance || StatisticsInstance->TotalSec() < 1) return;
    if (RebuildList) BuildSpellList();

    if (AllSpells.empty()) {
      NextBuffText.clear();
      login_.lastTrackedValue.reset();
      // The last spell is gone: no row, no time and no drink of it stays on screen.
      ControlHandler& c = Controls();
      c.BuffList->Clear();
      c.DebuffList->Clear();
      c.SpellsTracked->TextLet("N/A");
      for (auto& beer : BeerTimes) beer.second = 0;
      LowBeer = kNoBeer;
      login_.lastLowBeer = LowBeer;
      HandleGems(true, true, true);
      return;
    }

    NextBuffText.clear();
    for (const auto& s : AllSpells) {
      if (!s->Debuff) {
        NextBuffText = DisplayText(*s);
        break;
      }
    }

    const bool benedictionCooling = CooldownTimers.count(kBenedictionCooldown) > 0;
    const bool favorCooling = CooldownTimers.count(kFavorCooldown) > 0;
    const bool lesserCooling = benedictionCooling;
    bool benedictionActive = false;
    bool favorActive = false;
    bool lesserActive = false;

    ControlHandler& c = Controls();
    platform::ListControl& buffs = *c.BuffList;
    platform::ListControl& debuffs = *c.DebuffList;
    const std::int32_t buffScroll = buffs.ScrollPositionGet();
    const std::int32_t debuffScroll = debuffs.ScrollPositionGet();
    buffs.Clear();
    debuffs.Clear();

    std::int32_t trackedTime = 0;
    // "-1" is what the option lists store for "nothing chosen".
    const std::string& selected = c.SelectedSpell;
    const std::string trackedSelection = (selected.empty() || selected == "-1") ? NextBuffText : selected;
    const bool selectionNumeric = vb::IsNumeric(trackedSelection);
    const std::optional<std::int32_t> selectedFamily = selectionNumeric ? WholeNumber(trackedSelection) : std::nullopt;
    for (auto& beer : BeerTimes) beer.second = 0;

    const std::int64_t now = TrackingPeers::NowUnix();
    for (const auto& sp : AllSpells) {
      SpellInfo& s = *sp;
      if (s.timeRemaining > 0) {
        s.timeRemaining = ClampToLong(s.finish - now);
        if (s.timeRemaining < 1) RebuildList = true;
      }
      if (s.id == kBenedictionSpell) benedictionActive = true;
      if (s.id == kFavorSpell) favorActive = true;
      if (s.id == kLesserBenedictionSpell) lesserActive = true;
      for (auto& beer : BeerTimes) {
        if (beer.first == s.id) beer.second = s.timeRemaining;
      }
      if (s.id < 1) continue;

      const std::string timeText = Hub::ConvTime(s.timeRemaining, 0, false);
      if (s.Debuff) {
        const std::int32_t row = debuffs.AddRow();
        debuffs.DataLet(0, row, 1, s.icon);
        debuffs.DataLet(1, row, 0, s.name);
        debuffs.DataLet(2, row, 0, timeText);
        continue;
      }
      const std::string text = DisplayText(s);
      const std::int32_t row = buffs.AddRow();
      buffs.DataLet(0, row, 1, s.icon);
      buffs.DataLet(1, row, 0, text);
      buffs.DataLet(2, row, 0, timeText);
      const bool match = selectionNumeric ? (selectedFamily && s.family == *selectedFamily) : text == trackedSelection;
      if (match) {
        buffs.ColorLet(1, row, kTrackedColor);
        trackedTime = s.timeRemaining;
      }
    }
    buffs.ScrollPositionLet(buffScroll);
    debuffs.ScrollPositionLet(debuffScroll);

    const std::int64_t offset = WholeNumber(c.SpellsOffset->TextGet()).value_or(0);
    std::int64_t trackedValue = trackedTime;
    std::string label = "N/A";
    if (!trackedSelection.empty() && trackedTime > 0) {
      trackedValue = trackedTime + offset;
      if (trackedValue > 0) label = Hub::ConvTime(static_cast<double>(trackedValue), 0, false);
    }
    c.SpellsTracked->TextLet(label);

    HandleGems(!(favorActive || favorCooling), !(benedictionActive || benedictionCooling),
               !(lesserActive || lesserCooling));
    HandleBeers(ClampToLong(trackedValue));

    // A new tracked buff starts afresh, so its first value is never taken as a crossing.
    std::optional<std::int64_t> previous = login_.lastTrackedValue;
    if (trackedSelection != login_.lastTrackedSelection) previous.reset();
    login_.lastTrackedValue = trackedValue;
    login_.lastTrackedSelection = trackedSelection;
    if (TrackingPeers::ChatOptionTicked("Buffs Expiration Warning")) {
      if (const char* warning = ExpiryWarning(previous, trackedValue)) Hub::wtcw(warning);
    }
  });
}

// --- Gems and drinks -----------------------------------------------------------------

void SpellHandler::InitSpells() {
  Trap("InitSpells", kClass, [&] {
    FilterHandler& f = Filter();
    Favor = f.GetIDinInv(kFavorGem);
    Benediction = f.GetIDinInv(kBenedictionGem);
    LesserBenediction = f.GetIDinInv(kLesserBenedictionGem);
    if (Benediction != -1) Hub::wtcw_debug("Asheron's Benediction gem found");
    if (Favor != -1) Hub::wtcw_debug("Blackmoor's Favor gem found");
    if (LesserBenediction != -1) Hub::wtcw_debug("Asheron's Lesser Benediction gem found");
  });
}

void SpellHandler::ResetForLogin() { login_ = {}; }

// A gem is used on every tick until its buff or its cooldown shows among the
// enchantments.
void SpellHandler::HandleGems(bool favorMissing, bool benedictionMissing, bool lesserMissing) {
  Trap("HandleGems", kClass, [&] {
    if (!Controls().UseGems->CheckedGet()) return;
    FilterHandler& f = Filter();
    if (benedictionMissing && Benediction != -1) {
      Hub::wtcw_debug("Benediction spell not found, using gem");
      f.UseItem(Benediction, 0);
    }
    if (lesserMissing && LesserBenediction != -1) {
      Hub::wtcw_debug("Lesser Benediction spell not found, using gem");
      f.UseItem(LesserBenediction, 0);
    }
    if (favorMissing && Favor != -1) {
      Hub::wtcw_debug("Favor spell not found, using gem");
      f.UseItem(Favor, 0);
    }
  });
}

bool SpellHandler::LowBeerWarningDue(std::optional<std::int32_t> previous, std::int32_t current,
                                     std::int32_t beerTimer) {
  if (current <= 0 || current == kNoBeer) return false;
  if (!previous) return current == beerTimer;
  return *previous > beerTimer && current <= beerTimer;
}

void SpellHandler::HandleBeers(std::int32_t tracked) {
  Trap("HandleBeers", kClass, [&] {
    // A queued drink holds its drink back for five ticks of an idle queue.
    if (!TrackingPeers::EventQueueRunning()) {
      for (auto& retry : BeerRetries) {
        if (retry.second > 0) --retry.second;
      }
    }
    ControlHandler& c = Controls();
    const std::int32_t beerTimer = WholeNumber(c.BeerTimer->TextGet()).value_or(kDefaultBeerTimer);
    const std::optional<std::int32_t> useTimer = WholeNumber(c.BeerUseTimer->TextGet());
    if (!useTimer) return;

    LowBeer = kNoBeer;
    for (std::size_t i = 0; i < kBeers.size(); ++i) {
      const std::int32_t left = BeerTimes[i].second;
      if (BeerTicked(c, kBeers[i]) && left != 0 && left < LowBeer) LowBeer = left;
    }
    const bool warn = LowBeerWarningDue(login_.lastLowBeer, LowBeer, beerTimer);
    login_.lastLowBeer = LowBeer;
    if (warn && TrackingPeers::ChatOptionTicked("Buffs Expiration Warning") && !c.UseBeers->CheckedGet()) {
      Hub::wtcw("Your beer spells are getting low!");
    }

    // No drinking while the tracked buff is about to end, or none is tracked.
    if (c.BeerUseCheck->CheckedGet() && tracked < *useTimer) return;
    if (!c.UseBeers->CheckedGet()) return;
    for (std::size_t i = 0; i < kBeers.size(); ++i) {
      if (!BeerTicked(c, kBeers[i]) || BeerTimes[i].second >= beerTimer || BeerRetries[i].second != 0) continue;
      BeerRetries[i].second = kBeerRetryTicks;
      AddBeer(kBeers[i].item, true);
    }
  });
}

void SpellHandler::AddBeer(const std::string& name, bool automatic) {
  Trap("AddBeer", kClass, [&] {
    FilterHandler& f = Filter();
    const std::int32_t item = f.GetIDinInv(name);
    if (item == -1) return;
    const std::int32_t me = f.GetMyCharGUID();
    if (automatic && TrackingPeers::EventQueueGaveUp(kUseStackOnItem, item, me)) return;
    TrackingPeers::EventQueueAdd(kUseStackOnItem, item, me, f.GetItemStackCount(item));
  });
}

void SpellHandler::DrinkAllBeers() {
  Trap("DrinkAllBeers", kClass, [&] {
    ControlHandler& c = Controls();
    for (const Beer& beer : kBeers) {
      if (BeerTicked(c, beer)) AddBeer(beer.item);
    }
    TrackingPeers::EventQueueRun();
  });
}

// --- Item spells -------------------------------------------------------------------------

bool SpellHandler::ItemTargetAccepted(const std::string& target) {
  return target == kArmorTarget || Filter().GetIDinInv(target) != -1;
}

void SpellHandler::StoreItemSpell(const std::string& target, const SpellInfoRef& spell) {
  std::shared_ptr<SpellItemInfo> info = FindItemTarget(target);
  if (!info) {
    info = std::make_shared<SpellItemInfo>();
    ItemSpells.emplace_back(target, info);
  }
  info->AddSpell(spell->family, spell);
}

void SpellHandler::AddItemSpell(const std::string& spellName, const std::string& target,
                                std::optional<bool> carried) {
  Trap("AddItemSpell", kClass, [&] {
    Hub::wtcw_debug("AddItemSpell " + spellName + " " + target);
    if (!(carried ? *carried : ItemTargetAccepted(target))) return;
    SpellFilterHandler& table = SpellTable();
    auto s = std::make_shared<SpellInfo>();
    s->id = table.GetID(spellName);
    s->family = table.GetFamily(s->id);
    // Each augmentation lengthens the spell by a fifth; a count too large
    // gives the longest duration a spell can show rather than overflowing.
    const double lengthened = vb::Round((0.2 * Augs + 1.0) * table.GetDuration(s->id));
    const double bounded = std::clamp(lengthened, static_cast<double>(std::numeric_limits<std::int32_t>::min()),
                                      static_cast<double>(std::numeric_limits<std::int32_t>::max()));
    s->finish = TrackingPeers::NowUnix() + static_cast<std::int64_t>(bounded);
    s->timeRemaining = ClampToLong(s->finish - TrackingPeers::NowUnix());
    s->difficulty = table.GetDifficulty(s->id);
    s->icon = table.GetIcon(s->id);
    s->sTarget = target;
    s->name = spellName;
    StoreItemSpell(target, s);
    TrackingPeers::DataSaveSoon();
    BuildSpellList();
  });
}

void SpellHandler::AddItemSpellfromData(std::int32_t id, std::int32_t remaining, const std::string& target) {
  Trap("AddItemSpellfromData", kClass, [&] {
    Hub::wtcw_debug("AddItemSpellFromData " + std::to_string(id) + " " + std::to_string(remaining) + " " + target);
    // A spell on an item that is no longer carried is dropped.
    if (!ItemTargetAccepted(target)) return;
    SpellFilterHandler& table = SpellTable();
    auto s = std::make_shared<SpellInfo>();
    s->id = id;
    s->family = table.GetFamily(id);
    s->finish = TrackingPeers::NowUnix() + remaining;
    s->timeRemaining = remaining;
    s->difficulty = table.GetDifficulty(id);
    s->name = table.GetName(id);
    s->icon = table.GetIcon(id);
    s->sTarget = target;
    StoreItemSpell(target, s);
  });
}

void SpellHandler::BuffList_Change(std::int32_t id, std::int32_t, std::int32_t row) {
  Trap("BuffList_Change", kClass, [&] {
    if (id == -1 || !PluginActive) return;
    ControlHandler& c = Controls();
    const std::string text = CellText(c.BuffList->DataGet(1, row, 0));
    const std::int32_t family = TrackingPeers::GetActiveSpellFamily(text);
    const std::string key = family == -1 ? text : std::to_string(family);
    c.SelectedSpell = c.SelectedSpell != key ? key : std::string();
    TrackingPeers::SettingsSave();
    TrackingPeers::UpdateMainHUD();
  });
}

void SpellHandler::SpellsOffset_End(std::int32_t, bool) {
  Trap("SpellsOffset_End", kClass, [&] {
    if (!PluginActive) return;
    ControlHandler& c = Controls();
    if (!WholeNumber(c.SpellsOffset->TextGet())) c.SpellsOffset->TextLet("0");
    TrackingPeers::SettingsSave();
  });
}

void SpellHandler::SpellsItem_Change(std::int32_t, bool) {
  Trap("SpellsItem_Change", kClass, [&] {
    if (!PluginActive) return;
    TrackingPeers::SettingsSave();
    RebuildList = true;
  });
}

void SpellHandler::BeerTimer_End(std::int32_t, bool) {
  Trap("BeerTimer_End", kClass, [&] {
    if (!PluginActive) return;
    ControlHandler& c = Controls();
    if (!WholeNumber(c.BeerTimer->TextGet())) c.BeerTimer->TextLet("120");
    TrackingPeers::SettingsSave();
  });
}

void SpellHandler::BeerUseTimer_End(std::int32_t, bool) {
  Trap("BeerUseTimer_End", kClass, [&] {
    if (!PluginActive) return;
    ControlHandler& c = Controls();
    if (!WholeNumber(c.BeerUseTimer->TextGet())) c.BeerUseTimer->TextLet("120");
    TrackingPeers::SettingsSave();
  });
}

void SpellHandler::BeerBox_Change(std::int32_t, bool) {
  Trap("BeerBox_Change", kClass, [&] {
    if (PluginActive) TrackingPeers::SettingsSave();
  });
}

}  // namespace mellox
