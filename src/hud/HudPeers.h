// What the HUD engines and owners need of neighbours that are still being
// built, gathered in one place so each can be rewired when its owner lands.
// Every entry says what it does until then.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Geometry.h"

namespace mellox {

class HudPeers {
 public:
  // The game's 3D view as the game hooks report it. Asks the hooks directly
  // until FilterHandler.Get3DRegion exists. No site raises 91.
  static platform::Rect Get3DRegion();
  // The 3D view moved 28 pixels down (top and bottom), the line the HUDs dock to.
  static platform::Rect Get3DRect();
  // The character's position as coordinate text ("12.3N, 45.6E").
  static std::string GetCharCoords();
  // Whether the master HUD box of the settings view is ticked.
  static bool HudOnTicked();
  // The settings save every HUD click and drag ends with (action 0).
  static void SettingsSave();
  // The close glyph of the main HUD: flips the main row of the general HUD
  // list, shows or hides the HUD when the master box is ticked, saves and
  // re-creates the main HUD. Does this itself until ControlHandler.ToggleMain
  // exists.
  static void ToggleMain();
};

}  // namespace mellox
