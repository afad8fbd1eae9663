#include "sim/SimSite.h"

#include "platform/CharacterStats.h"
#include "platform/EchoFilter.h"
#include "platform/RenderService.h"
#include "platform/Spells.h"
#include "platform/World.h"
#include "sim/SimCharacter.h"
#include "sim/SimEchoFilter.h"
#include "sim/SimHooks.h"
#include "sim/SimHostCore.h"
#include "sim/SimRenderService.h"
#include "sim/SimSpells.h"
#include "sim/SimWindow.h"
#include "sim/SimWorld.h"

namespace mellox::sim {

namespace {
// Upcast first so the void pointer is the interface's address.
template <class Interface, class Impl>
std::shared_ptr<void> AsVoid(const std::shared_ptr<Impl>& impl) {
  return std::static_pointer_cast<void>(std::shared_ptr<Interface>(impl));
}
}  // namespace

SimSite::SimSite(Services services, SimHooks& hooks, SimHostCore& core, std::shared_ptr<SimWindow> window)
    : services_(std::move(services)), hooks_(hooks), core_(core), window_(std::move(window)) {}

std::shared_ptr<void> SimSite::GetServiceByPath(const std::string& path) {
  if (path == platform::kWorldServicePath) return AsVoid<platform::World>(services_.world);
  if (path == platform::kCharacterStatsServicePath) return AsVoid<platform::CharacterStats>(services_.character);
  if (path == platform::kEchoFilterServicePath) return AsVoid<platform::EchoFilter2>(services_.echo);
  if (path == platform::kSpellsServicePath) return AsVoid<platform::Spells>(services_.spells);
  if (path == platform::kRenderServicePath) return AsVoid<platform::RenderService>(services_.render);
  return nullptr;
}

platform::ACHooks& SimSite::GetHooks() { return hooks_; }

platform::HostCore& SimSite::GetHostCore() { return core_; }

std::shared_ptr<platform::HostWindow> SimSite::GetGameWindow() { return window_; }

}  // namespace mellox::sim
