// The calls character tracking makes into its neighbours (host adapter,
// network echo, HUD, timers, settings file), gathered in one place. Each
// forwards to the neighbour's operation where that exists; the others are
// marked below and are wired here when their owners land.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace mellox::platform {
class Enchantment;
}

namespace mellox {

class TrackingPeers {
 public:
  // --- Network echo: the character's XP totals ------------------------------
  // The network echo handler's values (0 while it does not exist).
  static double NetTotalXP();
  static double NetUnassXP();
  static void SetNetXP(double total, double unassigned);

  // --- Host adapter queries on the character --------------------------------
  static std::int32_t GetMyCharLevel();
  static std::string GetMyCharName();
  static std::int32_t GetMyFollowers();
  static std::int32_t GetAllegFollowers();
  static std::int32_t GetMyEnchantmentCount();
  // Index 0 .. count - 1; out of range raises error 9.
  static std::shared_ptr<platform::Enchantment> GetMyEnchantment(std::int32_t index);
  // Family of an active enchantment whose spell name equals the text; -1 none.
  static std::int32_t GetActiveSpellFamily(const std::string& spellName);
  // A line straight into a game chat window (not through the pipeline).
  static void WriteToChatWindow(const std::string& text, std::int32_t color, std::int32_t window);

  // --- Whether a row of the chat options list is ticked (column 0) -----------
  // A row the list lacks counts as unticked.
  static bool ChatOptionTicked(const std::string& rowName);

  // --- Now, as Unix seconds of the local clock --------------------------------
  static std::int64_t NowUnix();

  // --- Main HUD (HUDMainHandler), timers, settings file ---------------------
  static void CreateMainHUD();
  static void UpdateMainHUD();
  static void StartShowChangeTimer();
  static void StartTakeSS();
  static void SettingsSave();
  // The data file is stored by the next core tick, as after a logged line.
  static void DataSaveSoon();

  // --- Event queue: deferred item actions -------------------------------------
  // The queue does not take events from outside yet. Until it does, these go
  // to the stand-in below; left empty, nothing is queued and the queue counts
  // as idle.
  static bool EventQueueRunning();
  static void EventQueueAdd(std::int16_t eventType, std::int32_t arg1, std::int32_t arg2, std::int32_t arg3);
  static void EventQueueRun();
  // Whether the queue dropped that use at this login because the game never took it.
  static bool EventQueueGaveUp(std::int16_t eventType, std::int32_t arg1, std::int32_t arg2);
  struct EventQueueStandIn {
    std::function<bool()> running;
    std::function<void(std::int16_t, std::int32_t, std::int32_t, std::int32_t)> add;
    std::function<void()> run;
    std::function<bool(std::int16_t, std::int32_t, std::int32_t)> gaveUp;
  };
  static EventQueueStandIn& QueueStandIn();
};

}  // namespace mellox
