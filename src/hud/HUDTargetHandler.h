// Owner of the target HUD.
#pragma once

#include <cstdint>

namespace mellox {

class HUDTargetHandler {
 public:
  HUDTargetHandler();
  ~HUDTargetHandler();
  HUDTargetHandler(const HUDTargetHandler&) = delete;
  HUDTargetHandler& operator=(const HUDTargetHandler&) = delete;

  // The mouse handling asks every owner. This HUD has no engine yet, so no
  // point is on its title bar and a click does nothing.
  bool WithinTitle(std::int32_t x, std::int32_t y);
  void ClickHUD(std::int32_t x, std::int32_t y);
};

}  // namespace mellox
