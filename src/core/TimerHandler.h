// The seven framework timers of the periodic and delayed work: the core
// tick, target-HUD refresh, main-HUD refresh, XP-change display, level-up
// screenshot, start-up delay and vendor selling.
#pragma once

#include <cstdint>
#include <vector>

#include "core/ObjRef.h"
#include "platform/Event.h"
#include "platform/HostTimer.h"

namespace mellox {

class TimerHandler {
 public:
  static constexpr std::int32_t kCoreInterval = 1000;
  static constexpr std::int32_t kTargetRefreshInterval = 2000;
  static constexpr std::int32_t kShowChangeInterval = 5000;
  static constexpr std::int32_t kTakeSSInterval = 1000;
  static constexpr std::int32_t kStartupDelayInterval = 3000;
  static constexpr std::int32_t kSellingPeasInterval = 500;
  // The main HUD's refresh when no usable interval is given ("Every second").
  static constexpr std::int32_t kDefaultMainHUDInterval = 1000;

  TimerHandler();
  // Stops every timer before releasing any.
  ~TimerHandler();
  TimerHandler(const TimerHandler&) = delete;
  TimerHandler& operator=(const TimerHandler&) = delete;

  // The core tick (1 s) and the target-HUD refresh (2 s).
  void StartCoreTimer();
  // (Re)starts the 5 s wait after which the main HUD drops the XP change.
  void StartShowChangeTimer();
  // (Re)starts the 1 s wait before the level-up screenshot.
  void StartTakeSS();
  // (Re)starts the main HUD's refresh; an interval of 0 or less gets the default.
  void StartMainHUDTime(std::int32_t interval);
  // The interval the main HUD refresh was last started with (0 never).
  std::int32_t MainHUDInterval() const { return mainHudInterval_; }
  // The friends check 3 s after login.
  void StartStartupDelay();
  void StartSellingPeas();
  void StopSellingPeas();
  // At logoff: every timer that works for the character stops until the next
  // login starts them again. The XP-change display runs out as it would.
  void StopForLogoff();

  // Timeouts. The one-shot timers stop themselves before their work, so a
  // failing work is not repeated every interval.
  void CoreTimer_Timeout();
  void TargetHUDRefresh_Timeout();
  void MainHUDTime_Timeout();
  void ShowChange_Timeout();
  void TakeSS_Timeout();
  void StartupDelay_Timeout();
  void SellingPeas_Timeout();

 private:
  ObjRef<platform::HostTimer> CoreTimer;
  ObjRef<platform::HostTimer> ShowChange;
  ObjRef<platform::HostTimer> TakeSS;
  ObjRef<platform::HostTimer> MainHUDTime;
  ObjRef<platform::HostTimer> TargetHUDRefresh;
  ObjRef<platform::HostTimer> StartupDelay;
  ObjRef<platform::HostTimer> SellingPeas;
  std::int32_t mainHudInterval_ = 0;
  std::vector<platform::Connection> events_;
};

}  // namespace mellox
