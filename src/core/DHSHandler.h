// The hotkeys registered with the framework's optional hotkey system.
#pragma once

#include <array>
#include <string>

#include "core/ObjRef.h"
#include "platform/Event.h"
#include "platform/Hotkeys.h"

namespace mellox {

class DHSHandler {
 public:
  // The plug-in's hotkeys, in the order they are registered and matched.
  struct HotkeyRow {
    const char* name;
    const char* description;
  };
  static const std::array<HotkeyRow, 14> kHotkeys;

  DHSHandler();
  ~DHSHandler();
  DHSHandler(const DHSHandler&) = delete;
  DHSHandler& operator=(const DHSHandler&) = delete;

  // Whether the hotkey system is installed.
  bool IsEnabled = false;

  // Registers every hotkey the system does not know yet; a known name is
  // left as the user bound it.
  void AddHotKeys();
  void AddAHotKey(const std::string& name, const std::string& description);
  // Runs the action of one of the plug-in's hotkey names (exact case);
  // handled tells the system whether the press was used.
  void HK_HotkeyEvent(const std::string& name, bool& handled);

 private:
  ObjRef<platform::HotkeySystem> HK;
  platform::Connection hotkeyEvent_;
};

}  // namespace mellox
