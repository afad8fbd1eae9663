// World objects, collections of them, and the open vendor.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Event.h"

namespace mellox::platform {

class WorldObject {
 public:
  virtual ~WorldObject() = default;
  virtual std::int32_t Id() = 0;
  virtual std::string Name() = 0;
  virtual std::int32_t ObjectClass() = 0;
  virtual bool HasIdentifyData() = 0;
  virtual std::int32_t Owner() = 0;
  virtual std::int32_t Container() = 0;
  virtual std::int32_t Icon() = 0;
  // North and east; negative for south and west.
  virtual void Coordinates(double& north, double& east) = 0;
  virtual double LastIdentified() = 0;  // Unix seconds
  virtual std::int32_t LongProperty(std::int32_t key, std::int32_t defaultValue = 0) = 0;
  virtual bool HasLongProperty(std::int32_t key, std::int32_t& value) = 0;
  virtual double DoubleProperty(std::int32_t key, double defaultValue = 0) = 0;
  virtual bool HasDoubleProperty(std::int32_t key, double& value) = 0;
  virtual bool BoolProperty(std::int32_t key, bool defaultValue = false) = 0;
  virtual std::string StringProperty(std::int32_t key, const std::string& defaultValue = {}) = 0;
};

class WorldCollection {
 public:
  virtual ~WorldCollection() = default;
  // Gives the next object and true, or false at the end.
  virtual bool NextItem(std::shared_ptr<WorldObject>& item) = 0;
  virtual void Reset() = 0;
  virtual std::int32_t Count() = 0;
  // Narrow the collection: exact name / name containing the text.
  virtual void NameFilter(const std::string& name) = 0;
  virtual void NameFilter2(const std::string& name) = 0;
};

class VendorInfo {
 public:
  virtual ~VendorInfo() = default;
  virtual void ByName(const std::string& name) = 0;  // narrows to goods of that name
  virtual bool Next(std::shared_ptr<WorldObject>& item) = 0;
  virtual double BuyRate() = 0;
};

class World {
 public:
  virtual ~World() = default;
  virtual std::shared_ptr<WorldObject> ObjectById(std::int32_t id) = 0;
  virtual std::shared_ptr<WorldCollection> ObjectsByName(const std::string& name) = 0;
  virtual std::shared_ptr<WorldCollection> AllObjects() = 0;
  virtual std::shared_ptr<WorldCollection> Inventory() = 0;
  virtual std::shared_ptr<WorldCollection> InventoryOf(std::int32_t container) = 0;
  virtual std::shared_ptr<WorldCollection> Landscape() = 0;
  virtual std::shared_ptr<VendorInfo> Vendor() = 0;

  Event<const std::shared_ptr<WorldObject>&> CreateObject;
  Event<const std::shared_ptr<WorldObject>&, std::int32_t> ChangeObject;  // change 0 to 3
  Event<const std::shared_ptr<WorldObject>&> MoveObject;
  Event<const std::shared_ptr<WorldObject>&> ReleaseObject;
};

}  // namespace mellox::platform
