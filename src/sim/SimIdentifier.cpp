#include "sim/SimIdentifier.h"

#include <algorithm>

#include "sim/SimClock.h"
#include "sim/SimEchoFilter.h"
#include "sim/SimNetworkMessage.h"
#include "sim/SimTimer.h"
#include "sim/SimWorld.h"
#include "sim/SimWorldObject.h"

namespace mellox::sim {

SimIdentifier::SimIdentifier(SimClock& clock, SimWorld& world, SimEchoFilter& echo)
    : clock_(clock), world_(world), echo_(echo), timer_(std::make_unique<SimTimer>(clock)) {
  timeout_ = timer_->Timeout.Connect([this] { OnTimeout(); });
}

SimIdentifier::~SimIdentifier() = default;

bool SimIdentifier::HasVitals(std::int32_t objectClass) {
  return objectClass == 5 || objectClass == 24 || objectClass == 25 || objectClass == 37;
}

void SimIdentifier::Request(std::int32_t id) {
  if (!answering_) return;
  pending_.emplace_back(clock_.NowMs() + kAnswerDelayMs, id);
  if (!timer_->Running()) Schedule();
}

bool SimIdentifier::Answer(std::int32_t id) {
  std::erase_if(pending_, [id](const auto& p) { return p.second == id; });
  return Send(id);
}

bool SimIdentifier::Send(std::int32_t id) {
  SimWorldObject* object = world_.Find(id);
  if (!object) return false;
  object->SetHasIdentifyData(true).SetLastIdentified(static_cast<double>(clock_.UnixNow()));
  auto message = std::make_shared<SimNetworkMessage>(kGameEvent);
  message->Set("event", std::int64_t{kIdentifyEvent});
  message->Set("object", std::int64_t{id});
  message->Set("success", std::int64_t{1});
  const bool vitals = HasVitals(object->ObjectClass());
  message->Set("flags", std::int64_t{vitals ? kHealthFlag : 0});
  if (vitals) {
    message->Set("health", std::int64_t{object->Health()});
    message->Set("healthMax", std::int64_t{object->HealthMax()});
  }
  message->Set("spellCount", std::int64_t{0});
  echo_.Server(message);
  world_.RaiseChangeObject(id, kIdentReceived);
  return true;
}

void SimIdentifier::Schedule() {
  if (pending_.empty()) {
    timer_->Stop();
    return;
  }
  const std::int64_t wait = std::max<std::int64_t>(1, pending_.front().first - clock_.NowMs());
  timer_->Start(static_cast<std::int32_t>(std::min<std::int64_t>(wait, kAnswerDelayMs)));
}

void SimIdentifier::OnTimeout() {
  // Answering may raise further requests; those are due later than now.
  const std::int64_t now = clock_.NowMs();
  while (!pending_.empty() && pending_.front().first <= now) {
    const std::int32_t id = pending_.front().second;
    pending_.pop_front();
    Send(id);  // an object gone meanwhile gets no answer
  }
  Schedule();
}

}  // namespace mellox::sim
