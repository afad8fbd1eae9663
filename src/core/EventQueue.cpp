#include "core/EventQueue.h"

#include <optional>

#include "core/Globals.h"
#include "core/Hub.h"
#include "core/Trap.h"
#include "core/VBError.h"
#include "host/FilterHandler.h"
#include "platform/System.h"
#include "tracking/TrackingPeers.h"

namespace mellox {

namespace {

constexpr const char* kClass = "EventQueue";

FilterHandler& Filter() {
  if (!FilterHandlerInstance) Raise(91);
  return *FilterHandlerInstance;
}

std::string N(std::int32_t v) { return std::to_string(v); }

// The object a message about the event names: the item used, or for a use on
// a stack the stack. Nothing for a type no message is written for.
std::optional<std::string> NamedObject(FilterHandler& f, std::int32_t eventtype, std::int32_t arg1,
                                       std::int32_t arg2) {
  switch (eventtype) {
    case EVENT_USE_ITEM:
    case EVENT_USE_STACK_ON_ITEM:
      return f.GetName(arg1);
    case EVENT_USE_ITEM_ON_STACK:
      return f.GetName(arg2);
    default:
      return std::nullopt;
  }
}

}  // namespace

EventQueue::EventQueue() {
  Trap("Class_Initialize", kClass, [&] {
    Hub::wtcw_debug("Event Queue Init");
    EventTimer = platform::Sys().CreateTimer();
    timeout_ = EventTimer->Timeout.Connect([this] { EventTimer_Timeout(); });
  });
  // The spell handler queues its drinks through its peers' stand-in until it
  // calls this queue directly.
  auto& standIn = TrackingPeers::QueueStandIn();
  standIn.running = [this] { return running(); };
  standIn.add = [this](std::int16_t type, std::int32_t a1, std::int32_t a2, std::int32_t a3) { Add(type, a1, a2, a3); };
  standIn.run = [this] { Run(); };
  standIn.gaveUp = [this](std::int16_t type, std::int32_t a1, std::int32_t a2) { return GaveUpOn(type, a1, a2); };
}

EventQueue::~EventQueue() {
  TrackingPeers::QueueStandIn() = {};
  timeout_.Disconnect();
  Trap("Class_Terminate", kClass, [&] {
    Hub::wtcw_debug("Event Queue Terminate");
    if (EventTimer) EventTimer->Stop();
  });
  EventTimer.reset();
  Events_.clear();
}

bool EventQueue::running() { return EventTimer->Running(); }

void EventQueue::Add(std::int32_t eventtype, std::int32_t arg1, std::int32_t arg2, std::int32_t arg3) {
  Trap("Add", kClass, [&] {
    // The count is not compared: the same use on the same stack is queued once.
    for (const EventItem& e : Events_) {
      if (e.eventtype == eventtype && e.arg1 == arg1 && e.arg2 == arg2) return;
    }
    Hub::wtcw_debug("Adding Event: " + N(eventtype) + " " + N(arg1) + " " + N(arg2) + " " + N(arg3));
    if (const auto name = NamedObject(Filter(), eventtype, arg1, arg2)) {
      Hub::wtcw("Adding " + *name + " to the event queue. <Tell:IIDString:" + N(kLinkId) + ":" + kLinkText +
                ">Run queued events.<\\Tell>");
    }
    Events_.push_back({eventtype, arg1, arg2, arg3});
    if (autorun) {
      State_ = 2;
      EventTimer->Start(kHandleIntervalMs);
    } else if (State_ == 0) {
      State_ = 1;
    }
  });
}

void EventQueue::AddByName(std::int32_t eventtype, const std::string& name1, const std::string& name2) {
  Trap("AddByName", kClass, [&] {
    Hub::wtcw_debug("Event Queue Add By Name " + N(eventtype) + " " + name1 + " " + name2);
    FilterHandler& f = Filter();
    const std::int32_t id1 = f.GetID(name1);
    if (id1 == -1) {
      Hub::wtcw("Warning: You have no " + name1);
      return;
    }
    const std::int32_t id2 = f.GetID(name2);
    if (id2 == -1) {
      Hub::wtcw("Warning: You have no " + name2);
      return;
    }
    std::int32_t count = 0;
    if (eventtype == EVENT_USE_ITEM_ON_STACK) count = f.GetItemStackCount(id2);
    if (eventtype == EVENT_USE_STACK_ON_ITEM) count = f.GetItemStackCount(id1);
    Add(eventtype, id1, id2, count);
  });
}

void EventQueue::Run() {
  if (!PluginActive) return;
  Hub::wtcw_debug("Event Queue Run");
  State_ = 2;
  EventTimer->Start(kHandleIntervalMs);
}

void EventQueue::Clear() {
  Hub::wtcw_debug("Event Queue Clear");
  Events_.clear();
  login_.unchangedPasses = 0;
  // The timer is left alone: its next tick finds the queue empty and stops.
  State_ = 0;
}

void EventQueue::Pause(const std::string& character) {
  Hub::wtcw_debug("Event Queue Pause");
  // A login that never took the queue up (its settings did not load) leaves
  // it waiting for the character who paused it.
  if (takenUp_) {
    pausedFor_ = character;
    pausedRunning_ = State_ == 2 && !Events_.empty();
    takenUp_ = false;
  }
  EventTimer->Stop();
  login_.WaitingForReady = false;
  State_ = Events_.empty() ? 0 : 1;
}

bool EventQueue::GaveUpOn(std::int32_t eventtype, std::int32_t arg1, std::int32_t arg2) const {
  for (const EventItem& e : login_.givenUp) {
    if (e.eventtype == eventtype && e.arg1 == arg1 && e.arg2 == arg2) return true;
  }
  return false;
}

void EventQueue::ResetForLogin() { login_ = {}; }

void EventQueue::Resume(const std::string& character) {
  bool wasRunning = pausedRunning_;
  if (character != pausedFor_) {
    // Events no logoff paused for a character have no one to wait for.
    if (!Events_.empty() && !pausedFor_.empty()) paused_[pausedFor_] = {std::move(Events_), pausedRunning_};
    Clear();
    wasRunning = false;
    if (const auto it = paused_.find(character); it != paused_.end()) {
      Events_ = std::move(it->second.events);
      wasRunning = it->second.running;
      paused_.erase(it);
      State_ = 1;
    }
  }
  pausedFor_.clear();
  pausedRunning_ = false;
  takenUp_ = true;
  if (wasRunning) Run();
}

void EventQueue::EventTimer_Timeout() {
  Trap("EventTimer_Timeout", kClass, [&] {
    // No step is taken for a character logged off.
    if (!PluginActive) {
      EventTimer->Stop();
      return;
    }
    if (login_.WaitingForReady) {
      // The last action is under way until the character is ready again.
      login_.WaitingForReady = !Ready(false);
    } else if (Events_.empty()) {
      if (Ready(false)) {
        EventTimer->Stop();
        State_ = 0;
      } else {
        EventTimer->Start(kIdleCheckIntervalMs);
      }
    } else {
      HandleEvents();
    }
  });
}

void EventQueue::HandleEvents() {
  Trap("HandleEvents", kClass, [&] {
    if (Events_.empty()) return;
    // A copy: the action may reach the host, whose events may change the queue.
    const EventItem head = Events_.front();
    FilterHandler& f = Filter();
    bool due = false;
    switch (head.eventtype) {
      case EVENT_USE_ITEM: {
        Hub::wtcw_debug("Handling EVENT_USE_ITEM");
        const bool itemThere = f.ItemExists(head.arg1);
        const bool targetThere = f.ItemExists(head.arg2);
        due = itemThere && targetThere;
        break;
      }
      case EVENT_USE_ITEM_ON_STACK: {
        Hub::wtcw_debug("Handling EVENT_USE_ITEM_ON_STACK");
        const bool toolThere = f.ItemExists(head.arg1);
        const bool stackThere = f.ItemExists(head.arg2);
        due = toolThere && stackThere && f.GetItemStackCount(head.arg2) == head.arg3;
        break;
      }
      case EVENT_USE_STACK_ON_ITEM: {
        Hub::wtcw_debug("Handling EVENT_USE_STACK_ON_ITEM, StackCount: " + N(f.GetItemStackCount(head.arg1)));
        const bool stackThere = f.ItemExists(head.arg1);
        const bool targetThere = f.ItemExists(head.arg2);
        due = stackThere && targetThere && f.GetItemStackCount(head.arg1) == head.arg3;
        break;
      }
      default:
        // Nothing can perform it; left at the head it would hold up the queue for good.
        break;
    }
    if (!due) {
      // Used up, gone, or its stack changed (the action took effect).
      RemoveEvent();
      return;
    }
    if (!Ready(true)) return;
    if (head.eventtype == EVENT_USE_ITEM) {
      ApplyEvent(head);
      return;
    }
    if (login_.unchangedPasses >= kUnchangedPassLimit) {
      std::string warning = "Warning: The game did not take the queued use of " +
                            NamedObject(f, head.eventtype, head.arg1, head.arg2).value_or("") +
                            "; it was dropped from the event queue";
      // Drinks are the uses queued again by themselves; without this they
      // would be retried a few seconds later, for ever.
      if (head.eventtype == EVENT_USE_STACK_ON_ITEM) {
        warning += " and will not be queued again automatically until your next login";
      }
      Hub::wtcw(warning + ".");
      if (!GaveUpOn(head.eventtype, head.arg1, head.arg2)) login_.givenUp.push_back(head);
      RemoveEvent();
      return;
    }
    ++login_.unchangedPasses;
    ApplyEvent(head);
  });
}

void EventQueue::RemoveEvent() {
  if (Events_.empty()) return;
  Hub::wtcw_debug("Removing " + N(Events_.front().eventtype));
  Events_.pop_front();
  login_.unchangedPasses = 0;
}

void EventQueue::ApplyEvent(const EventItem& item) {
  Hub::wtcw_debug("Applying Item");
  Filter().ApplyItem(item.arg1, item.arg2);
  login_.WaitingForReady = true;
}

bool EventQueue::Ready(bool warn) {
  bool ready = false;
  Trap("Ready", kClass, [&] {
    FilterHandler& f = Filter();
    const bool isReady = f.GetCombatMode() == 1 && f.GetBusyState() == 0;
    if (isReady) {
      login_.Warned = false;
    } else if (warn && !login_.Warned) {
      Hub::wtcw("Please enter peace mode to continue handling the queued events.");
      login_.Warned = true;
    }
    Hub::wtcw_debug(std::string("Ready Check: ") + (isReady ? "True" : "False") + " " + N(f.GetCombatMode()) + " " +
                    N(f.GetBusyState()) + " " + N(f.GetPointerState()));
    ready = isReady;
  });
  return ready;
}

}  // namespace mellox
