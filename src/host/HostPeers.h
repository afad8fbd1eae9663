// The calls the host layer, the core timers and the network echo make into the
// HUD owners, the trackers, the event queue and the item automation, gathered
// in one place; a missing instance raises "object not set" (91) or, for the
// HUD owners, does nothing while the owner does not exist.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace mellox::platform {
class WorldObject;
}

namespace mellox {

class HostPeers {
 public:
  // --- Target HUD --------------------------------------------------------------
  // The object the target HUD describes, its title, debuffs and health bar.
  static bool TargetGetObject(std::shared_ptr<platform::WorldObject>& obj);
  static void TargetSetObject(std::shared_ptr<platform::WorldObject> obj);
  static void TargetRemoveTitle();
  static void TargetCreateHUD();
  static void TargetUpdateDebuffs();
  static void TargetDebuff(std::int32_t object, std::int32_t effect, std::int32_t speed);
  static void TargetUpdateHealth(bool draw);
  static void TargetRemoveDebuff(std::int32_t objectId);

  // --- The other four HUDs ------------------------------------------------------
  static void MainCreateHUD();
  static void MainUpdateHUD();
  static void ItemCreateHUD();
  static void ItemUpdateHUD();
  static void ClockCreateHUD();
  static void ClockUpdateHUD();
  static void StatusCreateHUD();
  static void StatusUpdate();
  static void StatusAddMessage(const std::string& msg);
  // UpdatePos of the main, item, clock, target and status HUDs, in that order.
  static void UpdateHudPositions();
  // Ends a HUD press or drag under way without moving or saving anything (a login's end).
  static void EndHudDrag();
  // A login's start: the five HUDs hidden, emptied and their owners' login
  // state afresh (a login whose settings load draws them again).
  static void HudsResetForLogin();

  // --- Corpse tracking -----------------------------------------------------------
  static void UpdateCorpseList();
  static bool CorpseHasDied();
  static void AddCorpse();
  static void CharDeath();
  static void NewCorpse(std::int32_t guid, double ns, double ew);
  static void OpenCorpse(double ns, double ew, std::int32_t guid);
  static void CorpseDisappear(double ns, double ew, std::int32_t guid);

  // --- Spells, hotkeys and the event queue; a missing instance raises 91 ---------
  static void InitSpells();
  static void AddHotKeys();
  static void RunEventQueue();

  // --- Item automation: FilterHandler's own operations; a missing instance raises 91.
  static void FindFood();
  static void FindKits();
  static void FillMana(bool onlyIfNeeded);
  static void StopPeasEncumbered();
  static void SellPeas();

  // --- Keyboard: KeyboardAC.SendKey presses and releases one virtual key; it
  // reports a code outside 0..255 itself. A missing instance raises 91.
  static void SendKey(std::int32_t vk);

  // Forgets the target object (plug-in start and end).
  static void Reset();
};

}  // namespace mellox
