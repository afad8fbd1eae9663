// Local date-times and Unix seconds. The zone's bias and daylight state are
// read afresh on every call; all arithmetic is done in 64 bits.
#pragma once

#include <cstdint>
#include <optional>

namespace mellox::TimeModule {

// The Unix epoch 1970-01-01 00:00:00 as a date (days since 1899-12-30).
inline constexpr double kUnixEpochDate = 25569.0;

// The local date-time of a Unix moment.
double UnixToLocal(std::int64_t seconds);
// The Unix seconds of a local date-time. 64 bits, so moments after
// 2038-01-19 03:14:07 UTC are as good as any other.
std::int64_t LocalToUnix(double localDate);
// The date moved to UTC (the current local date-time when none is given).
double LocalToUTC(std::optional<double> localDate = std::nullopt);
// Local time minus UTC, in seconds.
std::int32_t GetUTCOffset();

}  // namespace mellox::TimeModule
