// A loaded plug-in in the simulated host with the option lists filled, the
// plug-in active and the master HUD box ticked; trapped errors are recorded.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "chat/ChatTextHandler.h"
#include "core/APluginCore.h"
#include "core/Globals.h"
#include "core/Trap.h"
#include "hud/HUDHandler.h"
#include "hud/HUDMainHandler.h"
#include "settings_view/ControlHandler.h"
#include "sim/SimHost.h"
#include "sim/SimHostCore.h"
#include "sim/SimHudView.h"
#include "sim/SimRenderService.h"
#include "sim/SimSystem.h"
#include "support/TempHome.h"

namespace mellox::test {

struct HudFixture {
  TempHome home;
  sim::SimHost host{{home.path(), MELLOX_DATA_DIR}};
  std::vector<std::string> errors;

  HudFixture() {
    host.LoadPlugin(std::make_unique<APluginCore>());
    ControlHandlerInstance->Init_Lists({"1", "0"});
    ControlHandlerInstance->HudOn->CheckedLet(true);
    PluginActive = true;
    ChatTextHandlerInstance->SetTargetList(0, 32, true);
    SetErrorSink([this](int number, const std::string&, const std::string& proc, const std::string& owner, bool) {
      errors.push_back(owner + "." + proc + " #" + std::to_string(number));
    });
  }
  ~HudFixture() {
    PluginActive = false;
    HudCreateFailed = false;
    host.UnloadPlugin();
  }

  HUDHandler& main() { return *HUDMainHandlerInstance->MainHud; }

  static sim::SimHudView& Canvas(const HudWindow& hud) {
    auto* view = dynamic_cast<sim::SimHudView*>(hud.Surface());
    if (!view) throw std::runtime_error("the HUD has no surface");
    return *view;
  }
  // Width of a text in the HUD font as the engine measures it.
  std::int32_t Measure(const std::string& text, std::int32_t size = 16) {
    return host.Core().CreateFont("Arial", size, 1)->MeasureText(text);
  }

  // A window message with the pointer at client (x, y).
  void Mouse(std::int32_t msg, std::int32_t x, std::int32_t y, std::int32_t wParam = 1) {
    platform::Point p{x, y};
    host.System().ClientToScreen(0, p);
    host.System().SetCursorPos(p.x, p.y);
    host.WindowMessage(msg, wParam, x, y);
  }
  void Move(std::int32_t x, std::int32_t y, bool held = false) { Mouse(512, x, y, held ? 1 : 0); }
  void Down(std::int32_t x, std::int32_t y, bool ctrl = false, bool shift = false) {
    host.System().SetKeyHeld(17, ctrl);
    host.System().SetKeyHeld(16, shift);
    Mouse(513, x, y);
    host.System().SetKeyHeld(17, false);
    host.System().SetKeyHeld(16, false);
  }
  void Up(std::int32_t x, std::int32_t y) { Mouse(514, x, y, 0); }
  void Click(std::int32_t x, std::int32_t y) {
    Down(x, y);
    Up(x, y);
  }

  std::size_t Mark() const { return host.Output().size(); }
  bool SaidSince(std::size_t mark, const std::string& text) const {
    for (std::size_t i = mark; i < host.Output().size(); ++i) {
      if (host.Output()[i].find(text) != std::string::npos) return true;
    }
    return false;
  }
};

}  // namespace mellox::test
