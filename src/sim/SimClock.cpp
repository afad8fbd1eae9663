#include "sim/SimClock.h"

#include <algorithm>
#include <cmath>

#include "sim/SimTimer.h"

namespace mellox::sim {

namespace {
// Days from 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}
constexpr std::int64_t kOleEpochFromUnixDays = -25569;  // 1899-12-30
constexpr std::int64_t kMsPerDay = 86'400'000;
// Rounds down, also below 0.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
}  // namespace

double SimClock::MakeDate(int year, int month, int day, int hour, int minute, int second) {
  const std::int64_t days =
      DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kOleEpochFromUnixDays;
  return static_cast<double>(days) + (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

double SimClock::DefaultStartDate() { return MakeDate(2026, 12, 8, 19, 0, 0); }

SimClock::SimClock() : startDate_(DefaultStartDate()) {}

SimClock::~SimClock() {
  for (auto& [id, timer] : timers_) timer->clock_ = nullptr;
}

double SimClock::LocalDate() const { return startDate_ + static_cast<double>(nowMs_) / 86'400'000.0; }

std::int64_t SimClock::LocalMs() const { return std::llround(startDate_ * static_cast<double>(kMsPerDay)) + nowMs_; }

double SimClock::LocalSecond() const {
  // Day and second of day apart, so the date value holds the second exactly.
  const std::int64_t seconds = FloorDiv(LocalMs(), 1000);
  const std::int64_t days = FloorDiv(seconds, 86400);
  return static_cast<double>(days) + static_cast<double>(seconds - days * 86400) / 86400.0;
}

std::int64_t SimClock::BiasMinutes() const {
  return std::int64_t{zone_.Bias} +
         (zoneId_ == platform::TIME_ZONE_ID_DAYLIGHT ? zone_.DaylightBias : zone_.StandardBias);
}

std::int64_t SimClock::UnixNow() const {
  return FloorDiv(LocalMs(), 1000) + kOleEpochFromUnixDays * 86400 + BiasMinutes() * 60;
}

bool SimClock::SetLocalDate(double date) {
  const double before = startDate_;
  startDate_ = date - static_cast<double>(nowMs_) / 86'400'000.0;
  if (MsToEnd() >= 0) return true;
  startDate_ = before;
  return false;
}

std::int64_t SimClock::MsToEnd() const {
  static const std::int64_t kEndMs = (DaysFromCivil(10000, 1, 1) - kOleEpochFromUnixDays) * kMsPerDay;
  const std::int64_t local = kEndMs - 1 - LocalMs();
  // A zone west of UTC puts UTC ahead of the local time, and so nearer the end.
  return std::min(local, local - BiasMinutes() * 60'000);
}

bool SimClock::SetTimeZone(const platform::TimeZoneInformation& info, std::int32_t zoneId) {
  const platform::TimeZoneInformation zone = zone_;
  const std::int32_t id = zoneId_;
  zone_ = info;
  zoneId_ = zoneId;
  if (MsToEnd() >= 0) return true;
  zone_ = zone;
  zoneId_ = id;
  return false;
}

std::uint64_t SimClock::Register(SimTimer* timer) {
  const std::uint64_t id = ++nextTimerId_;
  timers_[id] = timer;
  return id;
}

void SimClock::Unregister(std::uint64_t id) { timers_.erase(id); }

bool SimClock::Advance(std::int64_t ms) {
  if (ms < 0) ms = 0;
  const std::int64_t target = nowMs_ + ms;
  std::uint64_t firings = 0;
  bool finished = true;
  for (;;) {
    // Re-scan every time: a timeout may create, start, stop or destroy timers.
    SimTimer* next = nullptr;
    for (auto& [id, timer] : timers_) {
      if (!timer->running_ || timer->dueMs_ > target) continue;
      if (!next || timer->dueMs_ < next->dueMs_ ||
          (timer->dueMs_ == next->dueMs_ && timer->startSeq_ < next->startSeq_))
        next = timer;
    }
    if (!next) break;
    if (++firings > maxFirings_) {
      if (errorSink_) errorSink_("clock: too many timer firings, advance stopped");
      finished = false;
      break;
    }
    if (next->dueMs_ > nowMs_) nowMs_ = next->dueMs_;
    const std::uint64_t id = next->id_;
    const std::uint64_t seq = next->startSeq_;
    next->Timeout.Emit();
    // The timer may be gone, stopped or restarted (which already set its new due time).
    auto it = timers_.find(id);
    if (it == timers_.end()) continue;
    SimTimer* timer = it->second;
    if (timer->running_ && timer->startSeq_ == seq) timer->dueMs_ += timer->interval_;
  }
  if (target > nowMs_) nowMs_ = target;
  return finished;
}

}  // namespace mellox::sim
