#include "chat/ReportCommands.h"

#include <cmath>

#include "chat/ChatCommands.h"
#include "core/Globals.h"
#include "core/Hub.h"
#include "core/Trap.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "host/FilterHandler.h"
#include "settings_view/ControlHandler.h"
#include "tracking/CorpseHandler.h"
#include "tracking/Statistics.h"

namespace mellox {

namespace {

template <class T>
T& Instance(T* instance) {
  if (!instance) Raise(91);
  return *instance;
}

FilterHandler& Filter() { return Instance(FilterHandlerInstance); }

// The experience page's label texts, quoted as the page shows them.
std::string Label(const ObjRef<platform::StaticTextControl>& label) { return label->TextGet(); }

constexpr double kSixToTheFifth = 7776.0;
constexpr std::int64_t kNearestRoundingFrom = 126;
// The level-2 total of the level curve, where the table starts by default.
constexpr double kLevelTwoCurveTotal = 1000.0;

// Total experience at which a level starts, as the table gives it: by the
// formula for every level (level 2 is 1004, not the level curve's 1000),
// rounded up below 126 and to the nearest whole number from 126 on.
double LevelTotal(std::int64_t level) {
  const double base = static_cast<double>(level + 5);
  const double quotient = (base * base * base * base * base - kSixToTheFifth) / 9.0;
  return level < kNearestRoundingFrom ? std::ceil(quotient) : vb::Round(quotient);
}

}  // namespace

std::string ReportCommands::Line(Report report) {
  switch (report) {
    case Report::Location:
      return "My Location: " + Filter().GetCharCoords();
    case Report::Corpse:
      return "My Corpse Location: " + Instance(CorpseHandlerInstance).GetCorpse();
    case Report::XP: {
      const ControlHandler& c = Instance(ControlHandlerInstance);
      Statistics& stats = Instance(StatisticsInstance);
      const std::string name = Filter().GetMyCharName();
      return name + " has made " + Label(c.XPSession) + " XP in " +
             Hub::ConvTime(stats.SessionSec(), 10, false) + " for an average of " + Label(c.XPHour) +
             " XP/Hr while killing " + Label(c.Kills) + " creatures.";
    }
    case Report::Level: {
      const ControlHandler& c = Instance(ControlHandlerInstance);
      Statistics& stats = Instance(StatisticsInstance);
      const std::string name = Filter().GetMyCharName();
      const std::int64_t nextLevel = static_cast<std::int64_t>(Filter().GetMyCharLevel()) + 1;
      return name + " needs " + Label(c.XPNext) + " XP to reach level " + std::to_string(nextLevel) + " (" +
             vb::CStr(stats.BarPercent()) + "% Complete). It will take " + stats.TimetoLevel() +
             " at the current rate.";
    }
  }
  return {};
}

void ReportCommands::Send(char channel, const std::string& line) {
  if (channel == 0) {
    Hub::wtcw(line);
  } else if (channel == 'o') {
    ChatCommands::SendToGame(line);
  } else {
    ChatCommands::SendToGame(std::string("/") + channel + " " + line);
  }
}

void ReportCommands::Run(Report report, char channel) { Send(channel, Line(report)); }

void ReportCommands::XPList(std::int32_t first, std::int32_t last) {
  Trap("XPList", "ChatTextHandler", [&] {
    if (last < first) return;
    // A mistyped range ("1, 2000000000") would write lines for hours.
    if (static_cast<std::int64_t>(last) - first + 1 > kMaxXPListLines) {
      Raise(5, "The experience table lists at most " + Hub::FormatCount(kMaxXPListLines, false) +
                   " levels at once");
    }
    double previous = first == 3 ? kLevelTwoCurveTotal : LevelTotal(static_cast<std::int64_t>(first) - 1);
    for (std::int64_t level = first; level <= last; ++level) {
      const double total = LevelTotal(level);
      Hub::wtcw(std::to_string(level) + ": " + Hub::FormatCount(total, false) + " (" +
                Hub::FormatCount(total - previous, false) + ")");
      previous = total;
    }
  });
}

}  // namespace mellox
