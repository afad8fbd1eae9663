// The hotkeys registered with the framework's optional hotkey system.
#pragma once

#include "core/ObjRef.h"
#include "platform/Hotkeys.h"

namespace mellox {

class DHSHandler {
 public:
  DHSHandler();
  ~DHSHandler();
  DHSHandler(const DHSHandler&) = delete;
  DHSHandler& operator=(const DHSHandler&) = delete;

  // Whether the hotkey system is installed.
  bool IsEnabled = false;

 private:
  ObjRef<platform::HotkeySystem> HK;
};

}  // namespace mellox
