#pragma once

#include "sim/SimControl.h"

namespace mellox::sim {

class SimSlider : public SimControl<platform::SliderControl> {
 public:
  SimSlider(std::int32_t id, std::string name, std::int32_t min, std::int32_t max, std::int32_t position);
  std::int32_t SliderPositionGet() override { return position_; }
  void SliderPositionLet(std::int32_t position) override;  // kept within min..max
  // The user drags the slider: Change(id, position). Raises 380 outside min..max.
  void UserSlide(std::int32_t position);
  std::int32_t Min() const { return min_; }
  std::int32_t Max() const { return max_; }

 private:
  std::int32_t min_;
  std::int32_t max_;
  std::int32_t position_;
};

}  // namespace mellox::sim
