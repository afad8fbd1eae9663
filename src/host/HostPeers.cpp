#include "host/HostPeers.h"

#include "core/DHSHandler.h"
#include "core/EventQueue.h"
#include "core/Globals.h"
#include "core/KeyboardAC.h"
#include "core/VBError.h"
#include "host/FilterHandler.h"
#include "hud/HUDClockHandler.h"
#include "hud/HUDItemHandler.h"
#include "hud/HUDMainHandler.h"
#include "hud/HudHandlerT.h"
#include "hud/HudMouse.h"
#include "hud/HudRoster.h"
#include "hud/HudWindow.h"
#include "hud/HUDTargetHandler.h"
#include "hud/HUDTargetHandler.h"
#include "hud/HUDStatusHandler.h"
#include "tracking/CorpseHandler.h"
#include "tracking/SpellHandler.h"
#include "platform/System.h"

namespace mellox {

namespace {

FilterHandler& Filter() {
  if (!FilterHandlerInstance) Raise(91);
  return *FilterHandlerInstance;
}

}  // namespace

// The target HUD's owner lives as long as the plug-in; before it exists and
// after it is gone there is no shown object and nothing to draw.
bool HostPeers::TargetGetObject(std::shared_ptr<platform::WorldObject>& obj) {
  if (!HUDTargetHandlerInstance) {
    obj.reset();
    return false;
  }
  return HUDTargetHandlerInstance->GetObject(obj);
}

void HostPeers::TargetSetObject(std::shared_ptr<platform::WorldObject> obj) {
  if (HUDTargetHandlerInstance) HUDTargetHandlerInstance->SetObject(std::move(obj));
}
void HostPeers::TargetRemoveTitle() {
  if (HUDTargetHandlerInstance) HUDTargetHandlerInstance->RemoveTitle();
}
void HostPeers::TargetCreateHUD() {
  if (HUDTargetHandlerInstance) HUDTargetHandlerInstance->CreateHUD();
}
void HostPeers::TargetUpdateDebuffs() {
  if (HUDTargetHandlerInstance) HUDTargetHandlerInstance->UpdateDebuffs();
}
void HostPeers::TargetDebuff(std::int32_t object, std::int32_t effect, std::int32_t speed) {
  if (HUDTargetHandlerInstance) HUDTargetHandlerInstance->Debuff(object, effect, speed);
}
void HostPeers::TargetUpdateHealth(bool draw) {
  if (HUDTargetHandlerInstance) HUDTargetHandlerInstance->TargetHud->UpdateHealth(draw);
}
void HostPeers::TargetRemoveDebuff(std::int32_t objectId) {
  if (HUDTargetHandlerInstance) HUDTargetHandlerInstance->TargetHud->RemoveDebuff(objectId);
}

void HostPeers::MainCreateHUD() {
  if (HUDMainHandlerInstance) HUDMainHandlerInstance->CreateHUD();
}
void HostPeers::MainUpdateHUD() {
  if (HUDMainHandlerInstance) HUDMainHandlerInstance->UpdateHUD();
}
void HostPeers::ItemCreateHUD() {
  if (HUDItemHandlerInstance) HUDItemHandlerInstance->CreateHUD();
}
void HostPeers::ItemUpdateHUD() {
  if (HUDItemHandlerInstance) HUDItemHandlerInstance->UpdateHUD();
}
void HostPeers::ClockCreateHUD() {
  if (HUDClockHandlerInstance) HUDClockHandlerInstance->CreateHUD();
}
void HostPeers::ClockUpdateHUD() {
  if (HUDClockHandlerInstance) HUDClockHandlerInstance->UpdateHUD();
}
void HostPeers::StatusCreateHUD() {
  if (HUDStatusHandlerInstance) HUDStatusHandlerInstance->CreateHUD();
}
void HostPeers::StatusUpdate() {
  if (HUDStatusHandlerInstance) HUDStatusHandlerInstance->Update();
}
void HostPeers::StatusAddMessage(const std::string& msg) {
  if (HUDStatusHandlerInstance) HUDStatusHandlerInstance->AddMessage(msg);
}
void HostPeers::EndHudDrag() { HudMouse::EndDragAtLogoff(); }
void HostPeers::HudsResetForLogin() {
  if (HUDMainHandlerInstance) HUDMainHandlerInstance->ResetForLogin();
  if (HUDClockHandlerInstance) HUDClockHandlerInstance->ResetForLogin();
  if (HUDItemHandlerInstance) HUDItemHandlerInstance->ResetForLogin();
  if (HUDStatusHandlerInstance) HUDStatusHandlerInstance->ResetForLogin();
  if (HUDTargetHandlerInstance) HUDTargetHandlerInstance->ResetForLogin();
  for (HudId hud : {HudId::Main, HudId::Clock, HudId::Items, HudId::Status, HudId::Target})
    if (HudWindow* engine = HudRoster::Engine(hud)) engine->ForgetPlacement();
}
void HostPeers::UpdateHudPositions() {
  if (HUDMainHandlerInstance) HUDMainHandlerInstance->MainHud->UpdatePos();
  if (HUDItemHandlerInstance) HUDItemHandlerInstance->ItemHUD->UpdatePos();
  if (HUDClockHandlerInstance) HUDClockHandlerInstance->ClockHUD->UpdatePos();
  if (HUDTargetHandlerInstance) HUDTargetHandlerInstance->TargetHud->UpdatePos();
  if (HUDStatusHandlerInstance) HUDStatusHandlerInstance->StatusHud->UpdatePos();
}

namespace {
CorpseHandler& Corpses() {
  if (!CorpseHandlerInstance) Raise(91);
  return *CorpseHandlerInstance;
}
}  // namespace

void HostPeers::UpdateCorpseList() { Corpses().UpdateCorpseList(); }
bool HostPeers::CorpseHasDied() { return Corpses().HasDied(); }
void HostPeers::AddCorpse() { Corpses().AddCorpse(); }
void HostPeers::CharDeath() { Corpses().CharDeath(); }
void HostPeers::NewCorpse(std::int32_t guid, double ns, double ew) { Corpses().NewCorpse(guid, ns, ew); }
void HostPeers::OpenCorpse(double ns, double ew, std::int32_t guid) { Corpses().OpenCorpse(ns, ew, guid); }
void HostPeers::CorpseDisappear(double ns, double ew, std::int32_t guid) { Corpses().CorpseDisappear(ns, ew, guid); }

void HostPeers::InitSpells() {
  if (!SpellHandlerInstance) Raise(91);
  SpellHandlerInstance->InitSpells();
}
void HostPeers::AddHotKeys() {
  if (!DHSHandlerInstance) Raise(91);
  DHSHandlerInstance->AddHotKeys();
}
void HostPeers::RunEventQueue() {
  if (!EventQueueInstance) Raise(91);
  EventQueueInstance->Run();
}

void HostPeers::FindFood() { Filter().FindFood(); }
void HostPeers::FindKits() { Filter().FindKits(); }
void HostPeers::FillMana(bool onlyIfNeeded) { Filter().Fill_Mana(onlyIfNeeded); }
void HostPeers::StopPeasEncumbered() { Filter().StopPeasEncumbered(); }
void HostPeers::SellPeas() { Filter().SellPeas(); }

void HostPeers::SendKey(std::int32_t vk) {
  if (!KeyboardACInstance) Raise(91);
  KeyboardACInstance->SendKey(vk);
}

void HostPeers::Reset() {
  if (HUDTargetHandlerInstance) HUDTargetHandlerInstance->SetObject(nullptr);
}

}  // namespace mellox
