#pragma once

#include <cstdint>

#include "platform/Event.h"

namespace mellox::platform {

// A framework timer. Starting a running timer sets its new interval; stopping
// a timer inside its own timeout is safe. Timeouts come on the plug-in's thread.
class HostTimer {
 public:
  virtual ~HostTimer() = default;
  virtual void Start(std::int32_t intervalMs) = 0;
  virtual void Stop() = 0;
  virtual bool Running() = 0;
  Event<> Timeout;
};

}  // namespace mellox::platform
