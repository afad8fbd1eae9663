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
 public:
  static constexpr std::size_t kSampleCount = 5;

  Statistics();
  ~Statistics();
  Statistics(const Statistics&) = delete;
  Statistics& operator=(const Statistics&) = delete;

  // At every login: starts the total period, the minute samples and a session.
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
  std::int32_t SessionSec() const { return SessionSec_; }
  double SessionXPStart() const { return SessionXPStart_; }
  double SessionXP() const { return SessionXP_; }
  double SessionXPHour() const { return SessionXPHour_; }
  double SessionXPMin() const { return SessionXPMin_; }
  std::int32_t TotalSec() const { return TotalSec_; }
  double TotalXPStart() const { return TotalXPStart_; }
  double TotalXP() const { return TotalXP_; }
  double TotalXPHour() const { return TotalXPHour_; }
  double TotalXPMin() const { return TotalXPMin_; }
  double CharTotalXP() const { return CharTotalXP_; }
  double CharUnXP() const { return CharUnXP_; }
  double LastTotalXP() const { return LastTotalXP_; }
  double LastUnXP() const { return LastUnXP_; }
  double XPTotalChange() const { return XPTotalChange_; }
  double XPUnChange() const { return XPUnChange_; }
  double MonsterXP() const { return MonsterXP_; }
  double XPAtThisLevel() const { return XPAtThisLevel_; }
  double XPAtNextLevel() const { return XPAtNextLevel_; }
  double XPToNextLevel() const { return XPToNextLevel_; }
  double XPForThisLevel() const { return XPForThisLevel_; }
  double KillsLevel() const { return KillsLevel_; }
  double BarPercent() const { return BarPercent_; }
  std::int32_t Kills() const { return Kills_; }
  double FiveMinAvg() const { return FiveMinAvg_; }

  // Read-write.
  bool ShowXPChange = false;
  bool XPChangeOn = false;

 private:
  // The curve's bounds for the level and the derived values.
  void ApplyLevelCurve(std::int32_t level);
  // BarPercent and the "XP_Bar" position.
  void UpdateBar();
  void UpdateAllegiance();
  void ComputeTimeToLevel();
  // Shows the last change: label, chat line, HUD line.
  void DisplayXP();

  // Monotonic clock readings (ms) at the starts of the session and the total period.
  std::int64_t SessionStartMs_ = 0;
  std::int32_t SessionSec_ = 0;
  double SessionXPStart_ = 0;
  double SessionXP_ = 0;
  double SessionXPHour_ = 0;
  double SessionXPMin_ = 0;
  std::int64_t TotalStartMs_ = 0;
  std::int32_t TotalSec_ = 0;
  double TotalXPStart_ = 0;
  double TotalXP_ = 0;
  double TotalXPHour_ = 0;
  double TotalXPMin_ = 0;
  double CharTotalXP_ = 0;
  double CharUnXP_ = 0;
  double LastTotalXP_ = 0;
  double LastUnXP_ = 0;
  double XPTotalChange_ = 0;
  double XPUnChange_ = 0;
  double MonsterXP_ = 0;
  double XPAtThisLevel_ = 0;
  double XPAtNextLevel_ = 0;
  double XPToNextLevel_ = 0;
  double XPForThisLevel_ = 0;
  double KillsLevel_ = 0;
  double BarPercent_ = 0;
  double LastSampleXP_ = 0;
  // Gains of the last minute samples, oldest first.
  std::deque<double> XPSamples_;
  // The total clock's minute (TotalSec / 60) of the last sample.
  std::int32_t LastSampleMinute_ = 0;
  double FiveMinAvg_ = 0;
  std::string TimetoLevelText_ = "Infinity";
  std::int32_t LastAllegFollowers_ = 0;
  std::int32_t LastMyFollowers_ = 0;
  std::int32_t Kills_ = 0;
};

}  // namespace mellox
