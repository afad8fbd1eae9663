// FilterHandler's queries on the character, inventory and world, the item
// actions, coordinate texts and the search for objects by name. Every query
// reads the host at the moment of the call; nothing is cached.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "core/Globals.h"
#include "core/Hub.h"
#include "core/ObjRef.h"
#include "core/Trap.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "host/FilterHandler.h"

#include "hud/HudRoster.h"
#include "hud/HudWindow.h"
#include "settings_view/ControlHandler.h"
#include "tracking/SpellFilterHandler.h"

namespace mellox {

namespace {

constexpr const char* kClass = "FilterHandler";

// Game property keys.
constexpr std::int32_t kIconKey = 0x0D000001;
constexpr std::int32_t kContainerKey = 0x0D000002;
constexpr std::int32_t kStackCountKey = 0x0D000006;
constexpr std::int32_t kCurrentManaKey = 107;
constexpr std::int32_t kVitaeXPKey = 129;
constexpr std::int32_t kNameKey = 1;
constexpr std::int32_t kNpcClass = 37;

SpellFilterHandler& SpellTable() {
  if (!SpellFilterHandlerInstance) Raise(91);
  return *SpellFilterHandlerInstance;
}

// The first object of a collection, or null when it is empty.
std::shared_ptr<platform::WorldObject> First(const ObjRef<platform::WorldCollection>& items) {
  std::shared_ptr<platform::WorldObject> obj;
  if (!items->NextItem(obj)) return nullptr;
  return obj;
}

// The objects of that name in the inventory that count: those outside the
// container the hooks exclude, asked anew for every object. visit returns
// false to stop the walk.
template <class Visit>
void ForEachCountedInInventory(platform::World& world, platform::ACHooks& hooks, const std::string& name,
                               Visit&& visit) {
  ObjRef<platform::WorldCollection> items = world.Inventory();
  items->NameFilter(name);
  std::shared_ptr<platform::WorldObject> obj;
  while (items->NextItem(obj)) {
    if (!obj) continue;
    if (obj->LongProperty(kContainerKey, 0) == hooks.ExcludedContainer()) continue;
    if (!visit(*obj)) return;
  }
}

// A property of an object the hooks know and the world holds; -1 otherwise.
// The world is not asked about an id the hooks reject.
std::int32_t LongPropertyOfValid(platform::World& world, platform::ACHooks& hooks, std::int32_t objectId,
                                 std::int32_t key) {
  if (!hooks.IsValidObject(objectId)) return -1;
  auto obj = world.ObjectById(objectId);
  if (!obj) return -1;
  return obj->LongProperty(key, 0);
}

// An object's position; an id the world does not hold raises error 91.
void ObjectCoordinates(platform::World& world, std::int32_t objectId, double& ns, double& ew) {
  ObjRef<platform::WorldObject> obj = world.ObjectById(objectId);
  ns = 0;
  ew = 0;
  obj->Coordinates(ns, ew);
}

// Half away from zero, as the "0.0" number format rounds; never gives -0.
double RoundTenthAway(double value) { return vb::CDbl(vb::FormatFixed(value, 1)) + 0.0; }

// Moves a HUD's window at once: its x, then its y.
void MoveHudEngine(HudId hud, std::int32_t x, std::int32_t y) {
  HudWindow* engine = HudRoster::Engine(hud);
  if (!engine) Raise(91);
  engine->SetX(x);
  engine->SetY(y);
}

}  // namespace

// --- Character ---------------------------------------------------------------

std::string FilterHandler::GetMyServer() { return Char->Server(); }
std::string FilterHandler::GetMyCharName() { return Char->Name(); }
std::int32_t FilterHandler::GetMyCharLevel() { return Char->Level(); }
std::int32_t FilterHandler::GetMyCharGUID() { return Char->Character(); }
std::int32_t FilterHandler::GetMyCharVitae() { return vb::CLng(Char->Vitae()); }

std::int32_t FilterHandler::GetMyCharVitaeXP() {
  ObjRef<platform::WorldObject> me = World->ObjectById(GetMyCharGUID());
  return me->LongProperty(kVitaeXPKey, 0);
}

std::int32_t FilterHandler::GetMyFollowers() {
  std::int32_t result = 0;
  Trap("GetMyFollowers", kClass, [&] { result = Char->Followers(); });
  return result;
}

std::int32_t FilterHandler::GetAllegFollowers() {
  std::int32_t result = 0;
  Trap("GetAllegFollowers", kClass, [&] {
    const std::int32_t count = Char->AllegianceFollowers();
    if (count == INT32_MIN) Raise(6);
    result = count - 1;
  });
  return result;
}

std::int32_t FilterHandler::GetMyEnchantmentCount() { return Char->EnchantmentCount(); }

std::shared_ptr<platform::Enchantment> FilterHandler::GetMyEnchantment(std::int32_t index) {
  if (index < 0 || index >= Char->EnchantmentCount()) Raise(9);
  ObjRef<platform::Enchantment> e = Char->GetEnchantment(index);
  if (!e) Raise(91);
  return e.shared();
}

std::int32_t FilterHandler::GetActiveSpellFamily(const std::string& spellName) {
  std::int32_t result = -1;
  Trap("GetActiveSpellFamily", kClass, [&] {
    const std::int32_t count = Char->EnchantmentCount();
    for (std::int32_t i = 0; i < count; ++i) {
      auto e = GetMyEnchantment(i);
      if (SpellTable().GetName(e->SpellId()) == spellName) {
        result = e->Family();
        return;
      }
    }
  });
  return result;
}

std::shared_ptr<platform::Enchantment> FilterHandler::GetActiveSpell(std::int32_t family) {
  std::shared_ptr<platform::Enchantment> chosen;
  const bool ok = Trap("GetActiveSpell", kClass, [&] {
    SpellFilterHandler& table = SpellTable();
    const std::int32_t count = Char->EnchantmentCount();
    for (std::int32_t i = 0; i < count; ++i) {
      auto e = GetMyEnchantment(i);
      if (e->Family() != family) continue;
      if (!chosen) {
        chosen = e;
      } else if (table.GetDifficulty(e->SpellId()) >= table.GetDifficulty(chosen->SpellId()) &&
                 e->TimeRemaining() > chosen->TimeRemaining()) {
        chosen = e;
      }
    }
  });
  return ok ? chosen : nullptr;
}

bool FilterHandler::IsSpellActive(const std::string& spellName) {
  bool result = false;
  Trap("Spell_Active", kClass, [&] {
    const std::int32_t id = SpellTable().GetID(spellName);
    const std::int32_t count = Char->EnchantmentCount();
    for (std::int32_t i = 0; i < count; ++i) {
      auto e = GetMyEnchantment(i);
      if (e->SpellId() == id && e->TimeRemaining() > 0) {
        result = true;
        return;
      }
    }
  });
  return result;
}

// Exact and case-sensitive, never a pattern: a name holding *, ?, # or [
// must neither match other corpses nor fail as a malformed pattern.
bool FilterHandler::IsMyCorpse(const std::string& objectName) {
  return objectName == "Corpse of " + GetMyCharName();
}

// --- Inventory and world objects ----------------------------------------------

bool FilterHandler::ItemExists(std::int32_t objectId) {
  bool result = false;
  Trap("ItemExists", kClass, [&] {
    result = ACHooks->IsValidObject(objectId) && World->ObjectById(objectId) != nullptr;
  });
  return result;
}

std::string FilterHandler::GetName(std::int32_t objectId) {
  ObjRef<platform::WorldObject> obj = World->ObjectById(objectId);
  return obj->StringProperty(kNameKey, "");
}

std::int32_t FilterHandler::GetID(const std::string& name) {
  ObjRef<platform::WorldCollection> all = World->AllObjects();
  all->NameFilter(name);
  auto obj = First(all);
  return obj ? obj->Id() : -1;
}

std::int32_t FilterHandler::GetIDinInv(const std::string& name) {
  std::int32_t found = -1;
  ForEachCountedInInventory(*World, *ACHooks, name, [&](platform::WorldObject& obj) {
    found = obj.Id();
    return false;
  });
  return found;
}

std::int32_t FilterHandler::GetIcon(const std::string& name) {
  ObjRef<platform::WorldCollection> named = World->ObjectsByName(name);
  auto obj = First(named);
  return obj ? obj->LongProperty(kIconKey, 0) : -1;
}

std::int32_t FilterHandler::GetItemCount(const std::string& name) {
  std::int32_t result = 0;
  Trap("GetItemCount", kClass, [&] {
    std::int64_t total = 0;
    ForEachCountedInInventory(*World, *ACHooks, name, [&](platform::WorldObject& obj) {
      const std::int32_t stack = obj.LongProperty(kStackCountKey, 0);
      total += stack > 0 ? stack : 1;
      if (total > INT32_MAX) Raise(6);
      return true;
    });
    result = static_cast<std::int32_t>(total);
  });
  return result;
}

std::int32_t FilterHandler::GetItemStackCount(std::int32_t objectId) {
  std::int32_t result = -1;
  Trap("GetItemStackCount", kClass, [&] { result = LongPropertyOfValid(*World, *ACHooks, objectId, kStackCountKey); });
  return result;
}

std::int32_t FilterHandler::GetItemMana(std::int32_t objectId) {
  std::int32_t result = -1;
  Trap("GetItemMana", kClass, [&] { result = LongPropertyOfValid(*World, *ACHooks, objectId, kCurrentManaKey); });
  return result;
}

bool FilterHandler::IsNPC(const std::string& name) {
  bool result = false;
  Trap("IsNPC", kClass, [&] {
    bool npc = false;
    ObjRef<platform::WorldCollection> named = World->ObjectsByName(name);
    std::shared_ptr<platform::WorldObject> obj;
    while (named->NextItem(obj)) {
      if (obj && obj->Name() == name && obj->ObjectClass() == kNpcClass) npc = true;
    }
    Hub::wtcw_debug(std::string("IsNPC: ") + (npc ? "True" : "False"));
    result = npc;
  });
  return result;
}

// --- Game state -------------------------------------------------------------

bool FilterHandler::GetChatState() { return ACHooks->ChatState(); }
std::int32_t FilterHandler::GetCurrentSelection() { return ACHooks->GetCurrentSelection(); }
std::int32_t FilterHandler::GetCombatMode() { return ACHooks->CombatMode(); }
std::int32_t FilterHandler::GetBusyState() { return ACHooks->BusyState(); }
std::int32_t FilterHandler::GetPointerState() { return ACHooks->PointerState(); }

// --- Item actions -------------------------------------------------------------

void FilterHandler::UseItem(std::int32_t objectId, std::int32_t mode) {
  Trap("UseItem", kClass, [&] {
    if (!PluginActive) return;
    if (ACHooks->IsValidObject(objectId)) ACHooks->UseItem(objectId, mode);
  });
}

void FilterHandler::GiveItem(std::int32_t objectId, std::int32_t targetId) {
  Trap("GiveItem", kClass, [&] {
    if (!PluginActive) return;
    const bool itemValid = ACHooks->IsValidObject(objectId);
    const bool targetValid = ACHooks->IsValidObject(targetId);
    if (itemValid && targetValid) ACHooks->GiveItem(objectId, targetId);
  });
}

void FilterHandler::ApplyItem(std::int32_t objectId, std::int32_t targetId) {
  Trap("ApplyItem", kClass, [&] {
    if (!PluginActive) return;
    const bool itemValid = ACHooks->IsValidObject(objectId);
    const bool targetValid = ACHooks->IsValidObject(targetId);
    if (itemValid && targetValid) ACHooks->ApplyItem(objectId, targetId);
  });
}

// --- Services -----------------------------------------------------------------

void FilterHandler::SetIdleTime(double seconds) {
  ACHooks->SetIdleTime(seconds);
  idleExtended_ = seconds > kNormalIdleSeconds;
}

void FilterHandler::ResetHUDsPos() {
  for (HudId hud : {HudId::Clock, HudId::Items, HudId::Main}) {
    const platform::Point place = *HudRoster::ResetPlace(hud);
    MoveHudEngine(hud, place.x, place.y);
  }
  if (!ControlHandlerInstance) Raise(91);
  ControlHandlerInstance->Settings_Save(0);
}

void FilterHandler::ExportEnchantments() {
  const std::int32_t count = Char->EnchantmentCount();
  for (std::int32_t i = 0; i < count; ++i) {
    auto e = GetMyEnchantment(i);
    Hub::wtcw_debug(std::to_string(e->SpellId()) + " " + std::to_string(e->Family()) + " " +
                    std::to_string(e->TimeRemaining()));
  }
}

// --- Coordinates --------------------------------------------------------------

std::string FilterHandler::ConvCoords(double ns, double ew) {
  std::string text = ns < 0 ? FormatCoord(-ns) + "S, " : FormatCoord(ns) + "N, ";
  text += ew < 0 ? FormatCoord(-ew) + "W" : FormatCoord(ew) + "E";
  return text;
}

// Rounds the value as its decimal reading (15 significant digits) to tenths,
// ties to the even tenth, and writes it with exactly one decimal and a ".":
// 0.95 reads as a tie and gives "1.0", 0.25 gives "0.2". Working on the
// decimal digits keeps a value such as 0.95 from rounding by its binary
// representation, and the text is built by hand so no locale can touch it.
std::string FilterHandler::FormatCoord(double value) {
  if (!std::isfinite(value)) Raise(6);
  if (value == 0) return "0.0";
  if (value < 0) {
    const std::string positive = FormatCoord(-value);
    return positive == "0.0" ? positive : "-" + positive;
  }
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
  const std::string sci(buf, res.ptr);
  const std::size_t ePos = sci.find('e');
  std::int64_t digits = 0;  // the 15 significant digits as one whole number
  for (std::size_t i = 0; i < ePos; ++i)
    if (sci[i] >= '0' && sci[i] <= '9') digits = digits * 10 + (sci[i] - '0');
  const int exponent = std::atoi(sci.c_str() + ePos + 1);
  // value = digits * 10^(exponent - 14), so tenths = digits * 10^(exponent - 13).
  if (exponent >= 15) return vb::FormatFixed(value, 1);  // whole at 15 digits, no rounding to do
  std::int64_t tenths = 0;
  const int shift = exponent - 13;
  if (shift >= 0) {
    tenths = digits * (shift == 1 ? 10 : 1);
  } else if (-shift <= 16) {
    std::int64_t divisor = 1;
    for (int i = 0; i < -shift; ++i) divisor *= 10;
    tenths = digits / divisor;
    const std::int64_t twiceRest = 2 * (digits % divisor);
    if (twiceRest > divisor || (twiceRest == divisor && tenths % 2 != 0)) ++tenths;
  }  // smaller than 10^-3: rounds to 0
  return std::to_string(tenths / 10) + "." + static_cast<char>('0' + tenths % 10);
}

std::string FilterHandler::GetCharCoords() { return GetItemCoords(GetMyCharGUID()); }

std::string FilterHandler::GetItemCoords(std::int32_t objectId) {
  double ns = 0;
  double ew = 0;
  ObjectCoordinates(*World, objectId, ns, ew);
  return ConvCoords(ns, ew);
}

double FilterHandler::GetRawNS() {
  double ns = 0;
  double ew = 0;
  ObjectCoordinates(*World, GetMyCharGUID(), ns, ew);
  return RoundTenthAway(ns);
}

double FilterHandler::GetRawEW() {
  double ns = 0;
  double ew = 0;
  ObjectCoordinates(*World, GetMyCharGUID(), ns, ew);
  return RoundTenthAway(ew);
}

// --- Object search --------------------------------------------------------------

void FilterHandler::Find(const std::string& text) {
  Trap("Find", kClass, [&] {
    // An empty text is part of every name: it would report and select every
    // object around the character.
    if (text.empty()) return;
    ObjRef<platform::WorldCollection> around = World->Landscape();
    std::shared_ptr<platform::WorldObject> obj;
    while (around->NextItem(obj)) {
      if (!obj || vb::InStr(obj->Name(), text, true) == 0) continue;
      const std::int32_t id = obj->Id();
      const std::string coords = GetItemCoords(id);
      const std::string name = obj->StringProperty(kNameKey, "");
      Hub::wtcw("(" + coords + ") " + name);
      ACHooks->SelectItem(id);
    }
  });
}

void FilterHandler::Find_in_Pack(const std::string& name) {
  ObjRef<platform::WorldCollection> items = World->Inventory();
  items->NameFilter2(name);
  auto obj = First(items);
  if (obj) {
    const std::int32_t id = obj->Id();
    ACHooks->SelectItem(id);
    Hub::wtcw("Found " + name + ", GUID: " + std::to_string(id));
  } else {
    Hub::wtcw("Failed to find " + name);
  }
}

}  // namespace mellox
