#include "core/APluginCore.h"

#include "chat/ChatTextHandler.h"
#include "chat/LogHandler.h"
#include "core/DHSHandler.h"
#include "core/EventQueue.h"
#include "core/Globals.h"
#include "core/Hub.h"
#include "core/KeyboardAC.h"
#include "core/TimerHandler.h"
#include "core/Trap.h"
#include "core/ViewHandler.h"
#include "host/FilterHandler.h"
#include "host/NetEchoHandler.h"
#include "hud/HUDClockHandler.h"
#include "hud/HUDItemHandler.h"
#include "hud/HUDMainHandler.h"
#include "hud/HUDStatusHandler.h"
#include "hud/HUDTargetHandler.h"
#include "hud/HudMouse.h"
#include "platform/PluginSite.h"
#include "settings_view/ControlHandler.h"
#include "tracking/CorpseHandler.h"
#include "tracking/SpellFilterHandler.h"
#include "tracking/SpellHandler.h"
#include "tracking/Statistics.h"

namespace mellox {

namespace {

// The global is set right after creation, so a constructor reaches the
// handlers created before it and not those after.
template <class T>
void Create(std::unique_ptr<T>& owner, T*& global) {
  owner = std::make_unique<T>();
  global = owner.get();
}

// Each release on its own trap: a failing one is reported and the others
// still happen. The global is cleared first so nothing reaches a handler
// that is going away.
template <class T>
void Release(std::unique_ptr<T>& owner, T*& global) {
  Trap("IPlugin_Terminate", "APluginCore", [&] {
    global = nullptr;
    owner.reset();
  });
}

constexpr std::array<std::int32_t, 32> kChatColors{
    0x7EFF7F, 0x7EFF7F, 0xFFFFFF, 0x3AEBEB, 0x47BBBB, 0xFF7EFF, 0x4E54FF, 0xFFBE3E,
    0x8F90F6, 0x8F90F6, 0x3AEBEB, 0x47BBBB, 0xC7D2D2, 0xDCDC3E, 0xEFDCB4, 0x4E54FF,
    0x7EFF7F, 0xFFBE3E, 0x1E8FE7, 0x3AEBEB, 0x7EFF7F, 0x4E54FF, 0x727BDD, 0x7EFF7F,
    0x7EFF7F, 0x7EFF7F, 0x4E54FF, 0xEFDCB4, 0xEFDCB4, 0xEFDCB4, 0xEFDCB4, 0x3AEBEB,
};

// The text form is a darker shade at codes 4, 6, 11, 15, 21, 22 and 26 (the
// XML chat log uses it as it is).
constexpr std::array<const char*, 32> kChatColorHex{
    "#7FFF7E", "#7FFF7E", "#FFFFFF", "#EBEB3A", "#999647", "#FF7EFF", "#B0342E", "#3EBEFF",
    "#F6908F", "#F6908F", "#EBEB3A", "#999647", "#D2D2C7", "#3EDCDC", "#B4DCEF", "#B0342E",
    "#7FFF7E", "#3EBEFF", "#E78F1E", "#EBEB3A", "#7FFF7E", "#B0342E", "#B35B52", "#7FFF7E",
    "#7FFF7E", "#7FFF7E", "#B0342E", "#B4DCEF", "#B4DCEF", "#B4DCEF", "#B4DCEF", "#EBEB3A",
};

}  // namespace

APluginCore::APluginCore() = default;

APluginCore::~APluginCore() {
  if (initialized_) Terminate();
}

void APluginCore::Initialize(platform::PluginSite& site) {
  // A run reports each fault in full once.
  Hub::TellRepeatedErrors();
  Hub::InstallErrorSink();
  initialized_ = true;
  Trap("IPlugin_Initialize", "APluginCore", [&] {
    KillMessageText = kInitialKillMessageText;
    PluginActive = false;
    HudCreateFailed = false;
    SettingsState = 0;
    DebugMode = false;
    DebugSilent = false;
    Hub::wtcw_debug("Plugin Core Init");
    InitTables();
    Site = &site;
    HostCore = &site.GetHostCore();
    PluginCoreInstance = this;
    site.SetPluginObject(this);

    Create(filterHandler_, FilterHandlerInstance);
    Create(chatTextHandler_, ChatTextHandlerInstance);
    Create(viewHandler_, ViewHandlerInstance);
    Create(controlHandler_, ControlHandlerInstance);
    Create(netEchoHandler_, NetEchoHandlerInstance);
    Create(spellFilterHandler_, SpellFilterHandlerInstance);
    Create(keyboardAC_, KeyboardACInstance);
    Create(eventQueue_, EventQueueInstance);
    Create(corpseHandler_, CorpseHandlerInstance);
    Create(statistics_, StatisticsInstance);
    Create(timerHandler_, TimerHandlerInstance);
    Create(spellHandler_, SpellHandlerInstance);
    Create(logHandler_, LogHandlerInstance);
    Create(hudMainHandler_, HUDMainHandlerInstance);
    Create(hudClockHandler_, HUDClockHandlerInstance);
    Create(hudItemHandler_, HUDItemHandlerInstance);
    Create(hudStatusHandler_, HUDStatusHandlerInstance);
    Create(hudTargetHandler_, HUDTargetHandlerInstance);

    ControlHandlerInstance->InitControls();
  });
}

void APluginCore::InitTables() {
  for (std::size_t i = 0; i < kChatColors.size(); ++i) ChatColors[i] = kChatColors[i];
  for (std::size_t i = 0; i < kChatColorHex.size(); ++i) ChatColorHex[i] = kChatColorHex[i];
  FontNames = {
      {"Arial", "Arial"},
      {"Courier", "Courier New"},
      {"Franklin", "Franklin Gothic Medium"},
      {"Impact", "Impact"},
      {"Palatino", "Palatino Linotype"},
      {"Times", "Times New Roman"},
      {"Verdana", "Verdana"},
  };
}

void APluginCore::CreateDHSHandler() {
  // A new login replaces the hotkey handler of the previous one.
  Release(dhsHandler_, DHSHandlerInstance);
  Create(dhsHandler_, DHSHandlerInstance);
}

void APluginCore::Terminate() {
  if (!initialized_) return;
  // The game closing while a character is logged in ends that login as a
  // logoff does, while every handler and timer is still there to record,
  // save and tell what it left under way.
  Trap("IPlugin_Terminate", "APluginCore", [] {
    if (FilterHandlerInstance && FilterHandlerInstance->LoginOpen()) FilterHandlerInstance->EndLogin();
  });
  // Then the timers, so no tick runs while the handlers go.
  Release(timerHandler_, TimerHandlerInstance);
  Trap("IPlugin_Terminate", "APluginCore", [] { Hub::wtcw_debug("Plugin Core Terminate"); });
  Trap("IPlugin_Terminate", "APluginCore", [] {
    if (LogHandlerInstance) LogHandlerInstance->TellKeptLinesLost();
  });
  // Counts of repeated errors not yet told, while chat can still show them.
  Hub::TellRepeatedErrors();
  Trap("IPlugin_Terminate", "APluginCore", [] { FontNames.clear(); });
  Release(dhsHandler_, DHSHandlerInstance);
  ReleaseHandlers();
  HostCore = nullptr;
  Site = nullptr;
  if (PluginCoreInstance == this) PluginCoreInstance = nullptr;
  initialized_ = false;
  // Later reports (there is no host to write to any more) go to the default sink.
  SetErrorSink({});
}

void APluginCore::ReleaseHandlers() {
  Release(logHandler_, LogHandlerInstance);
  Release(spellHandler_, SpellHandlerInstance);
  Release(statistics_, StatisticsInstance);
  Release(corpseHandler_, CorpseHandlerInstance);
  Release(eventQueue_, EventQueueInstance);
  Release(keyboardAC_, KeyboardACInstance);
  Release(hudTargetHandler_, HUDTargetHandlerInstance);
  Release(hudStatusHandler_, HUDStatusHandlerInstance);
  Release(hudItemHandler_, HUDItemHandlerInstance);
  Release(hudClockHandler_, HUDClockHandlerInstance);
  Release(hudMainHandler_, HUDMainHandlerInstance);
  Release(spellFilterHandler_, SpellFilterHandlerInstance);
  Release(netEchoHandler_, NetEchoHandlerInstance);
  Trap("IPlugin_Terminate", "APluginCore", [&] {
    if (controlHandler_) controlHandler_->ReleaseControls();
  });
  Release(controlHandler_, ControlHandlerInstance);
  Release(viewHandler_, ViewHandlerInstance);
  Release(chatTextHandler_, ChatTextHandlerInstance);
  Release(filterHandler_, FilterHandlerInstance);
}

void APluginCore::WindowMessage(std::intptr_t, std::int32_t msg, std::int32_t wParam, std::int32_t, bool& eat) {
  // The game always gets the message too.
  eat = false;
  HudMouse::WindowMessage(msg, wParam);
}

void APluginCore::WindowMessageEnd(std::intptr_t, std::int32_t, std::int32_t, std::int32_t, bool&) {}

void APluginCore::AddChatText(const std::string& message, std::int32_t color, std::int32_t window) {
  if (PluginActive) {
    // After termination there is no pipeline; the text is dropped.
    if (ChatTextHandlerInstance) ChatTextHandlerInstance->IncomingText(message, color, window, true, true);
  } else if (FilterHandlerInstance) {
    FilterHandlerInstance->WriteToChatWindow(message, color, window);
  }
}

}  // namespace mellox
