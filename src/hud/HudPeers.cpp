#include "hud/HudPeers.h"

#include <variant>

#include "core/Globals.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "host/FilterHandler.h"
#include "hud/HUDHandler.h"
#include "hud/HUDMainHandler.h"
#include "platform/ACHooks.h"
#include "platform/PluginSite.h"
#include "settings_view/ControlHandler.h"

namespace mellox {

namespace {

ControlHandler& Controls() {
  if (!ControlHandlerInstance) Raise(91);
  return *ControlHandlerInstance;
}

bool CellTrue(const platform::Variant& v) {
  if (const auto* b = std::get_if<bool>(&v.value)) return *b;
  if (const auto* i = std::get_if<std::int64_t>(&v.value)) return *i != 0;
  if (const auto* d = std::get_if<double>(&v.value)) return *d != 0;
  if (const auto* s = std::get_if<std::string>(&v.value)) return vb::CBool(*s);
  return false;
}

}  // namespace

platform::Rect HudPeers::Get3DRegion() {
  if (!Site) Raise(91);
  return Site->GetHooks().Get3DRegion();
}

platform::Rect HudPeers::Get3DRect() {
  platform::Rect r = Get3DRegion();
  r.top += 28;
  r.bottom += 28;
  return r;
}

std::string HudPeers::GetCharCoords() {
  if (!FilterHandlerInstance) Raise(91);
  return FilterHandlerInstance->GetCharCoords();
}

bool HudPeers::HudOnTicked() { return Controls().HudOn->CheckedGet(); }

void HudPeers::SettingsSave() { Controls().Settings_Save(0); }

void HudPeers::ToggleMain() {
  ControlHandler& ch = Controls();
  const bool shown = !CellTrue(ch.HudGeneral->DataGet(0, 0, 0));
  ch.HudGeneral->DataLet(0, 0, 0, shown);
  if (!HUDMainHandlerInstance) Raise(91);
  if (ch.HudOn->CheckedGet()) HUDMainHandlerInstance->MainHud->SetEnabled(shown);
  ch.Settings_Save(0);
  HUDMainHandlerInstance->CreateHUD();
}

}  // namespace mellox
