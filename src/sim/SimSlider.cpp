#include "sim/SimSlider.h"

#include <algorithm>

#include "core/VBError.h"

namespace mellox::sim {

SimSlider::SimSlider(std::int32_t id, std::string name, std::int32_t min, std::int32_t max, std::int32_t position)
    : SimControl(id, std::move(name)), min_(std::min(min, max)), max_(std::max(min, max)), position_(min_) {
  SliderPositionLet(position);
}

void SimSlider::SliderPositionLet(std::int32_t position) { position_ = std::clamp(position, min_, max_); }

void SimSlider::UserSlide(std::int32_t position) {
  if (position < min_ || position > max_) throw VBError(380, "Invalid property value");
  position_ = position;
  Change.Emit(Id(), position);
}

}  // namespace mellox::sim
