#include "hud/HudPeers.h"

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

}  // namespace

platform::Rect HudPeers::Get3DRegion() {
  if (!FilterHandlerInstance) Raise(91);
  return FilterHandlerInstance->Get3DRegion();
}

platform::Rect HudPeers::Get3DRect() {
  if (!FilterHandlerInstance) Raise(91);
  return FilterHandlerInstance->Get3DRect();
}

std::string HudPeers::GetCharCoords() {
  if (!FilterHandlerInstance) Raise(91);
  return FilterHandlerInstance->GetCharCoords();
}

bool HudPeers::HudOnTicked() { return Controls().HudOn->CheckedGet(); }

void HudPeers::SettingsSave() { Controls().Settings_Save(0); }

void HudPeers::ToggleMain() { Controls().ToggleMain(); }

}  // namespace mellox
