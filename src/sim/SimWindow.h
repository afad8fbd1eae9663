// The game window.
#pragma once

#include <cstdint>

#include "platform/PluginSite.h"

namespace mellox::sim {

class SimWindow : public platform::HostWindow {
 public:
  static constexpr std::intptr_t kGameWindow = 0x1234;
  static constexpr std::int32_t kClientLeft = 100;  // client origin on screen
  static constexpr std::int32_t kClientTop = 50;
  static constexpr std::int32_t kWidth = 1024;
  static constexpr std::int32_t kHeight = 768;
  std::intptr_t hWnd() const override { return kGameWindow; }
};

}  // namespace mellox::sim
