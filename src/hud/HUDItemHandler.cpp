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

}  // namespace mellox
