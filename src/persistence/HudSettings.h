// The HUD elements of the settings file. Until the HUD settings are applied
// to the HUD windows, the elements a load reads are kept as they were and
// written back unchanged, so nothing stored is lost; a file without them
// gets them built from the settings view and the HUD windows.
#pragma once

#include <string>

#include <pugixml.hpp>

namespace mellox {

class ControlHandler;

class HudSettings {
 public:
  // Forgets what the previous load kept.
  static void BeginLoad();
  // Keeps the element when it is one of the HUD elements; false otherwise.
  static bool Apply(ControlHandler& ch, pugi::xml_node element, const std::string& procedure);
  // Every HUD element, in file order.
  static void Write(ControlHandler& ch, pugi::xml_node root);
  // True while elements kept from a load stand in for the live HUD state.
  static bool HoldsKeptElements();
};

}  // namespace mellox
