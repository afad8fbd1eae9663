// The seven framework timers of the periodic and delayed work: the core
// tick, target-HUD refresh, main-HUD refresh, XP-change display, level-up
// screenshot, start-up delay and vendor selling.
#pragma once

#include "core/ObjRef.h"
#include "platform/HostTimer.h"

namespace mellox {

class TimerHandler {
 public:
  TimerHandler();
  // Stops every timer before releasing any.
  ~TimerHandler();
  TimerHandler(const TimerHandler&) = delete;
  TimerHandler& operator=(const TimerHandler&) = delete;

 private:
  ObjRef<platform::HostTimer> CoreTimer;
  ObjRef<platform::HostTimer> ShowChange;
  ObjRef<platform::HostTimer> TakeSS;
  ObjRef<platform::HostTimer> MainHUDTime;
  ObjRef<platform::HostTimer> TargetHUDRefresh;
  ObjRef<platform::HostTimer> StartupDelay;
  ObjRef<platform::HostTimer> SellingPeas;
};

}  // namespace mellox
