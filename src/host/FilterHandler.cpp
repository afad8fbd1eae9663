#include "host/FilterHandler.h"

#include "core/Globals.h"
#include "core/Hub.h"
#include "core/Trap.h"
#include "core/VBError.h"
#include "platform/PluginSite.h"
#include "platform/System.h"

namespace mellox {

namespace {

void StopTimer(ObjRef<platform::HostTimer>& timer) {
  if (timer) timer->Stop();
}

}  // namespace

FilterHandler::FilterHandler() {
  Trap("FilterHandler_Initialize", "FilterHandler", [&] {
    Hub::wtcw_debug("Filter Handler Init");
    UseCharge = platform::Sys().CreateTimer();
    WaitforScan = platform::Sys().CreateTimer();
    if (!Site) Raise(91);
    ACHooks = ObjRef<platform::ACHooks>::Borrow(&Site->GetHooks());
    World = std::static_pointer_cast<platform::World>(Site->GetServiceByPath(platform::kWorldServicePath));
    Char = std::static_pointer_cast<platform::CharacterStats>(
        Site->GetServiceByPath(platform::kCharacterStatsServicePath));
    HealthSound = std::make_shared<DX8Sound>();
    StaminaSound = std::make_shared<DX8Sound>();
    ManaSound = std::make_shared<DX8Sound>();
    Dev = false;
  });
}

FilterHandler::~FilterHandler() {
  Trap("Class_Terminate", "FilterHandler", [&] {
    Hub::wtcw_debug("Filter Handler Terminate");
    // Stopped before release so no timeout can outlive its handler.
    StopTimer(UseCharge);
    StopTimer(WaitforScan);
  });
  UseCharge.reset();
  WaitforScan.reset();
  ACHooks.reset();
  World.reset();
  Char.reset();
  HealthSound.reset();
  StaminaSound.reset();
  ManaSound.reset();
}

void FilterHandler::WriteToChatWindow(const std::string& text, std::int32_t color, std::int32_t window) {
  ACHooks->AddChatLine(text, color, window);
}

void FilterHandler::WriteToChatWindowRaw(const std::string& text, std::int32_t color, std::int32_t window) {
  ACHooks->AddChatLineRaw(text, color, window);
}

void FilterHandler::SendCommand(const std::string& text) { ACHooks->InvokeChatParser(text); }

bool FilterHandler::ChatState() {
  bool result = false;
  Trap("ChatState", "FilterHandler", [&] { result = ACHooks->ChatState(); });
  return result;
}

}  // namespace mellox
