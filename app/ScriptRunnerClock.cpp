// The verbs that set the machine's clock and time zone. Each raises nothing:
// the plug-in sees the change the next time it reads the time or the zone.
#include <string>

#include "ScriptArgs.h"
#include "ScriptRunner.h"
#include "platform/System.h"
#include "sim/SimClock.h"

namespace mellox::app {

namespace {

// A zone's offsets stay within a day, as every real zone's do.
constexpr std::int32_t kMinutesPerDay = 24 * 60;
constexpr const char* kPastTheEnd = "UTC cannot pass 9999-12-31 23:59:59: ";

// "YYYY-MM-DD" or "HH:MM[:SS]" split at sep into numbers; false when malformed.
bool SplitNumbers(const std::string& text, char sep, int* parts, int count, int required) {
  std::size_t at = 0;
  for (int i = 0; i < count; ++i) {
    if (i >= required && at == text.size()) return true;
    if (i > 0) {
      if (at >= text.size() || text[at] != sep) return false;
      ++at;
    }
    const std::size_t start = at;
    int value = 0;
    while (at < text.size() && at - start < 4 && text[at] >= '0' && text[at] <= '9') value = value * 10 + (text[at++] - '0');
    if (at == start) return false;
    parts[i] = value;
  }
  return at == text.size();
}

bool LeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && LeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

void ScriptRunner::AddClockVerbs() {
  verbs_["date"] = [this](const std::string& args) {
    std::string rest = args;
    const char* usage = "date YYYY-MM-DD [HH:MM[:SS]]";
    const std::string day = NextWord(rest);
    const std::string time = NextWord(rest);
    NoMore(rest, usage);
    int date[3] = {0, 0, 0};
    int clock[3] = {0, 0, 0};
    if (!SplitNumbers(day, '-', date, 3, 3) || (!time.empty() && !SplitNumbers(time, ':', clock, 3, 2))) Fail(usage);
    // From 1900: before 1899-12-30 a date value counts its days backwards but
    // its time forwards, and no machine the game runs on is set that far back.
    if (date[0] < 1900 || date[0] > 9999) Fail("year out of range (1900 to 9999): " + std::to_string(date[0]));
    if (date[1] < 1 || date[1] > 12) Fail("month out of range (1 to 12): " + std::to_string(date[1]));
    if (date[2] < 1 || date[2] > DaysInMonth(date[0], date[1]))
      Fail("day out of range for that month: " + std::to_string(date[2]));
    if (clock[0] > 23 || clock[1] > 59 || clock[2] > 59) Fail("time of day out of range: " + time);
    // The game's dates end with the year 9999, UTC's too: a zone west of UTC reaches it first.
    if (!host_.Clock().SetLocalDate(sim::SimClock::MakeDate(date[0], date[1], date[2], clock[0], clock[1], clock[2])))
      Fail(std::string(kPastTheEnd) + "this date in the zone in force would");
  };
  verbs_["timezone"] = [this](const std::string& args) {
    std::string rest = args;
    const auto bias = ParseBounded(NextWord(rest), "bias", -kMinutesPerDay, kMinutesPerDay);
    NoMore(rest, "timezone BIAS");
    auto& clock = host_.Clock();
    auto zone = clock.TimeZone();
    zone.Bias = bias;
    if (!clock.SetTimeZone(zone, clock.TimeZoneId())) Fail(std::string(kPastTheEnd) + "this zone at the local time would");
  };
  verbs_["daylight"] = [this](const std::string& args) {
    std::string rest = args;
    const char* usage = "daylight on [BIAS], or daylight off";
    const bool on = ParseOnOff(NextWord(rest));
    auto& clock = host_.Clock();
    auto zone = clock.TimeZone();
    if (on && !rest.empty()) zone.DaylightBias = ParseBounded(NextWord(rest), "daylight bias", -kMinutesPerDay, kMinutesPerDay);
    NoMore(rest, usage);
    if (!clock.SetTimeZone(zone, on ? platform::TIME_ZONE_ID_DAYLIGHT : platform::TIME_ZONE_ID_STANDARD))
      Fail(std::string(kPastTheEnd) + "this zone at the local time would");
  };
}

}  // namespace mellox::app
