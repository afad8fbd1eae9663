#include "hud/HUDStatusHandler.h"

#include "core/Hub.h"
#include "core/Trap.h"

namespace mellox {

HUDStatusHandler::HUDStatusHandler() {
  Trap("Class_Initialize", "HUDStatusHandler", [] { Hub::wtcw_debug("HUDStatus Handler Init"); });
}

HUDStatusHandler::~HUDStatusHandler() {
  Trap("Class_Terminate", "HUDStatusHandler", [] { Hub::wtcw_debug("HUDStatus Handler Terminate"); });
}

bool HUDStatusHandler::WithinTitle(std::int32_t, std::int32_t) { return false; }

void HUDStatusHandler::ClickHUD(std::int32_t, std::int32_t) {}

}  // namespace mellox
