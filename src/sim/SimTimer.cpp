#include "sim/SimTimer.h"

#include <algorithm>

#include "sim/SimClock.h"

namespace mellox::sim {

SimTimer::SimTimer(SimClock& clock) : clock_(&clock) { id_ = clock.Register(this); }

SimTimer::~SimTimer() {
  if (clock_) clock_->Unregister(id_);
}

void SimTimer::Start(std::int32_t intervalMs) {
  interval_ = std::max<std::int32_t>(1, intervalMs);
  running_ = true;
  if (clock_) {
    dueMs_ = clock_->NowMs() + interval_;
    startSeq_ = clock_->NextStartSeq();
  }
}

void SimTimer::Stop() { running_ = false; }

}  // namespace mellox::sim
