// Owner of the main statistics HUD: one line per ticked row of the main-HUD
// line list, in the list's order and colours, copied from the experience
// page's labels and a few handlers.
#pragma once

#include <cstdint>

#include "core/ObjRef.h"
#include "hud/HUDHandler.h"

namespace mellox {

class HUDMainHandler {
 public:
  HUDMainHandler();
  ~HUDMainHandler();
  HUDMainHandler(const HUDMainHandler&) = delete;
  HUDMainHandler& operator=(const HUDMainHandler&) = delete;

  // The engine, titled "Main", for the whole run.
  ObjRef<HUDHandler> MainHud;

  // Clears the lines, adds them again and draws. Errors pass to the caller;
  // the lines added before one stay.
  void CreateHUD();
  // Adds the lines without clearing (only changed texts are repainted) and draws.
  void UpdateHUD();
  // A login's start: hidden and emptied until a login's settings show it.
  void ResetForLogin();
  // A click at a point: the close glyph switches the HUD off, the hide glyph
  // hides the title bar (with a tip in chat); anything else does nothing.
  void ClickHUD(std::int32_t x, std::int32_t y);
  // True on the title bar off its glyphs.
  bool WithinTitle(std::int32_t x, std::int32_t y);

 private:
  void AddData();
};

}  // namespace mellox
