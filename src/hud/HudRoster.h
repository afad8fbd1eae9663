// The five HUDs by their row of the general HUD list (0 main, 1 clock,
// 2 items, 3 status, 4 target): their window engines and their owners'
// operations, for the settings pages and the settings files.
//
// A HUD whose owner or engine is missing (its creation failed) is skipped,
// and keeps the window state last given to it, so a settings file that is
// loaded and saved again does not lose that HUD's place.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "persistence/PersistenceLinks.h"
#include "platform/Geometry.h"

namespace mellox {

class HudWindow;

class HudRoster {
 public:
  static constexpr std::int32_t kCount = 5;

  // The HUD of a general-list row; nothing for a row outside 0 to 4.
  static std::optional<HudId> FromRow(std::int32_t row);

  // The HUD's window engine, or null while its owner has none.
  static HudWindow* Engine(HudId hud);
  // The owner's CreateHUD (clear, refill, draw).
  static void CreateHUD(HudId hud);
  // The owner's UpdateHUD (refill without clearing, draw).
  static void UpdateHUD(HudId hud);

  // What the settings file keeps of a HUD's window: the engine's state, or
  // while there is no engine the state kept for it.
  static HudWindowState Window(HudId hud);
  static HudWindowState& Kept(HudId hud);
  // Where the reset command puts the HUD, which is where the shipped
  // defaults start it; nothing for a HUD the command leaves alone.
  static std::optional<platform::Point> ResetPlace(HudId hud);
  // Moves the HUD and re-evaluates its docking.
  static void Place(HudId hud, std::int32_t x, std::int32_t y);
  // Re-applies every position after a settings load: target, status, main,
  // item, clock.
  static void UpdatePositions();

  // The colour name of the target HUD's description text.
  static void SetTargetFontColor(const std::string& colorName);
  // The clock HUD's timer buttons.
  static void ClockStartDnTime();
  static void ClockStartUpTime();

  // Plug-in start and end: the settings files' hooks into the HUDs are
  // filled, the kept window states forgotten.
  static void Attach();
  static void Detach();
};

}  // namespace mellox
