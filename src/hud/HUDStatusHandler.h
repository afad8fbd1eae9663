// Owner of the status-message HUD.
#pragma once

#include <cstdint>

namespace mellox {

class HUDStatusHandler {
 public:
  HUDStatusHandler();
  ~HUDStatusHandler();
  HUDStatusHandler(const HUDStatusHandler&) = delete;
  HUDStatusHandler& operator=(const HUDStatusHandler&) = delete;

  // The mouse handling asks every owner. This HUD has no engine yet, so no
  // point is on its title bar and a click does nothing.
  bool WithinTitle(std::int32_t x, std::int32_t y);
  void ClickHUD(std::int32_t x, std::int32_t y);
};

}  // namespace mellox
