#include "tracking/CorpseHandler.h"

#include "core/Hub.h"
#include "core/Trap.h"

namespace mellox {

CorpseHandler::CorpseHandler() {
  Trap("Class_Initialize", "CorpseHandler", [] { Hub::wtcw_debug("Corpse Handler Init"); });
}

CorpseHandler::~CorpseHandler() {
  Trap("Class_Terminate", "CorpseHandler", [] { Hub::wtcw_debug("Corpse Handler Terminate"); });
}

}  // namespace mellox
