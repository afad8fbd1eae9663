// The chat options of the settings file (option, filter, alias, colour and
// custom-rule rows, the chat log and its categories): written from the
// settings view, and applied back to it and to the chat log.
#pragma once

#include <cstdint>
#include <string>

#include <pugixml.hpp>

namespace mellox {

class ControlHandler;

class ChatSettings {
 public:
  // Applies the element when it is one of this group's; false otherwise.
  static bool Apply(ControlHandler& ch, pugi::xml_node element, const std::string& procedure);
  // Every chat element, in file order.
  static void Write(ControlHandler& ch, pugi::xml_node root);

  // Chat swatch icon (101..114) to colour name and back; unknown ids give
  // "Default", unknown names 101.
  static std::string ColorFromIcon(std::int32_t icon);
  static std::int32_t IconFromColor(const std::string& name);

  static constexpr std::int32_t kDeleteIcon = 0x060011F8;
};

}  // namespace mellox
