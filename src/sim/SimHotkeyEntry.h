// A named hotkey entry as the hotkey system's class creates it.
#pragma once

#include <string>

#include "platform/Hotkeys.h"

namespace mellox::sim {

class SimHotkeyEntry : public platform::HotkeyEntry {
 public:
  void NameLet(const std::string& name) override { name_ = name; }
  std::string NameGet() override { return name_; }
  void DescriptionLet(const std::string& description) override { description_ = description; }
  std::string DescriptionGet() override { return description_; }

 private:
  std::string name_;
  std::string description_;
};

}  // namespace mellox::sim
