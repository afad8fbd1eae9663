// The world filter: objects by id, the inventory, the landscape and the open
// vendor. Objects are listed in id order.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/World.h"

namespace mellox::sim {

class SimWorldObject;

class SimWorld : public platform::World {
 public:
  static constexpr std::int32_t kStackKey = 0x0D000006;
  static constexpr std::int32_t kMaxStackKey = 0x0D000007;
  // ChangeObject's change code for a new stack size or mana.
  static constexpr std::int32_t kChangeSize = 0;
  // Objects the game makes (split stacks, bought goods) take free ids from here up.
  static constexpr std::int32_t kFirstNewId = 900001;

  // characterId gives the own character's id (it may change at login).
  explicit SimWorld(std::function<std::int32_t()> characterId) : characterId_(std::move(characterId)) {}

  std::shared_ptr<platform::WorldObject> ObjectById(std::int32_t id) override;
  std::shared_ptr<platform::WorldCollection> ObjectsByName(const std::string& name) override;
  std::shared_ptr<platform::WorldCollection> AllObjects() override;
  std::shared_ptr<platform::WorldCollection> Inventory() override;
  std::shared_ptr<platform::WorldCollection> InventoryOf(std::int32_t container) override;
  std::shared_ptr<platform::WorldCollection> Landscape() override;
  std::shared_ptr<platform::VendorInfo> Vendor() override;

  // Sim controls. AddObject replaces an object of the same id.
  SimWorldObject& AddObject(std::int32_t id, const std::string& name, std::int32_t objectClass = 0);
  // Adds a fully made object (replacing one of the same id), then raises CreateObject.
  SimWorldObject& Insert(std::shared_ptr<SimWorldObject> object);
  // An id no object has held before: counts up from kFirstNewId, past every id ever used.
  std::int32_t NewId();
  SimWorldObject* Find(std::int32_t id);
  void RaiseChangeObject(std::int32_t id, std::int32_t change);   // raises ChangeObject
  void RaiseMoveObject(std::int32_t id, std::int32_t container);  // sets the container, raises MoveObject
  // Raises ReleaseObject, then forgets it; what it holds leaves the world with it.
  void RemoveObject(std::int32_t id);
  // Puts an object into containerId, which the character carries from then on
  // (a pack the world need not hold as an object).
  void AddToInventory(std::int32_t id, std::int32_t containerId);
  // Takes the object out of whatever holds it: it lies on the ground.
  void RemoveFromInventory(std::int32_t id);
  // Carried: held by the character or by a container it carries, as the
  // container chain says.
  bool InInventory(std::int32_t id);
  // Whether container is holder or lies inside it (a pack without an object
  // counts as the character's it was given to), as the container chain says.
  bool Carries(std::int32_t container, std::int32_t holder);
  // A character logging off: its own object and everything it carries leave
  // the world (ReleaseObject, each holder before what it holds) and are kept
  // for BringBack. What lies on the ground or in a chest stays.
  void PutAway(std::int32_t character);
  // The character logging in again: what PutAway kept comes back in the same
  // order (CreateObject).
  void BringBack(std::int32_t character);
  // An object kept out of the world with a character, or null.
  SimWorldObject* FindKept(std::int32_t id);
  // The character an object is kept out of the world with, 0 for none.
  std::int32_t KeptWith(std::int32_t id);
  void SetVendorGoods(std::vector<std::int32_t> ids) { vendorGoods_ = std::move(ids); }
  void AddVendorGood(std::int32_t id);
  bool VendorOffers(std::int32_t id) const;
  void SetVendorBuyRate(double rate) { buyRate_ = rate; }
  double VendorBuyRate() const { return buyRate_; }

 private:
  std::vector<std::shared_ptr<platform::WorldObject>> Select(const std::function<bool(SimWorldObject&)>& keep);
  // The character an object is kept with, and the object; 0 and null for none.
  std::pair<std::int32_t, SimWorldObject*> LookUpKept(std::int32_t id);
  std::function<std::int32_t()> characterId_;
  std::int32_t Me() { return characterId_ ? characterId_() : 0; }
  std::map<std::int32_t, std::shared_ptr<SimWorldObject>> objects_;
  // Containers without an object, given as carried, and their character.
  std::map<std::int32_t, std::int32_t> packs_;
  // By character: what its logoff took out of the world, in that order.
  std::map<std::int32_t, std::vector<std::shared_ptr<SimWorldObject>>> kept_;
  std::vector<std::int32_t> vendorGoods_;
  double buyRate_ = 1.0;
  std::int32_t nextNewId_ = kFirstNewId;
  std::set<std::int32_t> usedIds_;  // every id an object ever held
};

}  // namespace mellox::sim
