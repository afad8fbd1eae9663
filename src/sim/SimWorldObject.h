// A world object with settable fields and separate property maps per type
// (the same key may exist in several).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "platform/World.h"

namespace mellox::sim {

class SimWorldObject : public platform::WorldObject {
 public:
  static constexpr std::int32_t kNameKey = 1;
  // The container as a property too: inventory look-ups read it there.
  static constexpr std::int32_t kContainerKey = 0x0D000002;

  SimWorldObject(std::int32_t id, std::string name, std::int32_t objectClass = 0)
      : id_(id), name_(std::move(name)), class_(objectClass) {}

  std::int32_t Id() override { return id_; }
  std::string Name() override { return name_; }
  std::int32_t ObjectClass() override { return class_; }
  bool HasIdentifyData() override { return hasIdData_; }
  std::int32_t Owner() override { return owner_; }
  std::int32_t Container() override { return container_; }
  std::int32_t Icon() override { return icon_; }
  void Coordinates(double& north, double& east) override;
  double LastIdentified() override { return lastIdentified_; }
  std::int32_t LongProperty(std::int32_t key, std::int32_t defaultValue = 0) override;
  bool HasLongProperty(std::int32_t key, std::int32_t& value) override;
  double DoubleProperty(std::int32_t key, double defaultValue = 0) override;
  bool HasDoubleProperty(std::int32_t key, double& value) override;
  bool BoolProperty(std::int32_t key, bool defaultValue = false) override;
  std::string StringProperty(std::int32_t key, const std::string& defaultValue = {}) override;

  // Sim setters (chainable where handy).
  SimWorldObject& SetName(std::string name) { name_ = std::move(name); return *this; }
  SimWorldObject& SetObjectClass(std::int32_t c) { class_ = c; return *this; }
  SimWorldObject& SetHasIdentifyData(bool has) { hasIdData_ = has; return *this; }
  SimWorldObject& SetOwner(std::int32_t id) { owner_ = id; return *this; }
  SimWorldObject& SetContainer(std::int32_t id) {
    container_ = id;
    longs_[kContainerKey] = id;
    return *this;
  }
  SimWorldObject& SetIcon(std::int32_t icon) { icon_ = icon; return *this; }
  SimWorldObject& SetCoordinates(double north, double east) { north_ = north; east_ = east; return *this; }
  SimWorldObject& SetLastIdentified(double unixSeconds) { lastIdentified_ = unixSeconds; return *this; }
  // The container property and the container are one: setting either sets both.
  SimWorldObject& SetLong(std::int32_t key, std::int32_t v) {
    if (key == kContainerKey) return SetContainer(v);
    longs_[key] = v;
    return *this;
  }
  SimWorldObject& SetDouble(std::int32_t key, double v) { doubles_[key] = v; return *this; }
  SimWorldObject& SetBool(std::int32_t key, bool v) { bools_[key] = v; return *this; }
  SimWorldObject& SetString(std::int32_t key, std::string v) { strings_[key] = std::move(v); return *this; }
  void ClearProperty(std::int32_t key);  // from every map

  // A copy of original under another id, as the game makes a split stack or a bought good.
  SimWorldObject(const SimWorldObject& original, std::int32_t id) : SimWorldObject(original) { id_ = id; }

  // What an identify answer reports of a creature's health (full 100 until set).
  SimWorldObject& SetHealth(std::int32_t current, std::int32_t maximum) {
    health_ = current;
    healthMax_ = maximum;
    return *this;
  }
  std::int32_t Health() const { return health_; }
  std::int32_t HealthMax() const { return healthMax_; }

 private:
  std::int32_t id_;
  std::string name_;
  std::int32_t class_;
  bool hasIdData_ = false;
  std::int32_t owner_ = 0;
  std::int32_t container_ = 0;
  std::int32_t icon_ = 0;
  double north_ = 0;
  double east_ = 0;
  double lastIdentified_ = 0;
  std::int32_t health_ = 100;
  std::int32_t healthMax_ = 100;
  std::map<std::int32_t, std::int32_t> longs_;
  std::map<std::int32_t, double> doubles_;
  std::map<std::int32_t, bool> bools_;
  std::map<std::int32_t, std::string> strings_;
};

}  // namespace mellox::sim
