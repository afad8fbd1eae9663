#include "tracking/TrackingPeers.h"

#include <variant>

#include "chat/LogHandler.h"
#include "core/Globals.h"
#include "core/TimeModule.h"
#include "core/TimerHandler.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "host/FilterHandler.h"
#include "hud/HUDMainHandler.h"
#include "host/NetEchoHandler.h"
#include "platform/CharacterStats.h"
#include "platform/PluginSite.h"
#include "platform/System.h"
#include "settings_view/ControlHandler.h"
#include "tracking/SpellFilterHandler.h"

namespace mellox {

namespace {

FilterHandler& Filter() {
  if (!FilterHandlerInstance) Raise(91);
  return *FilterHandlerInstance;
}

bool VariantTrue(const platform::Variant& v) {
  if (const auto* b = std::get_if<bool>(&v.value)) return *b;
  if (const auto* i = std::get_if<std::int64_t>(&v.value)) return *i != 0;
  if (const auto* d = std::get_if<double>(&v.value)) return *d != 0;
  if (const auto* s = std::get_if<std::string>(&v.value)) return vb::CBool(*s);
  return false;
}

}  // namespace

double TrackingPeers::NetTotalXP() { return NetEchoHandlerInstance ? NetEchoHandlerInstance->TotalXP : 0; }
double TrackingPeers::NetUnassXP() { return NetEchoHandlerInstance ? NetEchoHandlerInstance->UnassXP : 0; }
void TrackingPeers::SetNetXP(double total, double unassigned) {
  if (!NetEchoHandlerInstance) return;
  NetEchoHandlerInstance->TotalXP = total;
  NetEchoHandlerInstance->UnassXP = unassigned;
}

std::int32_t TrackingPeers::GetMyCharLevel() { return Filter().GetMyCharLevel(); }
std::string TrackingPeers::GetMyCharName() { return Filter().GetMyCharName(); }
std::int32_t TrackingPeers::GetMyFollowers() { return Filter().GetMyFollowers(); }
std::int32_t TrackingPeers::GetAllegFollowers() { return Filter().GetAllegFollowers(); }
std::int32_t TrackingPeers::GetMyEnchantmentCount() { return Filter().GetMyEnchantmentCount(); }

std::shared_ptr<platform::Enchantment> TrackingPeers::GetMyEnchantment(std::int32_t index) {
  return Filter().GetMyEnchantment(index);
}

std::int32_t TrackingPeers::GetActiveSpellFamily(const std::string& spellName) {
  return Filter().GetActiveSpellFamily(spellName);
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

std::int64_t TrackingPeers::NowUnix() { return TimeModule::LocalToUnix(platform::Sys().Now()); }

void TrackingPeers::CreateMainHUD() {
  if (HUDMainHandlerInstance) HUDMainHandlerInstance->CreateHUD();
}
void TrackingPeers::UpdateMainHUD() {
  if (HUDMainHandlerInstance) HUDMainHandlerInstance->UpdateHUD();
}
void TrackingPeers::StartShowChangeTimer() {
  if (TimerHandlerInstance) TimerHandlerInstance->StartShowChangeTimer();
}
void TrackingPeers::StartTakeSS() {
  if (TimerHandlerInstance) TimerHandlerInstance->StartTakeSS();
}
void TrackingPeers::SettingsSave() { ControlHandlerInstance->Settings_Save(0); }

void TrackingPeers::DataSaveSoon() {
  if (LogHandlerInstance) LogHandlerInstance->RequestDataSave();
}

TrackingPeers::EventQueueStandIn& TrackingPeers::QueueStandIn() {
  static EventQueueStandIn standIn;
  return standIn;
}
bool TrackingPeers::EventQueueRunning() { return QueueStandIn().running ? QueueStandIn().running() : false; }
void TrackingPeers::EventQueueAdd(std::int16_t eventType, std::int32_t arg1, std::int32_t arg2, std::int32_t arg3) {
  if (QueueStandIn().add) QueueStandIn().add(eventType, arg1, arg2, arg3);
}
void TrackingPeers::EventQueueRun() {
  if (QueueStandIn().run) QueueStandIn().run();
}
bool TrackingPeers::EventQueueGaveUp(std::int16_t eventType, std::int32_t arg1, std::int32_t arg2) {
  return QueueStandIn().gaveUp ? QueueStandIn().gaveUp(eventType, arg1, arg2) : false;
}

}  // namespace mellox
