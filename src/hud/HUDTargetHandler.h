// Owner of the target HUD: passes the selected object to its engine, turns
// debuff effects reported by the network into spells and records them,
// relays the countdown refresh, and answers the mouse handling.
#pragma once

#include <cstdint>
#include <memory>

#include "core/ObjRef.h"
#include "hud/HudHandlerT.h"

namespace mellox::platform {
class WorldObject;
}

namespace mellox {

class HUDTargetHandler {
 public:
  HUDTargetHandler();
  ~HUDTargetHandler();
  HUDTargetHandler(const HUDTargetHandler&) = delete;
  HUDTargetHandler& operator=(const HUDTargetHandler&) = delete;

  // The engine, titled "Target", for the whole run.
  ObjRef<HudHandlerT> TargetHud;

  void CreateHUD();
  void UpdateHUD();
  // A login's start: hidden, no target and no debuff known (what the last
  // login saw is not this one's).
  void ResetForLogin();
  // The close glyph switches the HUD off through the settings' toggle, the
  // hide glyph hides the title bar (with a tip in chat); anything else does nothing.
  void ClickHUD(std::int32_t x, std::int32_t y);
  // True on the title bar off its glyphs.
  bool WithinTitle(std::int32_t x, std::int32_t y);
  // The title bar is drawn fully faded out at the next paint.
  void RemoveTitle();
  // A null object clears the HUD's object.
  void SetObject(std::shared_ptr<platform::WorldObject> obj);
  // The shown object and true, or null and false.
  bool GetObject(std::shared_ptr<platform::WorldObject>& obj) const;
  // A network effect on an object: a debuff code is recorded as the spell of
  // the level chosen in the settings; other codes are ignored. speed is unused.
  void Debuff(std::int32_t targetId, std::int32_t effect, std::int32_t speed);
  // The core tick: expiry and the countdowns.
  void UpdateDebuffs();

  // The spell a debuff effect stands for at a level ("VII" the highest), or
  // empty when the code is no debuff.
  static std::string DebuffSpellName(std::int32_t effect, const std::string& level);
};

}  // namespace mellox
