#include "hud/HudRoster.h"

#include <array>

#include "core/Globals.h"
#include "core/VBError.h"
#include "hud/HUDClockHandler.h"
#include "hud/HUDItemHandler.h"
#include "hud/HUDMainHandler.h"
#include "hud/HUDStatusHandler.h"
#include "hud/HUDTargetHandler.h"
#include "hud/HudHandlerT.h"
#include "hud/HudWindow.h"

namespace mellox {

namespace {

// An owner's engine, or null while the owner or its engine is not there.
template <class Owner, class Engine>
HudWindow* EngineOf(Owner* owner, ObjRef<Engine> Owner::*member) {
  return owner ? (owner->*member).get() : nullptr;
}

std::array<HudWindowState, HudRoster::kCount>& KeptStates() {
  static std::array<HudWindowState, HudRoster::kCount> kept{};
  return kept;
}

}  // namespace

std::optional<HudId> HudRoster::FromRow(std::int32_t row) {
  if (row < 0 || row >= kCount) return std::nullopt;
  return static_cast<HudId>(row);
}

HudWindow* HudRoster::Engine(HudId hud) {
  switch (hud) {
    case HudId::Main: return EngineOf(HUDMainHandlerInstance, &HUDMainHandler::MainHud);
    case HudId::Clock: return EngineOf(HUDClockHandlerInstance, &HUDClockHandler::ClockHUD);
    case HudId::Items: return EngineOf(HUDItemHandlerInstance, &HUDItemHandler::ItemHUD);
    case HudId::Status: return EngineOf(HUDStatusHandlerInstance, &HUDStatusHandler::StatusHud);
    case HudId::Target: return EngineOf(HUDTargetHandlerInstance, &HUDTargetHandler::TargetHud);
  }
  return nullptr;
}

void HudRoster::CreateHUD(HudId hud) {
  switch (hud) {
    case HudId::Main:
      if (HUDMainHandlerInstance) HUDMainHandlerInstance->CreateHUD();
      break;
    case HudId::Clock:
      if (HUDClockHandlerInstance) HUDClockHandlerInstance->CreateHUD();
      break;
    case HudId::Items:
      if (HUDItemHandlerInstance) HUDItemHandlerInstance->CreateHUD();
      break;
    case HudId::Status:
      if (HUDStatusHandlerInstance) HUDStatusHandlerInstance->CreateHUD();
      break;
    case HudId::Target:
      if (HUDTargetHandlerInstance) HUDTargetHandlerInstance->CreateHUD();
      break;
  }
}

void HudRoster::UpdateHUD(HudId hud) {
  switch (hud) {
    case HudId::Main:
      if (HUDMainHandlerInstance) HUDMainHandlerInstance->UpdateHUD();
      break;
    case HudId::Clock:
      if (HUDClockHandlerInstance) HUDClockHandlerInstance->UpdateHUD();
      break;
    case HudId::Items:
      if (HUDItemHandlerInstance) HUDItemHandlerInstance->UpdateHUD();
      break;
    case HudId::Status:
    case HudId::Target: break;
  }
}

HudWindowState HudRoster::Window(HudId hud) {
  if (const HudWindow* engine = Engine(hud)) {
    return HudWindowState{engine->X(), engine->Y(), engine->DockHorz(), engine->DockVert(), engine->DrawTitle()};
  }
  return Kept(hud);
}

HudWindowState& HudRoster::Kept(HudId hud) { return KeptStates()[static_cast<std::size_t>(hud)]; }

std::optional<platform::Point> HudRoster::ResetPlace(HudId hud) {
  switch (hud) {
    case HudId::Clock: return platform::Point{5, 60};
    case HudId::Items: return platform::Point{5, 490};
    case HudId::Main: return platform::Point{5, 200};
    default: return std::nullopt;
  }
}

void HudRoster::Place(HudId hud, std::int32_t x, std::int32_t y) {
  if (HudWindow* engine = Engine(hud)) {
    engine->SetPos(x, y, true);
    return;
  }
  Kept(hud).x = x;
  Kept(hud).y = y;
}

void HudRoster::UpdatePositions() {
  for (HudId hud : {HudId::Target, HudId::Status, HudId::Main, HudId::Items, HudId::Clock}) {
    if (HudWindow* engine = Engine(hud)) engine->UpdatePos();
  }
}

void HudRoster::SetTargetFontColor(const std::string& colorName) {
  if (HUDTargetHandlerInstance && HUDTargetHandlerInstance->TargetHud)
    HUDTargetHandlerInstance->TargetHud->SetFontColor(colorName);
}

void HudRoster::ClockStartDnTime() {
  if (!HUDClockHandlerInstance) Raise(91);
  HUDClockHandlerInstance->StartDnTime();
}

void HudRoster::ClockStartUpTime() {
  if (!HUDClockHandlerInstance) Raise(91);
  HUDClockHandlerInstance->StartUpTime();
}

void HudRoster::Attach() {
  KeptStates().fill(HudWindowState{});
  Links().HudWindow = [](HudId hud) -> std::optional<HudWindowState> { return Window(hud); };
  Links().UpdateHudPositions = [] { UpdatePositions(); };
}

void HudRoster::Detach() {
  Links().HudWindow = nullptr;
  Links().UpdateHudPositions = nullptr;
}

}  // namespace mellox
