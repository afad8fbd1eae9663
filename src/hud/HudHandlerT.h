// The window engine of the target HUD: the selected object's icons, name and
// class-specific description lines, and for creatures a health bar and a row
// of debuff countdowns. Its size follows a fixed text template rather than a
// list of items; placement, docking, fade, hit tests, fonts and the surface's
// life are shared with the other HUD engines.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "hud/HudWindow.h"
#include "tracking/SpellItemInfo.h"

namespace mellox::platform {
class WorldObject;
}

namespace mellox {

class HudHandlerT : public HudWindow {
 public:
  // The eight debuff slots of the icon row, by spell family, in drawing order.
  static constexpr std::int32_t kDebuffSlots[8] = {38, 116, 114, 112, 110, 106, 108, 102};

  // Creates the surface at once, docked on both edges, off until an owner or
  // the settings turn it on.
  HudHandlerT();
  ~HudHandlerT() override;

  // --- The described object ----------------------------------------------------
  const std::shared_ptr<platform::WorldObject>& Object() const { return login_.object; }
  void SetObject(std::shared_ptr<platform::WorldObject> obj) { login_.object = std::move(obj); }
  // No target and no debuff known (a login: what the last one saw is not this one's).
  void Forget() { login_ = {}; }

  const std::string& FontColor() const { return fontColor_; }
  void SetFontColor(const std::string& colorName) { fontColor_ = colorName; }

  // The title bar's fade step, set directly (no timer, no redraw).
  void TitleFade(std::int32_t step);

  // --- Drawing -----------------------------------------------------------------
  // While drawing works and the HUD is on: a complete paint.
  void DrawHUD();
  void Redraw() override { DrawHUD(); }
  void CreateHUD();
  void ResizeHUDT();
  void MoveHUDT();
  // -1 outside or below the title bar, 0 the bar, 1 the "X", 2 the "O".
  std::int32_t ClickHUD(std::int32_t x, std::int32_t y);

  // --- Health and debuffs --------------------------------------------------------
  // Records a debuff seen on any target (not only the shown one) and redraws the row.
  void AddDebuff(std::int32_t targetId, std::int32_t spellId);
  // Forgets every debuff of a target (the game released it).
  void RemoveDebuff(std::int32_t targetId);
  // Removes one family from a target's debuffs; a target or family that is
  // not there is reported.
  void RemoveDebuffSpell(std::int32_t targetId, std::int32_t family);
  // draw true: a paint of its own (only when the shown object's description
  // would show it); false: inside the caller's drawing pass.
  void UpdateHealth(bool draw);
  // Expires the debuffs of every target, then paints the shown object's row.
  void UpdateDebuffs(bool draw);
  // The debuffs recorded for a target, or null.
  const SpellItemInfo* Debuffs(std::int32_t targetId) const;

  // --- Description lines (read from the described object) ------------------------
  std::string WieldReq();
  std::string ActivationReq();
  std::string DescribeItemFlags();
  std::string SummarizeMajorEpic();
  std::string DescribeTextValues();
  std::string DescribeBonuses();
  std::string DescribeValueBurden();
  static std::string FormatPercentBonus(double value);

  // The abbreviation tables by their own bounds; an index outside them raises 9.
  static const std::string& SkillAbbreviation(std::int32_t index);
  static const std::string& AttributeAbbreviation(std::int32_t index);
  static const std::string& VitalAbbreviation(std::int32_t index);
  static const std::string& TrainingAbbreviation(std::int32_t index);
  static const std::string& HeritageAbbreviation(std::int32_t index);

 protected:
  void Resize() override { ResizeHUDT(); }
  void Move() override { MoveHUDT(); }
  void OnFadeTimeout() override;
  void OnDeviceLost() override;
  void OnFontChanged() override;
  std::string Module() const override { return "HudHandlerT"; }
  // The refused-surface report spells the class so, unlike the trapped errors.
  std::string SurfaceModule() const override { return "HUDHandlerT"; }

 private:
  // Width (at least 160) from a template text, height room for six lines.
  void ApplySizeRule(const char* sizeTemplate);
  void OutputHud(bool force);
  // The lines of the object's class, below the icons and name.
  void DescribeClass(std::int32_t& y, std::int32_t& x, platform::Rect& work);
  void EmitLine(const std::string& text, std::int32_t& y, std::int32_t& x, platform::Rect& work);
  void ManaBlock(std::int32_t& y, std::int32_t& x, platform::Rect& work);
  // Whether the pass would draw the health bar and debuff row of the shown object.
  bool ShowsVitals();
  // A paint outside the full pass: only on a surface that is there and shown.
  bool CanPaintAlone() const;
  void PaintHealth();
  void PaintDebuffs(const SpellItemInfo& debuffs);
  double TextColour() const;
  std::uint32_t OutlineColour() const;

  // The login's: replaced whole at its start.
  struct LoginState {
    std::shared_ptr<platform::WorldObject> object;
    std::map<std::int32_t, SpellItemInfo> debuffs;
  };
  LoginState login_;
  std::string fontColor_ = "White";
};

}  // namespace mellox
