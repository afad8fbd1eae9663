#include "host/HostPeers.h"

#include "core/Globals.h"
#include "core/VBError.h"
#include "hud/HUDMainHandler.h"
#include "platform/System.h"

namespace mellox {

namespace {

std::shared_ptr<platform::WorldObject>& TargetObject() {
  static std::shared_ptr<platform::WorldObject> object;
  return object;
}

}  // namespace

bool HostPeers::TargetGetObject(std::shared_ptr<platform::WorldObject>& obj) {
  obj = TargetObject();
  return static_cast<bool>(obj);
}

void HostPeers::TargetSetObject(std::shared_ptr<platform::WorldObject> obj) { TargetObject() = std::move(obj); }
void HostPeers::TargetRemoveTitle() {}
void HostPeers::TargetCreateHUD() {}
void HostPeers::TargetUpdateDebuffs() {}
void HostPeers::TargetDebuff(std::int32_t, std::int32_t, std::int32_t) {}
void HostPeers::TargetUpdateHealth(bool) {}
void HostPeers::TargetRemoveDebuff(std::int32_t) {}

void HostPeers::MainCreateHUD() {
  if (HUDMainHandlerInstance) HUDMainHandlerInstance->CreateHUD();
}
void HostPeers::MainUpdateHUD() {
  if (HUDMainHandlerInstance) HUDMainHandlerInstance->UpdateHUD();
}
void HostPeers::ItemCreateHUD() {}
void HostPeers::ItemUpdateHUD() {}
void HostPeers::ClockCreateHUD() {}
void HostPeers::ClockUpdateHUD() {}
void HostPeers::StatusCreateHUD() {}
void HostPeers::StatusUpdate() {}
void HostPeers::StatusAddMessage(const std::string&) {}
void HostPeers::UpdateHudPositions() {
  if (HUDMainHandlerInstance) HUDMainHandlerInstance->MainHud->UpdatePos();
}

void HostPeers::UpdateCorpseList() {}
bool HostPeers::CorpseHasDied() { return false; }
void HostPeers::AddCorpse() {}
void HostPeers::CharDeath() {}
void HostPeers::NewCorpse(std::int32_t, double, double) {}
void HostPeers::OpenCorpse(double, double, std::int32_t) {}
void HostPeers::CorpseDisappear(double, double, std::int32_t) {}

void HostPeers::InitSpells() {}
void HostPeers::AddHotKeys() {}
void HostPeers::RunEventQueue() {}

void HostPeers::FindFood() {}
void HostPeers::FindKits() {}
void HostPeers::FillMana(bool) {}
void HostPeers::StopPeasEncumbered() {}
void HostPeers::SellPeas() {}

void HostPeers::SendKey(std::int32_t vk) {
  if (vk < 0 || vk > 255) Raise(5);
  auto& sys = platform::Sys();
  const auto key = static_cast<std::uint8_t>(vk);
  sys.keybd_event(key, 0, 0, 0);
  sys.keybd_event(key, 0, 2, 0);
}

void HostPeers::Reset() { TargetObject().reset(); }

}  // namespace mellox
