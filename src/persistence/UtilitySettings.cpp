#include "persistence/UtilitySettings.h"

#include <cstdint>

#include "core/EventQueue.h"
#include "core/Globals.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "host/FilterHandler.h"
#include "persistence/AttributeReader.h"
#include "persistence/XmlFiles.h"
#include "settings_view/ControlHandler.h"

namespace mellox {

namespace {

using persistence::AddElement;
using persistence::SetAttr;

// In file order; an entry is a check box or an edit.
struct UtilAttr {
  const char* name;
  ObjRef<platform::CheckBoxControl> ControlHandler::*box;
  ObjRef<platform::EditControl> ControlHandler::*edit;
  bool boxDefault;
  const char* editDefault;
};

const UtilAttr kUtil[] = {
    {"fillmana", &ControlHandler::FillMana, nullptr, false, nullptr},
    {"fillthreshold", nullptr, &ControlHandler::FillThreshold, false, "50000"},
    {"levelss", &ControlHandler::LevelSS, nullptr, false, nullptr},
    {"startlevel", nullptr, &ControlHandler::StartLevel, false, "6"},
    {"allegchange", &ControlHandler::AllegChange, nullptr, false, nullptr},
    {"logoutextend", &ControlHandler::LogoutTimer, nullptr, false, nullptr},
    {"statustext", &ControlHandler::StatusText, nullptr, false, nullptr},
    {"showerrors", &ControlHandler::ShowErrors, nullptr, false, nullptr},
    {"usegems", &ControlHandler::UseGems, nullptr, false, nullptr},
    {"splitpeas", &ControlHandler::SplitPeas, nullptr, false, nullptr},
    {"peathreshold", nullptr, &ControlHandler::PeaThreshold, false, "10"},
    {"usebeers", &ControlHandler::UseBeers, nullptr, false, nullptr},
    {"beertimer", nullptr, &ControlHandler::BeerTimer, false, "120"},
    {"beerstr", &ControlHandler::BeerStr, nullptr, true, nullptr},
    {"beerend", &ControlHandler::BeerEnd, nullptr, true, nullptr},
    {"beercoord", &ControlHandler::BeerCoord, nullptr, true, nullptr},
    {"beerquick", &ControlHandler::BeerQuick, nullptr, true, nullptr},
    {"beerfocus", &ControlHandler::BeerFocus, nullptr, true, nullptr},
    {"beerself", &ControlHandler::BeerSelf, nullptr, true, nullptr},
    {"beerusecheck", &ControlHandler::BeerUseCheck, nullptr, false, nullptr},
    {"beerusetimer", nullptr, &ControlHandler::BeerUseTimer, false, "120"},
    {"eventstart", &ControlHandler::EventStart, nullptr, false, nullptr},
    {"togglevitals", &ControlHandler::ToggleVitals, nullptr, false, nullptr},
};

struct AlarmAttrs {
  const char* on;
  const char* per;
  const char* sound;
  ObjRef<platform::CheckBoxControl> ControlHandler::*box;
  ObjRef<platform::EditControl> ControlHandler::*edit;
  ObjRef<platform::ChoiceControl> ControlHandler::*choice;
  ObjRef<DX8Sound> FilterHandler::*object;
};

const AlarmAttrs kAlarms[] = {
    {"healthon", "healthper", "healthsound", &ControlHandler::AlarmHealthOn, &ControlHandler::AlarmHealthPer,
     &ControlHandler::AlarmHealthSound, &FilterHandler::HealthSound},
    {"staminaon", "staminaper", "staminasound", &ControlHandler::AlarmStaminaOn, &ControlHandler::AlarmStaminaPer,
     &ControlHandler::AlarmStaminaSound, &FilterHandler::StaminaSound},
    {"manaon", "manaper", "manasound", &ControlHandler::AlarmManaOn, &ControlHandler::AlarmManaPer,
     &ControlHandler::AlarmManaSound, &FilterHandler::ManaSound},
};

struct OneTouchAttr {
  const char* name;
  const char* def;
  std::int32_t defPosition;
  ObjRef<platform::EditControl> ControlHandler::*edit;
  ObjRef<platform::SliderControl> ControlHandler::*slider;
};

const OneTouchAttr kOneTouch[] = {
    {"block", "100%", 100, &ControlHandler::VitalsBlock, &ControlHandler::VitalsBlockSlider},
    {"success", "95", 95, &ControlHandler::VitalsSuccess, &ControlHandler::VitalsSuccessSlider},
    {"cheap", "80%", 80, &ControlHandler::VitalsCheap, &ControlHandler::VitalsCheapSlider},
    {"fallback", "75%", 75, &ControlHandler::VitalsFallback, &ControlHandler::VitalsFallbackSlider},
};

void ApplyUtil(ControlHandler& ch, const AttributeReader& r) {
  for (const UtilAttr& a : kUtil) {
    if (a.box) {
      (ch.*a.box)->CheckedLet(r.Bool(a.name, a.boxDefault));
    } else {
      (ch.*a.edit)->TextLet(r.Text(a.name, a.editDefault));
    }
  }
  const bool autorun = ch.EventStart->CheckedGet();
  if (EventQueueInstance) EventQueueInstance->autorun = autorun;
}

// Selects the first entry whose text is exactly text; otherwise leaves the selection.
void SelectByText(platform::ChoiceControl& choice, const std::string& text) {
  for (std::int32_t i = 0, n = choice.ChoiceCount(); i < n; ++i) {
    if (choice.TextGet(i) == text) {
      choice.SelectedLet(i);
      return;
    }
  }
}

void ApplyVitalAlarm(ControlHandler& ch, const AttributeReader& r) {
  if (FilterHandlerInstance) {
    for (const AlarmAttrs& a : kAlarms) (FilterHandlerInstance->*a.object)->UnSetSound();
  }
  for (const AlarmAttrs& a : kAlarms) {
    (ch.*a.box)->CheckedLet(r.Bool(a.on, false));
    (ch.*a.edit)->TextLet(r.Text(a.per, "0%"));
    const std::string sound = r.Text(a.sound, "None");
    SelectByText(*(ch.*a.choice), sound);
    // Loaded whatever the box says, so ticking it later needs no reload.
    if (sound != "None" && FilterHandlerInstance) (FilterHandlerInstance->*a.object)->SetSound("Loop\\" + sound);
  }
}

void ApplyOneTouch(ControlHandler& ch, const AttributeReader& r) {
  ch.VitalsEnabled->CheckedLet(r.Bool("enabled", false));
  for (const OneTouchAttr& a : kOneTouch) {
    platform::EditControl& edit = *(ch.*a.edit);
    edit.TextLet(r.Text(a.name, a.def));
    std::int32_t position = a.defPosition;
    const std::string text = edit.TextGet();
    try {
      position = vb::CLng(vb::Replace(text, "%", ""));
    } catch (const VBError& e) {
      // A damaged percentage takes its default in the edit and the slider alike.
      r.ReportBad(e.Number(), a.name, text, a.def);
      edit.TextLet(a.def);
    }
    (ch.*a.slider)->SliderPositionLet(position);
  }
}

void ApplyOneTouchException(ControlHandler& ch, const AttributeReader& r) {
  platform::ListControl& list = *ch.VitalsExceptions;
  const std::int32_t row = list.AddRow();
  // Rows are numbered with 16 bits; one past that range cannot be addressed.
  if (row > 32767) {
    list.DeleteRow(row);
    Raise(6);
  }
  list.DataLet(0, row, 0, r.Text("name", ""));
  list.DataLet(1, row, 1, UtilitySettings::kDeleteIcon);
}

}  // namespace

void UtilitySettings::ResetExceptions(ControlHandler& ch) { ch.VitalsExceptions->Clear(); }

bool UtilitySettings::Apply(ControlHandler& ch, pugi::xml_node element, const std::string& procedure) {
  const std::string_view name = element.name();
  const AttributeReader r(element, procedure);
  if (name == "Util") {
    ApplyUtil(ch, r);
  } else if (name == "Vital_Alarm") {
    ApplyVitalAlarm(ch, r);
  } else if (name == "One_Touch") {
    ApplyOneTouch(ch, r);
  } else if (name == "One_Touch_Exception") {
    ApplyOneTouchException(ch, r);
  } else {
    return false;
  }
  return true;
}

void UtilitySettings::WriteUtil(ControlHandler& ch, pugi::xml_node root) {
  pugi::xml_node e = AddElement(root, "Util");
  for (const UtilAttr& a : kUtil) {
    if (a.box) {
      SetAttr(e, a.name, (ch.*a.box)->CheckedGet());
    } else {
      SetAttr(e, a.name, (ch.*a.edit)->TextGet());
    }
  }
}

void UtilitySettings::WriteVitalAlarm(ControlHandler& ch, pugi::xml_node root) {
  pugi::xml_node e = AddElement(root, "Vital_Alarm");
  for (const AlarmAttrs& a : kAlarms) {
    SetAttr(e, a.on, (ch.*a.box)->CheckedGet());
    SetAttr(e, a.per, (ch.*a.edit)->TextGet());
    platform::ChoiceControl& choice = *(ch.*a.choice);
    const std::int32_t selected = choice.SelectedGet();
    // No selection reads back as the loader's own default.
    SetAttr(e, a.sound, selected < 0 ? std::string("None") : choice.TextGet(selected));
  }
}

void UtilitySettings::WriteOneTouch(ControlHandler& ch, pugi::xml_node root) {
  pugi::xml_node e = AddElement(root, "One_Touch");
  SetAttr(e, "enabled", ch.VitalsEnabled->CheckedGet());
  for (const OneTouchAttr& a : kOneTouch) SetAttr(e, a.name, (ch.*a.edit)->TextGet());
}

void UtilitySettings::WriteOneTouchExceptions(ControlHandler& ch, pugi::xml_node root) {
  platform::ListControl& list = *ch.VitalsExceptions;
  for (std::int32_t row = 0, n = list.Count(); row < n; ++row) {
    pugi::xml_node e = AddElement(root, "One_Touch_Exception");
    SetAttr(e, "name", persistence::VariantText(list.DataGet(0, row, 0)));
  }
}

}  // namespace mellox
