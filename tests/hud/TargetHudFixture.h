// The target HUD of a loaded plug-in: its owner and engine, objects to show,
// debuff spells, and readers of what was painted.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/NetEchoHandler.h"
#include "hud/HUDTargetHandler.h"
#include "hud/HudFixture.h"
#include "sim/SimSpell.h"
#include "sim/SimSpells.h"
#include "sim/SimWorld.h"
#include "sim/SimWorldObject.h"

namespace mellox::test {

struct TargetHudFixture : HudFixture {
  HUDTargetHandler& owner() { return *HUDTargetHandlerInstance; }
  HudHandlerT& hud() { return *owner().TargetHud; }
  NetEchoHandler& net() { return *NetEchoHandlerInstance; }
  sim::SimHudView& canvas() { return Canvas(hud()); }

  // An identified object.
  sim::SimWorldObject& Obj(std::int32_t id, const std::string& name, std::int32_t objectClass) {
    return host.World().AddObject(id, name, objectClass).SetHasIdentifyData(true);
  }
  void Show(std::int32_t id) {
    owner().SetObject(host.World().ObjectById(id));
    hud().SetEnabled(true);
  }
  void AddSpell(std::int32_t id, const std::string& name, std::int32_t family, std::int32_t difficulty,
                double duration, std::int32_t icon = 0x06001000) {
    sim::SpellRow row;
    row.id = id;
    row.name = name;
    row.diff = difficulty;
    row.icon = icon;
    row.duration = duration;
    row.effect = family;
    host.Spells().Add(row);
  }

  std::vector<const sim::HudCall*> Calls(sim::HudCall::Kind kind) {
    std::vector<const sim::HudCall*> out;
    for (const auto& c : canvas().Calls()) {
      if (c.kind == kind) out.push_back(&c);
    }
    return out;
  }
  std::vector<std::string> Written() {
    std::vector<std::string> out;
    for (const auto* c : Calls(sim::HudCall::Kind::WriteText)) out.push_back(c->text);
    return out;
  }
  // The texts of a fresh paint.
  std::vector<std::string> Paint() {
    canvas().ClearCalls();
    hud().DrawHUD();
    return Written();
  }
  bool Filled(const platform::Rect& rect, std::uint32_t colour) {
    for (const auto* c : Calls(sim::HudCall::Kind::Fill)) {
      if (c->rect == rect && c->colour == colour) return true;
    }
    return false;
  }
};

}  // namespace mellox::test
