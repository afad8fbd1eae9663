#include "sim/SimWorld.h"

#include <algorithm>

#include "sim/SimVendorInfo.h"
#include "sim/SimWorldCollection.h"
#include "sim/SimWorldObject.h"

namespace mellox::sim {

std::shared_ptr<platform::WorldObject> SimWorld::ObjectById(std::int32_t id) {
  auto it = objects_.find(id);
  if (it == objects_.end()) return nullptr;
  return it->second;
}

SimWorldObject* SimWorld::Find(std::int32_t id) {
  auto it = objects_.find(id);
  return it == objects_.end() ? nullptr : it->second.get();
}

std::vector<std::shared_ptr<platform::WorldObject>> SimWorld::Select(
    const std::function<bool(SimWorldObject&)>& keep) {
  std::vector<std::shared_ptr<platform::WorldObject>> out;
  for (auto& [id, obj] : objects_)
    if (keep(*obj)) out.push_back(obj);
  return out;
}

std::shared_ptr<platform::WorldCollection> SimWorld::ObjectsByName(const std::string& name) {
  return std::make_shared<SimWorldCollection>(Select([&](SimWorldObject& o) { return o.Name() == name; }));
}

std::shared_ptr<platform::WorldCollection> SimWorld::AllObjects() {
  return std::make_shared<SimWorldCollection>(Select([](SimWorldObject&) { return true; }));
}

bool SimWorld::InInventory(std::int32_t id) {
  SimWorldObject* obj = Find(id);
  return obj && Carries(obj->Container(), Me());
}

bool SimWorld::Carries(std::int32_t container, std::int32_t holder) {
  // Each step goes one container out; more steps than objects is a loop.
  for (std::size_t steps = 0; steps <= objects_.size(); ++steps) {
    if (container == 0) return false;
    if (container == holder) return true;
    SimWorldObject* outer = Find(container);
    if (!outer) {
      auto pack = packs_.find(container);
      return pack != packs_.end() && pack->second == holder;
    }
    container = outer->Container();
  }
  return false;
}

void SimWorld::PutAway(std::int32_t character) {
  // Holders first: the character, the packs it has without an object, then
  // down each container in id order.
  std::vector<std::int32_t> order;
  std::vector<std::int32_t> holders;
  if (objects_.count(character)) order.push_back(character);
  for (const auto& [pack, owner] : packs_)
    if (owner == character && !objects_.count(pack)) holders.push_back(pack);
  holders.push_back(character);
  std::set<std::int32_t> taken(order.begin(), order.end());
  while (!holders.empty()) {
    const std::int32_t holder = holders.back();
    holders.pop_back();
    std::vector<std::int32_t> contents;
    for (const auto& [id, object] : objects_)
      if (object->Container() == holder && taken.insert(id).second) contents.push_back(id);
    order.insert(order.end(), contents.begin(), contents.end());
    holders.insert(holders.end(), contents.rbegin(), contents.rend());
  }
  auto& kept = kept_[character];
  for (std::int32_t id : order) {
    auto it = objects_.find(id);
    if (it == objects_.end()) continue;  // a handler released it already
    auto object = it->second;
    ReleaseObject.Emit(object);
    it = objects_.find(id);
    if (it == objects_.end() || it->second != object) continue;
    objects_.erase(it);
    kept.push_back(std::move(object));
  }
  if (kept.empty()) kept_.erase(character);
}

void SimWorld::BringBack(std::int32_t character) {
  auto it = kept_.find(character);
  if (it == kept_.end()) return;
  auto kept = std::move(it->second);
  kept_.erase(it);
  for (auto& object : kept) Insert(std::move(object));
}

std::pair<std::int32_t, SimWorldObject*> SimWorld::LookUpKept(std::int32_t id) {
  for (const auto& [character, kept] : kept_)
    for (const auto& object : kept)
      if (object->Id() == id) return {character, object.get()};
  return {0, nullptr};
}

SimWorldObject* SimWorld::FindKept(std::int32_t id) { return LookUpKept(id).second; }

std::int32_t SimWorld::KeptWith(std::int32_t id) { return LookUpKept(id).first; }

std::shared_ptr<platform::WorldCollection> SimWorld::Inventory() {
  return std::make_shared<SimWorldCollection>(Select([&](SimWorldObject& o) { return InInventory(o.Id()); }));
}

std::shared_ptr<platform::WorldCollection> SimWorld::InventoryOf(std::int32_t container) {
  return std::make_shared<SimWorldCollection>(
      Select([&](SimWorldObject& o) { return o.Container() == container; }));
}

std::shared_ptr<platform::WorldCollection> SimWorld::Landscape() {
  return std::make_shared<SimWorldCollection>(Select([&](SimWorldObject& o) { return !InInventory(o.Id()); }));
}

std::shared_ptr<platform::VendorInfo> SimWorld::Vendor() {
  std::vector<std::shared_ptr<platform::WorldObject>> goods;
  for (std::int32_t id : vendorGoods_)
    if (auto obj = ObjectById(id)) goods.push_back(obj);
  return std::make_shared<SimVendorInfo>(std::move(goods), buyRate_);
}

SimWorldObject& SimWorld::AddObject(std::int32_t id, const std::string& name, std::int32_t objectClass) {
  return Insert(std::make_shared<SimWorldObject>(id, name, objectClass));
}

SimWorldObject& SimWorld::Insert(std::shared_ptr<SimWorldObject> object) {
  objects_[object->Id()] = object;
  usedIds_.insert(object->Id());
  CreateObject.Emit(object);
  return *object;
}

std::int32_t SimWorld::NewId() {
  // Ids are kept in order: the first gap from the counter up is free.
  for (auto it = usedIds_.lower_bound(nextNewId_); it != usedIds_.end() && *it == nextNewId_; ++it) ++nextNewId_;
  return nextNewId_++;
}

void SimWorld::AddVendorGood(std::int32_t id) {
  if (!VendorOffers(id)) vendorGoods_.push_back(id);
}

bool SimWorld::VendorOffers(std::int32_t id) const {
  return std::find(vendorGoods_.begin(), vendorGoods_.end(), id) != vendorGoods_.end();
}

void SimWorld::RaiseChangeObject(std::int32_t id, std::int32_t change) {
  if (auto obj = ObjectById(id)) ChangeObject.Emit(obj, change);
}

void SimWorld::RaiseMoveObject(std::int32_t id, std::int32_t container) {
  auto it = objects_.find(id);
  if (it == objects_.end()) return;
  auto obj = it->second;
  obj->SetContainer(container);
  MoveObject.Emit(obj);
}

void SimWorld::RemoveObject(std::int32_t id) {
  auto it = objects_.find(id);
  if (it == objects_.end()) return;
  std::shared_ptr<platform::WorldObject> obj = it->second;
  ReleaseObject.Emit(obj);
  objects_.erase(id);
  // Its contents go with it (a handler may have released some already).
  std::vector<std::int32_t> contents;
  for (const auto& [heldId, held] : objects_)
    if (held->Container() == id) contents.push_back(heldId);
  for (std::int32_t heldId : contents) RemoveObject(heldId);
}

void SimWorld::AddToInventory(std::int32_t id, std::int32_t containerId) {
  if (SimWorldObject* obj = Find(id)) obj->SetContainer(containerId);
  const std::int32_t me = Me();
  if (containerId != me) packs_[containerId] = me;
}

void SimWorld::RemoveFromInventory(std::int32_t id) {
  if (SimWorldObject* obj = Find(id)) obj->SetContainer(0);
}

}  // namespace mellox::sim
