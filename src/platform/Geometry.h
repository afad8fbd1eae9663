#pragma once

#include <cstdint>

namespace mellox::platform {

// Screen rectangle in pixels of the game window: left, top, right, bottom.
struct Rect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  bool operator==(const Rect&) const = default;
};

struct Point {
  std::int32_t x = 0;
  std::int32_t y = 0;
  bool operator==(const Point&) const = default;
};

}  // namespace mellox::platform
