// The HUD fixture with what the clock, item and status owner tests share:
// the texts a HUD last painted, and the core tick.
#pragma once

#include <string>
#include <vector>

#include "core/TimerHandler.h"
#include "hud/HudFixture.h"
#include "tracking/Statistics.h"

namespace mellox::test {

struct HudOwnerFixture : HudFixture {
  ControlHandler& ch() { return *ControlHandlerInstance; }

  // The item texts in drawing order, as the last full repaint wrote them
  // (the title bar's texts are in the bold Arial pass and left out).
  static std::vector<std::string> Shown(const HudWindow& hud) {
    std::vector<std::string> out;
    bool items = false;
    for (const auto& c : Canvas(hud).Calls()) {
      if (c.kind == sim::HudCall::Kind::BeginText) items = c.text != "Arial" || c.weight != 700;
      if (c.kind == sim::HudCall::Kind::WriteText && items) out.push_back(c.text);
    }
    return out;
  }
  // A full repaint of the HUD (a fresh surface), then what it wrote.
  static std::vector<std::string> Painted(HUDHandler& hud) {
    hud.DrawHUD(true);
    return Shown(hud);
  }
  static std::string Text(const HUDHandler& hud, const std::string& key) {
    const HUDItem* item = hud.Item(key);
    return item ? item->data : "<none>";
  }

  // The one-second core tick, as after a login.
  void StartCoreTick() {
    StatisticsInstance->InitStatistics();
    TimerHandlerInstance->StartCoreTimer();
  }
  void Seconds(std::int64_t s) { host.Advance(s * 1000); }
};

}  // namespace mellox::test
