// Keeper of the settings view: one property per bound control, the selection
// state of the option lists, the option lists' fixed rows and the row look-up.
// At run time the view is the only store of options, so every subsystem reads
// and writes its options through these properties.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/ObjRef.h"
#include "platform/Variant.h"
#include "platform/Event.h"
#include "platform/HostView.h"
#include "settings_view/IndexedListControl.h"
#include "settings_view/ViewSnapshot.h"

namespace pugi {
class xml_node;
}

namespace mellox {

class DX8Sound;

// The plug-in module's instance handle, written into subvalue 0 of a list
// icon cell so the host draws the plug-in's own swatch icons (101 to 131).
inline constexpr std::int32_t PluginModuleHandle = 0x10000000;

class ControlHandler {
 public:
  // Only writes a debug line; nothing is bound until InitControls.
  ControlHandler();
  // Drops every control reference.
  ~ControlHandler();
  ControlHandler(const ControlHandler&) = delete;
  ControlHandler& operator=(const ControlHandler&) = delete;

  // Row of CorpsesList chosen as the tracked corpse; -1 none.
  std::int32_t SelectedCorpse = 0;
  // Key of the tracked buff: a spell family number as text, or a spell name.
  std::string SelectedSpell;

  // The bound controls, in binding order. Empty until InitControls and again
  // after ReleaseControls; using an empty one raises error 91.
  ObjRef<platform::StaticTextControl> stVersion;
  ObjRef<platform::PushButtonControl> ReloadSettings;
  ObjRef<platform::PushButtonControl> ReloadDefault;
  ObjRef<platform::PushButtonControl> SetDefault;
  ObjRef<platform::CheckBoxControl> OutputMain;
  ObjRef<platform::CheckBoxControl> Output1;
  ObjRef<platform::CheckBoxControl> Output2;
  ObjRef<platform::CheckBoxControl> Output3;
  ObjRef<platform::CheckBoxControl> Output4;
  ObjRef<platform::CheckBoxControl> GlobalSettings;
  ObjRef<platform::CheckBoxControl> EventStart;
  ObjRef<platform::NotebookControl> nbMain;
  ObjRef<platform::CheckBoxControl> LevelSS;
  ObjRef<platform::EditControl> StartLevel;
  ObjRef<platform::CheckBoxControl> AllegChange;
  ObjRef<platform::CheckBoxControl> LogoutTimer;
  ObjRef<platform::CheckBoxControl> StatusText;
  ObjRef<platform::CheckBoxControl> ShowErrors;
  ObjRef<platform::CheckBoxControl> ToggleVitals;
  ObjRef<platform::CheckBoxControl> AlarmHealthOn;
  ObjRef<platform::EditControl> AlarmHealthPer;
  ObjRef<platform::ChoiceControl> AlarmHealthSound;
  ObjRef<platform::CheckBoxControl> AlarmStaminaOn;
  ObjRef<platform::EditControl> AlarmStaminaPer;
  ObjRef<platform::ChoiceControl> AlarmStaminaSound;
  ObjRef<platform::CheckBoxControl> AlarmManaOn;
  ObjRef<platform::EditControl> AlarmManaPer;
  ObjRef<platform::ChoiceControl> AlarmManaSound;
  ObjRef<platform::CheckBoxControl> UseGems;
  ObjRef<platform::CheckBoxControl> FillMana;
  ObjRef<platform::EditControl> FillThreshold;
  ObjRef<platform::CheckBoxControl> SplitPeas;
  ObjRef<platform::EditControl> PeaThreshold;
  ObjRef<platform::CheckBoxControl> UseBeers;
  ObjRef<platform::EditControl> BeerTimer;
  ObjRef<platform::CheckBoxControl> BeerStr;
  ObjRef<platform::CheckBoxControl> BeerEnd;
  ObjRef<platform::CheckBoxControl> BeerCoord;
  ObjRef<platform::CheckBoxControl> BeerQuick;
  ObjRef<platform::CheckBoxControl> BeerFocus;
  ObjRef<platform::CheckBoxControl> BeerSelf;
  ObjRef<platform::CheckBoxControl> BeerUseCheck;
  ObjRef<platform::EditControl> BeerUseTimer;
  ObjRef<platform::CheckBoxControl> HudOn;
  ObjRef<platform::ListControl> HudGeneral;
  ObjRef<platform::ChoiceControl> HudGeneralBGColor;
  ObjRef<platform::ChoiceControl> HudGeneralBGAlpha;
  ObjRef<platform::ChoiceControl> HudGeneralFont;
  ObjRef<platform::ChoiceControl> HudGeneralSize;
  ObjRef<IndexedListControl> HudClockList;
  ObjRef<platform::CheckBoxControl> HudClockDisp;
  ObjRef<platform::CheckBoxControl> HudClockDateDisp;
  ObjRef<platform::CheckBoxControl> HudClockHour;
  ObjRef<platform::ChoiceControl> HudClockColor;
  ObjRef<platform::CheckBoxControl> HudClockLabel;
  ObjRef<platform::CheckBoxControl> HudClockShort;
  ObjRef<platform::PushButtonControl> HudClockAll;
  ObjRef<platform::PushButtonControl> HudClockDown;
  ObjRef<platform::PushButtonControl> HudClockUp;
  ObjRef<platform::EditControl> HudClockTime;
  ObjRef<platform::ListControl> BuffList;
  ObjRef<platform::ListControl> DebuffList;
  ObjRef<platform::EditControl> SpellsOffset;
  ObjRef<platform::StaticTextControl> SpellsTracked;
  ObjRef<platform::CheckBoxControl> SpellsItem;
  ObjRef<platform::CheckBoxControl> SpellsBeers;
  ObjRef<platform::ChoiceControl> HudMainColor;
  ObjRef<IndexedListControl> HudList;
  ObjRef<platform::CheckBoxControl> HudMainLbl;
  ObjRef<platform::PushButtonControl> HudMainAll;
  ObjRef<platform::ChoiceControl> HudTimeout;
  ObjRef<platform::ListControl> HudItems;
  ObjRef<platform::ChoiceControl> HudItemsColor;
  ObjRef<platform::EditControl> HudItemsText;
  ObjRef<platform::EditControl> HudItemsCount;
  ObjRef<platform::PushButtonControl> HudItemsAdd;
  ObjRef<platform::PushButtonControl> HudItemsSel;
  ObjRef<platform::ChoiceControl> HudItemsIconSize;
  ObjRef<platform::CheckBoxControl> HudItemsHorz;
  ObjRef<platform::ChoiceControl> HudTargetColor;
  ObjRef<platform::ChoiceControl> HudTargetLevel;
  ObjRef<platform::ChoiceControl> HudStatusColor;
  ObjRef<platform::ChoiceControl> HudStatusLines;
  ObjRef<platform::StaticTextControl> CharName;
  ObjRef<platform::StaticTextControl> LevelNum;
  ObjRef<platform::StaticTextControl> XPNext;
  ObjRef<platform::StaticTextControl> XPTotal;
  ObjRef<platform::StaticTextControl> XPUn;
  ObjRef<platform::StaticTextControl> SessionTime;
  ObjRef<platform::StaticTextControl> XPSession;
  ObjRef<platform::StaticTextControl> XPHour;
  ObjRef<platform::StaticTextControl> XPMin;
  ObjRef<platform::StaticTextControl> XPChange;
  ObjRef<platform::ProgressControl> XPBar;
  ObjRef<platform::PushButtonControl> ResetTime;
  ObjRef<platform::StaticTextControl> Kills;
  ObjRef<platform::StaticTextControl> TotalTime;
  ObjRef<platform::StaticTextControl> TotalXP;
  ObjRef<platform::StaticTextControl> TotalXPHour;
  ObjRef<platform::StaticTextControl> TotalXPMin;
  ObjRef<platform::CheckBoxControl> XPAuto;
  ObjRef<platform::CheckBoxControl> XPFilter;
  ObjRef<platform::EditControl> XPFilterThreshold;
  ObjRef<platform::StaticTextControl> XP5Min;
  ObjRef<IndexedListControl> ChatOptions;
  ObjRef<platform::ListControl> ChatFilter;
  ObjRef<platform::EditControl> FilterBox;
  ObjRef<platform::PushButtonControl> FilterAdd;
  ObjRef<platform::CheckBoxControl> ChatFilterMatching;
  ObjRef<platform::CheckBoxControl> ChatFilterAction;
  ObjRef<platform::ListControl> ChatAlias;
  ObjRef<platform::EditControl> AliasAbbr;
  ObjRef<platform::EditControl> AliasFull;
  ObjRef<platform::PushButtonControl> AliasAdd;
  ObjRef<IndexedListControl> ChatColor;
  ObjRef<platform::ChoiceControl> ChatColorColor;
  ObjRef<platform::ChoiceControl> ChatColorSound;
  ObjRef<platform::ChoiceControl> ChatColorWindow;
  ObjRef<platform::ListControl> ChatCustom;
  ObjRef<platform::EditControl> ChatCustomText;
  ObjRef<platform::ChoiceControl> ChatCustomType;
  ObjRef<platform::EditControl> ChatCustomWindow;
  ObjRef<platform::ChoiceControl> ChatCustomColor;
  ObjRef<platform::ChoiceControl> ChatCustomSound;
  ObjRef<platform::EditControl> ChatCustomAction;
  ObjRef<platform::PushButtonControl> ChatCustomDown;
  ObjRef<platform::PushButtonControl> ChatCustomUp;
  ObjRef<platform::PushButtonControl> ChatCustomDelete;
  ObjRef<platform::PushButtonControl> ChatCustomEdit;
  ObjRef<platform::PushButtonControl> ChatCustomAdd;
  ObjRef<platform::CheckBoxControl> CorpsesTrack;
  ObjRef<platform::ListControl> CorpsesList;
  ObjRef<platform::CheckBoxControl> CorpsesAbsolute;
  ObjRef<platform::CheckBoxControl> CorpsesAuto;
  ObjRef<platform::ListControl> ChatLogView;
  ObjRef<platform::EditControl> ChatLogSearch;
  ObjRef<platform::ChoiceControl> ChatLogFilter;
  ObjRef<platform::CheckBoxControl> ChatLogAFK;
  ObjRef<platform::EditControl> ChatLogAFKMessage;
  ObjRef<platform::CheckBoxControl> ChatLogEnable;
  ObjRef<platform::EditControl> ChatLogMax;
  ObjRef<IndexedListControl> ChatLogOptions;
  ObjRef<platform::CheckBoxControl> ChatLogTimestamp;
  ObjRef<platform::CheckBoxControl> ChatLogXML;
  ObjRef<platform::CheckBoxControl> ChatLogAuto;
  ObjRef<platform::CheckBoxControl> ChatLogByDate;
  ObjRef<platform::PushButtonControl> ChatLogDir;
  ObjRef<platform::PushButtonControl> ChatLogClear;
  ObjRef<platform::CheckBoxControl> VitalsEnabled;
  ObjRef<platform::EditControl> VitalsBlock;
  ObjRef<platform::SliderControl> VitalsBlockSlider;
  ObjRef<platform::EditControl> VitalsSuccess;
  ObjRef<platform::SliderControl> VitalsSuccessSlider;
  ObjRef<platform::EditControl> VitalsCheap;
  ObjRef<platform::SliderControl> VitalsCheapSlider;
  ObjRef<platform::EditControl> VitalsFallback;
  ObjRef<platform::SliderControl> VitalsFallbackSlider;
  ObjRef<platform::ListControl> VitalsExceptions;
  ObjRef<platform::EditControl> VitalsAddException;
  ObjRef<platform::PushButtonControl> VitalsAddExceptionBtn;
  ObjRef<platform::PushButtonControl> VitalsAddExceptionSel;

  // Binds every control by its view name, then fills the five sound lists;
  // what every control of the view then holds is what each login starts from.
  void InitControls();
  void ReleaseControls();
  // A login's start: every control of the view as InitControls left it,
  // before any settings load (what one character typed, ticked, chose or was
  // shown is not offered to the next).
  void ResetForLogin();

  // Empties the six fixed option lists and refills them with their fixed rows
  // and default cells, then resets the selection state. versionParts is the
  // settings file's "Version" attribute split at ".".
  void Init_Lists(const std::vector<std::string>& versionParts);
  // Index of the first row of the named option list whose name cell equals
  // rowName exactly (case counts); -1 when there is none or the list name is
  // none of "HudList", "HudClock", "ChatOptions", "ChatColor", "ChatLog".
  // A failure (an unbound list, a cell that cannot be compared with text) is
  // reported and gives 0.
  std::int16_t FindName(const std::string& rowName, const std::string& listName);

  // Settings and data files; the file logic lives in the persistence layer.
  // True when a file was applied; otherwise the settings stay as they were.
  bool Settings_Load(std::int16_t action);
  bool Settings_Save(std::int16_t action);
  // The last settings load did not apply its file: refused saves are told.
  bool SettingsLoadFailed = false;
  // Settings files whose last save was refused, with the bytes it would have
  // written; what the player set since is not lost once there is room.
  std::map<std::filesystem::path, std::string> SettingsOwed;
  // Writes those again, telling nothing either way (each refusal was told);
  // at a login's end what still cannot be written is given up.
  void Settings_SaveOwed(bool loginEnds = false);
  platform::Variant GetAttribute(const pugi::xml_node& node, const std::string& name, const platform::Variant& def);
  void Data_Load(std::int16_t action);
  bool Data_Save();
  // Puts only what changed since the last save on disk (the chat-log lines
  // logged since, the item spells, corpses and global-settings choice as they
  // are now), or the whole file when that would not do; what the core tick calls.
  bool Data_SaveNewLines(bool minute = false);

  // --- Global buttons, toggles and the one-touch / utility options ----------
  // (ControlHandler.cpp, "Option handlers".) Every one does nothing while the
  // plug-in is inactive, except the four slider handlers.
  // Flip an option from outside the view (hotkeys, a HUD's close glyph).
  // Failures pass to the caller.
  void ToggleAll();
  void ToggleMain();
  void ToggleItem();
  void ToggleClock();
  void ToggleTarget();
  void ToggleStatus();
  void ToggleBeers();
  void ToggleAFK();

  // Control events; the subscriptions trap each under the handler's name.
  void GlobalSettings_Change(bool state);
  // window: 0 the main chat window, 1 to 4 the floating ones.
  void Output_Change(std::int16_t window, bool state);
  void ReloadSettings_Accepted();
  void ReloadDefault_Accepted();
  void SetDefault_Accepted();
  void VitalsAddExceptionBtn_Accepted();
  void VitalsAddExceptionSel_Accepted();
  void VitalsExceptions_Change(std::int32_t column, std::int32_t row);
  // A percentage edit of the one-touch page and its slider.
  void VitalsPercent_Change(platform::EditControl& edit, platform::SliderControl& slider, const char* resetText);
  void VitalsSlider_Change(platform::EditControl& edit, std::int32_t position);
  void LogoutTimer_Change(bool checked);
  // A number edit of the utility page, when its editing ends.
  void NumberEdit_End(platform::EditControl& edit, const char* resetText);
  void EventStart_Change();
  // The boxes whose change only needs saving.
  void SaveOnly_Change();
  // --- End of the option handlers --------------------------------------------

  // --- HUD settings pages (defined in hud/HudSettingsPages.cpp) -----------------
  // Each does nothing while the plug-in is inactive, except the two clock
  // timer buttons. Failures of the handlers without a trap of their own pass
  // to the caller; the subscriptions trap each under the handler's name.
  void HudOn_Change(bool ticked);
  void HudGeneral_Change(std::int32_t column, std::int32_t row);
  void HudGeneralFont_Change(std::int32_t index);
  void HudGeneralSize_Change(std::int32_t index);
  void HudGeneralBGColor_Change();
  void HudGeneralBGAlpha_Change();
  void HudList_Change(std::int32_t column, std::int32_t row);
  void HudMainColor_Change(std::int32_t index);
  void HudMainAll_Accepted();
  void HudMainLbl_Change();
  void HudTimeout_Change();
  // id -1 is ignored.
  void HudClockList_Change(std::int32_t id, std::int32_t column, std::int32_t row);
  void HudClockColor_Change(std::int32_t index);
  void HudClockAll_Accepted();
  // The five clock option boxes.
  void HudClockOption_Change();
  void HudClockDown_Accepted();
  void HudClockUp_Accepted();
  void HudItemsAdd_Accepted();
  void HudItemsSel_Accepted();
  void HudItems_Change(std::int32_t column, std::int32_t row);
  void HudItemsColor_Change();
  void HudItemsIconSize_Change();
  void HudItemsHorz_Change();
  void HudTargetColor_Change(std::int32_t index);
  void HudStatusColor_Change();
  void HudStatusLines_Change();
  void HudTargetLevel_Change();
  // --- End of the HUD settings pages ---------------------------------------------

  // Local time minus UTC in hours, as the clock list shows it.
  static std::string LocalOffsetText();

 private:
  void SubscribeOptionEvents();
  void ReloadWith(const char* proc, const char* message, std::int16_t action);
  void SubscribeHudPageEvents();
  // The experience, spell, drink and corpse pages: their handlers live in the trackers.
  void SubscribeTrackingPageEvents();
  // The chat-log page and the chat rule pages (chat/ChatPageEvents.cpp).
  void SubscribeChatPageEvents();
  // The vital alarms' boxes, percentage edits and looped-sound choices.
  void SubscribeAlarmEvents();
  void Alarm_OnChange(DX8Sound& sound, bool checked);
  void Alarm_PerChange(platform::EditControl& edit);
  void Alarm_SoundChange(DX8Sound& sound, platform::ChoiceControl& choice, std::int32_t index);
  void BindAll();
  void ClearLists();
  // The swatch icon of the chat colour "Default".
  static std::int32_t DefaultChatColorIcon();
  // Puts the status HUD at (left, top) and re-evaluates its docking; a
  // settings file from before format 1 kept it elsewhere.
  static void PlaceStatusHud(std::int32_t left, std::int32_t top);

  std::int32_t SelectedHudListRow = 0;
  std::int32_t SelectedChatColorRow = 0;
  std::int32_t SelectedChatCustomRow = 0;
  std::int32_t SelectedHudItemsRow = 0;
  std::int32_t SelectedHudGeneralRow = 0;
  std::int32_t SelectedHudClockRow = 0;

  // The view as InitControls left it.
  ViewSnapshot firstLoginView_;
  // Subscriptions to control events; dropped before the controls are.
  std::vector<platform::Connection> events_;
};

}  // namespace mellox
