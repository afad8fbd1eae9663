// The experience, output-window, location, corpse and spell options of the
// settings file: written from the settings view, and applied back to it.
#pragma once

#include <string>

#include <pugixml.hpp>

namespace mellox {

class ControlHandler;

class GeneralSettings {
 public:
  // Applies the element when it is one of this group's; false otherwise.
  static bool Apply(ControlHandler& ch, pugi::xml_node element, const std::string& procedure);

  static void WriteLocation(ControlHandler& ch, pugi::xml_node root);
  static void WriteExp(ControlHandler& ch, pugi::xml_node root);
  static void WriteOutputWindows(ControlHandler& ch, pugi::xml_node root);
  static void WriteSpells(ControlHandler& ch, pugi::xml_node root);
  static void WriteCorpses(ControlHandler& ch, pugi::xml_node root);

  // The settings view's fixed size.
  static constexpr int kViewWidth = 230;
  static constexpr int kViewHeight = 260;
};

}  // namespace mellox
