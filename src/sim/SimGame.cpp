#include "sim/SimGame.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>
#include <string>

#include "sim/SimCharacter.h"
#include "sim/SimWorld.h"
#include "sim/SimWorldObject.h"

namespace mellox::sim {

namespace {

constexpr const char* kCoinName = "Pyreal";
constexpr const char* kSplittingToolName = "Splitting Tool";

std::int32_t StackCount(SimWorldObject& object) {
  std::int32_t count = 1;
  object.HasLongProperty(SimWorld::kStackKey, count);
  return count;
}

bool IsManaSource(SimWorldObject& object) {
  const std::string name = object.Name();
  return name.find("Mana Stone") != std::string::npos || name.find("Mana Charge") != std::string::npos;
}

std::int32_t CurrentVital(SimCharacter& character, std::int32_t vital) {
  switch (vital) {
    case 2: return character.Health();
    case 4: return character.Stamina();
    case 6: return character.Mana();
    default: return 0;
  }
}

// The vital raised by amount, never above its maximum (when one is known).
void Restore(SimCharacter& character, std::int32_t vital, std::int64_t amount) {
  if ((vital != 2 && vital != 4 && vital != 6) || amount <= 0) return;
  const std::int64_t current = CurrentVital(character, vital);
  const std::int64_t maximum = character.EffectiveVital(vital);
  std::int64_t value = current + amount;
  if (maximum > 0) value = std::min(value, std::max(current, maximum));
  value = std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX);
  if (value != current) character.RaiseVital(vital, static_cast<std::int32_t>(value));
}

std::int32_t ClampedCount(std::int64_t count) { return static_cast<std::int32_t>(std::min<std::int64_t>(count, INT32_MAX)); }

}  // namespace

void SimGame::Apply(std::int32_t item, std::int32_t target) {
  // Held while the plug-in answers the events below.
  const auto kept = world_.ObjectById(item);
  SimWorldObject* object = world_.Find(item);
  if (!object) return;
  if (target != character_.Character()) {
    const auto keptTarget = world_.ObjectById(target);
    SimWorldObject* stack = world_.Find(target);
    if (stack && target != item && object->Name() == kSplittingToolName) TakeOne(*stack, SimWorld::kStackKey);
    return;
  }
  if (object->ObjectClass() == kFoodClass) {
    Restore(character_, object->LongProperty(kRestoresVitalKey, 0), object->LongProperty(kRestoreAmountKey, 0));
  } else if (object->ObjectClass() == kKitClass) {
    Restore(character_, kHealth, std::int64_t{character_.EffectiveVital(kHealth)} - character_.Health());
  } else if (IsManaSource(*object)) {
    FillEquipment(object->LongProperty(kCurrentManaKey, 0));
  } else {
    return;
  }
  UseUpOne(*object);
}

void SimGame::FillEquipment(std::int32_t mana) {
  std::int64_t left = mana;
  auto carried = world_.InventoryOf(character_.Character());
  std::shared_ptr<platform::WorldObject> item;
  while (left > 0 && carried->NextItem(item)) {
    SimWorldObject* equipped = world_.Find(item->Id());
    if (!equipped || equipped->LongProperty(kEquippedSlotKey, 0) == 0) continue;
    const std::int64_t current = equipped->LongProperty(kCurrentManaKey, 0);
    const std::int64_t room = std::int64_t{equipped->LongProperty(kMaximumManaKey, 0)} - current;
    if (room <= 0) continue;
    const std::int64_t given = std::min(room, left);
    left -= given;
    equipped->SetLong(kCurrentManaKey, static_cast<std::int32_t>(current + given));
    world_.RaiseChangeObject(equipped->Id(), SimWorld::kChangeSize);
  }
}

void SimGame::UseUpOne(SimWorldObject& object) {
  std::int32_t uses = 0;
  const bool kitUses = object.ObjectClass() == kKitClass && object.HasLongProperty(kKitUsesKey, uses);
  TakeOne(object, kitUses ? kKitUsesKey : SimWorld::kStackKey);
}

void SimGame::TakeOne(SimWorldObject& object, std::int32_t countKey) {
  const std::int32_t id = object.Id();
  const std::int64_t left =
      std::int64_t{countKey == SimWorld::kStackKey ? StackCount(object) : object.LongProperty(countKey, 0)} - 1;
  if (left <= 0) {
    world_.RemoveObject(id);
    return;
  }
  object.SetLong(countKey, static_cast<std::int32_t>(left));
  world_.RaiseChangeObject(id, SimWorld::kChangeSize);
}

std::int32_t SimGame::StackSize(std::int32_t id) {
  SimWorldObject* object = world_.Find(id);
  return object ? StackCount(*object) : 0;
}

std::int32_t SimGame::Split(std::int32_t id, std::int32_t count) {
  SimWorldObject* stack = world_.Find(id);
  if (!stack || count <= 0) return 0;
  const std::int32_t all = StackCount(*stack);
  if (count > all) return 0;
  if (count == all) return id;
  stack->SetLong(SimWorld::kStackKey, static_cast<std::int32_t>(std::int64_t{all} - count));
  world_.RaiseChangeObject(id, SimWorld::kChangeSize);
  auto piece = std::make_shared<SimWorldObject>(*stack, world_.NewId());
  piece->SetLong(SimWorld::kStackKey, count);
  return world_.Insert(std::move(piece)).Id();
}

void SimGame::Move(std::int32_t item, std::int32_t destination) {
  const auto kept = world_.ObjectById(item);
  SimWorldObject* object = world_.Find(item);
  if (!object || item == destination) return;
  SimWorldObject* stack = world_.Find(destination);
  if (!stack && destination != character_.Character()) return;  // nowhere to go
  if (!stack || stack->Name() != object->Name()) {
    world_.RaiseMoveObject(item, destination);
    return;
  }
  // In 64 bits: no count or maximum the sim holds can overflow the sums.
  const std::int64_t held = StackCount(*stack);
  const std::int64_t maximum = stack->LongProperty(SimWorld::kMaxStackKey, 0);
  const std::int64_t count = StackCount(*object);
  const std::int64_t joined = maximum > 0 ? std::clamp<std::int64_t>(maximum - held, 0, std::max<std::int64_t>(count, 0)) : count;
  if (joined <= 0) return;
  stack->SetLong(SimWorld::kStackKey, ClampedCount(held + joined));
  world_.RaiseChangeObject(destination, SimWorld::kChangeSize);
  if (joined == count) {
    world_.RemoveObject(item);
  } else {
    object->SetLong(SimWorld::kStackKey, static_cast<std::int32_t>(count - joined));
    world_.RaiseChangeObject(item, SimWorld::kChangeSize);
  }
}

void SimGame::AddToSellList(std::int32_t id) {
  if (std::find(sellList_.begin(), sellList_.end(), id) == sellList_.end()) sellList_.push_back(id);
}

void SimGame::AddToBuyList(std::int32_t id, std::int32_t count) {
  if (count > 0) buyList_.emplace_back(id, count);
}

void SimGame::ClearLists() {
  sellList_.clear();
  buyList_.clear();
}

void SimGame::SellAll() {
  // The worth is summed in whole pyreals and the rate applied once, so a rate
  // such as 0.1 cannot leave a sale a hair below the pyreal it is worth.
  std::int64_t worth = 0;
  for (std::int32_t id : sellList_) {
    SimWorldObject* object = world_.Find(id);
    if (!object) continue;
    // Held within bounds no real sale reaches, so the sum cannot overflow.
    constexpr std::int64_t kBound = std::int64_t{1} << 61;
    worth = std::clamp(worth + std::int64_t{object->LongProperty(kValueKey, 0)} * StackCount(*object), -kBound, kBound);
    world_.RemoveObject(id);
  }
  sellList_.clear();
  const double exact = static_cast<double>(worth) * world_.VendorBuyRate();
  // A rate read from decimal text is off by far less than this in binary.
  const double paid = std::floor(exact + std::abs(exact) * 1e-12);
  if (paid >= 1) AddPyreals(static_cast<std::int64_t>(std::min(paid, double{INT32_MAX})));
}

void SimGame::BuyAll() {
  std::int64_t price = 0;
  std::vector<std::pair<SimWorldObject*, std::int32_t>> goods;
  for (auto [id, count] : buyList_) {
    SimWorldObject* offered = world_.VendorOffers(id) ? world_.Find(id) : nullptr;
    if (!offered) continue;
    price += std::int64_t{offered->LongProperty(kValueKey, 0)} * count;
    goods.emplace_back(offered, count);
  }
  buyList_.clear();
  if (goods.empty() || price > PyrealsCarried()) return;
  TakePyreals(price);
  for (auto [offered, count] : goods) PutInPack(*offered, count);
}

std::int64_t SimGame::PyrealsCarried() {
  std::int64_t total = 0;
  auto coins = world_.Inventory();
  coins->NameFilter(kCoinName);
  std::shared_ptr<platform::WorldObject> coin;
  while (coins->NextItem(coin)) total += coin->LongProperty(SimWorld::kStackKey, 0);
  return total;
}

void SimGame::AddPyreals(std::int64_t amount) {
  auto coins = world_.Inventory();
  coins->NameFilter(kCoinName);
  std::shared_ptr<platform::WorldObject> coin;
  if (coins->NextItem(coin)) {
    SimWorldObject* stack = world_.Find(coin->Id());
    stack->SetLong(SimWorld::kStackKey, ClampedCount(amount + stack->LongProperty(SimWorld::kStackKey, 0)));
    world_.RaiseChangeObject(stack->Id(), SimWorld::kChangeSize);
    return;
  }
  PutInPack(SimWorldObject(0, kCoinName), ClampedCount(amount));
}

void SimGame::TakePyreals(std::int64_t amount) {
  auto coins = world_.Inventory();
  coins->NameFilter(kCoinName);
  std::shared_ptr<platform::WorldObject> coin;
  while (amount > 0 && coins->NextItem(coin)) {
    SimWorldObject* stack = world_.Find(coin->Id());
    const std::int64_t held = stack->LongProperty(SimWorld::kStackKey, 0);
    if (held <= 0) continue;
    const std::int64_t taken = std::min(held, amount);
    amount -= taken;
    if (taken == held) {
      world_.RemoveObject(stack->Id());
    } else {
      stack->SetLong(SimWorld::kStackKey, static_cast<std::int32_t>(held - taken));
      world_.RaiseChangeObject(stack->Id(), SimWorld::kChangeSize);
    }
  }
}

SimWorldObject& SimGame::PutInPack(const SimWorldObject& original, std::int32_t count) {
  const std::int32_t me = character_.Character();
  auto made = std::make_shared<SimWorldObject>(original, world_.NewId());
  made->SetOwner(me).SetContainer(me).SetLong(SimWorld::kStackKey, count);
  return world_.Insert(std::move(made));
}

}  // namespace mellox::sim
