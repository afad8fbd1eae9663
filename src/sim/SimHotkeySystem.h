// The optional hotkey system plug-in.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/Hotkeys.h"

namespace mellox::sim {

class SimRecorder;

class SimHotkeySystem : public platform::HotkeySystem {
 public:
  explicit SimHotkeySystem(SimRecorder& recorder) : recorder_(recorder) {}

  bool HotkeyExists(const std::string& name) override { return hotkeys_.count(name) != 0; }
  void AddHotkey(const std::string& pluginName, const std::shared_ptr<platform::HotkeyEntry>& entry) override;
  void RemoveHotkey(const std::string& name) override;

  // The user pressed the hotkey: raises HotkeyEvent, gives the handled flag.
  bool Trigger(const std::string& name);
  std::shared_ptr<platform::HotkeyEntry> Entry(const std::string& name) const;
  std::size_t Size() const { return hotkeys_.size(); }

 private:
  struct Registered {
    std::string plugin;
    std::shared_ptr<platform::HotkeyEntry> entry;
  };
  SimRecorder& recorder_;
  std::map<std::string, Registered> hotkeys_;
};

}  // namespace mellox::sim
