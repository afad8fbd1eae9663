// The optional hotkey system, a separate framework plug-in.
#pragma once

#include <memory>
#include <string>

#include "platform/Event.h"

namespace mellox::platform {

class HotkeyEntry {
 public:
  virtual ~HotkeyEntry() = default;
  virtual void NameLet(const std::string& name) = 0;
  virtual std::string NameGet() = 0;
  virtual void DescriptionLet(const std::string& description) = 0;
  virtual std::string DescriptionGet() = 0;
};

class HotkeySystem {
 public:
  virtual ~HotkeySystem() = default;
  virtual bool HotkeyExists(const std::string& name) = 0;
  virtual void AddHotkey(const std::string& pluginName, const std::shared_ptr<HotkeyEntry>& entry) = 0;
  virtual void RemoveHotkey(const std::string& name) = 0;
  Event<const std::string&, bool&> HotkeyEvent;  // name, handled
};

}  // namespace mellox::platform
