// The calls character tracking makes into its neighbours (host adapter,
// network echo, HUD, timers, settings file), gathered in one place. Each
// forwards to the neighbour's operation where that exists; the others are
// marked below and are wired here when their owners land.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace mellox::platform {
class Enchantment;
}

namespace mellox {

class TrackingPeers {
 public:
  // --- Network echo: the character's XP totals ------------------------------
  // Held here until the network echo handler keeps them itself.
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
  static std::int32_t NowUnix();

  // --- Main HUD, timers, settings file (no-ops until their owners land) -----
  static void CreateMainHUD();
  static void UpdateMainHUD();
  static void StartShowChangeTimer();
  static void StartTakeSS();
  static void SettingsSave();
};

}  // namespace mellox
