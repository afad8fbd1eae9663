#include "hud/HudSwitchStandIn.h"

#include <variant>

#include "core/Globals.h"
#include "core/Trap.h"
#include "core/ViewHandler.h"
#include "hud/HUDMainHandler.h"
#include "platform/HostView.h"
#include "settings_view/ControlHandler.h"

namespace mellox {

HudSwitchStandIn::HudSwitchStandIn() {
  if (!ViewHandlerInstance || !ViewHandlerInstance->MainView) return;
  auto* box = dynamic_cast<platform::CheckBoxControl*>(ViewHandlerInstance->MainView->Control("HUD_On"));
  if (!box) return;
  change_ = box->Change.Connect([](std::int32_t, bool ticked) { HudOn_Change(ticked); });
}

void HudSwitchStandIn::HudOn_Change(bool ticked) {
  if (!PluginActive || !ControlHandlerInstance || !HUDMainHandlerInstance) return;
  Trap("HudOn_Change", "ControlHandler", [&] {
    ControlHandler& ch = *ControlHandlerInstance;
    HUDHandler& main = *HUDMainHandlerInstance->MainHud;
    if (ticked) {
      const platform::Variant cell = ch.HudGeneral->DataGet(0, 0, 0);
      const auto* shown = std::get_if<bool>(&cell.value);
      main.SetEnabled(shown != nullptr && *shown);
    } else {
      main.HUDOff();
    }
    ch.Settings_Save(0);
    HUDMainHandlerInstance->UpdateHUD();
  });
}

}  // namespace mellox
