// The HUD elements of the settings file: the master switch, the five HUD
// windows (their row of the general HUD list, their own boxes and choices,
// and the engine's place, docking, font, background and title bar) and the
// three HUD line lists.
#pragma once

#include <string>

#include <pugixml.hpp>

namespace mellox {

class ControlHandler;

class HudSettings {
 public:
  // A load begins: the main HUD's lines are placed from the first row again.
  static void BeginLoad();
  // Applies the element when it is one of the HUD elements; false otherwise.
  static bool Apply(ControlHandler& ch, pugi::xml_node element, const std::string& procedure);
  // Every HUD element, in file order.
  static void Write(ControlHandler& ch, pugi::xml_node root);
};

}  // namespace mellox
