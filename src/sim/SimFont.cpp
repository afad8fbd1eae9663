#include "sim/SimFont.h"

#include <cmath>

#include "sim/SimTypeface.h"

namespace mellox::sim {

std::int32_t SimFont::MeasureText(const std::string& text) {
  if (SimTypeface* typeface = SimTypeface::Find(face_, (flags_ & 1) != 0)) return typeface->Measure(text, height_);
  return static_cast<std::int32_t>(std::lround(static_cast<double>(text.size()) * height_ * 0.5));
}

}  // namespace mellox::sim
