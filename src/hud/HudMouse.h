// Mouse handling of the HUDs from the game window's messages: the title bar
// fades in while the pointer is over a HUD, a HUD is dragged by its title bar
// (or from anywhere with Ctrl held), Shift-click brings back a hidden title
// bar, and clicks reach the HUD owners. The game always gets the message too.
#pragma once

#include <cstdint>
#include <span>

#include "platform/Geometry.h"

namespace mellox {

class HudWindow;

// One HUD as the mouse handling visits it: its engine (null while the owner
// has none) and the owner's title test and click.
struct HudSlot {
  HudWindow* window = nullptr;
  void* owner = nullptr;
  bool (*withinTitle)(void* owner, std::int32_t x, std::int32_t y) = nullptr;
  void (*clickHUD)(void* owner, std::int32_t x, std::int32_t y) = nullptr;
};

template <class Owner>
HudSlot MakeHudSlot(Owner* owner, HudWindow* window) {
  HudSlot slot;
  slot.window = owner ? window : nullptr;
  slot.owner = owner;
  slot.withinTitle = [](void* o, std::int32_t x, std::int32_t y) { return static_cast<Owner*>(o)->WithinTitle(x, y); };
  slot.clickHUD = [](void* o, std::int32_t x, std::int32_t y) { static_cast<Owner*>(o)->ClickHUD(x, y); };
  return slot;
}

class HudMouse {
 public:
  static constexpr std::int32_t kMouseMove = 512;
  static constexpr std::int32_t kLeftDown = 513;
  static constexpr std::int32_t kLeftUp = 514;
  // Mouse-move wParam flag: the left button is held.
  static constexpr std::int32_t kLeftButtonHeld = 0x0001;

  struct Input {
    platform::Point pos;      // pointer in game-window client pixels
    bool ctrl = false;        // read on a press only
    bool shift = false;
    bool buttonHeld = true;   // read on a move only
  };

  // The window-message sink of the plug-in object: acts only while the
  // plug-in is active, HUD drawing works and the master HUD box is ticked;
  // visits the clock, main, item, status and target HUDs in that order.
  // Errors are reported and end the message's handling.
  static void WindowMessage(std::int32_t msg, std::int32_t wParam);

  // A press and a drag belong to the login that began them: the login's end
  // ends both where the HUDs stand, saving nothing, so the next login's
  // pointer neither drags a HUD nor completes a click on one.
  static void EndDragAtLogoff();

  // One message over the given HUDs; save is the settings save.
  static void Handle(std::int32_t msg, const Input& input, std::span<const HudSlot> slots, void (*save)());
};

}  // namespace mellox
