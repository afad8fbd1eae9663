// ControlHandler: the vital alarms' controls. Each alarm has an on box, a
// percentage edit and a choice of looped sounds; the alarm check itself runs
// on vital changes in the host layer.
#include "core/DX8Sound.h"
#include "core/Globals.h"
#include "core/Hub.h"
#include "core/Trap.h"
#include "core/VB.h"
#include "host/FilterHandler.h"
#include "settings_view/ControlHandler.h"

namespace mellox {

void ControlHandler::Alarm_OnChange(DX8Sound& sound, bool checked) {
  if (!PluginActive) return;
  // Dropping the sound also silences an alarm that is looping.
  if (!checked) sound.UnSetSound();
  Settings_Save(0);
}

void ControlHandler::Alarm_PerChange(platform::EditControl& edit) {
  if (!PluginActive) return;
  if (!vb::IsNumeric(vb::Replace(edit.TextGet(), "%", ""))) edit.TextLet("100%");
  Settings_Save(0);
}

void ControlHandler::Alarm_SoundChange(DX8Sound& sound, platform::ChoiceControl& choice, std::int32_t index) {
  if (!PluginActive || index == -1) return;
  const std::string name = choice.TextGet(index);
  if (name != "None") {
    Hub::PlayWavFile("Loop\\" + name);
    sound.SetSound("Loop\\" + name);
  } else {
    sound.UnSetSound();
  }
  Settings_Save(0);
}

void ControlHandler::SubscribeAlarmEvents() {
  struct Alarm {
    ObjRef<platform::CheckBoxControl>* on;
    ObjRef<platform::EditControl>* per;
    ObjRef<platform::ChoiceControl>* sound;
    ObjRef<DX8Sound> FilterHandler::*object;
    const char* onProc;
    const char* perProc;
    const char* soundProc;
  };
  const Alarm alarms[] = {
      {&AlarmHealthOn, &AlarmHealthPer, &AlarmHealthSound, &FilterHandler::HealthSound, "AlarmHealthOn_Change",
       "AlarmHealthPer_Change", "AlarmHealthSound_Change"},
      {&AlarmStaminaOn, &AlarmStaminaPer, &AlarmStaminaSound, &FilterHandler::StaminaSound, "AlarmStaminaOn_Change",
       "AlarmStaminaPer_Change", "AlarmStaminaSound_Change"},
      {&AlarmManaOn, &AlarmManaPer, &AlarmManaSound, &FilterHandler::ManaSound, "AlarmManaOn_Change",
       "AlarmManaPer_Change", "AlarmManaSound_Change"},
  };
  for (const Alarm& a : alarms) {
    // The sound object is looked up at each event: the host layer owns it.
    auto sound = [member = a.object]() -> DX8Sound& {
      if (!FilterHandlerInstance) Raise(91);
      return *(FilterHandlerInstance->*member);
    };
    if (*a.on) {
      events_.push_back((*a.on)->Change.Connect([this, sound, proc = a.onProc](std::int32_t, bool checked) {
        Trap(proc, "ControlHandler", [&] { Alarm_OnChange(sound(), checked); });
      }));
    }
    if (*a.per) {
      events_.push_back((*a.per)->Change.Connect(
          [this, edit = a.per, proc = a.perProc](std::int32_t, const std::string&) {
            Trap(proc, "ControlHandler", [&] { Alarm_PerChange(**edit); });
          }));
    }
    if (*a.sound) {
      events_.push_back((*a.sound)->Change.Connect(
          [this, sound, choice = a.sound, proc = a.soundProc](std::int32_t, std::int32_t index) {
            Trap(proc, "ControlHandler", [&] { Alarm_SoundChange(sound(), **choice, index); });
          }));
    }
  }
}

}  // namespace mellox
