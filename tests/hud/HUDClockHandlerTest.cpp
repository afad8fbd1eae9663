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

using Lines = std::vector<std::string>;

struct ClockFixture : HudOwnerFixture {
  ClockFixture() { hud().SetEnabled(true); }
  HUDClockHandler& owner() { return *HUDClockHandlerInstance; }
  HUDHandler& hud() { return *owner().ClockHUD; }
  platform::ListControl& list() { return *ch().HudClockList; }
  std::int32_t Row(const std::string& name) { return ch().FindName(name, "HudClock"); }
  std::string Value(const std::string& name) { return CellText(list().DataGet(3, Row(name), 0)); }
  void Show(const std::string& name) { list().DataLet(0, Row(name), 0, true); }
  // Local time jumps; no timer fires on the way.
  void Jump(std::int64_t s) { host.Clock().SetLocalDate(host.Clock().LocalDate() + s / 86400.0); }
};

TEST(HUDClockHandlerTest, TimersCountOnTheCoreTick) {
  ClockFixture f;
  f.ch().HudClockLabel->CheckedLet(true);
  f.ch().HudClockTime->TextLet("0:01:05");
  f.owner().StartDnTime();
  f.owner().StartUpTime();
  f.owner().CreateHUD();
  EXPECT_EQ(f.Painted(f.hud()), (Lines{"Down Timer: 01:05", "Up Timer: ", "Your Time: 07:00 PM"}));

  f.StartCoreTick();
  // At zero the value is empty but the line stays; below zero it goes in the same tick.
  for (const auto& [seconds, down, up, shown] :
       {std::tuple{60, "05", "01:00", true}, std::tuple{5, "", "01:05", true},
        std::tuple{1, "", "01:06", false}}) {
    f.Seconds(seconds);
    EXPECT_EQ(f.Value("Down Timer"), down);
    EXPECT_EQ(f.Value("Up Timer"), up);
    EXPECT_EQ(f.hud().Item("Down Timer") != nullptr, shown) << seconds;
  }
  EXPECT_EQ(f.owner().DnTimeEnd(), 0);
  EXPECT_EQ(f.Painted(f.hud()).front(), "Up Timer: 01:06");

  // Stopping blanks the value; the line goes at the next re-creation.
  f.owner().StartUpTime();
  EXPECT_EQ(f.Value("Up Timer"), "");
  f.owner().UpdateHUD();
  EXPECT_NE(f.hud().Item("Up Timer"), nullptr);
  f.owner().CreateHUD();
  EXPECT_EQ(f.hud().Item("Up Timer"), nullptr);

  // A hidden down timer still counts in the list and switches itself off.
  f.list().DataLet(0, f.Row("Down Timer"), 0, false);
  f.ch().HudClockTime->TextLet("0:00:02");
  f.owner().StartDnTime();
  f.owner().CreateHUD();
  EXPECT_EQ(f.Value("Down Timer"), "02");
  EXPECT_EQ(f.hud().Item("Down Timer"), nullptr);
  f.Jump(3);
  f.owner().UpdateHUD();
  EXPECT_EQ(f.owner().DnTimeEnd(), 0);
  EXPECT_TRUE(f.errors.empty());
}

TEST(HUDClockHandlerTest, TheDurationMustBeATimeOfDay) {
  ClockFixture f;
  for (const auto& [text, seconds] :
       {std::pair{"0:30:00", 1800}, std::pair{"1:15", 4500}, std::pair{" 23:59:59 ", 86399}}) {
    EXPECT_EQ(HUDClockHandler::TimeOfDaySeconds(text), seconds) << text;
  }
  f.ch().HudClockTime->TextLet("0:10");
  f.owner().StartDnTime();
  const std::int64_t end = f.owner().DnTimeEnd();
  for (const char* bad : {"25:00", "24:00", "24:00:00", "1:60", "0:00:60", "90", "", "1:", "-1:10", "1:10:00:00", "1.5:00"}) {
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
  f.Show("EST");
  f.Show("JST");
  f.Show("PST");
  f.list().DataLet(2, f.Row("PST"), 0, "west");  // no number: only its own row is blank
  f.list().DataLet(4, f.Row("JST"), 1, 117);
  f.owner().CreateHUD();
  EXPECT_EQ(f.Painted(f.hud()), (Lines{"07:00 PM", "", "08:30 AM", "10:30 PM"}));
  EXPECT_EQ(f.hud().Item("JST")->color, "Red");
  EXPECT_EQ(f.Value("AEST"), "11:30 PM");  // hidden rows are filled too

  f.ch().HudClockHour->CheckedLet(true);
  f.ch().HudClockLabel->CheckedLet(true);
  f.owner().CreateHUD();
  EXPECT_EQ(f.Text(f.hud(), "JST"), "JST: 22:30");

  // Within the minute the ticks leave a zone value alone (a planted one
  // stays); a new minute, or a gap of exactly an hour, refills it.
  for (const auto& [jump, shown] :
       {std::pair{30, "EST: stale"}, std::pair{30, "EST: 08:31"}, std::pair{3600, "EST: 09:31"}}) {
    f.list().DataLet(3, f.Row("EST"), 0, "stale");
    f.Jump(jump);
    f.owner().UpdateHUD();
    EXPECT_EQ(f.Text(f.hud(), "EST"), shown);
  }

  // "Your Time" is the machine's clock through daylight time and a new zone;
  // the other zones keep their hour from UTC.
  EXPECT_EQ(f.Text(f.hud(), "Your Time"), "Your Time: 20:01");
  const struct {
    platform::TimeZoneInformation zone;
    std::int32_t id;
    const char *offset, *local, *est;
  } changes[] = {{{-330, 0, -60}, platform::TIME_ZONE_ID_DAYLIGHT, "6.5", "Your Time: 20:02", "EST: 08:32"},
                 {{300, 0, -60}, platform::TIME_ZONE_ID_STANDARD, "-5", "Your Time: 20:03", "EST: 20:03"}};
  for (const auto& c : changes) {
    f.host.Clock().SetTimeZone(c.zone, c.id);
    f.Jump(60);
    f.owner().UpdateHUD();
    EXPECT_EQ(CellText(f.list().DataGet(2, f.Row("Your Time"), 0)), c.offset);
    EXPECT_EQ(f.Text(f.hud(), "Your Time"), c.local);
    EXPECT_EQ(f.Text(f.hud(), "EST"), c.est);
  }
  EXPECT_TRUE(f.errors.empty());
}

TEST(HUDClockHandlerTest, TheDateLineAndHowRowsRunOn) {
  ClockFixture f;
  f.Show("Date");
  f.ch().HudClockLabel->CheckedLet(true);
  f.owner().CreateHUD();
  EXPECT_EQ(f.Text(f.hud(), "Date"), "Tuesday, December 8, 2026");  // never labelled
  EXPECT_EQ(f.Value("Date"), "12/8/2026");
  f.ch().HudClockShort->CheckedLet(true);
  f.owner().CreateHUD();
  EXPECT_EQ(f.Text(f.hud(), "Date"), "12/8/2026");

  // (clock runs on, date runs on) -> whether the date and a zone end their rows.
  for (const auto& [clock, date, dateEnds, zoneEnds] :
       {std::tuple{false, false, true, true}, std::tuple{true, false, true, false},
        std::tuple{true, true, false, false}, std::tuple{false, true, true, true}}) {
    f.ch().HudClockDisp->CheckedLet(clock);
    f.ch().HudClockDateDisp->CheckedLet(date);
    f.owner().CreateHUD();
    EXPECT_EQ(f.hud().Item("Date")->newline, dateEnds) << clock << date;
    EXPECT_EQ(f.hud().Item("Your Time")->newline, zoneEnds) << clock << date;
  }
}

}  // namespace
}  // namespace mellox::test
