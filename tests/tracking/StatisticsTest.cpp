#include <gtest/gtest.h>

#include "sim/SimClock.h"
#include "tracking/TrackingFixture.h"

namespace mellox::test {
namespace {

TEST(StatisticsTest, XPChangeLineTexts) {
  using O = std::optional<std::string>;
  struct Case {
    double total;
    double unassigned;
    O hour, next, time;
    std::string expected;
  };
  const Case cases[] = {
      {1500, 1200, {}, {}, {}, "XP: 1,500 (Unassigned: 1,200, Skill: 300). "},
      {1500, 1200, O("45,000"), {}, {}, "XP: 1,500 (Unassigned: 1,200, Skill: 300).  [ 45,000 XP/Hr ]"},
      {1500, 1500, {}, {}, {}, "XP: 1,500."},
      {1500, 1500, O("45,000"), {}, {}, "XP: 1,500. [ 45,000 XP/Hr ]"},
      {1500, 1500, {}, O("9,000"), O("12 Minutes, 0 Seconds"),
       "XP: 1,500. [ 9,000 XP to level ] [ 12 Minutes, 0 Seconds to level ]"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Statistics::XPChangeLine("1,500", c.total, c.unassigned, c.hour, c.next, c.time), c.expected);
  }
}

TEST(StatisticsTest, CreditedXPAndKillsToLevel) {
  // Level 10 ends at 115645 XP.
  struct Case {
    double totalGain;
    double unassignedGain;
    double monsterXP;
    double killsLevel;
  };
  const Case cases[] = {
      {1000, 900, 890, 113},     // 100,000 still needed after the gain
      {1000, 1000, 1000, 100},   // all unassigned
      {1000, 0, 0, -1},          // nothing unassigned: no kill credit
      {1000, 50, 0, -1},         // credit below zero counts as none
  };
  for (const Case& c : cases) {
    TrackingFixture f(10, 14645, 0);
    f.Xp(14645 + c.totalGain, c.unassignedGain);
    EXPECT_EQ(f.stats().MonsterXP(), c.monsterXP) << c.totalGain << "/" << c.unassignedGain;
    EXPECT_EQ(f.stats().KillsLevel(), c.killsLevel) << c.totalGain << "/" << c.unassignedGain;
    EXPECT_TRUE(f.errors.empty());
  }
}

TEST(StatisticsTest, LabelsAfterLoginAndAChange) {
  TrackingFixture f(10, 100000, 20000);
  auto& c = f.ch();
  EXPECT_EQ(c.CharName->TextGet(), "Tester");
  EXPECT_EQ(c.LevelNum->TextGet(), "10");
  EXPECT_EQ(c.XPTotal->TextGet(), "100,000");
  EXPECT_EQ(c.XPNext->TextGet(), "15,645");
  EXPECT_EQ(c.XPUn->TextGet(), "20,000");
  EXPECT_EQ(c.SessionTime->TextGet(), "00:00:00");
  // (115645 - 83511 - 15645) / 32134 = 51.3 %
  EXPECT_DOUBLE_EQ(f.stats().BarPercent(), 51.3);
  EXPECT_EQ(c.XPBar->ValueGet(), 51);

  f.host.Advance(60000);
  f.stats().UpdateTime();
  f.Xp(101500, 21200);
  EXPECT_EQ(c.XPSession->TextGet(), "1,500");
  EXPECT_EQ(c.TotalXP->TextGet(), "1,500");
  EXPECT_EQ(c.XPHour->TextGet(), "90,000");
  EXPECT_EQ(c.XPMin->TextGet(), "1,500");
  EXPECT_EQ(c.XPChange->TextGet(), "1,500");
  EXPECT_EQ(c.SessionTime->TextGet(), "00:01:00");
  EXPECT_TRUE(f.errors.empty());
}

TEST(StatisticsTest, FilteredChangeLeavesTheChangeLabel) {
  struct Case {
    bool filter;
    std::string threshold;
    double gain;
    std::string shown;
  };
  const Case cases[] = {
      {true, "500", 500, "500"},   // equal to the threshold is shown
      {true, "500", 499, "0"},     // below it is hidden
      {false, "500", 499, "499"},  // only while the filter is on
      {true, "abc", 1, "1"},       // a non-number counts as 0
  };
  for (const Case& c : cases) {
    TrackingFixture f(10, 1000, 0);
    f.ch().XPFilter->CheckedLet(c.filter);
    f.ch().XPFilterThreshold->TextLet(c.threshold);
    f.Xp(1000 + c.gain, c.gain);
    EXPECT_EQ(f.ch().XPChange->TextGet(), c.shown) << c.threshold << " " << c.gain;
  }
}

TEST(StatisticsTest, AutomaticResetStartsTheSessionAtTheTotalsBeforeTheJump) {
  TrackingFixture f(10, 1000, 0);
  f.ch().XPAuto->CheckedLet(true);
  f.Xp(6000, 0);  // the first gain of a session always restarts it
  EXPECT_EQ(f.stats().SessionXP(), 5000);
  f.Xp(11000, 0);  // 5000 x 0.1 does not exceed 5000
  EXPECT_EQ(f.stats().SessionXP(), 10000);
  f.Xp(11000 + 100001, 0);  // more than ten times the session
  EXPECT_EQ(f.stats().SessionXP(), 100001);
  EXPECT_EQ(f.stats().TotalXP(), 110001);
}

TEST(StatisticsTest, FiveMinuteAverage) {
  TrackingFixture f(10, 0, 0);
  const double gains[] = {0, 0, 1000, 2000, 500};
  double total = 0;
  for (double g : gains) {
    total += g;
    f.Xp(total, 0, false);
    f.host.Advance(60000);
    f.stats().UpdateTime();
    ASSERT_TRUE(f.stats().MinuteSampleDue());
    f.stats().UpdateAvgXP();
  }
  EXPECT_EQ(f.stats().FiveMinAvg(), 42000);
  EXPECT_EQ(f.ch().XP5Min->TextGet(), "42,000");
  // A sixth sample pushes out the oldest.
  f.Xp(total + 100, 0, false);
  f.stats().UpdateAvgXP();
  EXPECT_EQ(f.stats().FiveMinAvg(), 12 * 3600);

  // A gain older than five minutes is forgotten: 100 XP in the first minute,
  // nothing after.
  TrackingFixture g(10, 0, 0);
  g.Xp(100, 0, false);
  for (int minute = 1; minute <= 6; ++minute) {
    g.host.Advance(60000);
    g.stats().UpdateTime();
    ASSERT_TRUE(g.stats().MinuteSampleDue());
    g.stats().UpdateAvgXP();
    EXPECT_EQ(g.ch().XP5Min->TextGet(), minute <= 5 ? "1,200" : "0") << minute;
  }
}

TEST(StatisticsTest, MinuteSampleIsDueOncePerMinuteWhateverTheTicks) {
  TrackingFixture f;
  struct Step {
    std::int64_t advanceMs;
    bool due;
  };
  // Ticks late past the boundary, doubled in one second, and a skipped minute second.
  const Step steps[] = {{59000, false}, {2000, true}, {0, false}, {500, false}, {60000, true}};
  for (const Step& s : steps) {
    f.host.Advance(s.advanceMs);
    f.stats().UpdateTime();
    EXPECT_EQ(f.stats().MinuteSampleDue(), s.due) << f.stats().TotalSec();
    if (f.stats().MinuteSampleDue()) f.stats().UpdateAvgXP();
    EXPECT_FALSE(f.stats().MinuteSampleDue());
  }
}

TEST(StatisticsTest, ClocksIgnoreWallClockChanges) {
  TrackingFixture f;
  f.host.Advance(90000);
  f.host.Clock().SetLocalDate(sim::SimClock::MakeDate(2020, 1, 1, 3, 0, 0));  // wall clock jumps back years
  f.stats().UpdateTime();
  EXPECT_EQ(f.stats().SessionSec(), 90);
  EXPECT_EQ(f.stats().TotalSec(), 90);
  EXPECT_EQ(f.ch().TotalTime->TextGet(), "00:01:30");
}

TEST(StatisticsTest, ClocksCountSecondBoundariesNotElapsedSeconds) {
  TrackingFixture f(10, 100000, 0);
  f.host.Advance(1500);
  f.stats().ResetSession();  // the session starts in mid-second
  f.host.Advance(500);
  f.stats().UpdateTime();
  EXPECT_EQ(f.stats().SessionSec(), 1);
  EXPECT_EQ(f.ch().SessionTime->TextGet(), "00:00:01");
  EXPECT_EQ(f.stats().TotalSec(), 2);
  // The rate uses the boundary count too: 600 XP over one boundary is 600 a second.
  f.Xp(100600, 0);
  EXPECT_EQ(f.ch().XPMin->TextGet(), "36,000");
  f.host.Advance(999);
  f.stats().UpdateTime();
  EXPECT_EQ(f.stats().SessionSec(), 1);  // 2.999 s: no new boundary yet
  f.host.Advance(1);
  f.stats().UpdateTime();
  EXPECT_EQ(f.stats().SessionSec(), 2);
  EXPECT_EQ(f.ch().TotalTime->TextGet(), "00:00:03");
  EXPECT_TRUE(f.errors.empty());
}

TEST(StatisticsTest, TimeToLevelInWords) {
  TrackingFixture f(10, 50000, 0);
  EXPECT_EQ(f.stats().TimetoLevel(), "Infinity");
  f.host.Advance(60000);
  f.stats().UpdateTime();
  f.Xp(53145, 0);  // 3145 XP in a minute, 62500 still needed: 19.87 minutes
  EXPECT_EQ(f.stats().TimetoLevel(), "19 Minutes, 52 Seconds");
  f.stats().ResetSession();
  EXPECT_EQ(f.stats().TimetoLevel(), "Infinity");
}

TEST(StatisticsTest, LevelUpMovesTheCurveAgainstTheLastTotal) {
  TrackingFixture f(125, 4200000000.0, 0);
  EXPECT_EQ(f.ch().XPNext->TextGet(), "86,609,098");
  f.host.Character().SetLevel(126);
  f.stats().Level();
  EXPECT_EQ(f.ch().LevelNum->TextGet(), "126");
  EXPECT_EQ(f.stats().XPAtThisLevel(), 4286609097.0);
  EXPECT_LT(f.stats().BarPercent(), 0);
  EXPECT_EQ(f.ch().XPBar->ValueGet(), 0);
}

TEST(StatisticsTest, FollowerAnnouncements) {
  TrackingFixture f;
  f.ch().AllegChange->CheckedLet(true);
  f.SetOption("Show All XP Changes", false);
  auto& ch = f.host.Character();
  auto mark = f.Mark();
  ch.SetFollowers(1);
  // The host counts the character too; the statistics see one less.
  ch.SetAllegianceFollowers(58);
  f.stats().UpdateTime();
  ch.SetAllegianceFollowers(56);
  f.stats().UpdateTime();
  f.stats().UpdateTime();  // nothing changed since
  std::vector<std::string> said;
  for (const auto& line : f.OutputSince(mark)) {
    if (line.find("followers") != std::string::npos) said.push_back(line.substr(line.find("<Mellox> ") + 9));
  }
  EXPECT_EQ(said, (std::vector<std::string>{"Number of followers under you has changed: 1(1), Guild:57",
                                            "Number of followers in the monarchy has changed: 55(-2)"}));
}

}  // namespace
}  // namespace mellox::test
