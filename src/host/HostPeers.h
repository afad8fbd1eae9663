// The calls the host layer, the core timers and the network echo make into
// neighbours that are not built yet, gathered in one place so each can be
// rewired when its owner lands. Every entry says what it does until then.
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
  // The object the target HUD describes is kept here (so selection, identify
  // results and the refresh timer work end to end); drawing is a no-op.
  static bool TargetGetObject(std::shared_ptr<platform::WorldObject>& obj);
  static void TargetSetObject(std::shared_ptr<platform::WorldObject> obj);
  static void TargetRemoveTitle();
  static void TargetCreateHUD();
  static void TargetUpdateDebuffs();
  static void TargetDebuff(std::int32_t object, std::int32_t effect, std::int32_t speed);
  static void TargetUpdateHealth(bool draw);
  static void TargetRemoveDebuff(std::int32_t objectId);

  // --- The other four HUDs: the main HUD's are wired, the rest are no-ops --------
  static void MainCreateHUD();
  static void MainUpdateHUD();
  static void ItemCreateHUD();
  static void ItemUpdateHUD();
  static void ClockCreateHUD();
  static void ClockUpdateHUD();
  static void StatusCreateHUD();
  static void StatusUpdate();
  static void StatusAddMessage(const std::string& msg);
  // UpdatePos of the main, item, clock, target and status HUDs, in that order
  // (the main one so far).
  static void UpdateHudPositions();

  // --- Corpse tracking (no-ops; HasDied is False) -------------------------------
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
