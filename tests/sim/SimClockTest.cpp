#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "sim/SimClock.h"
#include "sim/SimTimer.h"

namespace mellox::sim {
namespace {

struct Log {
  explicit Log(SimClock& c) : clock(c) {}
  SimClock& clock;
  std::vector<std::string> lines;
  void Add(const std::string& what) { lines.push_back(std::to_string(clock.NowMs()) + " " + what); }
};

TEST(SimClockTest, TwoTimersInterleaveInDueOrderAndTiesGoToTheFirstStarted) {
  SimClock clock;
  Log log{clock};
  SimTimer fast(clock), slow(clock);
  auto c1 = fast.Timeout.Connect([&] { log.Add("fast"); });
  auto c2 = slow.Timeout.Connect([&] { log.Add("slow"); });
  slow.Start(30);
  fast.Start(20);
  clock.Advance(65);
  EXPECT_EQ(log.lines, (std::vector<std::string>{"20 fast", "30 slow", "40 fast", "60 slow", "60 fast"}));
  EXPECT_EQ(clock.NowMs(), 65);
}

TEST(SimClockTest, RestartingARunningTimerSetsTheNewInterval) {
  SimClock clock;
  Log log{clock};
  SimTimer t(clock);
  auto c = t.Timeout.Connect([&] { log.Add("t"); });
  t.Start(100);
  clock.Advance(50);
  t.Start(10);  // due again 10 ms from now, then every 10 ms
  clock.Advance(25);
  EXPECT_EQ(log.lines, (std::vector<std::string>{"60 t", "70 t"}));
}

TEST(SimClockTest, TimerRestartedInsideItsTimeoutTakesTheNewInterval) {
  SimClock clock;
  Log log{clock};
  SimTimer t(clock);
  auto c = t.Timeout.Connect([&] {
    log.Add("t");
    t.Start(t.Interval() * 2);
  });
  t.Start(10);
  clock.Advance(70);
  EXPECT_EQ(log.lines, (std::vector<std::string>{"10 t", "30 t", "70 t"}));
}

TEST(SimClockTest, StoppingOrDestroyingATimerInsideItsTimeoutIsSafe) {
  SimClock clock;
  Log log{clock};
  SimTimer once(clock);
  auto c1 = once.Timeout.Connect([&] {
    log.Add("once");
    once.Stop();
  });
  once.Start(5);
  auto owned = std::make_unique<SimTimer>(clock);
  auto c2 = owned->Timeout.Connect([&] {
    log.Add("owned");
    owned.reset();
  });
  owned->Start(7);
  clock.Advance(50);
  EXPECT_EQ(log.lines, (std::vector<std::string>{"5 once", "7 owned"}));
  EXPECT_FALSE(once.Running());
}

TEST(SimClockTest, TimerCreatedInsideATimeoutFiresWithinTheSameAdvance) {
  SimClock clock;
  Log log{clock};
  SimTimer parent(clock);
  std::unique_ptr<SimTimer> child;
  platform::Connection childConn;
  auto c = parent.Timeout.Connect([&] {
    log.Add("parent");
    parent.Stop();
    child = std::make_unique<SimTimer>(clock);
    childConn = child->Timeout.Connect([&] { log.Add("child"); });
    child->Start(3);
  });
  parent.Start(10);
  clock.Advance(17);
  EXPECT_EQ(log.lines, (std::vector<std::string>{"10 parent", "13 child", "16 child"}));
}

TEST(SimClockTest, ZeroIntervalCountsAsOneAndARunawayAdvanceStops) {
  SimClock clock;
  std::vector<std::string> errors;
  clock.SetErrorSink([&](const std::string& e) { errors.push_back(e); });
  clock.SetMaxFirings(1000);
  SimTimer t(clock);
  std::uint64_t fired = 0;
  auto c = t.Timeout.Connect([&] { ++fired; });
  t.Start(0);
  EXPECT_EQ(t.Interval(), 1);
  clock.Advance(5000);
  EXPECT_EQ(fired, 1000u);
  ASSERT_EQ(errors.size(), 1u);
}

TEST(SimClockTest, LocalTimeStartsAtTheDefaultDateAndMovesWithTheClock) {
  SimClock clock;
  // 2026-12-08 is day 46364 after 1899-12-30.
  EXPECT_DOUBLE_EQ(clock.LocalDate(), 46364.0 + 19.0 / 24.0);
  clock.Advance(3'600'000);
  EXPECT_DOUBLE_EQ(clock.LocalDate(), 46364.0 + 20.0 / 24.0);
  clock.SetLocalDate(SimClock::MakeDate(2027, 1, 1, 0, 0, 0));
  clock.Advance(86'400'000);
  EXPECT_DOUBLE_EQ(clock.LocalDate(), SimClock::MakeDate(2027, 1, 2));
  EXPECT_EQ(clock.TimeZone().DaylightBias, -60);
  EXPECT_EQ(clock.TimeZoneId(), platform::TIME_ZONE_ID_STANDARD);
}

TEST(SimClockTest, UnixSecondsFollowTheLocalTimeAndTheZone) {
  SimClock clock;
  // 2026-12-08 19:00:00 in a zone at UTC.
  constexpr std::int64_t kStart = 20795LL * 86400 + 19 * 3600;
  EXPECT_EQ(clock.UnixNow(), kStart);
  clock.Advance(999);
  EXPECT_EQ(clock.UnixNow(), kStart);
  clock.Advance(1);
  EXPECT_EQ(clock.UnixNow(), kStart + 1);
  // UTC = local + bias; daylight time adds its own bias instead of the standard one.
  clock.SetTimeZone({300, 0, -60}, platform::TIME_ZONE_ID_STANDARD);
  EXPECT_EQ(clock.UnixNow(), kStart + 1 + 300 * 60);
  clock.SetTimeZone({300, 0, -60}, platform::TIME_ZONE_ID_DAYLIGHT);
  EXPECT_EQ(clock.UnixNow(), kStart + 1 + 240 * 60);
}

TEST(SimClockTest, NeitherTheLocalTimeNorUtcPassesTheLastDate) {
  SimClock clock;
  const double lastHour = SimClock::MakeDate(9999, 12, 31, 23, 0, 0);
  ASSERT_TRUE(clock.SetLocalDate(lastHour));
  EXPECT_EQ(clock.MsToEnd(), 3'599'999);
  // A zone west of UTC puts UTC nearer the end; one that would put it past is refused whole.
  EXPECT_TRUE(clock.SetTimeZone({50, 0, -60}, platform::TIME_ZONE_ID_STANDARD));
  EXPECT_EQ(clock.MsToEnd(), 599'999);
  EXPECT_FALSE(clock.SetTimeZone({720, 0, -60}, platform::TIME_ZONE_ID_STANDARD));
  EXPECT_FALSE(clock.SetTimeZone({50, 0, 20}, platform::TIME_ZONE_ID_DAYLIGHT));
  EXPECT_EQ(clock.TimeZone().Bias, 50);
  EXPECT_EQ(clock.TimeZone().DaylightBias, -60);
  EXPECT_EQ(clock.TimeZoneId(), platform::TIME_ZONE_ID_STANDARD);
  // A local time that is no date's end is still refused when its UTC would be.
  EXPECT_FALSE(clock.SetLocalDate(SimClock::MakeDate(9999, 12, 31, 23, 20, 0)));
  EXPECT_DOUBLE_EQ(clock.LocalDate(), lastHour);
  // East of UTC the local time is the one that ends first.
  EXPECT_TRUE(clock.SetTimeZone({-60, 0, -60}, platform::TIME_ZONE_ID_DAYLIGHT));
  EXPECT_EQ(clock.MsToEnd(), 3'599'999);
}

}  // namespace
}  // namespace mellox::sim
