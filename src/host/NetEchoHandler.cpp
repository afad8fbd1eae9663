#include "host/NetEchoHandler.h"

#include "core/Globals.h"
#include "core/Hub.h"
#include "core/Trap.h"
#include "core/VBError.h"
#include "platform/PluginSite.h"

namespace mellox {

NetEchoHandler::NetEchoHandler() {
  Trap("Class_Initalize", "NetEchoHandler", [&] {
    Hub::wtcw_debug("Net Echo Handler Init");
    if (!Site) Raise(91);
    NetEcho = std::static_pointer_cast<platform::EchoFilter2>(Site->GetServiceByPath(platform::kEchoFilterServicePath));
  });
}

NetEchoHandler::~NetEchoHandler() {
  Hub::wtcw_debug("Net Echo Handler Terminate");
  NetEcho.reset();
}

}  // namespace mellox
