// Stand-in for the master HUD box's change handler of the HUD settings page,
// as far as the HUDs that have an engine need it: ticking the box shows the
// main HUD when its row of the general HUD list is ticked, unticking hides
// it; then the settings are saved and the main HUD refreshed. Remove it (and
// its member in HUDMainHandler) when ControlHandler handles the box itself.
#pragma once

#include "platform/Event.h"

namespace mellox {

class HudSwitchStandIn {
 public:
  // Subscribes to the view's "HUD_On" box; without a view it does nothing.
  HudSwitchStandIn();
  HudSwitchStandIn(const HudSwitchStandIn&) = delete;
  HudSwitchStandIn& operator=(const HudSwitchStandIn&) = delete;

  static void HudOn_Change(bool ticked);

 private:
  platform::Connection change_;
};

}  // namespace mellox
