// Deferred item actions, performed one at a time on a timer once the
// character is in peace mode and not busy.
#pragma once

#include <cstdint>

#include "core/ObjRef.h"
#include "platform/HostTimer.h"

namespace mellox {

class EventQueue {
 public:
  EventQueue();
  ~EventQueue();
  EventQueue(const EventQueue&) = delete;
  EventQueue& operator=(const EventQueue&) = delete;

  // Run queued events at once instead of waiting for the link or a command.
  bool autorun = false;

 private:
  ObjRef<platform::HostTimer> EventTimer;
  std::int32_t State = 0;  // 0 idle, 1 pending, 2 running
  bool Warned = false;
  bool WaitingForReady = false;
};

}  // namespace mellox
