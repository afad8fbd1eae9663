// Owner of the clock HUD: a count-down timer, a count-up timer, the date and
// the time in the zones ticked in the settings view's clock list. The list is
// both the configuration and the display model: its value column receives
// the current value of every row, and the HUD copies the ticked ones.
#pragma once

#include <cstdint>
#include <string>

#include "core/ObjRef.h"
#include "hud/HUDHandler.h"

namespace mellox {

class HUDClockHandler {
 public:
  HUDClockHandler();
  ~HUDClockHandler();
  HUDClockHandler(const HUDClockHandler&) = delete;
  HUDClockHandler& operator=(const HUDClockHandler&) = delete;

  // The engine, titled "Clock", for the whole run.
  ObjRef<HUDHandler> ClockHUD;

  // Fills the list's values afresh (date and zones included), clears the
  // lines, adds them again and draws.
  void CreateHUD();
  // The core tick: timers every call, date and zones when the minute turned;
  // adds without clearing (only changed texts are repainted) and draws.
  void UpdateHUD();
  // A login's start: hidden and emptied. The timers run on: they are the
  // player's, started with buttons that work with no one logged in.
  void ResetForLogin();
  // A click at a point: the close glyph switches the HUD off, the hide glyph
  // hides the title bar (with a tip in chat); anything else does nothing.
  void ClickHUD(std::int32_t x, std::int32_t y);
  // True on the title bar off its glyphs.
  bool WithinTitle(std::int32_t x, std::int32_t y);

  // Stops a running up timer (blanking its value) or starts one from now.
  void StartUpTime();
  // Starts, or restarts, the down timer for the duration in the timer edit
  // ("0:30:00", "1:15": a time of day). A text that is no time of day raises
  // error 13 and leaves the timer as it was.
  void StartDnTime();
  // Writes the current values into the list's value column: the timers
  // always, the date and zone times when forced or in a new minute.
  void UpdateControl(bool force);

  // Unix second the down timer ends (0: off) and the up timer started (0: off).
  std::int64_t DnTimeEnd() const { return dnTimeEnd_; }
  std::int64_t UpTimeStart() const { return upTimeStart_; }

  // Seconds of a time-of-day text "h:mm" or "h:mm:ss" (hours 0 to 23);
  // anything else raises error 13.
  static std::int32_t TimeOfDaySeconds(const std::string& text);

 private:
  void AddData();

  // The login's: replaced whole at its start.
  struct LoginState {
    // Whole minutes since the Unix epoch at the last full update, -1 before
    // the first; a jump of whole hours still counts as a new minute.
    std::int64_t lastMinute = -1;
  };
  LoginState login_;
  // The run's: no login's start or end stops them, nothing saves them.
  std::int64_t dnTimeEnd_ = 0;
  std::int64_t upTimeStart_ = 0;
};

}  // namespace mellox
