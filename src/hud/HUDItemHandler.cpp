#include "hud/HUDItemHandler.h"

#include "core/Hub.h"
#include "core/Trap.h"

namespace mellox {

HUDItemHandler::HUDItemHandler() {
  Trap("Class_Initialize", "HUDItemHandler", [] { Hub::wtcw_debug("HUDItem Handler Init"); });
}

HUDItemHandler::~HUDItemHandler() {
  Trap("Class_Terminate", "HUDItemHandler", [] { Hub::wtcw_debug("HUDItem Handler Terminate"); });
}

bool HUDItemHandler::WithinTitle(std::int32_t, std::int32_t) { return false; }

void HUDItemHandler::ClickHUD(std::int32_t, std::int32_t) {}

}  // namespace mellox
