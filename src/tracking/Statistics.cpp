#include "tracking/Statistics.h"

#include <algorithm>
#include <limits>

#include "core/Globals.h"
#include "core/Hub.h"
#include "core/Trap.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "platform/HostView.h"
#include "platform/System.h"
#include "settings_view/ControlHandler.h"
#include "tracking/LevelCurve.h"
#include "tracking/TrackingPeers.h"

namespace mellox {

namespace {

constexpr const char* kClass = "Statistics";

ControlHandler& Controls() {
  if (!ControlHandlerInstance) Raise(91);
  return *ControlHandlerInstance;
}

std::string Count(double value) { return Hub::FormatCount(value, false); }

// The second a monotonic reading falls in (rounded down, also before zero).
std::int64_t SecondOf(std::int64_t ms) { return ms >= 0 ? ms / 1000 : -((999 - ms) / 1000); }

// Second boundaries passed between two monotonic readings, as a clock that ticks
// on whole seconds counts them: a start at 1.5 s reads 1 at 2.0 s. The wall clock
// may jump, this never does.
std::int32_t SecondBoundaries(std::int64_t startMs, std::int64_t nowMs) {
  const std::int64_t s = SecondOf(nowMs) - SecondOf(startMs);
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(s, 0, std::numeric_limits<std::int32_t>::max()));
}

std::int64_t MonotonicNow() { return platform::Sys().MonotonicMs(); }

}  // namespace

Statistics::Statistics() {
  Trap("Class_Initialize", kClass, [] { Hub::wtcw_debug("Statistics Init"); });
}

Statistics::~Statistics() {
  Trap("Class_Terminate", kClass, [] { Hub::wtcw_debug("Statistics Terminate"); });
}

void Statistics::ApplyLevelCurve(std::int32_t level) {
  const LevelCurve::Bounds b = LevelCurve::ForLevel(level);
  login_.XPAtThisLevel = b.atThisLevel;
  login_.XPAtNextLevel = b.atNextLevel;
  login_.XPToNextLevel = login_.XPAtNextLevel - login_.CharTotalXP;
  login_.XPForThisLevel = login_.XPAtNextLevel - login_.XPAtThisLevel;
}

void Statistics::UpdateBar() {
  login_.BarPercent = LevelCurve::Percent(login_.XPForThisLevel, login_.XPToNextLevel);
  Controls().XPBar->ValueLet(LevelCurve::BarPosition(login_.BarPercent));
}

void Statistics::ResetForLogin() { login_ = {}; }

void Statistics::InitStatistics() {
  Trap("InitStatistics", kClass, [&] {
    Hub::wtcw_debug("InitStatistics");
    login_.CharTotalXP = TrackingPeers::NetTotalXP();
    login_.CharUnXP = TrackingPeers::NetUnassXP();
    const std::int32_t level = TrackingPeers::GetMyCharLevel();
    ApplyLevelCurve(level);
    login_.LastUnXP = login_.CharUnXP;
    // A kill line reads the XP of this login's kills, not the last character's.
    login_.MonsterXP = 0;
    login_.XPUnChange = 0;
    login_.TotalXPStart = login_.CharTotalXP;
    login_.TotalStartMs = MonotonicNow();
    login_.TotalSec = 0;
    login_.TotalXP = 0;
    login_.LastSampleXP = login_.CharTotalXP;
    login_.XPSamples.assign(kSampleCount, 0.0);
    login_.LastSampleMinute = 0;
    // The label below reads "0"; the value it shows must agree after a relogin.
    login_.FiveMinAvg = 0;

    ControlHandler& c = Controls();
    c.CharName->TextLet(TrackingPeers::GetMyCharName());
    c.LevelNum->TextLet(std::to_string(level));
    c.XPTotal->TextLet(Count(login_.CharTotalXP));
    c.XPNext->TextLet(Count(login_.XPToNextLevel));
    c.XPUn->TextLet(Count(login_.CharUnXP));
    c.TotalXP->TextLet("0");
    c.TotalXPHour->TextLet("0");
    c.TotalXPMin->TextLet("0");
    c.XPChange->TextLet("0");
    c.XP5Min->TextLet("0");
    // Until the first tick the page shows the start of this login's period, not the last one's end.
    c.TotalTime->TextLet("00:00:00");

    UpdateBar();
    login_.LastAllegFollowers = TrackingPeers::GetAllegFollowers();
    login_.LastMyFollowers = TrackingPeers::GetMyFollowers();
    ResetSession();
  });
}

void Statistics::ResetSession() {
  Trap("ResetSession", kClass, [&] {
    ControlHandler& c = Controls();
    c.XPSession->TextLet("0");
    c.XPHour->TextLet("0");
    c.XPMin->TextLet("0");
    c.Kills->TextLet("0");
    c.SessionTime->TextLet("00:00:00");
    login_.SessionXPStart = login_.CharTotalXP;
    login_.LastTotalXP = login_.CharTotalXP;
    login_.SessionXP = 0;
    login_.SessionXPHour = 0;
    login_.SessionXPMin = 0;
    login_.Kills = 0;
    login_.KillsLevel = 0;
    login_.TimetoLevelText = "Infinity";
    login_.XPTotalChange = 0;
    login_.SessionStartMs = MonotonicNow();
    login_.SessionSec = 0;
    TrackingPeers::CreateMainHUD();
  });
}

void Statistics::ComputeTimeToLevel() {
  login_.TimetoLevelText = Hub::ConvTime(vb::Divide(login_.XPToNextLevel, login_.SessionXPMin) * 60, 10, false);
}

void Statistics::ChangeXP(bool show) {
  Trap("ChangeXP", kClass, [&] {
    if (!PluginActive) return;
    ControlHandler& c = Controls();
    const double netTotal = TrackingPeers::NetTotalXP();
    if (c.XPAuto->CheckedGet() && (netTotal - login_.LastTotalXP) * 0.1 > login_.SessionXP) ResetSession();

    login_.CharTotalXP = netTotal;
    login_.XPToNextLevel = login_.XPAtNextLevel - login_.CharTotalXP;
    login_.XPTotalChange = login_.CharTotalXP - login_.LastTotalXP;
    login_.LastTotalXP = login_.CharTotalXP;

    login_.CharUnXP = TrackingPeers::NetUnassXP();
    login_.XPUnChange = login_.CharUnXP - login_.LastUnXP;
    login_.LastUnXP = login_.CharUnXP;

    if (login_.XPTotalChange != 0) {
      login_.MonsterXP = login_.XPUnChange - Hub::Ceiling((login_.XPTotalChange - login_.XPUnChange) * 0.1);
      if (login_.MonsterXP < 0) login_.MonsterXP = 0;
      login_.KillsLevel = login_.MonsterXP != 0 ? Hub::Ceiling(login_.XPToNextLevel / login_.MonsterXP) : -1;
    }

    login_.TotalXP = login_.CharTotalXP - login_.TotalXPStart;
    login_.SessionXP = login_.CharTotalXP - login_.SessionXPStart;

    c.XPUn->TextLet(Count(login_.CharUnXP));
    c.XPNext->TextLet(Count(login_.XPToNextLevel));
    c.XPTotal->TextLet(Count(login_.CharTotalXP));
    c.XPSession->TextLet(Count(login_.SessionXP));
    c.TotalXP->TextLet(Count(login_.TotalXP));

    UpdateXP();

    if (login_.SessionXPHour != 0) ComputeTimeToLevel();

    if (login_.XPTotalChange != 0 && show) {
      const double threshold = vb::Val(c.XPFilterThreshold->TextGet());
      const bool filtered = threshold > login_.XPTotalChange && c.XPFilter->CheckedGet();
      if (!filtered) DisplayXP();
    }
    TrackingPeers::CreateMainHUD();
  });
}

std::string Statistics::XPChangeLine(const std::string& changeText, double totalChange, double unassignedChange,
                                     const std::optional<std::string>& hourText,
                                     const std::optional<std::string>& nextText,
                                     const std::optional<std::string>& timeToLevelText) {
  std::string line = "XP: " + changeText + ".";
  if (totalChange != unassignedChange) {
    line.pop_back();
    line += " (Unassigned: " + Count(unassignedChange) + ", Skill: " + Count(totalChange - unassignedChange) + "). ";
  }
  if (hourText) line += " [ " + *hourText + " XP/Hr ]";
  if (nextText) line += " [ " + *nextText + " XP to level ]";
  if (timeToLevelText) line += " [ " + *timeToLevelText + " to level ]";
  return line;
}

void Statistics::DisplayXP() {
  Trap("DisplayXP", kClass, [&] {
    ControlHandler& c = Controls();
    c.XPChange->TextLet(Count(login_.XPTotalChange));
    if (TrackingPeers::ChatOptionTicked("Show All XP Changes")) {
      std::optional<std::string> hour;
      std::optional<std::string> next;
      std::optional<std::string> time;
      if (TrackingPeers::ChatOptionTicked("Add XP/Hr")) hour = c.XPHour->TextGet();
      if (TrackingPeers::ChatOptionTicked("Add XP to Level")) next = c.XPNext->TextGet();
      if (TrackingPeers::ChatOptionTicked("Add Time to Level")) time = login_.TimetoLevelText;
      Hub::wtcw(XPChangeLine(c.XPChange->TextGet(), login_.XPTotalChange, login_.XPUnChange, hour, next, time));
    }
    if (XPChangeOn) {
      ShowXPChange = true;
      TrackingPeers::StartShowChangeTimer();
    }
  });
}

void Statistics::UpdateXP() {
  Trap("UpdateXP", kClass, [&] {
    if (!PluginActive || login_.SessionSec == 0) return;
    ControlHandler& c = Controls();
    if (login_.TotalXP != 0 && login_.TotalSec != 0) {
      login_.TotalXPMin = login_.TotalXP / login_.TotalSec * 60;
      login_.TotalXPHour = login_.TotalXPMin * 60;
      c.TotalXPHour->TextLet(Count(login_.TotalXPHour));
      c.TotalXPMin->TextLet(Count(login_.TotalXPMin));
    }
    if (login_.SessionXP != 0) {
      login_.SessionXPMin = login_.SessionXP / login_.SessionSec * 60;
      login_.SessionXPHour = login_.SessionXPMin * 60;
      c.XPHour->TextLet(Count(login_.SessionXPHour));
      c.XPMin->TextLet(Count(login_.SessionXPMin));
    }
    UpdateBar();
  });
}

void Statistics::UpdateTime() {
  Trap("UpdateTime", kClass, [&] {
    ControlHandler& c = Controls();
    const std::int64_t now = MonotonicNow();
    login_.SessionSec = SecondBoundaries(login_.SessionStartMs, now);
    c.SessionTime->TextLet(Hub::ConvTime(login_.SessionSec, 1, false));
    login_.TotalSec = SecondBoundaries(login_.TotalStartMs, now);
    c.TotalTime->TextLet(Hub::ConvTime(login_.TotalSec, 1, false));
    UpdateXP();
    UpdateAllegiance();
  });
}

bool Statistics::MinuteSampleDue() const { return login_.TotalSec / 60 != login_.LastSampleMinute; }

void Statistics::UpdateAvgXP() {
  Trap("UpdateAvgXP", kClass, [&] {
    const double gain = login_.CharTotalXP - login_.LastSampleXP;
    login_.LastSampleXP = login_.CharTotalXP;
    login_.LastSampleMinute = login_.TotalSec / 60;
    if (login_.XPSamples.size() >= kSampleCount) login_.XPSamples.pop_front();
    login_.XPSamples.push_back(gain);
    double sum = 0;
    for (double s : login_.XPSamples) sum += s;
    login_.FiveMinAvg = 12 * sum;
    Controls().XP5Min->TextLet(Count(login_.FiveMinAvg));
  });
}

void Statistics::UpdateAllegiance() {
  Trap("UpdateAllegiance", kClass, [&] {
    if (!PluginActive || !Controls().AllegChange->CheckedGet()) return;
    const std::int32_t own = TrackingPeers::GetMyFollowers();
    if (own == login_.LastMyFollowers) {
      const std::int32_t all = TrackingPeers::GetAllegFollowers();
      if (all == login_.LastAllegFollowers) return;
      const std::int64_t diff = static_cast<std::int64_t>(all) - login_.LastAllegFollowers;
      Hub::wtcw("Number of followers in the monarchy has changed: " + std::to_string(all) + "(" +
                std::to_string(diff) + ")");
      login_.LastAllegFollowers = all;
    } else {
      const std::int32_t all = TrackingPeers::GetAllegFollowers();
      const std::int64_t diff = static_cast<std::int64_t>(own) - login_.LastMyFollowers;
      Hub::wtcw("Number of followers under you has changed: " + std::to_string(own) + "(" + std::to_string(diff) +
                "), Guild:" + std::to_string(all));
      login_.LastMyFollowers = own;
      login_.LastAllegFollowers = all;
    }
  });
}

void Statistics::IncKills() {
  if (login_.Kills == std::numeric_limits<std::int32_t>::max()) Raise(6);
  ++login_.Kills;
  Controls().Kills->TextLet(std::to_string(login_.Kills));
}

std::string Statistics::TimetoLevel() {
  if (login_.SessionXPHour != 0) ComputeTimeToLevel();
  return login_.TimetoLevelText;
}

void Statistics::Level() {
  Trap("Level", kClass, [&] {
    Hub::wtcw_debug("Char Level");
    const std::int32_t level = TrackingPeers::GetMyCharLevel();
    ApplyLevelCurve(level);
    ControlHandler& c = Controls();
    c.LevelNum->TextLet(std::to_string(level));
    c.XPNext->TextLet(Count(login_.XPToNextLevel));
    UpdateBar();
    TrackingPeers::CreateMainHUD();
    TrackingPeers::StartTakeSS();
  });
}

void Statistics::XPFilter_Change(std::int32_t, bool) {
  Trap("XPFilter_Change", kClass, [] {
    if (PluginActive) TrackingPeers::SettingsSave();
  });
}

void Statistics::XPAuto_Change(std::int32_t, bool) {
  Trap("XPAuto_Change", kClass, [] {
    if (PluginActive) TrackingPeers::SettingsSave();
  });
}

void Statistics::XPFilterThreshold_Change(std::int32_t, const std::string&) {
  Trap("XPFilterThreshold_Change", kClass, [] {
    if (PluginActive) TrackingPeers::SettingsSave();
  });
}

void Statistics::ResetTime_Accepted(std::int32_t) {
  Trap("ResetTime_Accepted", kClass, [&] {
    if (!PluginActive) return;
    ResetSession();
    TrackingPeers::CreateMainHUD();
  });
}

}  // namespace mellox
