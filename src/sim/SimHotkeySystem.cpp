#include "sim/SimHotkeySystem.h"

#include "sim/SimRecorder.h"

namespace mellox::sim {

void SimHotkeySystem::AddHotkey(const std::string& pluginName, const std::shared_ptr<platform::HotkeyEntry>& entry) {
  if (!entry) return;
  const std::string name = entry->NameGet();
  hotkeys_[name] = {pluginName, entry};
  recorder_.Emit("hotkey: add " + name);
}

void SimHotkeySystem::RemoveHotkey(const std::string& name) {
  if (hotkeys_.erase(name)) recorder_.Emit("hotkey: remove " + name);
}

bool SimHotkeySystem::Trigger(const std::string& name) {
  bool handled = false;
  HotkeyEvent.Emit(name, handled);
  return handled;
}

std::shared_ptr<platform::HotkeyEntry> SimHotkeySystem::Entry(const std::string& name) const {
  auto it = hotkeys_.find(name);
  return it == hotkeys_.end() ? nullptr : it->second.entry;
}

}  // namespace mellox::sim
