// Owner of the clock HUD.
#pragma once

namespace mellox {

class HUDClockHandler {
 public:
  HUDClockHandler();
  ~HUDClockHandler();
  HUDClockHandler(const HUDClockHandler&) = delete;
  HUDClockHandler& operator=(const HUDClockHandler&) = delete;
};

}  // namespace mellox
