#include "core/TimeModule.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "core/CoreTestSupport.h"
#include "core/VB.h"
#include "sim/SimClock.h"

namespace mellox::test {
namespace {

class TimeModuleTest : public ::testing::Test, public HostFixture {
 protected:
  void Zone(std::int32_t bias, std::int32_t daylightBias, bool daylightNow) {
    host.Clock().SetTimeZone(platform::TimeZoneInformation{bias, 0, daylightBias},
                             daylightNow ? platform::TIME_ZONE_ID_DAYLIGHT : platform::TIME_ZONE_ID_STANDARD);
  }
};

TEST_F(TimeModuleTest, UnixEpochInUtcIsTheEpochDate) {
  Zone(0, 0, false);
  EXPECT_EQ(TimeModule::UnixToLocal(0), 25569.0);
  EXPECT_EQ(TimeModule::LocalToUnix(25569.0), 0);
  EXPECT_EQ(TimeModule::LocalToUnix(vb::DateSerialTime(2010, 1, 27, 12, 30, 15)), 1264595415);
}

TEST_F(TimeModuleTest, RoundTripsWithinAndBeyondThe32BitRangeInEveryZone) {
  const std::int64_t moments[] = {0, 1, -1, 1264595415, -86399, std::numeric_limits<std::int32_t>::max() - 7200,
                                  std::numeric_limits<std::int32_t>::min() + 7200,
                                  std::int64_t{std::numeric_limits<std::int32_t>::max()} + 7200, 253402000000};
  const struct {
    std::int32_t bias, daylightBias;
    bool daylight;
  } zones[] = {{0, 0, false}, {-60, -60, false}, {-60, -60, true}, {300, -60, true}, {-330, 0, false}};
  for (const auto& z : zones) {
    Zone(z.bias, z.daylightBias, z.daylight);
    for (const std::int64_t n : moments)
      EXPECT_EQ(TimeModule::LocalToUnix(TimeModule::UnixToLocal(n)), n) << n << " bias " << z.bias;
  }
}

TEST_F(TimeModuleTest, TheDaylightShiftFollowsTheStateOfNowNotOfTheDate) {
  const std::int64_t winter = 1264595415;  // January
  Zone(-60, -60, false);
  const double standard = TimeModule::UnixToLocal(winter);
  EXPECT_EQ(vb::DateDiffSeconds(vb::DateSerialTime(2010, 1, 27, 12, 30, 15), standard), 3600);
  Zone(-60, -60, true);
  EXPECT_EQ(vb::DateDiffSeconds(standard, TimeModule::UnixToLocal(winter)), 3600);
}

TEST_F(TimeModuleTest, UtcOffsetAndLocalToUtc) {
  Zone(-60, -60, false);
  EXPECT_EQ(TimeModule::GetUTCOffset(), 3600);
  Zone(-60, -60, true);
  EXPECT_EQ(TimeModule::GetUTCOffset(), 7200);
  Zone(300, -30, true);
  EXPECT_EQ(TimeModule::GetUTCOffset(), -16200);

  const double local = vb::DateSerialTime(2026, 7, 1, 1, 0, 0);
  host.Clock().SetLocalDate(local);
  const double expected = vb::DateSerialTime(2026, 7, 1, 5, 30, 0);
  EXPECT_EQ(vb::DateDiffSeconds(expected, TimeModule::LocalToUTC()), 0);
  EXPECT_EQ(vb::DateDiffSeconds(expected, TimeModule::LocalToUTC(local)), 0);
}

TEST_F(TimeModuleTest, DatesBeyondThe32BitRangeAreOrdinaryMoments) {
  Zone(0, 0, false);
  constexpr std::int64_t kMax32 = std::numeric_limits<std::int32_t>::max();
  EXPECT_EQ(TimeModule::LocalToUnix(vb::DateSerialTime(2038, 1, 19, 3, 14, 7)), kMax32);
  EXPECT_EQ(TimeModule::LocalToUnix(vb::DateSerialTime(2038, 1, 19, 3, 14, 8)), kMax32 + 1);
  EXPECT_EQ(TimeModule::LocalToUnix(vb::DateSerialTime(1901, 12, 13, 20, 45, 51)), -kMax32 - 2);
  EXPECT_EQ(TimeModule::LocalToUnix(vb::DateSerialTime(9999, 12, 31, 23, 59, 59)), 253402300799);
  EXPECT_EQ(TimeModule::UnixToLocal(kMax32 + 1), vb::DateSerialTime(2038, 1, 19, 3, 14, 8));
}

}  // namespace
}  // namespace mellox::test
