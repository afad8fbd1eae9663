// Owner of the main statistics HUD.
#pragma once

namespace mellox {

class HUDMainHandler {
 public:
  HUDMainHandler();
  ~HUDMainHandler();
  HUDMainHandler(const HUDMainHandler&) = delete;
  HUDMainHandler& operator=(const HUDMainHandler&) = delete;
};

}  // namespace mellox
