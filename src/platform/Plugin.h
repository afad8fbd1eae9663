// What the framework calls on a plug-in object.
#pragma once

#include <cstdint>

namespace mellox::platform {

class PluginSite;

class IPlugin2 {
 public:
  virtual ~IPlugin2() = default;
  virtual void Initialize(PluginSite& site) = 0;
  virtual void Terminate() = 0;
};

// Window messages of the game window: 512 move, 513 left down, 514 left up.
class IWindowsMessageSink {
 public:
  virtual ~IWindowsMessageSink() = default;
  virtual void WindowMessage(std::intptr_t hwnd, std::int32_t msg, std::int32_t wParam, std::int32_t lParam,
                             bool& eat) = 0;
  virtual void WindowMessageEnd(std::intptr_t hwnd, std::int32_t msg, std::int32_t wParam, std::int32_t lParam,
                                bool& eat) = 0;
};

}  // namespace mellox::platform
