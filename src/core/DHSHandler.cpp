#include "core/DHSHandler.h"

#include "core/EventQueue.h"
#include "core/Globals.h"
#include "core/Hub.h"
#include "core/Trap.h"
#include "core/VBError.h"
#include "host/FilterHandler.h"
#include "platform/PluginSite.h"
#include "platform/System.h"
#include "settings_view/ControlHandler.h"
#include "tracking/SpellHandler.h"
#include "tracking/Statistics.h"

namespace mellox {

namespace {

constexpr const char* kClass = "DHSHandler";
// The vitals one-key eating restores.
constexpr std::int32_t kHealth = 2;
constexpr std::int32_t kStamina = 4;
constexpr std::int32_t kMana = 6;

template <class T>
T& Instance(T* instance) {
  if (!instance) Raise(91);
  return *instance;
}

}  // namespace

const std::array<DHSHandler::HotkeyRow, 14> DHSHandler::kHotkeys = {{
    {"MX:ResetSession", "Mellox: Resets Session"},
    {"MX:ToggleAllHud", "Mellox: Toggles all HUDs on or off"},
    {"MX:ToggleMainHud", "Mellox: Toggles Main HUD on or off"},
    {"MX:ToggleItemHud", "Mellox: Toggles Item HUD on or off"},
    {"MX:ToggleClockHud", "Mellox: Toggles Clock HUD on or off"},
    {"MX:DrinkBeersNow", "Mellox: Drinks one of each beer"},
    {"MX:ToggleUseBeers", "Mellox: Toggles the auto use of beers when timer is low on or off"},
    {"MX:RunEvents", "Mellox: Runs queued events"},
    {"MX:ToggleAFK", "Mellox: Toggles your AFK state"},
    {"MX:OneKeyHealth", "Mellox: One key eat health food"},
    {"MX:OneKeyStamina", "Mellox: One key eat stamina food"},
    {"MX:OneKeyMana", "Mellox: One key eat mana food"},
    {"MX:OneKeyHeal", "Mellox: One key heal self"},
    {"MX:OneKeySmartHeal", "Mellox: One key heal self, but falls back to food if health is too low"},
}};

DHSHandler::DHSHandler() {
  // The hotkey system is optional: a failed look-up only leaves it absent.
  try {
    if (HostCore)
      HK = std::static_pointer_cast<platform::HotkeySystem>(HostCore->GetPluginByClsid(platform::kHotkeySystemClsid));
  } catch (...) {
    HK.reset();
  }
  Trap("ClassInitialize", kClass, [&] {
    Hub::wtcw_debug("DHS Handler Init");
    IsEnabled = static_cast<bool>(HK);
    if (HK) {
      hotkeyEvent_ = HK->HotkeyEvent.Connect([this](const std::string& name, bool& handled) {
        HK_HotkeyEvent(name, handled);
      });
    }
  });
}

DHSHandler::~DHSHandler() {
  Hub::wtcw_debug("DHS Handler Terminate");
  // Without the subscription no hotkey reaches a released handler.
  hotkeyEvent_.Disconnect();
  HK.reset();
}

void DHSHandler::AddHotKeys() {
  Trap("AddHotKeys", kClass, [&] {
    for (const HotkeyRow& row : kHotkeys) {
      if (!HK->HotkeyExists(row.name)) AddAHotKey(row.name, row.description);
    }
  });
}

void DHSHandler::AddAHotKey(const std::string& name, const std::string& description) {
  Trap("AddAHotKey", kClass, [&] {
    ObjRef<platform::HotkeyEntry> entry = platform::Sys().CreateHotkeyEntry();
    entry->NameLet(name);
    entry->DescriptionLet(description);
    HK->AddHotkey(kPluginName, entry.shared());
  });
}

void DHSHandler::HK_HotkeyEvent(const std::string& name, bool& handled) {
  handled = false;
  // No character logged in: no key acts for one.
  if (!PluginActive) return;
  Trap("HotkeyEvent", kClass, [&] {
    // The first nine always count as handled once their action ran; the
    // eating and healing keys pass on whether the action did something.
    if (name == "MX:ResetSession") {
      Instance(StatisticsInstance).ResetSession();
    } else if (name == "MX:ToggleAllHud") {
      Instance(ControlHandlerInstance).ToggleAll();
    } else if (name == "MX:ToggleMainHud") {
      Instance(ControlHandlerInstance).ToggleMain();
    } else if (name == "MX:ToggleItemHud") {
      Instance(ControlHandlerInstance).ToggleItem();
    } else if (name == "MX:ToggleClockHud") {
      Instance(ControlHandlerInstance).ToggleClock();
    } else if (name == "MX:DrinkBeersNow") {
      Instance(SpellHandlerInstance).DrinkAllBeers();
    } else if (name == "MX:ToggleUseBeers") {
      Instance(ControlHandlerInstance).ToggleBeers();
    } else if (name == "MX:RunEvents") {
      Instance(EventQueueInstance).Run();
    } else if (name == "MX:ToggleAFK") {
      Instance(ControlHandlerInstance).ToggleAFK();
    } else if (name == "MX:OneKeyHealth") {
      handled = Instance(FilterHandlerInstance).UseFood(kHealth);
      return;
    } else if (name == "MX:OneKeyStamina") {
      handled = Instance(FilterHandlerInstance).UseFood(kStamina);
      return;
    } else if (name == "MX:OneKeyMana") {
      handled = Instance(FilterHandlerInstance).UseFood(kMana);
      return;
    } else if (name == "MX:OneKeyHeal") {
      handled = Instance(FilterHandlerInstance).UseKit(false);
      return;
    } else if (name == "MX:OneKeySmartHeal") {
      handled = Instance(FilterHandlerInstance).UseKit(true);
      return;
    } else {
      return;
    }
    handled = true;
  });
}

}  // namespace mellox
