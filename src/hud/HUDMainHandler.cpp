#include "hud/HUDMainHandler.h"

#include "core/Hub.h"
#include "core/Trap.h"

namespace mellox {

HUDMainHandler::HUDMainHandler() {
  Trap("Class_Initialize", "HUDMainHandler", [] { Hub::wtcw_debug("HUDMain Handler Init"); });
}

HUDMainHandler::~HUDMainHandler() {
  Trap("Class_Terminate", "HUDMainHandler", [] { Hub::wtcw_debug("HUDMain Handler Terminate"); });
}

}  // namespace mellox
