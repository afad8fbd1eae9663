// The clock HUD: its timers, the date and the zone times, in the clock list
// and on the HUD.
#include <gtest/gtest.h>

#include "chat/CellValue.h"
#include "core/VBError.h"
#include "hud/HUDClockHandler.h"
#include "hud/HudOwnerFixture.h"
#include "sim/SimClock.h"

namespace mellox::test {
namespace {

struct ClockFixture : HudOwnerFixture {
  ClockFixture() { hud().SetEnabled(true); }
  HUDClockHandler& owner() { return *HUDClockHandlerInstance; }
  HUDHandler& hud() { return *owner().ClockHUD; }
  platform::ListControl& list() { return *ch().HudClockList; }

  std::int32_t Row(const std::string& name) { return ch().FindName(name, "HudClock"); }
  std::string Value(const std::string& name) { return CellText(list().DataGet(3, Row(name), 0)); }
  void Show(const std::string& name, bool on) { list().DataLet(0, Row(name), 0, on); }
  // Local time jumps; no timer fires on the way.
  void Jump(std::int64_t seconds) {
    host.Clock().SetLocalDate(host.Clock().LocalDate() + static_cast<double>(seconds) / 86400.0);
  }
};

TEST(HUDClockHandlerTest, TimersCountOnTheCoreTick) {
  ClockFixture f;
  f.ch().HudClockLabel->CheckedLet(true);
  f.ch().HudClockTime->TextLet("0:01:05");
  f.owner().StartDnTime();
  f.owner().StartUpTime();
  f.owner().CreateHUD();
  EXPECT_EQ(f.Painted(f.hud()),
            (std::vector<std::string>{"Down Timer: 01:05", "Up Timer: ", "Your Time: 07:00 PM"}));

  f.StartCoreTick();
  struct Step {
    std::int64_t seconds;
    const char* down;
    const char* up;
    bool downShown;
  };
  // At zero the value is empty but the line stays; below zero it goes in the same tick.
  for (const Step s :
       {Step{60, "05", "01:00", true}, Step{5, "", "01:05", true}, Step{1, "", "01:06", false}}) {
    f.Seconds(s.seconds);
    EXPECT_EQ(f.Value("Down Timer"), s.down) << s.seconds;
    EXPECT_EQ(f.Value("Up Timer"), s.up) << s.seconds;
    EXPECT_EQ(f.hud().Item("Down Timer") != nullptr, s.downShown) << s.seconds;
  }
  EXPECT_EQ(f.owner().DnTimeEnd(), 0);
  EXPECT_EQ(f.Text(f.hud(), "Up Timer"), "Up Timer: 01:06");
  EXPECT_EQ(f.Painted(f.hud()).front(), "Up Timer: 01:06");

  // The short clock text drops whole days.
  for (const auto& [jump, up] :
       {std::pair{3725 - 66, "1:02:05"}, std::pair{86400 - 3725, ""}, std::pair{5, "05"}}) {
    f.Jump(jump);
    f.owner().UpdateHUD();
    EXPECT_EQ(f.Value("Up Timer"), up);
  }

  // Stopping blanks the value; the line goes at the next re-creation.
  f.owner().StartUpTime();
  EXPECT_EQ(f.Value("Up Timer"), "");
  f.owner().UpdateHUD();
  EXPECT_NE(f.hud().Item("Up Timer"), nullptr);
  f.owner().CreateHUD();
  EXPECT_EQ(f.hud().Item("Up Timer"), nullptr);
  for (const auto& e : f.errors) ADD_FAILURE() << e;
}

TEST(HUDClockHandlerTest, AHiddenDownTimerStillRunsOutAndStops) {
  ClockFixture f;
  f.Show("Down Timer", false);
  f.ch().HudClockTime->TextLet("0:00:02");
  f.owner().StartDnTime();
  f.owner().CreateHUD();
  EXPECT_EQ(f.hud().Item("Down Timer"), nullptr);
  EXPECT_EQ(f.Value("Down Timer"), "02");
  f.Jump(3);
  f.owner().UpdateHUD();
  EXPECT_EQ(f.owner().DnTimeEnd(), 0);
  // A restart while running just sets the new end.
  f.ch().HudClockTime->TextLet("1:15");
  f.owner().StartDnTime();
  f.owner().StartDnTime();
  f.owner().UpdateHUD();
  EXPECT_EQ(f.Value("Down Timer"), "1:15:00");
}

TEST(HUDClockHandlerTest, TheDurationMustBeATimeOfDay) {
  ClockFixture f;
  for (const auto& [text, seconds] : {std::pair{"0:30:00", 1800}, std::pair{"1:15", 4500},
                                      std::pair{" 23:59:59 ", 86399}, std::pair{"0:0", 0}}) {
    EXPECT_EQ(HUDClockHandler::TimeOfDaySeconds(text), seconds) << text;
  }
  f.ch().HudClockTime->TextLet("0:10");
  f.owner().StartDnTime();
  const std::int32_t end = f.owner().DnTimeEnd();
  for (const char* bad :
       {"25:00", "1:60", "0:00:60", "90", "", "1:", "a:10", "-1:10", "1:10:00:00", "1.5:00"}) {
    f.ch().HudClockTime->TextLet(bad);
    try {
      f.owner().StartDnTime();
      ADD_FAILURE() << "accepted " << bad;
    } catch (const VBError& e) {
      EXPECT_EQ(e.Number(), 13) << bad;
    }
    EXPECT_EQ(f.owner().DnTimeEnd(), end) << bad;
  }
}

TEST(HUDClockHandlerTest, ZoneTimesFollowTheirOffsetsAndChangeByTheMinute) {
  ClockFixture f;
  // A half-hour zone: local 19:00 is 13:30 UTC, and the local row must say 19:00.
  f.host.Clock().SetTimeZone({-330, 0, 0}, platform::TIME_ZONE_ID_STANDARD);
  f.ch().Init_Lists({"1", "0"});
  EXPECT_EQ(CellText(f.list().DataGet(2, f.Row("Your Time"), 0)), "5.5");
  f.Show("EST", true);
  f.Show("JST", true);
  f.list().DataLet(4, f.Row("JST"), 1, 117);
  f.owner().CreateHUD();
  EXPECT_EQ(f.Painted(f.hud()), (std::vector<std::string>{"07:00 PM", "08:30 AM", "10:30 PM"}));
  EXPECT_EQ(f.hud().Item("JST")->color, "Red");
  EXPECT_EQ(f.hud().Item("EST")->color, "White");
  // Hidden rows are filled in the list too.
  EXPECT_EQ(f.Value("AEST"), "11:30 PM");

  f.ch().HudClockHour->CheckedLet(true);
  f.ch().HudClockLabel->CheckedLet(true);
  f.owner().CreateHUD();
  EXPECT_EQ(f.Painted(f.hud()), (std::vector<std::string>{"Your Time: 19:00", "EST: 08:30", "JST: 22:30"}));

  // Within the minute the ticks leave the zone values alone.
  f.list().DataLet(3, f.Row("EST"), 0, "stale");
  f.Jump(30);
  f.owner().UpdateHUD();
  EXPECT_EQ(f.Text(f.hud(), "EST"), "EST: stale");
  f.Jump(30);
  f.owner().UpdateHUD();
  EXPECT_EQ(f.Text(f.hud(), "EST"), "EST: 08:31");
  // A gap of exactly an hour between ticks is a new minute too.
  f.list().DataLet(3, f.Row("EST"), 0, "stale");
  f.Jump(3600);
  f.owner().UpdateHUD();
  EXPECT_EQ(f.Text(f.hud(), "EST"), "EST: 09:31");
  EXPECT_TRUE(f.errors.empty());
}

TEST(HUDClockHandlerTest, AnOffsetThatIsNoNumberBlanksOnlyItsRow) {
  ClockFixture f;
  f.list().DataLet(2, f.Row("PST"), 0, "west");
  f.Show("PST", true);
  f.Show("JST", true);
  f.owner().CreateHUD();
  EXPECT_EQ(f.Value("PST"), "");
  EXPECT_EQ(f.Value("JST"), "04:00 AM");
  EXPECT_EQ(f.Painted(f.hud()), (std::vector<std::string>{"07:00 PM", "", "04:00 AM"}));
  EXPECT_TRUE(f.errors.empty());
}

TEST(HUDClockHandlerTest, TheDateLineAndHowRowsRunOn) {
  ClockFixture f;
  f.Show("Date", true);
  f.ch().HudClockLabel->CheckedLet(true);
  f.owner().CreateHUD();
  EXPECT_EQ(f.Text(f.hud(), "Date"), "Tuesday, December 8, 2026");
  EXPECT_EQ(f.Value("Date"), "12/8/2026");
  f.ch().HudClockShort->CheckedLet(true);
  f.owner().CreateHUD();
  EXPECT_EQ(f.Text(f.hud(), "Date"), "12/8/2026");

  struct Case {
    bool clockRunOn;
    bool dateRunOn;
    bool dateEndsRow;
    bool zoneEndsRow;
  };
  for (const Case c : {Case{false, false, true, true}, Case{true, false, true, false},
                       Case{true, true, false, false}, Case{false, true, true, true}}) {
    f.ch().HudClockDisp->CheckedLet(c.clockRunOn);
    f.ch().HudClockDateDisp->CheckedLet(c.dateRunOn);
    f.owner().CreateHUD();
    EXPECT_EQ(f.hud().Item("Date")->newline, c.dateEndsRow) << c.clockRunOn << c.dateRunOn;
    EXPECT_EQ(f.hud().Item("Your Time")->newline, c.zoneEndsRow) << c.clockRunOn << c.dateRunOn;
  }
}

}  // namespace
}  // namespace mellox::test
