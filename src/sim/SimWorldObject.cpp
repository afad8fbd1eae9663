#include "sim/SimWorldObject.h"

namespace mellox::sim {

void SimWorldObject::Coordinates(double& north, double& east) {
  north = north_;
  east = east_;
}

std::int32_t SimWorldObject::LongProperty(std::int32_t key, std::int32_t defaultValue) {
  auto it = longs_.find(key);
  return it == longs_.end() ? defaultValue : it->second;
}

bool SimWorldObject::HasLongProperty(std::int32_t key, std::int32_t& value) {
  auto it = longs_.find(key);
  if (it == longs_.end()) return false;
  value = it->second;
  return true;
}

double SimWorldObject::DoubleProperty(std::int32_t key, double defaultValue) {
  auto it = doubles_.find(key);
  return it == doubles_.end() ? defaultValue : it->second;
}

bool SimWorldObject::HasDoubleProperty(std::int32_t key, double& value) {
  auto it = doubles_.find(key);
  if (it == doubles_.end()) return false;
  value = it->second;
  return true;
}

bool SimWorldObject::BoolProperty(std::int32_t key, bool defaultValue) {
  auto it = bools_.find(key);
  return it == bools_.end() ? defaultValue : it->second;
}

std::string SimWorldObject::StringProperty(std::int32_t key, const std::string& defaultValue) {
  auto it = strings_.find(key);
  if (it != strings_.end()) return it->second;
  return key == kNameKey ? name_ : defaultValue;
}

void SimWorldObject::ClearProperty(std::int32_t key) {
  if (key == kContainerKey) container_ = 0;
  longs_.erase(key);
  doubles_.erase(key);
  bools_.erase(key);
  strings_.erase(key);
}

}  // namespace mellox::sim
