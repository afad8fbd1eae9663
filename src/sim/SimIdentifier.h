// The game's answers to identify requests. An answer gives the object its
// identify data and a fresh identify time, sends the identify message (with
// the health of an object that has vitals) and raises the world's change
// event for a received identification.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <utility>

#include "platform/Event.h"

namespace mellox::sim {

class SimClock;
class SimEchoFilter;
class SimTimer;
class SimWorld;

class SimIdentifier {
 public:
  // The game answers a request this long after it was made.
  static constexpr std::int32_t kAnswerDelayMs = 500;
  static constexpr std::int32_t kGameEvent = 0xF7B0;
  static constexpr std::int32_t kIdentifyEvent = 0x00C9;
  static constexpr std::int32_t kHealthFlag = 0x100;
  static constexpr std::int32_t kIdentReceived = 2;  // the world's change code

  SimIdentifier(SimClock& clock, SimWorld& world, SimEchoFilter& echo);
  ~SimIdentifier();
  SimIdentifier(const SimIdentifier&) = delete;
  SimIdentifier& operator=(const SimIdentifier&) = delete;

  // A request of the plug-in, answered kAnswerDelayMs later on the virtual clock.
  void Request(std::int32_t id);
  // Answers at once (and drops the object's pending answers); false when the
  // world does not hold the object.
  bool Answer(std::int32_t id);
  // Off: requests stay unanswered (a game that never answers).
  void SetAnswering(bool on) { answering_ = on; }
  std::size_t Pending() const { return pending_.size(); }

  static bool HasVitals(std::int32_t objectClass);

 private:
  bool Send(std::int32_t id);
  void OnTimeout();
  void Schedule();

  SimClock& clock_;
  SimWorld& world_;
  SimEchoFilter& echo_;
  std::unique_ptr<SimTimer> timer_;
  platform::Connection timeout_;
  std::deque<std::pair<std::int64_t, std::int32_t>> pending_;  // due ms, object id; in due order
  bool answering_ = true;
};

}  // namespace mellox::sim
