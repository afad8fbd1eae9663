// The layer between the framework and the rest of the plug-in: it holds the
// game hooks, the world and character filters, the mana-filling timers and
// the three alarm sounds, and is the only writer into the game's chat.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/DX8Sound.h"
#include "core/ObjRef.h"
#include "platform/ACHooks.h"
#include "platform/CharacterStats.h"
#include "platform/Event.h"
#include "platform/Geometry.h"
#include "platform/HostTimer.h"
#include "platform/World.h"

namespace mellox {

class FilterHandler {
  // What a use of the stone or charge changes: its stack count, its mana
  // and the equipped items' mana, as seen before the last use.
  struct ChargeSnapshot {
    std::int32_t stack = 0;
    std::int32_t mana = 0;
    std::int64_t equippedMana = 0;
    bool operator==(const ChargeSnapshot&) const = default;
  };
  // Everything of this handler's that belongs to one login, in one value
  // that each login's start replaces whole (BeginLogin).
  struct LoginState {
    // From the login's start to its end: the character whose files it reads
    // and writes, pinned so a name the game changes meanwhile never names
    // another character's file.
    bool open = false;
    std::string filesServer;
    std::string filesCharacter;
    bool doneFriends = false;
    // Pea selling (PeaState 0 while not selling) and the trade note a sale made.
    std::int32_t PeaState = 0;
    std::int32_t NewNoteId = 0;
    std::int32_t NotesBought = 0;
    std::int32_t PeaIndex = 1;
    std::int32_t StackTargetId = 0;
    std::int32_t StackTargetCount = 0;
    std::int32_t stackTicks = 0;
    std::int32_t peaStalls = 0;
    // Mana filling.
    bool OnlyIfNeeded = false;
    std::int32_t LastEquipId = -1;
    std::int64_t ScanStart = 0;
    std::int32_t ChargeId = 0;
    std::int32_t scanWaits = 0;
    std::optional<ChargeSnapshot> lastCharge;
    // Uses in a row after which nothing changed.
    std::int32_t chargeRefusals = 0;
    // The last threshold text of each alarm reported as not a number.
    bool alarmBadTold[3] = {};
    std::string alarmBadText[3];
  };
  LoginState login_;

 public:
  // Idle times: four weeks when the logout timer is extended, else the game's own.
  static constexpr double kExtendedIdleSeconds = 2.4192e9;
  static constexpr double kNormalIdleSeconds = 900000;

  FilterHandler();
  ~FilterHandler();
  FilterHandler(const FilterHandler&) = delete;
  FilterHandler& operator=(const FilterHandler&) = delete;

  // The looping sounds of the health, stamina and mana alarms.
  ObjRef<DX8Sound> HealthSound;
  ObjRef<DX8Sound> StaminaSound;
  ObjRef<DX8Sound> ManaSound;
  // Set while the answer to "/friends online" is awaited (this login's).
  bool& doneFriends = login_.doneFriends;
  bool Dev = false;

  // Chat output and game commands: one host call each, arguments unchanged.
  // A host failure passes to the caller.
  void WriteToChatWindow(const std::string& text, std::int32_t color, std::int32_t window);
  void WriteToChatWindowRaw(const std::string& text, std::int32_t color, std::int32_t window);
  void SendCommand(const std::string& text);
  // True while the game's chat input bar is active; False (and a report) when the host fails.
  bool ChatState();

  // The game's 3D view as the hooks give it, and the same moved 28 pixels down.
  platform::Rect Get3DRegion();
  platform::Rect Get3DRect();
  // Asks the game to identify the object; the answer arrives as a network message.
  void IDObject(std::int32_t& id);
  // Sends "/friends online" when the chat option asks for it.
  void FriendsOnline();
  // Hands the character's item-spell augmentation count to the spell list.
  void Augs();
  // Refreshes the item HUD when the object is one of its watched items.
  void UpdateItemHUD(const std::shared_ptr<platform::WorldObject>& obj);

  // Framework events. Each traps its own errors; none lets one reach the host.
  // Everything kept for a character belongs to its login: a login starts it
  // from nothing of the last login's and then from that character's files
  // and defaults, and EndLogin saves it and ends it. In between nothing acts
  // for any character: PluginActive is the guard every acting path asks,
  // and the files are closed for writing.
  void Char_LoginComplete();
  void Char_Logoff(std::int32_t reason);
  // The one end of a login, however it ends: the logoff, a login with no
  // logoff before it, the game's close (APluginCore::Terminate) and the end
  // of a login whose settings did not load. What the login did is recorded
  // and saved under its own character's names (none of it needs the world
  // to still hold the character's things), then everything under way for it
  // stops.
  void EndLogin();
  // From a login's start until EndLogin.
  bool LoginOpen() const { return login_.open; }
  void Char_ChangeEnchantments(std::int32_t change, const std::shared_ptr<platform::Enchantment>& enchantment);
  void Char_ChangePortalMode(std::int32_t mode);
  void Char_Death(const std::string& message);
  // The intercepts: eat True makes the game drop the line or click. The
  // chat and typed-text intercepts fail open (the game keeps its line).
  void ACHooks_ChatTextIntercept(const std::string& text, std::int32_t color, std::int32_t window, bool& eat);
  void ACHooks_ChatParserIntercept(const std::string& text, bool& eat);
  void ACHooks_StatusTextIntercept(const std::string& text, bool& eat);
  void ACHooks_ChatClickIntercept(const std::string& text, std::int32_t id, bool& eat);
  void ACHooks_ContainerOpened(std::int32_t containerId);
  void ACHooks_AC3DRegionChanged(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);
  void ACHooks_ObjectSelected(std::int32_t id);
  void World_ChangeObject(const std::shared_ptr<platform::WorldObject>& obj, std::int32_t change);
  void World_CreateObject(const std::shared_ptr<platform::WorldObject>& obj);
  void World_MoveObject(const std::shared_ptr<platform::WorldObject>& obj);
  void World_ReleaseObject(const std::shared_ptr<platform::WorldObject>& obj);

  // Queries on the character, inventory and world (FilterHandlerQueries.cpp).
  // Each reads the host at the call. Ids not found give -1; "trap" marks the
  // ones that report a failure themselves and give their "nothing" value,
  // the others pass a failure to the caller.
  std::string GetMyServer();
  std::string GetMyCharName();
  std::int32_t GetMyCharLevel();
  std::int32_t GetMyCharGUID();
  std::int32_t GetMyCharVitae();
  std::int32_t GetMyCharVitaeXP();  // an absent own object raises 91
  std::int32_t GetMyFollowers();     // trap, 0
  std::int32_t GetAllegFollowers();  // the host's count minus 1; trap, 0
  std::int32_t GetMyEnchantmentCount();
  // Index 0 .. count - 1; out of range raises 9.
  std::shared_ptr<platform::Enchantment> GetMyEnchantment(std::int32_t index);
  // Family of the first enchantment whose spell name is exactly spellName; trap, -1.
  std::int32_t GetActiveSpellFamily(const std::string& spellName);
  // The strongest, longest-lasting enchantment of that family; trap, null.
  std::shared_ptr<platform::Enchantment> GetActiveSpell(std::int32_t family);
  bool IsSpellActive(const std::string& spellName);  // trap, false
  // Whether the object's name is "Corpse of " and the character's name, compared literally.
  bool IsMyCorpse(const std::string& objectName);
  bool ItemExists(std::int32_t objectId);  // trap, false
  std::string GetName(std::int32_t objectId);  // an absent object raises 91
  std::int32_t GetID(const std::string& name);
  std::int32_t GetIDinInv(const std::string& name);
  std::int32_t GetIcon(const std::string& name);
  std::int32_t GetItemCount(const std::string& name);         // trap, 0
  std::int32_t GetItemStackCount(std::int32_t objectId);      // trap, -1
  std::int32_t GetItemMana(std::int32_t objectId);            // trap, -1
  bool IsNPC(const std::string& name);                        // trap, false
  bool GetChatState();
  std::int32_t GetCurrentSelection();
  std::int32_t GetCombatMode();  // 1 peace
  std::int32_t GetBusyState();   // 0 idle
  std::int32_t GetPointerState();
  // Item actions: nothing for an id the hooks reject; trap.
  void UseItem(std::int32_t objectId, std::int32_t mode);
  void GiveItem(std::int32_t objectId, std::int32_t targetId);
  void ApplyItem(std::int32_t objectId, std::int32_t targetId);
  void SetIdleTime(double seconds);
  // The clock, item and main HUDs back at their default places, then the settings saved.
  void ResetHUDsPos();
  // One debug line "spell family seconds" per active enchantment.
  void ExportEnchantments();
  // Coordinate text "12.3N, 45.7W"; exactly 0 counts as N / E.
  std::string ConvCoords(double ns, double ew);
  // One decimal, ties to the even tenth, always "." as the point.
  std::string FormatCoord(double value);
  std::string GetCharCoords();
  std::string GetItemCoords(std::int32_t objectId);  // an absent object raises 91
  // The character's position rounded to one decimal, halves away from zero.
  double GetRawNS();
  double GetRawEW();
  // Reports and selects every nearby object whose name holds text (any case); trap.
  void Find(const std::string& text);
  // Reports and selects the first inventory object of that name.
  void Find_in_Pack(const std::string& name);
  // End of the queries.

 private:
  ObjRef<platform::ACHooks> ACHooks;
  ObjRef<platform::World> World;
  ObjRef<platform::CharacterStats> Char;
  ObjRef<platform::HostTimer> UseCharge;
  ObjRef<platform::HostTimer> WaitforScan;
  // "<server>_<character>" of the login's files: what the event queue and
  // the chat log keep for that character's next login go under it.
  std::string FilesKey() const { return login_.filesServer + "_" + login_.filesCharacter; }
  // Whether the idle time last set is the extended one.
  bool idleExtended_ = false;
  void BeginLogin();
  std::vector<platform::Connection> events_;

  // --- Item automation and vital alarms (FilterHandlerAutomation.cpp) ---
 public:
  // Fills the equipment's mana from the stones and charges carried: asks for
  // identification, waits (bounded) for the answers, then applies the
  // best-fitting one every second until it is spent. onlyIfNeeded: only when
  // an equipped item has under two minutes of mana left. Ignored while a
  // scan runs.
  void Fill_Mana(bool onlyIfNeeded);
  // Ask the game to identify the food / healing kits carried.
  void FindFood();
  void FindKits();
  // Eats the food whose restore value best fits what the vital (2, 4, 6)
  // lacks; True when one was used.
  bool UseFood(std::int32_t vital);
  // Uses the healing kit the vitals settings choose; smart: eats health food
  // first when even that kit is unlikely to work. True when something was used.
  bool UseKit(bool smart);
  // Selling peas for trade notes at the open vendor, one step per tick of
  // the selling timer.
  void StartPeas();
  void StopPeas();
  void StopPeasEncumbered();
  void SellPeas();
  // Timer and character events.
  void WaitforScan_Timeout();
  void UseCharge_Timeout();
  // Starts or stops each ticked alarm's looping sound against its threshold.
  void Char_ChangeVital(std::int32_t vital, std::int32_t value);

 private:
  void FindCHarge();
  // lacking gets the equipped items that can take more mana.
  ChargeSnapshot TakeChargeSnapshot(platform::WorldObject& charge, std::vector<std::int32_t>& lacking);
  // --- End of item automation and vital alarms ---
};

}  // namespace mellox
