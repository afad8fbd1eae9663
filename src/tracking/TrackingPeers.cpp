#include "tracking/TrackingPeers.h"

#include <variant>

#include "core/Globals.h"
#include "core/TimeModule.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "host/FilterHandler.h"
#include "platform/CharacterStats.h"
#include "platform/PluginSite.h"
#include "platform/System.h"
#include "settings_view/ControlHandler.h"
#include "tracking/SpellFilterHandler.h"

namespace mellox {

namespace {

double g_netTotalXP = 0;
double g_netUnassXP = 0;

std::shared_ptr<platform::CharacterStats> Character() {
  if (!Site) Raise(91);
  auto svc = std::static_pointer_cast<platform::CharacterStats>(
      Site->GetServiceByPath(platform::kCharacterStatsServicePath));
  if (!svc) Raise(91);
  return svc;
}

bool VariantTrue(const platform::Variant& v) {
  if (const auto* b = std::get_if<bool>(&v.value)) return *b;
  if (const auto* i = std::get_if<std::int64_t>(&v.value)) return *i != 0;
  if (const auto* d = std::get_if<double>(&v.value)) return *d != 0;
  if (const auto* s = std::get_if<std::string>(&v.value)) return vb::CBool(*s);
  return false;
}

}  // namespace

double TrackingPeers::NetTotalXP() { return g_netTotalXP; }
double TrackingPeers::NetUnassXP() { return g_netUnassXP; }
void TrackingPeers::SetNetXP(double total, double unassigned) {
  g_netTotalXP = total;
  g_netUnassXP = unassigned;
}

std::int32_t TrackingPeers::GetMyCharLevel() { return Character()->Level(); }
std::string TrackingPeers::GetMyCharName() { return Character()->Name(); }
std::int32_t TrackingPeers::GetMyFollowers() { return Character()->Followers(); }
std::int32_t TrackingPeers::GetAllegFollowers() { return Character()->AllegianceFollowers(); }
std::int32_t TrackingPeers::GetMyEnchantmentCount() { return Character()->EnchantmentCount(); }

std::shared_ptr<platform::Enchantment> TrackingPeers::GetMyEnchantment(std::int32_t index) {
  auto ch = Character();
  if (index < 0 || index >= ch->EnchantmentCount()) Raise(9);
  auto e = ch->GetEnchantment(index);
  if (!e) Raise(91);
  return e;
}

std::int32_t TrackingPeers::GetActiveSpellFamily(const std::string& spellName) {
  if (!SpellFilterHandlerInstance) return -1;
  auto ch = Character();
  const std::int32_t count = ch->EnchantmentCount();
  for (std::int32_t i = 0; i < count; ++i) {
    auto e = ch->GetEnchantment(i);
    if (e && SpellFilterHandlerInstance->GetName(e->SpellId()) == spellName) return e->Family();
  }
  return -1;
}

void TrackingPeers::WriteToChatWindow(const std::string& text, std::int32_t color, std::int32_t window) {
  if (!FilterHandlerInstance) Raise(91);
  FilterHandlerInstance->WriteToChatWindow(text, color, window);
}

bool TrackingPeers::ChatOptionTicked(const std::string& rowName) {
  if (!ControlHandlerInstance) Raise(91);
  const std::int32_t row = ControlHandlerInstance->FindName(rowName, "ChatOptions");
  if (row < 0) return false;
  return VariantTrue(ControlHandlerInstance->ChatOptions->DataGet(0, row, 0));
}

std::int32_t TrackingPeers::NowUnix() { return TimeModule::LocalToUnix(platform::Sys().Now()); }

void TrackingPeers::CreateMainHUD() {}
void TrackingPeers::UpdateMainHUD() {}
void TrackingPeers::StartShowChangeTimer() {}
void TrackingPeers::StartTakeSS() {}
void TrackingPeers::SettingsSave() { ControlHandlerInstance->Settings_Save(0); }

}  // namespace mellox
