// Deferred item actions, performed one at a time on a timer once the
// character is in peace mode and not busy.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "core/ObjRef.h"
#include "platform/Event.h"
#include "platform/HostTimer.h"

namespace mellox {

// What a queued event does; every kind uses arg1 on arg2.
enum EventType : std::int32_t {
  EVENT_USE_ITEM = 1,           // item, target
  EVENT_USE_ITEM_ON_STACK = 2,  // tool, stack, the stack's count when queued
  EVENT_USE_STACK_ON_ITEM = 3,  // stack, target, the stack's count when queued
};

struct EventItem {
  std::int32_t eventtype = 0;
  std::int32_t arg1 = 0;
  std::int32_t arg2 = 0;
  std::int32_t arg3 = 0;
};

class EventQueue {
 public:
  // The chat link every announcement carries; a click on it comes back from
  // the game as this text and id.
  static constexpr const char* kLinkText = "[Mellox]";
  static constexpr std::int32_t kLinkId = 463072;
  static constexpr std::int32_t kHandleIntervalMs = 200;
  static constexpr std::int32_t kIdleCheckIntervalMs = 3000;
  // A use on a stack is performed again until the stack's count changes; a
  // use the game refuses (or never answers) is dropped after this many.
  static constexpr std::int32_t kUnchangedPassLimit = 10;

  EventQueue();
  ~EventQueue();
  EventQueue(const EventQueue&) = delete;
  EventQueue& operator=(const EventQueue&) = delete;

  // Run queued events at once instead of waiting for the link or a command.
  bool autorun = false;

  // Whether the queue's timer runs.
  bool running();
  // Queues one event unless one of the same type on the same two objects is
  // queued already; announces it with the link. Trapped: a failure queues nothing.
  void Add(std::int32_t eventtype, std::int32_t arg1, std::int32_t arg2, std::int32_t arg3);
  // Resolves the two names to objects (and the stack's count), then Add.
  void AddByName(std::int32_t eventtype, const std::string& name1, const std::string& name2);
  void Run();
  void Clear();
  // Whether a use of arg1 on arg2 of this type was dropped at this login
  // because the game never took it; automatic drinking asks before queuing.
  bool GaveUpOn(std::int32_t eventtype, std::int32_t arg1, std::int32_t arg2) const;
  // A login's start: no use given up (this login may make them possible), no
  // warning told, no use awaited, no pass of the head counted.
  void ResetForLogin();
  // Stops handling (logoff of that character); its queued events are kept
  // for its next login, whoever plays in between, active or not.
  void Pause(const std::string& character);
  // A login: a character finds the queue as its own last logoff left it
  // (running again if it ran); one never paused finds it empty.
  void Resume(const std::string& character);

  // The queued events, head first.
  const std::deque<EventItem>& Events() const { return Events_; }
  std::int32_t State() const { return State_; }

 private:
  // The queue as its logoff left it, and whether it ran: the last
  // character's in place (until another logs in), the others' put aside.
  struct Paused {
    std::deque<EventItem> events;
    bool running = false;
  };
  std::string pausedFor_;
  bool pausedRunning_ = false;
  // Whether a login has taken the queue up since the last pause.
  bool takenUp_ = false;
  std::map<std::string, Paused> paused_;
  void EventTimer_Timeout();
  void HandleEvents();
  void RemoveEvent();
  void ApplyEvent(const EventItem& item);
  bool Ready(bool warn);

  std::deque<EventItem> Events_;
  ObjRef<platform::HostTimer> EventTimer;
  platform::Connection timeout_;
  std::int32_t State_ = 0;  // 0 idle, 1 pending, 2 running
  // The login's: replaced whole at its start.
  struct LoginState {
    bool Warned = false;
    bool WaitingForReady = false;
    // Uses of the head event on a stack whose count has not changed since.
    std::int32_t unchangedPasses = 0;
    // The uses dropped after kUnchangedPassLimit passes (arg3 unused).
    std::vector<EventItem> givenUp;
  };
  LoginState login_;
};

}  // namespace mellox
