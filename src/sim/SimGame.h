// The game's answers to the plug-in's item and vendor actions. The sim stands
// in for the game, so each answer follows one plain rule (the README lists
// them) and raises the world and character events the game would raise.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace mellox::sim {

class SimCharacter;
class SimWorld;
class SimWorldObject;

class SimGame {
 public:
  static constexpr std::int32_t kValueKey = 19;          // worth of one piece, in pyreals
  static constexpr std::int32_t kRestoresVitalKey = 89;  // food: the vital it restores
  static constexpr std::int32_t kRestoreAmountKey = 90;  // food: by how much
  static constexpr std::int32_t kKitUsesKey = 92;
  static constexpr std::int32_t kCurrentManaKey = 107;
  static constexpr std::int32_t kMaximumManaKey = 108;
  static constexpr std::int32_t kEquippedSlotKey = 10;
  static constexpr std::int32_t kFoodClass = 6;
  static constexpr std::int32_t kKitClass = 29;
  static constexpr std::int32_t kHealth = 2;

  SimGame(SimWorld& world, SimCharacter& character) : world_(world), character_(character) {}

  // Food or a kit applied to the character restores a vital; a mana stone or
  // charge fills the equipped items. Each uses up one of what was applied.
  // A splitting tool applied to a stack takes one from that stack.
  void Apply(std::int32_t item, std::int32_t target);
  // The stack size selecting the object gives: its stack count, 1 for an
  // object without one, 0 for an object the world does not hold.
  std::int32_t StackSize(std::int32_t id);
  // Splits count pieces off the stack into a new object beside it. Gives the
  // object now holding count (the stack itself when count is all of it), or 0
  // when the stack cannot give that many.
  std::int32_t Split(std::int32_t id, std::int32_t count);

  // An object moved onto a stack of its own name joins it, as much as the
  // stack's maximum takes; moved anywhere else it goes into that container.
  void Move(std::int32_t item, std::int32_t destination);

  void AddToSellList(std::int32_t id);
  void AddToBuyList(std::int32_t id, std::int32_t count);
  // Pays the sell list at the open vendor's rate; the sold objects leave the world.
  void SellAll();
  // Takes the buy list's price from the pyreals carried and puts new objects,
  // the character's own, into the pack; nothing when the pyreals do not reach.
  void BuyAll();
  void ClearLists();

 private:
  // One of the stack (or one of a kit's uses) is gone; at 0 the object leaves the world.
  void UseUpOne(SimWorldObject& object);
  // One less of the count under countKey; at 0 the object leaves the world.
  void TakeOne(SimWorldObject& object, std::int32_t countKey);
  void FillEquipment(std::int32_t mana);
  std::int64_t PyrealsCarried();
  void AddPyreals(std::int64_t amount);
  void TakePyreals(std::int64_t amount);
  SimWorldObject& PutInPack(const SimWorldObject& original, std::int32_t count);

  SimWorld& world_;
  SimCharacter& character_;
  std::vector<std::int32_t> sellList_;
  std::vector<std::pair<std::int32_t, std::int32_t>> buyList_;  // vendor's object, count
};

}  // namespace mellox::sim
