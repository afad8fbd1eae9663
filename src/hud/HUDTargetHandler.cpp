#include "hud/HUDTargetHandler.h"

#include "core/Hub.h"
#include "core/Trap.h"

namespace mellox {

HUDTargetHandler::HUDTargetHandler() {
  Trap("Class_Initialize", "HUDTargetHandler", [] { Hub::wtcw_debug("HUDTarget Handler Init"); });
}

HUDTargetHandler::~HUDTargetHandler() {
  Trap("Class_Terminate", "HUDTargetHandler", [] { Hub::wtcw_debug("HUDTarget Handler Terminate"); });
}

bool HUDTargetHandler::WithinTitle(std::int32_t, std::int32_t) { return false; }

void HUDTargetHandler::ClickHUD(std::int32_t, std::int32_t) {}

}  // namespace mellox
