// Owner of the item-count HUD.
#pragma once

namespace mellox {

class HUDItemHandler {
 public:
  HUDItemHandler();
  ~HUDItemHandler();
  HUDItemHandler(const HUDItemHandler&) = delete;
  HUDItemHandler& operator=(const HUDItemHandler&) = delete;
};

}  // namespace mellox
