// The framework's plug-in site and core object.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Geometry.h"

namespace mellox::platform {

class ACHooks;
class HostView;
class HostFont;
class IPlugin2;

class HostWindow {
 public:
  virtual ~HostWindow() = default;
  virtual std::intptr_t hWnd() const = 0;
};

class HostCore {
 public:
  virtual ~HostCore() = default;
  // Builds a view from the view description text; raises an error when the
  // description cannot be read.
  virtual std::shared_ptr<HostView> CreateView(const std::string& description) = 0;
  virtual std::shared_ptr<HostFont> CreateFont(const std::string& face, std::int32_t height, std::int32_t flags) = 0;
  // Another plug-in's object by class id, or null.
  virtual std::shared_ptr<void> GetPluginByClsid(const std::string& clsid) = 0;
  // The key bound to a named game command ("" when none).
  virtual std::string GetCommandKey(const std::string& command) = 0;
  virtual std::shared_ptr<HostWindow> GetGameWindow() = 0;
};

class PluginSite {
 public:
  virtual ~PluginSite() = default;
  // A live service by path ("services\DecalRender.RenderService" ...), or null.
  virtual std::shared_ptr<void> GetServiceByPath(const std::string& path) = 0;
  virtual ACHooks& GetHooks() = 0;
  virtual HostCore& GetHostCore() = 0;
  virtual void SetPluginObject(IPlugin2* plugin) = 0;
  virtual std::shared_ptr<HostWindow> GetGameWindow() = 0;
};

// Service paths.
inline constexpr const char* kWorldServicePath = "services\\DecalNet.NetService\\DecalFilters.World";
inline constexpr const char* kCharacterStatsServicePath = "services\\DecalNet.NetService\\DecalFilters.CharacterStats";
inline constexpr const char* kEchoFilterServicePath = "services\\DecalNet.NetService\\DecalFilters.EchoFilter2";
inline constexpr const char* kSpellsServicePath = "services\\DecalNet.NetService\\SpellFilter.Spells";
inline constexpr const char* kRenderServicePath = "services\\DecalRender.RenderService";
// Class ids of the optional hotkey system and of its entry objects.
inline constexpr const char* kHotkeySystemClsid = "{6B6B9FA8-37DE-4FA3-8C60-52BD6A2F9855}";
inline constexpr const char* kHotkeyEntryClsid = "{F5AA853D-CCF3-4562-A654-3A68AB583BCC}";

}  // namespace mellox::platform
