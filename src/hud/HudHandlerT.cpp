#include "hud/HudHandlerT.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/Globals.h"
#include "core/Hub.h"
#include "core/TimeModule.h"
#include "core/Trap.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "host/NetEchoHandler.h"
#include "platform/System.h"
#include "platform/World.h"
#include "tracking/SpellFilterHandler.h"

namespace mellox {

namespace {

constexpr const char* kClass = "HudHandlerT";
// Templates the width is measured from: the widest description line expected.
constexpr const char* kInitialTemplate = "99.99-99, 99 99 9.9, Wk 9, Tk 10";
constexpr const char* kFontTemplate = "99.99-99, 99 99 9.9 9.9, Wk 10, Tk 10";
constexpr std::int32_t kMinWidth = 160;
constexpr std::uint32_t kDarkRed = 0xFF770000;

// Rectangles are given top, left, bottom, right, as the painters think of them.
platform::Rect Box(std::int32_t top, std::int32_t left, std::int32_t bottom, std::int32_t right) {
  return {left, top, right, bottom};
}

std::int64_t NowUnix() { return TimeModule::LocalToUnix(platform::Sys().Now()); }

std::int32_t Clamp32(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

bool HasVitals(std::int32_t objectClass) {
  return objectClass == 5 || objectClass == 24 || objectClass == 25 || objectClass == 37;
}

}  // namespace

HudHandlerT::HudHandlerT() {
  Trap("Initilize", kClass, [&] {
    Debug("HUD Handler Init");
    login_.debuffs.clear();
    firstDocked_ = true;
    dockVert_ = dockHorz_ = firstDocked_;
    backgroundColor_ = Hub::ConvertColor("Black", 5);
    AcquireServices();
    ApplySizeRule(kInitialTemplate);
    spaceWidth_ = Measure(" ");
    ComputeDimensions();
    CreateHUD();
  });
}

HudHandlerT::~HudHandlerT() {
  Debug("HUD Handler Terminate");
  login_.object.reset();
  login_.debuffs.clear();
}

void HudHandlerT::ApplySizeRule(const char* sizeTemplate) {
  width_ = std::max(kMinWidth, Measure(sizeTemplate));
  height_ = titleHeight_ + spacing_ + borderWidth_ + 6 * (fontSize_ + spacing_);
}

void HudHandlerT::OnFontChanged() {
  ApplySizeRule(kFontTemplate);
  ResizeHUDT();
}

void HudHandlerT::TitleFade(std::int32_t step) { mouse_.fadeStep = step; }

// --- Surface ----------------------------------------------------------------------

void HudHandlerT::CreateHUD() {
  if (HudCreateFailed) return;
  Trap("CreateHUD", kClass, [&] {
    Debug("CreateHUDT1");
    const bool created = CreateSurface("CreateHUD Failure ");
    Debug("CreateHUDT2");
    if (!created) Debug("CreateHUDT3");
  });
}

void HudHandlerT::ResizeHUDT() {
  Debug("ResizeHUDT");
  if (HudCreateFailed) return;
  Trap("ResizeHUD", kClass, [&] {
    // A refused surface stops here: nothing is drawn on a surface that is not there.
    if (!ReplaceSurface("CreateHUD Failure ")) return;
    OutputHud(true);
    Debug("ResizeHUDTEnd");
  });
}

void HudHandlerT::MoveHUDT() {
  if (HudCreateFailed) return;
  Trap("MoveHUD", kClass, [&] {
    Debug("MoveHUDT");
    MoveSurface();
  });
}

void HudHandlerT::DrawHUD() {
  if (HudCreateFailed || !enabled_) return;
  Trap("DrawHUD", kClass, [&] { OutputHud(false); });
}

void HudHandlerT::OnDeviceLost() {
  if (HudCreateFailed) return;
  Trap("myService_DeviceLost", kClass, [&] { ResizeHUDT(); });
}

void HudHandlerT::OnFadeTimeout() {
  Trap("FadeTimer_Timeout", kClass, [&] {
    if (!login_.object) {
      // Nothing shown, so no title: the bar is reset at once. The pointer
      // state is reset too, so the next hover after a selection fades the
      // title in instead of being taken for the hover already under way.
      mouse_.fadeStep = 0;
      mouse_.fadeIn = false;
      mouse_.withinCanvas = false;
      if (fadeTimer_) fadeTimer_->Stop();
      DrawHUD();
      return;
    }
    StepFade();
    if (drawTitle_) DrawHUD();
  });
}

std::int32_t HudHandlerT::ClickHUD(std::int32_t x, std::int32_t y) {
  Debug("ClickHUDT");
  return ClickZone(x, y);
}

bool HudHandlerT::CanPaintAlone() const { return !HudCreateFailed && enabled_ && myHud_ != nullptr; }

bool HudHandlerT::ShowsVitals() {
  return login_.object && login_.object->HasIdentifyData() && HasVitals(login_.object->ObjectClass());
}

double HudHandlerT::TextColour() const { return Hub::ConvertColor(fontColor_, 10); }

std::uint32_t HudHandlerT::OutlineColour() const { return ToArgb(Hub::GetHUDOutlineColor(fontColor_)); }

// --- Debuffs -----------------------------------------------------------------------

const SpellItemInfo* HudHandlerT::Debuffs(std::int32_t targetId) const {
  const auto it = login_.debuffs.find(targetId);
  return it == login_.debuffs.end() ? nullptr : &it->second;
}

void HudHandlerT::AddDebuff(std::int32_t targetId, std::int32_t spellId) {
  Trap("AddDebuff", kClass, [&] {
    if (!SpellFilterHandlerInstance) Raise(91);
    SpellFilterHandler& table = *SpellFilterHandlerInstance;
    auto spell = std::make_shared<SpellInfo>();
    spell->id = spellId;
    spell->family = table.GetFamily(spellId);
    spell->icon = table.GetIcon(spellId);
    spell->difficulty = table.GetDifficulty(spellId);
    spell->finish = NowUnix() + table.GetDuration(spellId);
    spell->timeRemaining = table.GetDuration(spellId);
    spell->name = table.GetName(spellId);
    spell->sTarget = std::to_string(targetId);
    if (DebugMode) {
      Debug("AddSpell " + std::to_string(spellId) + " " + std::to_string(spell->family) + " " +
            std::to_string(targetId) + " " + spell->name + " " + std::to_string(spell->timeRemaining));
    }
    login_.debuffs[targetId].AddSpell(spell->family, spell);
    UpdateDebuffs(true);
  });
}

void HudHandlerT::RemoveDebuff(std::int32_t targetId) {
  Trap("RemoveDebuff", kClass, [&] { login_.debuffs.erase(targetId); });
}

void HudHandlerT::RemoveDebuffSpell(std::int32_t targetId, std::int32_t family) {
  Trap("RemoveDebuffSpell", kClass, [&] {
    Debug("RemoveDebuffSpell " + std::to_string(targetId) + " " + std::to_string(family));
    const auto it = login_.debuffs.find(targetId);
    if (it == login_.debuffs.end()) Raise(5);
    if (!it->second.GetSpell(family)) Raise(5);
    it->second.RemoveSpell(family);
  });
}

void HudHandlerT::UpdateDebuffs(bool draw) {
  Trap("UpdateDebuffs", kClass, [&] {
    const std::int64_t now = NowUnix();
    // Collected first and removed after: removing while walking the records
    // would skip the one behind each removed spell.
    std::vector<std::pair<std::int32_t, std::int32_t>> expired;
    for (auto& [targetId, info] : login_.debuffs) {
      for (const auto& [key, spell] : info.Spells()) {
        if (!spell) continue;
        spell->timeRemaining = Clamp32(spell->finish - now);
        if (spell->timeRemaining < 1) expired.emplace_back(targetId, spell->family);
      }
    }
    for (const auto& [targetId, family] : expired) RemoveDebuffSpell(targetId, family);

    if (!login_.object) return;
    const SpellItemInfo* shown = Debuffs(login_.object->Id());
    if (!shown) return;
    if (!draw) {
      PaintDebuffs(*shown);
      return;
    }
    if (!CanPaintAlone() || !ShowsVitals()) return;
    RenderPass pass(*myHud_);
    PaintDebuffs(*shown);
  });
}

void HudHandlerT::PaintDebuffs(const SpellItemInfo& debuffs) {
  if (!myHud_) return;
  platform::HudView& canvas = *myHud_;
  const std::int32_t rowTop = titleHeight_ + 3 * fontSize_ + 4 * spacing_ + 4;
  canvas.Fill(Box(rowTop, borderWidth_, rowTop + iconSize_ + spacing_ + fontSize_, width_ - borderWidth_),
              ToArgb(backgroundColor_));
  const std::int32_t slotWidth = iconSize_ + 2;
  const double white = Hub::ConvertColor("White", 10);
  const std::uint32_t edge = ToArgb(Hub::GetHUDOutlineColor("White"));
  std::int32_t x = borderWidth_ + spacing_;
  for (const std::int32_t family : kDebuffSlots) {
    if (const SpellInfoRef spell = debuffs.GetSpell(family)) {
      const std::int32_t iconLeft = x + (slotWidth - iconSize_) / 2;
      const std::int32_t iconTop = rowTop + spacing_;
      canvas.DrawPortalImage(spell->icon, Box(iconTop, iconLeft, iconTop + iconSize_, iconLeft + iconSize_));
      const std::int32_t textTop = iconTop + iconSize_ + spacing_;
      const std::string minutes = vb::CStr(Hub::Ceiling(spell->timeRemaining / 60.0));
      TextPass text(canvas, fontFace_, fontSize_, fontWeight_);
      DrawItemText(Box(textTop, x, textTop + fontSize_, x + slotWidth), white, edge, 1, minutes);
    }
    x += slotWidth + spacing_;
  }
}

// --- Health bar ----------------------------------------------------------------------

void HudHandlerT::UpdateHealth(bool draw) {
  Trap("UpdateHealth", kClass, [&] {
    if (!draw) {
      PaintHealth();
      return;
    }
    if (!CanPaintAlone() || !ShowsVitals()) return;
    RenderPass pass(*myHud_);
    PaintHealth();
  });
}

void HudHandlerT::PaintHealth() {
  if (!NetEchoHandlerInstance) Raise(91);
  if (!myHud_) return;
  const NetEchoHandler& net = *NetEchoHandlerInstance;
  const std::string text = net.IDHealth != 0
                               ? std::to_string(net.IDHealth) + " / " + std::to_string(net.IDHealthMax)
                               : std::string();
  const std::int32_t top = titleHeight_ + 2 * fontSize_ + 2 * spacing_;
  const std::int32_t left = borderWidth_ + 2 * fontSize_ + spacing_;
  const std::int32_t bottom = top + fontSize_ + 4;
  const std::int32_t right = width_ - borderWidth_;
  // A fraction outside 0..1 (a stray health message) would paint the red
  // past the bar's frame or backwards; it is held to the bar.
  double fraction = net.IDHealthPer;
  if (!(fraction >= 0)) fraction = 0;
  if (fraction > 1) fraction = 1;
  const std::int32_t fillRight =
      left + static_cast<std::int32_t>(Hub::Ceiling((right - left - 1) * fraction));

  platform::HudView& canvas = *myHud_;
  canvas.Fill(Box(top, left, bottom, right), ToArgb(Hub::ConvertColor("White", 10)));
  canvas.Fill(Box(top + 1, left + 1, bottom - 1, right - 1), kDarkRed);
  if (fillRight > left + 1)
    canvas.Fill(Box(top + 1, left + 1, bottom - 1, fillRight), ToArgb(Hub::ConvertColor("Red", 10)));
  TextPass pass(canvas, fontFace_, fontSize_, fontWeight_);
  canvas.WriteText(Box(top + 2, left + 2, bottom - 2, right - 2), ToArgb(Hub::ConvertColor("White", 10)), 1,
                   text);
}

}  // namespace mellox
