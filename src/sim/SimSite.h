// The plug-in site: services by path, the hooks, the core object.
#pragma once

#include <memory>
#include <string>

#include "platform/PluginSite.h"

namespace mellox::sim {

class SimCharacter;
class SimEchoFilter;
class SimHooks;
class SimHostCore;
class SimRenderService;
class SimSpells;
class SimWindow;
class SimWorld;

class SimSite : public platform::PluginSite {
 public:
  struct Services {
    std::shared_ptr<SimWorld> world;
    std::shared_ptr<SimCharacter> character;
    std::shared_ptr<SimEchoFilter> echo;
    std::shared_ptr<SimSpells> spells;
    std::shared_ptr<SimRenderService> render;
  };
  SimSite(Services services, SimHooks& hooks, SimHostCore& core, std::shared_ptr<SimWindow> window);

  // The service's interface pointer as void (cast back to the platform interface), or null.
  std::shared_ptr<void> GetServiceByPath(const std::string& path) override;
  platform::ACHooks& GetHooks() override;
  platform::HostCore& GetHostCore() override;
  void SetPluginObject(platform::IPlugin2* plugin) override { pluginObject_ = plugin; }
  std::shared_ptr<platform::HostWindow> GetGameWindow() override;

  platform::IPlugin2* PluginObject() const { return pluginObject_; }

 private:
  Services services_;
  SimHooks& hooks_;
  SimHostCore& core_;
  std::shared_ptr<SimWindow> window_;
  platform::IPlugin2* pluginObject_ = nullptr;
};

}  // namespace mellox::sim
