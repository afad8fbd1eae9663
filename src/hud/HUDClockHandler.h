// Owner of the clock HUD.
#pragma once

#include <cstdint>

namespace mellox {

class HUDClockHandler {
 public:
  HUDClockHandler();
  ~HUDClockHandler();
  HUDClockHandler(const HUDClockHandler&) = delete;
  HUDClockHandler& operator=(const HUDClockHandler&) = delete;

  // The mouse handling asks every owner. This HUD has no engine yet, so no
  // point is on its title bar and a click does nothing.
  bool WithinTitle(std::int32_t x, std::int32_t y);
  void ClickHUD(std::int32_t x, std::int32_t y);
};

}  // namespace mellox
