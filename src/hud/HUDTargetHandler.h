// Owner of the target HUD.
#pragma once

namespace mellox {

class HUDTargetHandler {
 public:
  HUDTargetHandler();
  ~HUDTargetHandler();
  HUDTargetHandler(const HUDTargetHandler&) = delete;
  HUDTargetHandler& operator=(const HUDTargetHandler&) = delete;
};

}  // namespace mellox
