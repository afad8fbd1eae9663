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
  XPAtThisLevel_ = b.atThisLevel;
  XPAtNextLevel_ = b.atNextLevel;
  XPToNextLevel_ = XPAtNextLevel_ - CharTotalXP_;
  XPForThisLevel_ = XPAtNextLevel_ - XPAtThisLevel_;
}

void Statistics::UpdateBar() {
  BarPercent_ = LevelCurve::Percent(XPForThisLevel_, XPToNextLevel_);
  Controls().XPBar->ValueLet(LevelCurve::BarPosition(BarPercent_));
}

void Statistics::InitStatistics() {
  Trap("InitStatistics", kClass, [&] {
    Hub::wtcw_debug("InitStatistics");
    CharTotalXP_ = TrackingPeers::NetTotalXP();
    CharUnXP_ = TrackingPeers::NetUnassXP();
    const std::int32_t level = TrackingPeers::GetMyCharLevel();
    ApplyLevelCurve(level);
    LastUnXP_ = CharUnXP_;
    // A kill line reads the XP of this login's kills, not the last character's.
    MonsterXP_ = 0;
    XPUnChange_ = 0;
    TotalXPStart_ = CharTotalXP_;
    TotalStartMs_ = MonotonicNow();
    TotalSec_ = 0;
    TotalXP_ = 0;
    LastSampleXP_ = CharTotalXP_;
    XPSamples_.assign(kSampleCount, 0.0);
    LastSampleMinute_ = 0;
    // The label below reads "0"; the value it shows must agree after a relogin.
    FiveMinAvg_ = 0;

    ControlHandler& c = Controls();
    c.CharName->TextLet(TrackingPeers::GetMyCharName());
    c.LevelNum->TextLet(std::to_string(level));
    c.XPTotal->TextLet(Count(CharTotalXP_));
    c.XPNext->TextLet(Count(XPToNextLevel_));
    c.XPUn->TextLet(Count(CharUnXP_));
    c.TotalXP->TextLet("0");
    c.TotalXPHour->TextLet("0");
    c.TotalXPMin->TextLet("0");
    c.XPChange->TextLet("0");
    c.XP5Min->TextLet("0");
    // Until the first tick the page shows the start of this login's period, not the last one's end.
    c.TotalTime->TextLet("00:00:00");

    UpdateBar();
    LastAllegFollowers_ = TrackingPeers::GetAllegFollowers();
    LastMyFollowers_ = TrackingPeers::GetMyFollowers();
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
    SessionXPStart_ = CharTotalXP_;
    LastTotalXP_ = CharTotalXP_;
    SessionXP_ = 0;
    SessionXPHour_ = 0;
    SessionXPMin_ = 0;
    Kills_ = 0;
    KillsLevel_ = 0;
    TimetoLevelText_ = "Infinity";
    XPTotalChange_ = 0;
    SessionStartMs_ = MonotonicNow();
    SessionSec_ = 0;
    TrackingPeers::CreateMainHUD();
  });
}

void Statistics::ComputeTimeToLevel() {
  TimetoLevelText_ = Hub::ConvTime(vb::Divide(XPToNextLevel_, SessionXPMin_) * 60, 10, false);
}

void Statistics::ChangeXP(bool show) {
  Trap("ChangeXP", kClass, [&] {
    if (!PluginActive) return;
    ControlHandler& c = Controls();
    const double netTotal = TrackingPeers::NetTotalXP();
    if (c.XPAuto->CheckedGet() && (netTotal - LastTotalXP_) * 0.1 > SessionXP_) ResetSession();

    CharTotalXP_ = netTotal;
    XPToNextLevel_ = XPAtNextLevel_ - CharTotalXP_;
    XPTotalChange_ = CharTotalXP_ - LastTotalXP_;
    LastTotalXP_ = CharTotalXP_;

    CharUnXP_ = TrackingPeers::NetUnassXP();
    XPUnChange_ = CharUnXP_ - LastUnXP_;
    LastUnXP_ = CharUnXP_;

    if (XPTotalChange_ != 0) {
      MonsterXP_ = XPUnChange_ - Hub::Ceiling((XPTotalChange_ - XPUnChange_) * 0.1);
      if (MonsterXP_ < 0) MonsterXP_ = 0;
      KillsLevel_ = MonsterXP_ != 0 ? Hub::Ceiling(XPToNextLevel_ / MonsterXP_) : -1;
    }

    TotalXP_ = CharTotalXP_ - TotalXPStart_;
    SessionXP_ = CharTotalXP_ - SessionXPStart_;

    c.XPUn->TextLet(Count(CharUnXP_));
    c.XPNext->TextLet(Count(XPToNextLevel_));
    c.XPTotal->TextLet(Count(CharTotalXP_));
    c.XPSession->TextLet(Count(SessionXP_));
    c.TotalXP->TextLet(Count(TotalXP_));

    UpdateXP();

    if (SessionXPHour_ != 0) ComputeTimeToLevel();

    if (XPTotalChange_ != 0 && show) {
      const double threshold = vb::Val(c.XPFilterThreshold->TextGet());
      const bool filtered = threshold > XPTotalChange_ && c.XPFilter->CheckedGet();
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
    c.XPChange->TextLet(Count(XPTotalChange_));
    if (TrackingPeers::ChatOptionTicked("Show All XP Changes")) {
      std::optional<std::string> hour;
      std::optional<std::string> next;
      std::optional<std::string> time;
      if (TrackingPeers::ChatOptionTicked("Add XP/Hr")) hour = c.XPHour->TextGet();
      if (TrackingPeers::ChatOptionTicked("Add XP to Level")) next = c.XPNext->TextGet();
      if (TrackingPeers::ChatOptionTicked("Add Time to Level")) time = TimetoLevelText_;
      Hub::wtcw(XPChangeLine(c.XPChange->TextGet(), XPTotalChange_, XPUnChange_, hour, next, time));
    }
    if (XPChangeOn) {
      ShowXPChange = true;
      TrackingPeers::StartShowChangeTimer();
    }
  });
}

void Statistics::UpdateXP() {
  Trap("UpdateXP", kClass, [&] {
    if (!PluginActive || SessionSec_ == 0) return;
    ControlHandler& c = Controls();
    if (TotalXP_ != 0 && TotalSec_ != 0) {
      TotalXPMin_ = TotalXP_ / TotalSec_ * 60;
      TotalXPHour_ = TotalXPMin_ * 60;
      c.TotalXPHour->TextLet(Count(TotalXPHour_));
      c.TotalXPMin->TextLet(Count(TotalXPMin_));
    }
    if (SessionXP_ != 0) {
      SessionXPMin_ = SessionXP_ / SessionSec_ * 60;
      SessionXPHour_ = SessionXPMin_ * 60;
      c.XPHour->TextLet(Count(SessionXPHour_));
      c.XPMin->TextLet(Count(SessionXPMin_));
    }
    UpdateBar();
  });
}

void Statistics::UpdateTime() {
  Trap("UpdateTime", kClass, [&] {
    ControlHandler& c = Controls();
    const std::int64_t now = MonotonicNow();
    SessionSec_ = SecondBoundaries(SessionStartMs_, now);
    c.SessionTime->TextLet(Hub::ConvTime(SessionSec_, 1, false));
    TotalSec_ = SecondBoundaries(TotalStartMs_, now);
    c.TotalTime->TextLet(Hub::ConvTime(TotalSec_, 1, false));
    UpdateXP();
    UpdateAllegiance();
  });
}

bool Statistics::MinuteSampleDue() const { return TotalSec_ / 60 != LastSampleMinute_; }

void Statistics::UpdateAvgXP() {
  Trap("UpdateAvgXP", kClass, [&] {
    const double gain = CharTotalXP_ - LastSampleXP_;
    LastSampleXP_ = CharTotalXP_;
    LastSampleMinute_ = TotalSec_ / 60;
    if (XPSamples_.size() >= kSampleCount) XPSamples_.pop_front();
    XPSamples_.push_back(gain);
    double sum = 0;
    for (double s : XPSamples_) sum += s;
    FiveMinAvg_ = 12 * sum;
    Controls().XP5Min->TextLet(Count(FiveMinAvg_));
  });
}

void Statistics::UpdateAllegiance() {
  Trap("UpdateAllegiance", kClass, [&] {
    if (!PluginActive || !Controls().AllegChange->CheckedGet()) return;
    const std::int32_t own = TrackingPeers::GetMyFollowers();
    if (own == LastMyFollowers_) {
      const std::int32_t all = TrackingPeers::GetAllegFollowers();
      if (all == LastAllegFollowers_) return;
      const std::int64_t diff = static_cast<std::int64_t>(all) - LastAllegFollowers_;
      Hub::wtcw("Number of followers in the monarchy has changed: " + std::to_string(all) + "(" +
                std::to_string(diff) + ")");
      LastAllegFollowers_ = all;
    } else {
      const std::int32_t all = TrackingPeers::GetAllegFollowers();
      const std::int64_t diff = static_cast<std::int64_t>(own) - LastMyFollowers_;
      Hub::wtcw("Number of followers under you has changed: " + std::to_string(own) + "(" + std::to_string(diff) +
                "), Guild:" + std::to_string(all));
      LastMyFollowers_ = own;
      LastAllegFollowers_ = all;
    }
  });
}

void Statistics::IncKills() {
  if (Kills_ == std::numeric_limits<std::int32_t>::max()) Raise(6);
  ++Kills_;
  Controls().Kills->TextLet(std::to_string(Kills_));
}

std::string Statistics::TimetoLevel() {
  if (SessionXPHour_ != 0) ComputeTimeToLevel();
  return TimetoLevelText_;
}

void Statistics::Level() {
  Trap("Level", kClass, [&] {
    Hub::wtcw_debug("Char Level");
    const std::int32_t level = TrackingPeers::GetMyCharLevel();
    ApplyLevelCurve(level);
    ControlHandler& c = Controls();
    c.LevelNum->TextLet(std::to_string(level));
    c.XPNext->TextLet(Count(XPToNextLevel_));
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
