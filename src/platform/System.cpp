#include "platform/System.h"

#include <stdexcept>

namespace mellox::platform {

namespace {
System* g_system = nullptr;
}

System& Sys() {
  if (!g_system) throw std::logic_error("no host system installed");
  return *g_system;
}

void SetSystem(System* system) { g_system = system; }

bool HasSystem() { return g_system != nullptr; }

}  // namespace mellox::platform
