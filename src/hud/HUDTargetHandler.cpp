#include "hud/HUDTargetHandler.h"

#include <array>
#include <variant>

#include "core/Globals.h"
#include "core/Hub.h"
#include "core/Trap.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "platform/World.h"
#include "settings_view/ControlHandler.h"
#include "tracking/SpellFilterHandler.h"

namespace mellox {

namespace {

constexpr const char* kClass = "HUDTargetHandler";
constexpr const char* kHiddenTitleTip =
    "Click on the HUD while holding shift to reshow the title bar.  "
    "Click on the HUD while holding control to move the hud";

struct DebuffEffect {
  std::int32_t code;
  const char* baseName;
  const char* topSpell;  // the spell at level "VII"
};

constexpr std::array<DebuffEffect, 8> kDebuffEffectTable{{
    {23, "Vulnerability Other", "Futility"},
    {44, "Fire Vulnerability Other", "Inferno's Gift"},
    {46, "Piercing Vulnerability Other", "Archer's Gift"},
    {48, "Blade Vulnerability Other", "Swordsman's Gift"},
    {50, "Acid Vulnerability Other", "Olthoi's Gift"},
    {52, "Cold Vulnerability Other", "Gelidite's Gift"},
    {54, "Lightning Vulnerability Other", "Astyrrian's Gift"},
    {56, "Imperil Other", "Gossamer Flesh"},
}};

std::string VariantText(const platform::Variant& v) {
  if (const auto* s = std::get_if<std::string>(&v.value)) return *s;
  if (const auto* i = std::get_if<std::int64_t>(&v.value)) return std::to_string(*i);
  if (const auto* d = std::get_if<double>(&v.value)) return vb::CStr(*d);
  if (const auto* b = std::get_if<bool>(&v.value)) return *b ? "True" : "False";
  return {};
}

}  // namespace

HUDTargetHandler::HUDTargetHandler() {
  Trap("Class_Initialize", kClass, [&] {
    Hub::wtcw_debug("HUDTarget Handler Init");
    TargetHud = std::make_shared<HudHandlerT>();
    TargetHud->SetTitle("Target");
  });
}

HUDTargetHandler::~HUDTargetHandler() {
  Trap("Class_Terminate", kClass, [&] {
    Hub::wtcw_debug("HUDTarget Handler Terminate");
    TargetHud.reset();
  });
}

void HUDTargetHandler::CreateHUD() { TargetHud->DrawHUD(); }

void HUDTargetHandler::ResetForLogin() {
  TargetHud->Forget();
  TargetHud->HUDOff();
}

void HUDTargetHandler::UpdateHUD() { TargetHud->DrawHUD(); }

void HUDTargetHandler::ClickHUD(std::int32_t x, std::int32_t y) {
  switch (TargetHud->ClickHUD(x, y)) {
    case 1:
      if (!ControlHandlerInstance) Raise(91);
      ControlHandlerInstance->ToggleTarget();
      break;
    case 2:
      TargetHud->SetDrawTitle(false);
      Hub::wtcw(kHiddenTitleTip);
      TargetHud->DrawHUD();
      break;
    default:
      break;
  }
}

bool HUDTargetHandler::WithinTitle(std::int32_t x, std::int32_t y) { return TargetHud->ClickHUD(x, y) == 0; }

void HUDTargetHandler::RemoveTitle() { TargetHud->TitleFade(0); }

void HUDTargetHandler::SetObject(std::shared_ptr<platform::WorldObject> obj) {
  if (obj) Hub::wtcw_debug("Set Object " + obj->Name());
  TargetHud->SetObject(std::move(obj));
}

bool HUDTargetHandler::GetObject(std::shared_ptr<platform::WorldObject>& obj) const {
  obj = TargetHud ? TargetHud->Object() : nullptr;
  return obj != nullptr;
}

std::string HUDTargetHandler::DebuffSpellName(std::int32_t effect, const std::string& level) {
  for (const DebuffEffect& row : kDebuffEffectTable) {
    if (row.code != effect) continue;
    if (level == "VII") return row.topSpell;
    return std::string(row.baseName) + " " + level;
  }
  return {};
}

void HUDTargetHandler::Debuff(std::int32_t targetId, std::int32_t effect, std::int32_t /*speed*/) {
  Trap("Debuff", kClass, [&] {
    // Most effects are no debuff: those never read the level choice.
    if (DebuffSpellName(effect, "").empty()) return;
    if (!ControlHandlerInstance) Raise(91);
    platform::ChoiceControl& levels = *ControlHandlerInstance->HudTargetLevel;
    const std::string spell = DebuffSpellName(effect, VariantText(levels.DataGet(levels.SelectedGet())));
    if (!SpellFilterHandlerInstance) Raise(91);
    TargetHud->AddDebuff(targetId, SpellFilterHandlerInstance->GetID(spell));
  });
}

void HUDTargetHandler::UpdateDebuffs() {
  Trap("UpdateDebuffs", kClass, [&] { TargetHud->UpdateDebuffs(true); });
}

}  // namespace mellox
