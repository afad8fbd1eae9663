#include "hud/HUDClockHandler.h"

#include "core/Hub.h"
#include "core/Trap.h"

namespace mellox {

HUDClockHandler::HUDClockHandler() {
  Trap("Class_Initialize", "HUDClockHandler", [] { Hub::wtcw_debug("HUDClock Handler Init"); });
}

HUDClockHandler::~HUDClockHandler() {
  Trap("Class_Terminate", "HUDClockHandler", [] { Hub::wtcw_debug("HUDClock Handler Terminate"); });
}

bool HUDClockHandler::WithinTitle(std::int32_t, std::int32_t) { return false; }

void HUDClockHandler::ClickHUD(std::int32_t, std::int32_t) {}

}  // namespace mellox
