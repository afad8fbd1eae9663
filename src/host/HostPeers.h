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
  static void TargetRemoveTitle();                                                      // no-op
  static void TargetCreateHUD();                                                        // no-op
  static void TargetUpdateDebuffs();                                                    // no-op
  static void TargetDebuff(std::int32_t object, std::int32_t effect, std::int32_t speed);  // no-op
  static void TargetUpdateHealth(bool draw);                                           // no-op
  static void TargetRemoveDebuff(std::int32_t objectId);                               // no-op

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

  // --- Spells, hotkeys, event queue (no-ops) -------------------------------------
  static void InitSpells();
  static void AddHotKeys();
  static void RunEventQueue();

  // --- Item automation (no-ops) --------------------------------------------------
  static void FindFood();
  static void FindKits();
  static void FillMana(bool onlyIfNeeded);
  static void StopPeasEncumbered();
  static void SellPeas();

  // --- Keyboard: presses and releases one virtual key; a code outside
  // 0..255 raises 5.
  static void SendKey(std::int32_t vk);

  // Forgets the target object (plug-in start and end).
  static void Reset();
};

}  // namespace mellox
