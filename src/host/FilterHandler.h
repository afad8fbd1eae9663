// The layer between the framework and the rest of the plug-in: it holds the
// game hooks, the world and character filters, the mana-filling timers and
// the three alarm sounds, and is the only writer into the game's chat.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/DX8Sound.h"
#include "core/ObjRef.h"
#include "platform/ACHooks.h"
#include "platform/CharacterStats.h"
#include "platform/HostTimer.h"
#include "platform/World.h"

namespace mellox {

class FilterHandler {
 public:
  FilterHandler();
  ~FilterHandler();
  FilterHandler(const FilterHandler&) = delete;
  FilterHandler& operator=(const FilterHandler&) = delete;

  // The looping sounds of the health, stamina and mana alarms.
  ObjRef<DX8Sound> HealthSound;
  ObjRef<DX8Sound> StaminaSound;
  ObjRef<DX8Sound> ManaSound;
  // Set while the answer to "/friends online" is awaited.
  bool doneFriends = false;
  bool Dev = false;

  // Chat output and game commands: one host call each, arguments unchanged.
  // A host failure passes to the caller.
  void WriteToChatWindow(const std::string& text, std::int32_t color, std::int32_t window);
  void WriteToChatWindowRaw(const std::string& text, std::int32_t color, std::int32_t window);
  void SendCommand(const std::string& text);
  // True while the game's chat input bar is active; False (and a report) when the host fails.
  bool ChatState();

 private:
  ObjRef<platform::ACHooks> ACHooks;
  ObjRef<platform::World> World;
  ObjRef<platform::CharacterStats> Char;
  ObjRef<platform::HostTimer> UseCharge;
  ObjRef<platform::HostTimer> WaitforScan;
};

}  // namespace mellox
