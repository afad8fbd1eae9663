// Experience statistics: XP gained since login (the total period) and since
// the last session reset, their rates, the five-minute hourly rate, the last
// change and the XP credited to the last kill, kills and time to level, the
// session and total clocks, the level curve's values and the XP page labels.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>

namespace mellox {

class Statistics {
  // Everything of the statistics that belongs to one login, in one value
  // that each login's start replaces whole (ResetForLogin).
  struct LoginState {
    bool ShowXPChange = false;
    bool XPChangeOn = false;
    // Monotonic clock readings (ms) at the starts of the session and the total period.
    std::int64_t SessionStartMs = 0;
    std::int32_t SessionSec = 0;
    double SessionXPStart = 0;
    double SessionXP = 0;
    double SessionXPHour = 0;
    double SessionXPMin = 0;
    std::int64_t TotalStartMs = 0;
    std::int32_t TotalSec = 0;
    double TotalXPStart = 0;
    double TotalXP = 0;
    double TotalXPHour = 0;
    double TotalXPMin = 0;
    double CharTotalXP = 0;
    double CharUnXP = 0;
    double LastTotalXP = 0;
    double LastUnXP = 0;
    double XPTotalChange = 0;
    double XPUnChange = 0;
    double MonsterXP = 0;
    double XPAtThisLevel = 0;
    double XPAtNextLevel = 0;
    double XPToNextLevel = 0;
    double XPForThisLevel = 0;
    double KillsLevel = 0;
    double BarPercent = 0;
    double LastSampleXP = 0;
    // Gains of the last minute samples, oldest first.
    std::deque<double> XPSamples;
    // The total clock's minute (TotalSec / 60) of the last sample.
    std::int32_t LastSampleMinute = 0;
    double FiveMinAvg = 0;
    std::string TimetoLevelText = "Infinity";
    std::int32_t LastAllegFollowers = 0;
    std::int32_t LastMyFollowers = 0;
    std::int32_t Kills = 0;
  };
  LoginState login_;

 public:
  static constexpr std::size_t kSampleCount = 5;

  Statistics();
  ~Statistics();
  Statistics(const Statistics&) = delete;
  Statistics& operator=(const Statistics&) = delete;

  // A login's start: every figure as at construction.
  void ResetForLogin();
  // At every login whose settings load: starts the total period, the minute
  // samples and a session.
  void InitStatistics();
  // Starts a new session.
  void ResetSession();
  // Takes the network echo's new totals and updates what follows from them;
  // show False never writes the XP line.
  void ChangeXP(bool show);
  // Rates and the progress bar.
  void UpdateXP();
  // Each core tick: the clocks, then UpdateXP and the follower check.
  void UpdateTime();
  // One minute sample of the XP gained.
  void UpdateAvgXP();
  // True once the total clock has entered a minute that has had no sample
  // yet, so a late, skipped or doubled tick neither loses nor repeats one.
  bool MinuteSampleDue() const;
  // A kill seen in chat. No trap of its own.
  void IncKills();
  // The time-to-level text ("Infinity" until the session has a rate). No trap.
  std::string TimetoLevel();
  // On the level-up line: the level curve, labels, bar, HUD and screenshot.
  void Level();

  // Handlers of the XP page (nothing while the plug-in is inactive).
  void XPFilter_Change(std::int32_t id, bool state);
  void XPAuto_Change(std::int32_t id, bool state);
  void XPFilterThreshold_Change(std::int32_t id, const std::string& text);
  void ResetTime_Accepted(std::int32_t id);

  // The chat line for an XP change; optional parts are appended when given.
  static std::string XPChangeLine(const std::string& changeText, double totalChange, double unassignedChange,
                                  const std::optional<std::string>& hourText,
                                  const std::optional<std::string>& nextText,
                                  const std::optional<std::string>& timeToLevelText);

  // Read-only values.
  std::int32_t SessionSec() const { return login_.SessionSec; }
  double SessionXPStart() const { return login_.SessionXPStart; }
  double SessionXP() const { return login_.SessionXP; }
  double SessionXPHour() const { return login_.SessionXPHour; }
  double SessionXPMin() const { return login_.SessionXPMin; }
  std::int32_t TotalSec() const { return login_.TotalSec; }
  double TotalXPStart() const { return login_.TotalXPStart; }
  double TotalXP() const { return login_.TotalXP; }
  double TotalXPHour() const { return login_.TotalXPHour; }
  double TotalXPMin() const { return login_.TotalXPMin; }
  double CharTotalXP() const { return login_.CharTotalXP; }
  double CharUnXP() const { return login_.CharUnXP; }
  double LastTotalXP() const { return login_.LastTotalXP; }
  double LastUnXP() const { return login_.LastUnXP; }
  double XPTotalChange() const { return login_.XPTotalChange; }
  double XPUnChange() const { return login_.XPUnChange; }
  double MonsterXP() const { return login_.MonsterXP; }
  double XPAtThisLevel() const { return login_.XPAtThisLevel; }
  double XPAtNextLevel() const { return login_.XPAtNextLevel; }
  double XPToNextLevel() const { return login_.XPToNextLevel; }
  double XPForThisLevel() const { return login_.XPForThisLevel; }
  double KillsLevel() const { return login_.KillsLevel; }
  double BarPercent() const { return login_.BarPercent; }
  std::int32_t Kills() const { return login_.Kills; }
  double FiveMinAvg() const { return login_.FiveMinAvg; }

  // Read-write (the login's).
  bool& ShowXPChange = login_.ShowXPChange;
  bool& XPChangeOn = login_.XPChangeOn;

 private:
  // The curve's bounds for the level and the derived values.
  void ApplyLevelCurve(std::int32_t level);
  // BarPercent and the "XP_Bar" position.
  void UpdateBar();
  void UpdateAllegiance();
  void ComputeTimeToLevel();
  // Shows the last change: label, chat line, HUD line.
  void DisplayXP();
};

}  // namespace mellox
