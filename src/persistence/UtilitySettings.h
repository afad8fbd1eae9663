// The utility, vital-alarm and one-touch options of the settings file:
// written from the settings view, and applied back to it.
#pragma once

#include <cstdint>
#include <string>

#include <pugixml.hpp>

namespace mellox {

class ControlHandler;

class UtilitySettings {
 public:
  // Empties the exception list; every load starts with it.
  static void ResetExceptions(ControlHandler& ch);
  // Applies the element when it is one of this group's; false otherwise.
  static bool Apply(ControlHandler& ch, pugi::xml_node element, const std::string& procedure);

  static void WriteUtil(ControlHandler& ch, pugi::xml_node root);
  static void WriteVitalAlarm(ControlHandler& ch, pugi::xml_node root);
  static void WriteOneTouch(ControlHandler& ch, pugi::xml_node root);
  static void WriteOneTouchExceptions(ControlHandler& ch, pugi::xml_node root);

  // The game's delete icon shown in every exception row.
  static constexpr std::int32_t kDeleteIcon = 0x060011F8;
};

}  // namespace mellox
