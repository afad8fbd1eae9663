#include "hud/HudMouse.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "core/Globals.h"
#include "core/Trap.h"
#include "core/VBError.h"
#include "hud/HUDClockHandler.h"
#include "hud/HUDItemHandler.h"
#include "hud/HUDMainHandler.h"
#include "hud/HUDStatusHandler.h"
#include "hud/HUDTargetHandler.h"
#include "hud/HudHandlerT.h"
#include "hud/HudPeers.h"
#include "hud/HudRoster.h"
#include "hud/HudWindow.h"
#include "platform/PluginSite.h"
#include "platform/System.h"

namespace mellox {

namespace {

constexpr std::int32_t kVkShift = 16;
constexpr std::int32_t kVkControl = 17;

std::int32_t Clamp32(std::int64_t v) { return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX)); }

void StartDrag(HudWindow& window) {
  window.SetOnCanvas(true);
  const platform::Point offset{Clamp32(std::int64_t{PressPos.x} - window.X()),
                               Clamp32(std::int64_t{PressPos.y} - window.Y())};
  // Each HUD keeps its own offset; the shared one holds the last, as before.
  window.SetDragOffset(offset);
  DragOffset = offset;
}

// The end of a drag: one save when any HUD was dragged, then no HUD is.
void EndDrag(std::span<const HudSlot> slots, void (*save)()) {
  const bool dragged = std::any_of(slots.begin(), slots.end(),
                                   [](const HudSlot& s) { return s.window && s.window->OnCanvas(); });
  if (dragged) save();
  for (const HudSlot& s : slots) {
    if (s.window) s.window->SetOnCanvas(false);
  }
}

platform::Point ClientPointer() {
  platform::Point p;
  platform::Sys().GetCursorPos(p);
  if (!Site) Raise(91);
  // Fetched on every message, never kept: the game may re-create its window.
  const auto window = Site->GetGameWindow();
  if (!window) Raise(91);
  platform::Sys().ScreenToClient(window->hWnd(), p);
  return p;
}

bool KeyDown(std::int32_t vk) { return platform::Sys().GetAsyncKeyState(vk) < 0; }

}  // namespace

void HudMouse::WindowMessage(std::int32_t msg, std::int32_t wParam) {
  if (msg != kMouseMove && msg != kLeftDown && msg != kLeftUp) return;
  Trap("IWindowsMessageSink_WindowMessage", "APluginCore", [&] {
    if (!PluginActive || HudCreateFailed || !HudPeers::HudOnTicked()) return;
    Input input;
    input.pos = ClientPointer();
    if (msg == kLeftDown) {
      input.ctrl = KeyDown(kVkControl);
      input.shift = KeyDown(kVkShift);
    }
    input.buttonHeld = (wParam & kLeftButtonHeld) != 0;
    const std::array<HudSlot, 5> slots{
        MakeHudSlot(HUDClockHandlerInstance, HudRoster::Engine(HudId::Clock)),
        MakeHudSlot(HUDMainHandlerInstance, HudRoster::Engine(HudId::Main)),
        MakeHudSlot(HUDItemHandlerInstance, HudRoster::Engine(HudId::Items)),
        MakeHudSlot(HUDStatusHandlerInstance, HudRoster::Engine(HudId::Status)),
        MakeHudSlot(HUDTargetHandlerInstance, HudRoster::Engine(HudId::Target)),
    };
    Handle(msg, input, slots, &HudPeers::SettingsSave);
  });
}

void HudMouse::EndDragAtLogoff() {
  for (const HudId hud : {HudId::Clock, HudId::Main, HudId::Items, HudId::Status, HudId::Target}) {
    if (HudWindow* window = HudRoster::Engine(hud)) window->EndMouse();
  }
  // A point no release is at: the press ends without a click.
  PressPos = {INT32_MIN, INT32_MIN};
}

void HudMouse::Handle(std::int32_t msg, const Input& input, std::span<const HudSlot> slots, void (*save)()) {
  switch (msg) {
    case kMouseMove: {
      MousePos = input.pos;
      // A release outside the game window never arrives: the first move
      // without the button held ends that drag as the release would have.
      if (!input.buttonHeld) {
        const bool dragged = std::any_of(slots.begin(), slots.end(),
                                         [](const HudSlot& s) { return s.window && s.window->OnCanvas(); });
        if (dragged) EndDrag(slots, save);
      }
      for (const HudSlot& s : slots) {
        if (s.window) s.window->SetWithinCanvas(s.window->WithinHUD(MousePos.x, MousePos.y));
      }
      for (const HudSlot& s : slots) {
        if (!s.window || !s.window->OnCanvas()) continue;
        const platform::Point offset = s.window->DragOffset();
        s.window->SetPos(Clamp32(std::int64_t{MousePos.x} - offset.x), Clamp32(std::int64_t{MousePos.y} - offset.y),
                         true);
      }
      break;
    }
    case kLeftDown: {
      PressPos = input.pos;
      for (const HudSlot& s : slots) {
        if (!s.window) continue;
        if (input.ctrl) {
          if (s.window->WithinHUD(PressPos.x, PressPos.y)) StartDrag(*s.window);
        } else if (input.shift) {
          // Shown again by the redraw that follows the release.
          if (s.window->WithinHUD(PressPos.x, PressPos.y)) s.window->SetDrawTitle(true);
        } else if (s.owner && s.withinTitle(s.owner, PressPos.x, PressPos.y) && s.window->Enabled()) {
          StartDrag(*s.window);
        }
      }
      break;
    }
    case kLeftUp: {
      ReleasePos = input.pos;
      if (ReleasePos == PressPos) {
        for (const HudSlot& s : slots) {
          if (!s.window || !s.window->WithinHUD(ReleasePos.x, ReleasePos.y)) continue;
          s.clickHUD(s.owner, ReleasePos.x, ReleasePos.y);
          s.window->Redraw();
          save();
        }
      }
      EndDrag(slots, save);
      break;
    }
    default:
      break;
  }
}

}  // namespace mellox
