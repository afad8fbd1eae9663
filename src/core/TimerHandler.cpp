#include "core/TimerHandler.h"

#include "core/Hub.h"
#include "core/Trap.h"
#include "platform/System.h"

namespace mellox {

TimerHandler::TimerHandler() {
  Trap("Class_Initialize", "TimerHandler", [&] {
    Hub::wtcw_debug("Timer Handler Init");
    auto& sys = platform::Sys();
    CoreTimer = sys.CreateTimer();
    ShowChange = sys.CreateTimer();
    TakeSS = sys.CreateTimer();
    MainHUDTime = sys.CreateTimer();
    TargetHUDRefresh = sys.CreateTimer();
    StartupDelay = sys.CreateTimer();
    SellingPeas = sys.CreateTimer();
  });
}

TimerHandler::~TimerHandler() {
  Trap("Class_Terminate", "TimerHandler", [&] { Hub::wtcw_debug("Timer Handler Terminate"); });
  // Each stop on its own, so one failing stop leaves no other timer running.
  for (auto* timer : {&CoreTimer, &MainHUDTime, &ShowChange, &TakeSS, &TargetHUDRefresh, &StartupDelay, &SellingPeas})
    Trap("Class_Terminate", "TimerHandler", [&] {
      if (*timer) (*timer)->Stop();
    });
  for (auto* timer : {&CoreTimer, &ShowChange, &TakeSS, &MainHUDTime, &TargetHUDRefresh, &StartupDelay, &SellingPeas})
    timer->reset();
}

}  // namespace mellox
