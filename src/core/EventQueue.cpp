#include "core/EventQueue.h"

#include "core/Hub.h"
#include "core/Trap.h"
#include "platform/System.h"

namespace mellox {

EventQueue::EventQueue() {
  Trap("Class_Initialize", "EventQueue", [&] {
    Hub::wtcw_debug("Event Queue Init");
    EventTimer = platform::Sys().CreateTimer();
  });
}

EventQueue::~EventQueue() {
  Trap("Class_Terminate", "EventQueue", [&] {
    Hub::wtcw_debug("Event Queue Terminate");
    if (EventTimer) EventTimer->Stop();
  });
  EventTimer.reset();
}

}  // namespace mellox
