#include "core/DHSHandler.h"

#include "core/Globals.h"
#include "core/Hub.h"
#include "core/Trap.h"
#include "platform/PluginSite.h"

namespace mellox {

DHSHandler::DHSHandler() {
  // The hotkey system is optional: a failed look-up only leaves it absent.
  try {
    if (HostCore)
      HK = std::static_pointer_cast<platform::HotkeySystem>(HostCore->GetPluginByClsid(platform::kHotkeySystemClsid));
  } catch (...) {
    HK.reset();
  }
  Trap("ClassInitialize", "DHSHandler", [&] {
    Hub::wtcw_debug("DHS Handler Init");
    IsEnabled = static_cast<bool>(HK);
  });
}

DHSHandler::~DHSHandler() {
  Hub::wtcw_debug("DHS Handler Terminate");
  HK.reset();
}

}  // namespace mellox
