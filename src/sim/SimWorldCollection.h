// A snapshot of world objects taken when the collection was asked for.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/World.h"

namespace mellox::sim {

class SimWorldCollection : public platform::WorldCollection {
 public:
  explicit SimWorldCollection(std::vector<std::shared_ptr<platform::WorldObject>> items) : items_(std::move(items)) {}

  bool NextItem(std::shared_ptr<platform::WorldObject>& item) override;
  void Reset() override { next_ = 0; }
  std::int32_t Count() override { return static_cast<std::int32_t>(items_.size()); }
  void NameFilter(const std::string& name) override;
  void NameFilter2(const std::string& name) override;

 private:
  std::vector<std::shared_ptr<platform::WorldObject>> items_;
  std::size_t next_ = 0;
};

}  // namespace mellox::sim
