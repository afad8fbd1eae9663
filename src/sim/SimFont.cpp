#include "sim/SimFont.h"

#include <cmath>

namespace mellox::sim {

std::int32_t SimFont::MeasureText(const std::string& text) {
  return static_cast<std::int32_t>(std::lround(static_cast<double>(text.size()) * height_ * 0.5));
}

}  // namespace mellox::sim
