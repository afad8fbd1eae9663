// Owner of the status-message HUD.
#pragma once

namespace mellox {

class HUDStatusHandler {
 public:
  HUDStatusHandler();
  ~HUDStatusHandler();
  HUDStatusHandler(const HUDStatusHandler&) = delete;
  HUDStatusHandler& operator=(const HUDStatusHandler&) = delete;
};

}  // namespace mellox
