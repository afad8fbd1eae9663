// The one virtual clock of the simulated host: elapsed milliseconds, the
// local wall time and zone, and the schedule of every timer.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "platform/System.h"

namespace mellox::sim {

class SimTimer;

class SimClock {
 public:
  // Local 2026-12-08 19:00:00 as a date (days since 1899-12-30).
  static double DefaultStartDate();
  // A local date from its parts (no range checks beyond the calendar's).
  static double MakeDate(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
  static constexpr std::uint64_t kDefaultMaxFirings = 10'000'000;

  SimClock();
  ~SimClock();
  SimClock(const SimClock&) = delete;
  SimClock& operator=(const SimClock&) = delete;

  std::int64_t NowMs() const { return nowMs_; }
  double LocalDate() const;  // the local time now, to the millisecond
  // The local time as the game's Now gives it: the whole second that has begun.
  double LocalSecond() const;
  std::int64_t UnixNow() const;  // whole Unix seconds now, from the local time and the zone
  // The local time now becomes date; elapsed ms are unchanged. False, changing
  // nothing, when the local time or UTC would then be past the end (MsToEnd).
  bool SetLocalDate(double date);
  // Milliseconds the clock may still move: neither the local time nor the UTC
  // it stands for may pass 9999-12-31 23:59:59.999, the last moment a date holds.
  std::int64_t MsToEnd() const;
  // False, changing nothing, when UTC would then be past the end.
  bool SetTimeZone(const platform::TimeZoneInformation& info, std::int32_t zoneId);
  const platform::TimeZoneInformation& TimeZone() const { return zone_; }
  std::int32_t TimeZoneId() const { return zoneId_; }

  // Moves time forward by ms, firing due timers in due order (ties: started first).
  // False when it gave up firing them (the time still moves to its end).
  bool Advance(std::int64_t ms);
  // Receives the line written when an Advance gives up.
  void SetErrorSink(std::function<void(const std::string&)> sink) { errorSink_ = std::move(sink); }
  // Firings one Advance may make before it gives up (a timer loop that never ends).
  void SetMaxFirings(std::uint64_t n) { maxFirings_ = n; }

  // Used by SimTimer.
  std::uint64_t Register(SimTimer* timer);
  void Unregister(std::uint64_t id);
  std::uint64_t NextStartSeq() { return ++startSeq_; }

 private:
  // Local milliseconds since 1899-12-30 00:00 (whole, so a moment just past a
  // second never reads as the one before).
  std::int64_t LocalMs() const;
  // Minutes from the local time to UTC under the zone in force.
  std::int64_t BiasMinutes() const;

  std::int64_t nowMs_ = 0;
  double startDate_;  // local date at ms 0
  platform::TimeZoneInformation zone_{0, 0, -60};
  std::int32_t zoneId_ = platform::TIME_ZONE_ID_STANDARD;
  std::map<std::uint64_t, SimTimer*> timers_;
  std::uint64_t nextTimerId_ = 0;
  std::uint64_t startSeq_ = 0;
  std::function<void(const std::string&)> errorSink_;
  std::uint64_t maxFirings_ = kDefaultMaxFirings;
};

}  // namespace mellox::sim
