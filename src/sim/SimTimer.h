// A framework timer on the virtual clock.
#pragma once

#include <cstdint>

#include "platform/HostTimer.h"

namespace mellox::sim {

class SimClock;

class SimTimer : public platform::HostTimer {
 public:
  explicit SimTimer(SimClock& clock);
  ~SimTimer() override;
  SimTimer(const SimTimer&) = delete;
  SimTimer& operator=(const SimTimer&) = delete;

  void Start(std::int32_t intervalMs) override;
  void Stop() override;
  bool Running() override { return running_; }

  std::int32_t Interval() const { return interval_; }
  std::int64_t DueMs() const { return dueMs_; }

 private:
  friend class SimClock;
  SimClock* clock_;  // null once the clock is gone
  std::uint64_t id_ = 0;
  bool running_ = false;
  std::int32_t interval_ = 0;
  std::int64_t dueMs_ = 0;
  std::uint64_t startSeq_ = 0;  // orders timers due at the same time; changes on every Start
};

}  // namespace mellox::sim
