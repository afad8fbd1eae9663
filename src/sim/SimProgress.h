#pragma once

#include <algorithm>

#include "sim/SimControl.h"

namespace mellox::sim {

class SimProgress : public SimControl<platform::ProgressControl> {
 public:
  SimProgress(std::int32_t id, std::string name, std::int32_t value) : SimControl(id, std::move(name)) {
    ValueLet(value);
  }
  std::int32_t ValueGet() override { return value_; }
  void ValueLet(std::int32_t value) override { value_ = std::clamp(value, 0, 100); }

 private:
  std::int32_t value_ = 0;
};

}  // namespace mellox::sim
