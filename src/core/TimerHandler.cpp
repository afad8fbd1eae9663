#include "core/TimerHandler.h"

#include "chat/LogHandler.h"
#include "core/Globals.h"
#include "core/Hub.h"
#include "core/Trap.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "host/FilterHandler.h"
#include "host/HostPeers.h"
#include "platform/PluginSite.h"
#include "platform/System.h"
#include "platform/World.h"
#include "settings_view/ControlHandler.h"
#include "tracking/SpellHandler.h"
#include "tracking/Statistics.h"

namespace mellox {

namespace {

constexpr const char* kClass = "TimerHandler";
constexpr std::int32_t kCreatureClass = 5;

template <class T>
T& Instance(T* instance) {
  if (!instance) Raise(91);
  return *instance;
}

}  // namespace

TimerHandler::TimerHandler() {
  Trap("Class_Initialize", kClass, [&] {
    Hub::wtcw_debug("Timer Handler Init");
    auto& sys = platform::Sys();
    CoreTimer = sys.CreateTimer();
    ShowChange = sys.CreateTimer();
    TakeSS = sys.CreateTimer();
    MainHUDTime = sys.CreateTimer();
    TargetHUDRefresh = sys.CreateTimer();
    StartupDelay = sys.CreateTimer();
    SellingPeas = sys.CreateTimer();
    events_.push_back(CoreTimer->Timeout.Connect([this] { CoreTimer_Timeout(); }));
    events_.push_back(ShowChange->Timeout.Connect([this] { ShowChange_Timeout(); }));
    events_.push_back(TakeSS->Timeout.Connect([this] { TakeSS_Timeout(); }));
    events_.push_back(MainHUDTime->Timeout.Connect([this] { MainHUDTime_Timeout(); }));
    events_.push_back(TargetHUDRefresh->Timeout.Connect([this] { TargetHUDRefresh_Timeout(); }));
    events_.push_back(StartupDelay->Timeout.Connect([this] { StartupDelay_Timeout(); }));
    events_.push_back(SellingPeas->Timeout.Connect([this] { SellingPeas_Timeout(); }));
  });
}

TimerHandler::~TimerHandler() {
  Trap("Class_Terminate", kClass, [&] { Hub::wtcw_debug("Timer Handler Terminate"); });
  // Each stop on its own, so one failing stop leaves no other timer running.
  for (auto* timer : {&CoreTimer, &MainHUDTime, &ShowChange, &TakeSS, &TargetHUDRefresh, &StartupDelay, &SellingPeas})
    Trap("Class_Terminate", kClass, [&] {
      if (*timer) (*timer)->Stop();
    });
  events_.clear();
  for (auto* timer : {&CoreTimer, &ShowChange, &TakeSS, &MainHUDTime, &TargetHUDRefresh, &StartupDelay, &SellingPeas})
    timer->reset();
}

// --- Start and stop ------------------------------------------------------------

void TimerHandler::StartCoreTimer() {
  Trap("StartCoreTimer", kClass, [&] {
    Hub::wtcw_debug("Starting Core Timer");
    CoreTimer->Stop();
    CoreTimer->Start(kCoreInterval);
    TargetHUDRefresh->Start(kTargetRefreshInterval);
  });
}

void TimerHandler::StartShowChangeTimer() {
  Trap("StartShowChangeTimer", kClass, [&] {
    ShowChange->Stop();
    ShowChange->Start(kShowChangeInterval);
  });
}

void TimerHandler::StartTakeSS() {
  Trap("StartTakeSS", kClass, [&] {
    TakeSS->Stop();
    TakeSS->Start(kTakeSSInterval);
  });
}

void TimerHandler::StartMainHUDTime(std::int32_t interval) {
  Trap("StartMainHUDTime", kClass, [&] {
    MainHUDTime->Stop();
    mainHudInterval_ = interval > 0 ? interval : kDefaultMainHUDInterval;
    MainHUDTime->Start(mainHudInterval_);
  });
}

void TimerHandler::StartStartupDelay() { StartupDelay->Start(kStartupDelayInterval); }

void TimerHandler::StartSellingPeas() { SellingPeas->Start(kSellingPeasInterval); }

void TimerHandler::StopSellingPeas() { SellingPeas->Stop(); }

void TimerHandler::StopForLogoff() {
  // Each stop on its own, so one failing stop leaves no other timer running.
  for (auto* timer : {&CoreTimer, &ShowChange, &TargetHUDRefresh, &MainHUDTime, &TakeSS, &StartupDelay, &SellingPeas})
    Trap("StopForLogoff", kClass, [&] {
      if (*timer) (*timer)->Stop();
    });
}

// --- Timeouts --------------------------------------------------------------------

void TimerHandler::CoreTimer_Timeout() {
  Trap("CoreTimer_Timeout", kClass, [&] {
    if (!PluginActive) return;
    Statistics& stats = Instance(StatisticsInstance);
    SpellHandler& spells = Instance(SpellHandlerInstance);
    stats.UpdateTime();
    spells.UpdateSpellList();
    HostPeers::UpdateCorpseList();
    HostPeers::ClockUpdateHUD();
    HostPeers::StatusUpdate();
    HostPeers::TargetUpdateDebuffs();
    LogHandler& log = Instance(LogHandlerInstance);
    log.WriteFileLog();
    // Logged chat lines and item spell casts only mark the data file; they
    // are stored here. Once per minute boundary of the total clock (whether
    // this tick came late or twice in the same second) the item spells'
    // seconds left are stored even with nothing marked.
    const bool marked = log.TakeDataSaveRequest();
    const bool minute = stats.MinuteSampleDue();
    if (marked || minute) Instance(ControlHandlerInstance).Data_SaveNewLines(minute);
    if (minute) stats.UpdateAvgXP();
    // A settings save the disk refused is tried again until it holds.
    if (minute) Instance(ControlHandlerInstance).Settings_SaveOwed();
  });
}

void TimerHandler::TargetHUDRefresh_Timeout() {
  Trap("TargetHUDRefresh_Timeout", kClass, [&] {
    std::shared_ptr<platform::WorldObject> target;
    if (!HostPeers::TargetGetObject(target)) return;
    if (target->ObjectClass() != kCreatureClass) return;
    std::int32_t id = target->Id();
    Instance(FilterHandlerInstance).IDObject(id);
  });
}

void TimerHandler::MainHUDTime_Timeout() {
  Trap("MainHUDTime_Timeout", kClass, [] { HostPeers::MainUpdateHUD(); });
}

void TimerHandler::ShowChange_Timeout() {
  Trap("ShowChange_Timeout", kClass, [&] {
    ShowChange->Stop();
    Instance(StatisticsInstance).ShowXPChange = false;
    HostPeers::MainCreateHUD();
  });
}

void TimerHandler::TakeSS_Timeout() {
  Trap("TakeSS_Timeout", kClass, [&] {
    TakeSS->Stop();
    ControlHandler& c = Instance(ControlHandlerInstance);
    const bool wanted = c.LevelSS->CheckedGet();
    const std::int32_t level = Instance(FilterHandlerInstance).GetMyCharLevel();
    const std::int32_t startLevel = vb::CLng(std::string_view(c.StartLevel->TextGet()));
    if (!wanted || level < startLevel) return;
    if (!HostCore) Raise(91);
    const std::string key = HostCore->GetCommandKey("CaptureScreenshot");
    // No key bound to the command: nothing to press.
    if (key.empty()) return;
    HostPeers::SendKey(vb::CLng(std::string_view(key)));
  });
}

void TimerHandler::StartupDelay_Timeout() {
  Trap("StartupDelay_Timeout", kClass, [&] {
    StartupDelay->Stop();
    Instance(FilterHandlerInstance).FriendsOnline();
  });
}

void TimerHandler::SellingPeas_Timeout() {
  Trap("SellingPeas_Timeout", kClass, [] {
    if (Instance(FilterHandlerInstance).GetBusyState() == 0) HostPeers::SellPeas();
  });
}

}  // namespace mellox
