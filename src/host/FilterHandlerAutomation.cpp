// FilterHandler's item automation and vital alarms: filling the equipment's
// mana from stones and charges, one-key eating and healing, selling peas for
// trade notes at an open vendor, and the looping alarm sounds of the three
// vitals. The item work is spread over host timers because item data only
// arrives after the game has answered identify requests.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "chat/CellValue.h"
#include "core/Globals.h"
#include "core/Hub.h"
#include "core/HubConvert.h"
#include "core/ObjRef.h"
#include "core/TimeModule.h"
#include "core/TimerHandler.h"
#include "core/Trap.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "host/FilterHandler.h"
#include "platform/System.h"
#include "settings_view/ControlHandler.h"

namespace mellox {

namespace {

constexpr const char* kClass = "FilterHandler";

// Game property keys.
constexpr std::int32_t kNameKey = 1;
constexpr std::int32_t kManaRateKey = 5;         // double, mana per second
constexpr std::int32_t kEquippedSlotKey = 10;    // not 0 while worn or wielded
constexpr std::int32_t kChargeValueKey = 19;
constexpr std::int32_t kRestoresVitalKey = 89;   // the vital an item restores
constexpr std::int32_t kRestoreAmountKey = 90;   // food: amount; kit: skill bonus
constexpr std::int32_t kKitUsesKey = 92;
constexpr std::int32_t kKitRegenKey = 100;       // double, restoration bonus
constexpr std::int32_t kCurrentManaKey = 107;
constexpr std::int32_t kMaximumManaKey = 108;
constexpr std::int32_t kStackCountKey = 0x0D000006;
constexpr std::int32_t kMaxStackKey = 0x0D000007;

constexpr std::int32_t kFoodClass = 6;
constexpr std::int32_t kKitClass = 29;
constexpr std::int32_t kHealth = 2;
constexpr std::int32_t kStamina = 4;
constexpr std::int32_t kMana = 6;
constexpr std::int32_t kHealingSkill = 21;
constexpr std::int32_t kPeaceMode = 1;

// Mana filling.
constexpr std::int32_t kManaTimerInterval = 1000;
constexpr double kLowManaSeconds = 120;
constexpr const char* kStoneName = "Mana Stone";
constexpr const char* kChargeName = "Mana Charge";
// An identify answer that has not come in this many seconds never will: the
// scan gives up instead of blocking every later fill.
constexpr std::int32_t kScanWaitLimit = 30;
// A stone or charge the game keeps refusing is not offered to it forever:
// this many uses in a row after which nothing changed end the filling.
constexpr std::int32_t kChargeRefusalLimit = 10;

// Pea selling.
constexpr std::int64_t kTargetPyreals = 287500;
constexpr const char* kNoteName = "Trade Note (250,000)";
constexpr const char* kCoinName = "Pyreal";
constexpr const char* kDashes = "---------------------------------";
struct PeaKind {
  const char* name;
  std::int32_t value;
};
constexpr PeaKind kPeaTable[] = {{"Pyreal", 50000}, {"Gold", 25000}, {"Silver", 12500},
                                 {"Copper", 5000},  {"Iron", 2500},  {"Lead", 500}};
constexpr std::int32_t kPeaKinds = 6;
// Ticks (500 ms each) spent waiting for the bought note and moving it onto a
// stack before it is left where the game put it.
constexpr std::int32_t kStackTickLimit = 20;
// Consecutive ticks that fail or cannot proceed before selling stops.
constexpr std::int32_t kPeaStallLimit = 10;

template <class T>
T& Instance(T* instance) {
  if (!instance) Raise(91);
  return *instance;
}

ControlHandler& Controls() { return Instance(ControlHandlerInstance); }

// A percentage edit as a fraction: every "%" removed, then divided by 100.
// A text that is not a number raises 13.
double Fraction(platform::EditControl& edit) { return vb::CDbl(vb::Replace(edit.TextGet(), "%", "")) / 100; }

// Walks a collection; visit returns false to stop.
template <class Visit>
void Walk(platform::WorldCollection& items, Visit&& visit) {
  std::shared_ptr<platform::WorldObject> obj;
  while (items.NextItem(obj)) {
    if (obj && !visit(*obj)) return;
  }
}

std::int32_t CurrentVital(platform::CharacterStats& stats, std::int32_t vital) {
  switch (vital) {
    case kHealth: return stats.Health();
    case kStamina: return stats.Stamina();
    case kMana: return stats.Mana();
    default: return 0;
  }
}

// A whole number that a Long must hold; a wider one raises overflow.
std::int32_t ToLong(std::int64_t value) {
  if (value < INT32_MIN || value > INT32_MAX) Raise(6);
  return static_cast<std::int32_t>(value);
}

std::string Num(std::int64_t value) { return std::to_string(value); }

struct Kit {
  std::int32_t id = 0;
  double regen = 0.0;
  std::int32_t bonus = 99999;
  double chance = 0.0;
  std::int32_t uses = 999;
};

}  // namespace

// --- Mana filling ----------------------------------------------------------------

void FilterHandler::Fill_Mana(bool onlyIfNeeded) {
  Trap("Fill_Mana", kClass, [&] {
    if (!PluginActive) return;
    if (WaitforScan->Running()) return;
    login_.OnlyIfNeeded = onlyIfNeeded;
    login_.LastEquipId = -1;
    login_.ScanStart = TimeModule::LocalToUnix(platform::Sys().Now()) - 1;
    login_.scanWaits = 0;
    Hub::wtcw_debug("Time: " + Num(login_.ScanStart));

    for (const auto& kind : {std::pair{kStoneName, "ID Stone: "}, std::pair{kChargeName, "ID Charge: "}}) {
      const std::string label = kind.second;
      ObjRef<platform::WorldCollection> items = World->Inventory();
      items->NameFilter2(kind.first);
      Walk(*items, [&](platform::WorldObject& obj) {
        const std::int32_t id = obj.Id();
        Hub::wtcw_debug(label + Num(id));
        ACHooks->RequestIdentify(id);
        return true;
      });
    }
    ObjRef<platform::WorldCollection> carried = World->InventoryOf(GetMyCharGUID());
    Walk(*carried, [&](platform::WorldObject& obj) {
      if (obj.LongProperty(kEquippedSlotKey, 0) == 0) return true;
      Hub::wtcw_debug("ID Equipment: " + obj.StringProperty(kNameKey, ""));
      const std::int32_t id = obj.Id();
      ACHooks->RequestIdentify(id);
      login_.LastEquipId = id;
      return true;
    });
    Hub::wtcw_debug("Last Item " + Num(login_.LastEquipId));
    if (login_.LastEquipId != -1) WaitforScan->Start(kManaTimerInterval);
  });
}

void FilterHandler::WaitforScan_Timeout() {
  Trap("WaitforScan", kClass, [&] {
    // The item may have left the world meanwhile: that counts as no answer yet.
    auto obj = World->ObjectById(login_.LastEquipId);
    const double answered = obj ? obj->LastIdentified() : 0;
    Hub::wtcw_debug(vb::CStr(answered) + " / " + Num(login_.ScanStart));
    if (obj && answered > login_.ScanStart) {
      WaitforScan->Stop();
      FindCHarge();
      return;
    }
    if (++login_.scanWaits >= kScanWaitLimit) {
      WaitforScan->Stop();
      Hub::wtcw_error("Warning: Your equipment was not identified in time; mana filling stopped.");
    }
  });
}

void FilterHandler::FindCHarge() {
  Trap("FindCHarge", kClass, [&] {
    const std::int32_t me = GetMyCharGUID();
    double needed = 0.0;
    bool anyLow = false;
    ObjRef<platform::WorldCollection> carried = World->InventoryOf(me);
    Walk(*carried, [&](platform::WorldObject& obj) {
      if (obj.LongProperty(kEquippedSlotKey, 0) == 0) return true;
      const std::int32_t cur = obj.LongProperty(kCurrentManaKey, 0);
      const std::int32_t max = obj.LongProperty(kMaximumManaKey, 0);
      Hub::wtcw_debug(obj.StringProperty(kNameKey, "") + " " + Num(cur) + "/" + Num(max));
      const double rate = std::fabs(obj.DoubleProperty(kManaRateKey, 0.0));
      if (rate > 0 && std::floor(cur * (1 / rate)) < kLowManaSeconds) anyLow = true;
      needed += static_cast<double>(max) - cur;
      return true;
    });
    if (login_.OnlyIfNeeded && !anyLow) {
      Hub::wtcw_debug("No filling needed");
      return;
    }
    Hub::wtcw("Needed mana: " + vb::CStr(needed));

    // The choice is kept apart from the best difference, so a candidate
    // missing the need by any amount can still be the only one.
    bool chosen = false;
    double best = 0.0;
    auto consider = [&](platform::WorldObject& obj, std::int32_t mana) {
      const double diff = needed - mana;
      if (!chosen || std::fabs(best) > std::fabs(diff)) {
        chosen = true;
        login_.ChargeId = obj.Id();
        best = diff;
      }
    };
    auto startUsing = [&] {
      login_.lastCharge.reset();
      login_.chargeRefusals = 0;
      UseCharge->Start(kManaTimerInterval);
    };

    ObjRef<platform::WorldCollection> stones = World->Inventory();
    stones->NameFilter2(kStoneName);
    Walk(*stones, [&](platform::WorldObject& obj) {
      const std::int32_t mana = obj.LongProperty(kCurrentManaKey, 0);
      Hub::wtcw_debug(obj.StringProperty(kNameKey, "") + " " + Num(mana));
      if (mana > 0) consider(obj, mana);
      return true;
    });
    // A stone that holds less than is needed is spent whole: nothing fits better.
    if (chosen && best > 0) {
      startUsing();
      return;
    }

    const double threshold = vb::Val(Controls().FillThreshold->TextGet());
    ObjRef<platform::WorldCollection> charges = World->Inventory();
    charges->NameFilter2(kChargeName);
    Walk(*charges, [&](platform::WorldObject& obj) {
      if (!(threshold > obj.LongProperty(kChargeValueKey, 0))) return true;
      const std::int32_t mana = obj.LongProperty(kCurrentManaKey, 0);
      Hub::wtcw_debug(obj.StringProperty(kNameKey, "") + " " + Num(mana));
      consider(obj, mana);
      return true;
    });
    if (chosen) {
      startUsing();
    } else {
      Hub::wtcw_error("Warning: Could not find anything to charge your items with!");
    }
  });
}

void FilterHandler::UseCharge_Timeout() {
  Trap("UseCharge", kClass, [&] {
    Hub::wtcw_debug("Attempting to use stone " + Num(login_.ChargeId));
    if (!ACHooks->IsValidObject(login_.ChargeId)) {
      UseCharge->Stop();
      return;
    }
    auto obj = World->ObjectById(login_.ChargeId);
    if (!obj || obj->LongProperty(kCurrentManaKey, 0) == 0) {
      UseCharge->Stop();
      return;
    }
    // A use the game took changed the stack, the item's mana or the equipment's.
    std::vector<std::int32_t> lacking;
    const ChargeSnapshot now = TakeChargeSnapshot(*obj, lacking);
    // Full equipment ends the fill: the rest of a stack would be poured away.
    if (lacking.empty()) {
      UseCharge->Stop();
      return;
    }
    login_.chargeRefusals = login_.lastCharge && *login_.lastCharge == now ? login_.chargeRefusals + 1 : 0;
    if (login_.chargeRefusals >= kChargeRefusalLimit) {
      UseCharge->Stop();
      Hub::wtcw_error("Warning: The game did not use " + obj->StringProperty(kNameKey, "") +
                      "; mana filling stopped.");
      return;
    }
    login_.lastCharge = now;
    Hub::wtcw_debug("Stone valid");
    ACHooks->ApplyItem(login_.ChargeId, GetMyCharGUID());
    Hub::wtcw_debug("Stone applied");
    // So the next tick sees the mana it and the items that took it hold.
    ACHooks->RequestIdentify(login_.ChargeId);
    for (const std::int32_t id : lacking) ACHooks->RequestIdentify(id);
  });
}

FilterHandler::ChargeSnapshot FilterHandler::TakeChargeSnapshot(platform::WorldObject& charge,
                                                                std::vector<std::int32_t>& lacking) {
  ChargeSnapshot snap{charge.LongProperty(kStackCountKey, 1), charge.LongProperty(kCurrentManaKey, 0), 0};
  ObjRef<platform::WorldCollection> carried = World->InventoryOf(GetMyCharGUID());
  Walk(*carried, [&](platform::WorldObject& obj) {
    if (obj.LongProperty(kEquippedSlotKey, 0) == 0) return true;
    const std::int32_t cur = obj.LongProperty(kCurrentManaKey, 0);
    snap.equippedMana += cur;
    if (obj.LongProperty(kMaximumManaKey, 0) > cur) lacking.push_back(obj.Id());
    return true;
  });
  return snap;
}

// --- One-key eating and healing ---------------------------------------------------

void FilterHandler::FindFood() {
  Trap("FindFood", kClass, [&] {
    ObjRef<platform::WorldCollection> carried = World->InventoryOf(GetMyCharGUID());
    Walk(*carried, [&](platform::WorldObject& obj) {
      if (obj.ObjectClass() != kFoodClass) return true;
      Hub::wtcw_debug("ID Food: " + obj.Name());
      ACHooks->RequestIdentify(obj.Id());
      return true;
    });
  });
}

void FilterHandler::FindKits() {
  Trap("FindKits", kClass, [&] {
    ObjRef<platform::WorldCollection> carried = World->InventoryOf(GetMyCharGUID());
    Walk(*carried, [&](platform::WorldObject& obj) {
      if (obj.ObjectClass() != kKitClass) return true;
      Hub::wtcw_debug("ID Kit: " + obj.Name());
      ACHooks->RequestIdentify(obj.Id());
      return true;
    });
  });
}

bool FilterHandler::UseFood(std::int32_t vital) {
  bool result = false;
  Trap("UseFood", kClass, [&] {
    ControlHandler& c = Controls();
    if (!c.VitalsEnabled->CheckedGet()) return;
    const std::int32_t cur = CurrentVital(*Char, vital);
    const std::int32_t max = Char->EffectiveVital(vital);
    const std::int32_t need = ToLong(static_cast<std::int64_t>(max) - cur);
    Hub::wtcw_debug("Needed Vital: " + Num(need));
    if (vb::Divide(cur, max) > Fraction(*c.VitalsBlock)) {
      Hub::wtcw_debug("Use Food Blocked due to high vital");
      return;
    }

    const std::int32_t me = GetMyCharGUID();
    std::int32_t bestId = 0;
    std::int64_t bestDiff = 999;
    ObjRef<platform::WorldCollection> carried = World->InventoryOf(me);
    Walk(*carried, [&](platform::WorldObject& obj) {
      std::int32_t restores = 0;
      if (!obj.HasLongProperty(kRestoresVitalKey, restores) || restores != vital) return true;
      const std::string name = obj.Name();
      const std::int32_t amount = obj.LongProperty(kRestoreAmountKey, 0);
      Hub::wtcw_debug("Food Match: " + name + ", Restores: " + Num(amount));
      const std::int64_t diff = std::llabs(static_cast<std::int64_t>(need) - amount);
      if (diff < bestDiff) {
        bestId = obj.Id();
        bestDiff = diff;
      }
      return true;
    });
    Hub::wtcw_debug("Best Fit: " + Num(bestDiff));
    if (bestId != 0) {
      ACHooks->ApplyItem(bestId, me);
      result = true;
    }
  });
  return result;
}

bool FilterHandler::UseKit(bool smart) {
  bool result = false;
  Trap("UseKit", kClass, [&] {
    ControlHandler& c = Controls();
    if (!c.VitalsEnabled->CheckedGet()) return;
    const double factor = ACHooks->CombatMode() != kPeaceMode ? 2.6 : 2.0;
    const std::int32_t curHealth = Char->Health();
    const std::int32_t maxHealth = Char->EffectiveVital(kHealth);
    const std::int32_t need = ToLong(static_cast<std::int64_t>(maxHealth) - curHealth);
    std::int32_t difficulty = vb::CLng(need * factor + 25);
    // An exhausted character can hardly heal at all.
    if (Char->Stamina() < vb::Round(Char->EffectiveVital(kStamina) * 0.04))
      difficulty = ToLong(static_cast<std::int64_t>(difficulty) + 1000);
    Hub::wtcw_debug("Healing - Needed Health: " + Num(need) + ", Difficulty: " + Num(difficulty));
    const double healthFraction = vb::Divide(curHealth, maxHealth);
    if (healthFraction > Fraction(*c.VitalsBlock)) {
      Hub::wtcw_debug("Use Kit Blocked due to high health");
      return;
    }
    const double cheap = Fraction(*c.VitalsCheap);
    const double success = Fraction(*c.VitalsSuccess);

    const std::int32_t me = GetMyCharGUID();
    Kit best;
    auto candidate = [&](platform::WorldObject& obj) {
      Kit k;
      k.id = obj.Id();
      const double margin = static_cast<double>(Char->Skill(kHealingSkill)) + obj.LongProperty(kRestoreAmountKey, 0) -
                            difficulty;
      k.chance = 1 - 1 / (1 + std::exp(0.03 * margin));
      k.regen = obj.DoubleProperty(kKitRegenKey, 0.0);
      k.bonus = obj.LongProperty(kRestoreAmountKey, 0);
      k.uses = obj.LongProperty(kKitUsesKey, 0);
      return k;
    };
    // The same kind of kit with fewer uses left is used up first.
    auto similarWithFewerUses = [&](const Kit& k) {
      if (k.bonus == best.bonus && k.regen == best.regen && k.chance == best.chance && k.uses < best.uses) {
        Hub::wtcw_debug("Similar Kit Found with lower uses remaining: " + Num(k.uses));
        return true;
      }
      return false;
    };
    auto isUsableKit = [&](platform::WorldObject& obj) {
      return obj.ObjectClass() == kKitClass;
    };

    ObjRef<platform::WorldCollection> carried = World->InventoryOf(me);
    Walk(*carried, [&](platform::WorldObject& obj) {
      if (!isUsableKit(obj)) return true;
      const Kit k = candidate(obj);
      if (similarWithFewerUses(k)) {
        best = k;
      } else if (healthFraction > cheap) {
        if (k.chance > success && best.regen * 100 + best.bonus > k.regen * 100 + k.bonus) {
          Hub::wtcw_debug("Conservation path, least 'valuable' kit");
          best = k;
        }
      } else if (k.chance > success && k.regen > best.regen) {
        Hub::wtcw_debug("Best success path, best restore bonus");
        best = k;
      }
      return true;
    });
    if (best.id == 0) {
      Hub::wtcw_debug("No kits match success cutoff, finding best success rate");
      carried->Reset();
      Walk(*carried, [&](platform::WorldObject& obj) {
        if (!isUsableKit(obj)) return true;
        const Kit k = candidate(obj);
        if (similarWithFewerUses(k) || k.chance > best.chance) best = k;
        return true;
      });
    }
    Hub::wtcw_debug("Healing Best Fit - Success: " + vb::CStr(best.chance) + ", Regen: " + vb::CStr(best.regen) +
                    ", Bonus: " + Num(best.bonus));

    bool triedFood = false;
    bool foodUsed = false;
    if (Fraction(*c.VitalsFallback) > best.chance && smart) {
      Hub::wtcw_debug("Healing Smart Mode - Too low chance of success, using health food");
      triedFood = true;
      foodUsed = UseFood(kHealth);
      result = foodUsed;
    }
    if (best.id != 0 && (!triedFood || !foodUsed)) {
      Hub::wtcw_debug("Healing with kit " + Num(best.id));
      ACHooks->ApplyItem(best.id, me);
      result = true;
    }
  });
  return result;
}

// --- Selling peas ---------------------------------------------------------------------

void FilterHandler::StartPeas() {
  login_.PeaState = 1;
  login_.NotesBought = 0;
  login_.PeaIndex = 1;
  login_.peaStalls = 0;
  login_.stackTicks = 0;
  Instance(TimerHandlerInstance).StartSellingPeas();
}

void FilterHandler::StopPeas() {
  login_.PeaState = 0;
  Instance(TimerHandlerInstance).StopSellingPeas();
}

void FilterHandler::StopPeasEncumbered() {
  Hub::wtcw("Unable to sell due to being encumbered.");
  StopPeas();
}

void FilterHandler::SellPeas() {
  // Set by a step that did its work; a tick that fails or cannot proceed
  // counts towards giving up, so a lasting fault is not retried forever.
  bool progressed = false;
  Trap("SellPeas", kClass, [&] {
    if (login_.PeaIndex > kPeaKinds) {
      Hub::wtcw("Done Selling Peas! MMD's Purchased: " + Num(login_.NotesBought));
      StopPeas();
      return;
    }
    if (ACHooks->VendorId() <= 0) {
      Hub::wtcw("No vendor is open.  Please open a vendor window.");
      StopPeas();
      return;
    }
    const PeaKind& kind = kPeaTable[login_.PeaIndex < 1 ? 0 : login_.PeaIndex - 1];
    const std::string kindName = kind.name;
    std::int64_t pyrealCount = 0;
    {
      ObjRef<platform::WorldCollection> coins = World->Inventory();
      coins->NameFilter(kCoinName);
      Walk(*coins, [&](platform::WorldObject& obj) {
        pyrealCount += obj.LongProperty(kStackCountKey, 0);
        return true;
      });
    }
    const std::int32_t neededPyreals = ToLong(kTargetPyreals - pyrealCount);
    ObjRef<platform::VendorInfo> vendor = World->Vendor();
    const double rate = vendor->BuyRate();

    if (login_.PeaState > 9) {
      vendor->ByName(kNoteName);
      std::shared_ptr<platform::WorldObject> note;
      if (!vendor->Next(note) || !note) {
        Hub::wtcw("No MMD Notes Found in Vendor!");
        StopPeas();
        return;
      }
      // Waiting for the bought note and moving it onto a stack is bounded:
      // a note the game stacked by itself, or a move it refuses, would
      // otherwise hold selling here for good.
      if ((login_.PeaState == 12 || login_.PeaState == 13) && ++login_.stackTicks > kStackTickLimit) {
        Hub::wtcw_debug(std::string(kDashes) + "The new note could not be stacked, leaving it alone.");
        login_.NewNoteId = 0;
        login_.PeaState = 1;
        progressed = true;
        return;
      }
      switch (login_.PeaState) {
        case 10:
          if (neededPyreals < 0) {
            const std::int32_t noteId = note->Id();
            Hub::wtcw_debug(std::string(kDashes) + "Purchasing an MMD");
            Hub::wtcw_debug(kDashes + std::string("Adding Tradenote ") + Num(noteId) + " to buy list");
            ACHooks->VendorAddToBuyList(noteId, 1);
            login_.PeaState = 11;
          } else {
            login_.PeaState = 1;
          }
          break;
        case 11:
          Hub::wtcw_debug(std::string(kDashes) + "Buying All Items");
          ACHooks->VendorBuyAll();
          ++login_.NotesBought;
          login_.stackTicks = 0;
          login_.PeaState = 12;
          break;
        case 12: {
          Hub::wtcw_debug(std::string(kDashes) + "Stacking MMD's");
          if (login_.NewNoteId == 0) break;
          ObjRef<platform::WorldCollection> notes = World->Inventory();
          notes->NameFilter(kNoteName);
          bool stacked = false;
          if (notes->Count() > 0) {
            Walk(*notes, [&](platform::WorldObject& obj) {
              const std::int32_t id = obj.Id();
              if (!ACHooks->IsValidObject(id) || id == login_.NewNoteId) return true;
              const std::int32_t count = obj.LongProperty(kStackCountKey, 0);
              if (count >= obj.LongProperty(kMaxStackKey, 0)) return true;
              Hub::wtcw_debug("Stack found, Stacking...");
              login_.StackTargetCount = count;
              login_.StackTargetId = id;
              ACHooks->MoveItem(login_.NewNoteId, id);
              stacked = true;
              return false;
            });
          }
          if (stacked) {
            login_.PeaState = 13;
          } else {
            Hub::wtcw_debug("No Stacks Found, Leaving alone.");
            login_.NewNoteId = 0;
            login_.PeaState = 1;
          }
          break;
        }
        case 13: {
          // A target that has left the inventory is looked for again.
          auto target = World->ObjectById(login_.StackTargetId);
          if (target && target->LongProperty(kStackCountKey, 0) != login_.StackTargetCount) {
            login_.NewNoteId = 0;
            login_.PeaState = 1;
          } else {
            login_.PeaState = 12;
          }
          break;
        }
        default:
          break;
      }
      progressed = true;
      return;
    }
    if (login_.PeaState < 1 || login_.PeaState > 4) {
      progressed = true;
      return;
    }

    // A vendor buying at a rate of 0 fails here as a division error; the step
    // is tried again on the next tick, within the bound below.
    // Never a split to nothing or less: with enough pyreals already, one pea
    // is sold and the note bought.
    std::int32_t peasNeeded = vb::CLng(Hub::Ceiling(vb::Divide(neededPyreals, kind.value * rate)));
    if (peasNeeded < 1) peasNeeded = 1;

    switch (login_.PeaState) {
      case 1: {
        Hub::wtcw_debug(kDashes + std::string("Pyreal Count: ") + Num(pyrealCount) +
                        ", Needed Pyreals: " + Num(neededPyreals));
        ObjRef<platform::WorldCollection> peas = World->Inventory();
        peas->NameFilter(kindName + " Pea");
        if (peas->Count() <= 0) {
          Hub::wtcw_debug(kDashes + std::string("You have no more ") + kindName + " Pea's.  Moving on.");
          ++login_.PeaIndex;
          progressed = true;
          return;
        }
        // The first stack large enough, else the last one.
        std::int32_t stackId = 0;
        bool found = false;
        Walk(*peas, [&](platform::WorldObject& obj) {
          stackId = obj.Id();
          found = true;
          return !(obj.LongProperty(kStackCountKey, 0) > peasNeeded);
        });
        if (!found || !ACHooks->IsValidObject(stackId)) return;
        Hub::wtcw_debug(kDashes + std::string("Selling ") + kindName + " Peas");
        Hub::wtcw_debug(kDashes + std::string("Selecting Item: ") + Num(stackId));
        ACHooks->SelectItem(stackId);
        login_.PeaState = 2;
        break;
      }
      case 2:
        Hub::wtcw_debug(kDashes + std::string("Splitting Selected Item to Stack Size ") + Num(peasNeeded));
        if (ACHooks->SelectedStackSize() >= peasNeeded) {
          ACHooks->SetSelectedStackSize(peasNeeded);
          login_.PeaState = 3;
        } else {
          Hub::wtcw_debug(kDashes + std::string("You have insufficient ") + kindName + " Pea's.  Moving on.");
          ++login_.PeaIndex;
          login_.PeaState = 1;
        }
        break;
      case 3: {
        const std::int32_t selection = ACHooks->GetCurrentSelection();
        Hub::wtcw_debug(kDashes + std::string("Adding Item ") + Num(selection) + " to vendor window");
        ACHooks->VendorAddToSellList(selection);
        login_.PeaState = 4;
        break;
      }
      case 4:
        Hub::wtcw_debug(kDashes + std::string("Selling All Items"));
        ACHooks->VendorSellAll();
        login_.PeaState = 10;
        break;
      default:
        break;
    }
    progressed = true;
  });
  if (progressed || login_.PeaState == 0) {
    login_.peaStalls = 0;
    return;
  }
  if (++login_.peaStalls < kPeaStallLimit) return;
  login_.peaStalls = 0;
  Hub::wtcw_error("Selling peas stopped: the vendor step kept failing.");
  Trap("SellPeas", kClass, [&] { StopPeas(); });
}

// --- Vital alarms ------------------------------------------------------------------------

void FilterHandler::Char_ChangeVital(std::int32_t, std::int32_t) {
  if (!PluginActive) return;
  Hub::wtcw_debug("ChangeVital");
  struct Alarm {
    ObjRef<platform::CheckBoxControl> ControlHandler::*on;
    ObjRef<platform::EditControl> ControlHandler::*percent;
    ObjRef<DX8Sound> FilterHandler::*sound;
    std::int32_t vital;
  };
  static constexpr Alarm kAlarms[] = {
      {&ControlHandler::AlarmHealthOn, &ControlHandler::AlarmHealthPer, &FilterHandler::HealthSound, kHealth},
      {&ControlHandler::AlarmStaminaOn, &ControlHandler::AlarmStaminaPer, &FilterHandler::StaminaSound, kStamina},
      {&ControlHandler::AlarmManaOn, &ControlHandler::AlarmManaPer, &FilterHandler::ManaSound, kMana},
  };
  // Each alarm on its own: one that fails leaves the others working.
  for (std::size_t i = 0; i < std::size(kAlarms); ++i) {
    const Alarm& a = kAlarms[i];
    Trap("Char_ChangeVital", kClass, [&] {
      ControlHandler& c = Controls();
      if (!(c.*a.on)->CheckedGet()) return;
      const std::string text = vb::Replace((c.*a.percent)->TextGet(), "%", "");
      if (!vb::IsNumeric(text)) {
        // Told once per text, not on every change of every vital.
        if (login_.alarmBadTold[i] && login_.alarmBadText[i] == text) return;
        login_.alarmBadTold[i] = true;
        login_.alarmBadText[i] = text;
        Raise(13);
      }
      login_.alarmBadTold[i] = false;
      const double threshold = vb::CDbl(text) / 100;
      const std::int32_t max = Char->EffectiveVital(a.vital);
      // No maximum known yet (the character's stats have not come in).
      if (max <= 0) return;
      const double ratio = static_cast<double>(CurrentVital(*Char, a.vital)) / max;
      DX8Sound& sound = *(this->*a.sound);
      if (ratio < threshold) {
        if (sound.Status() == 0) sound.Play(true);
      } else if (sound.Status() > 0) {
        sound.StopPlay();
      }
    });
  }
}

}  // namespace mellox
