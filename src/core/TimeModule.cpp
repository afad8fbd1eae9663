#include "core/TimeModule.h"

#include <limits>

#include "core/VB.h"
#include "core/VBError.h"
#include "platform/System.h"

namespace mellox::TimeModule {

namespace {

struct Zone {
  std::int64_t biasSeconds = 0;          // UTC = local + bias
  std::int64_t daylightBiasSeconds = 0;  // added to the bias while daylight time is in force
  bool daylightNow = false;
};

Zone ReadZone() {
  platform::TimeZoneInformation info;
  const std::int32_t id = platform::Sys().GetTimeZoneInformation(info);
  Zone z;
  z.biasSeconds = static_cast<std::int64_t>(info.Bias) * 60;
  z.daylightBiasSeconds = static_cast<std::int64_t>(info.DaylightBias) * 60;
  z.daylightNow = id == platform::TIME_ZONE_ID_DAYLIGHT;
  return z;
}

// Whole seconds since the date epoch 1899-12-30 00:00, and back.
std::int64_t DateToSeconds(double date) { return vb::DateDiffSeconds(0.0, date); }

double SecondsToDate(std::int64_t seconds) {
  std::int64_t days = seconds / 86400;
  std::int64_t rest = seconds % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  if (days < std::numeric_limits<int>::min() / 2 || days > std::numeric_limits<int>::max() / 2) Raise(6);
  return vb::DateSerialTime(1899, 12, 30 + static_cast<int>(days), 0, 0, static_cast<int>(rest));
}

constexpr std::int64_t kEpochSeconds = 25569LL * 86400;

}  // namespace

double UnixToLocal(std::int64_t seconds) {
  const Zone z = ReadZone();
  std::int64_t t = kEpochSeconds + seconds - z.biasSeconds;
  // A fixed hour, following the daylight state of now, not of the date.
  if (z.daylightNow) t += 3600;
  return SecondsToDate(t);
}

std::int64_t LocalToUnix(double localDate) {
  const Zone z = ReadZone();
  std::int64_t t = DateToSeconds(localDate) + z.biasSeconds;
  if (z.daylightNow) t -= 3600;
  return t - kEpochSeconds;
}

std::int32_t GetUTCOffset() {
  const Zone z = ReadZone();
  std::int64_t offset = -z.biasSeconds;
  if (z.daylightNow) offset -= z.daylightBiasSeconds;
  if (offset < std::numeric_limits<std::int32_t>::min() || offset > std::numeric_limits<std::int32_t>::max()) Raise(6);
  return static_cast<std::int32_t>(offset);
}

double LocalToUTC(std::optional<double> localDate) {
  const double d = localDate ? *localDate : platform::Sys().Now();
  return SecondsToDate(DateToSeconds(d) - GetUTCOffset());
}

}  // namespace mellox::TimeModule
