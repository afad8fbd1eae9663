// The framework's core object: views, fonts, other plug-ins and key bindings.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "platform/PluginSite.h"

namespace mellox::sim {

class SimHotkeySystem;
class SimView;
class SimWindow;

class SimHostCore : public platform::HostCore {
 public:
  SimHostCore(std::shared_ptr<SimHotkeySystem> hotkeys, std::shared_ptr<SimWindow> window);

  std::shared_ptr<platform::HostView> CreateView(const std::string& description) override;
  std::shared_ptr<platform::HostFont> CreateFont(const std::string& face, std::int32_t height,
                                                 std::int32_t flags) override;
  std::shared_ptr<void> GetPluginByClsid(const std::string& clsid) override;
  std::string GetCommandKey(const std::string& command) override;
  std::shared_ptr<platform::HostWindow> GetGameWindow() override;

  void InstallHotkeySystem(bool installed) { hotkeysInstalled_ = installed; }
  void SetCommandKey(const std::string& command, const std::string& key) { commandKeys_[command] = key; }
  // The last view built (null before).
  SimView* View() const { return view_.get(); }

 private:
  std::shared_ptr<SimHotkeySystem> hotkeys_;
  std::shared_ptr<SimWindow> window_;
  bool hotkeysInstalled_ = true;
  std::map<std::string, std::string> commandKeys_;
  std::shared_ptr<SimView> view_;
};

}  // namespace mellox::sim
