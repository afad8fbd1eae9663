#include "settings_view/ControlHandler.h"

#include "hud/HudHandlerT.h"
#include "hud/HUDTargetHandler.h"

#include "persistence/AttributeReader.h"
#include "persistence/DataFile.h"
#include "persistence/SettingsFile.h"

#include <memory>

#include "chat/CellValue.h"
#include "chat/ChatTextHandler.h"
#include "core/EventQueue.h"
#include "core/Globals.h"
#include "core/Hub.h"
#include "core/TimeModule.h"
#include "core/Trap.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "core/ViewHandler.h"
#include "host/FilterHandler.h"
#include "host/HostPeers.h"
#include "hud/HUDClockHandler.h"
#include "hud/HUDItemHandler.h"
#include "hud/HUDMainHandler.h"
#include "hud/HudRoster.h"
#include "hud/HUDStatusHandler.h"
#include "settings_view/OptionLists.h"

namespace mellox {

namespace {

constexpr const char* kClass = "ControlHandler";

using ViewPtr = std::shared_ptr<platform::HostView>;

// Binds one control. A name the view does not hold leaves the property empty
// and binding goes on; a control of another kind is a type mismatch that ends
// the binding. The reference shares ownership of the view, so a control can
// never outlive the view that holds it.
template <class T>
void Bind(const ViewPtr& view, const char* name, ObjRef<T>& property) {
  platform::HostControl* control = view->Control(name);
  if (control == nullptr) {
    property.reset();
    return;
  }
  T* typed = dynamic_cast<T*>(control);
  if (typed == nullptr) Raise(13);
  property = ObjRef<T>(std::shared_ptr<T>(view, typed));
}

// Binds an option list that is read by row name, behind its row index.
void BindIndexed(const ViewPtr& view, const char* name, std::int32_t nameColumn,
                 ObjRef<IndexedListControl>& property) {
  platform::HostControl* control = view->Control(name);
  if (control == nullptr) {
    property.reset();
    return;
  }
  auto* typed = dynamic_cast<platform::ListControl*>(control);
  if (typed == nullptr) Raise(13);
  struct Holder {
    Holder(ViewPtr v, platform::ListControl& inner, std::int32_t column)
        : view(std::move(v)), list(inner, column) {}
    ViewPtr view;
    IndexedListControl list;
  };
  auto holder = std::make_shared<Holder>(view, *typed, nameColumn);
  property = ObjRef<IndexedListControl>(std::shared_ptr<IndexedListControl>(holder, &holder->list));
}

}  // namespace

ControlHandler::ControlHandler() { Hub::wtcw_debug("Control Handler Init"); }

ControlHandler::~ControlHandler() {
  Hub::wtcw_debug("Control Handler Terminate");
  ReleaseControls();
}

void ControlHandler::InitControls() {
  Trap("InitControls", kClass, [&] {
    BindAll();
    SubscribeOptionEvents();
    SubscribeHudPageEvents();
    SubscribeTrackingPageEvents();
    SubscribeChatPageEvents();
    SubscribeAlarmEvents();
    Hub::GetSoundList();
    Hub::GetSoundLoopList();
  });
  Trap("InitControls", kClass, [&] {
    if (ViewHandlerInstance && ViewHandlerInstance->MainView)
      firstLoginView_ = ViewSnapshot::Take(*ViewHandlerInstance->MainView, ViewHandlerInstance->Description());
  });
}

void ControlHandler::ResetForLogin() {
  if (ViewHandlerInstance && ViewHandlerInstance->MainView) firstLoginView_.Restore(*ViewHandlerInstance->MainView);
}

void ControlHandler::BindAll() {
  if (ViewHandlerInstance == nullptr) Raise(91);
  ViewPtr view = ViewHandlerInstance->MainView.shared();
  if (!view) Raise(91);
  Bind(view, "stVersion", stVersion);
  Bind(view, "Reload_Settings", ReloadSettings);
  Bind(view, "Reload_Default", ReloadDefault);
  Bind(view, "Set_Default", SetDefault);
  Bind(view, "Output_Main", OutputMain);
  Bind(view, "Output_1", Output1);
  Bind(view, "Output_2", Output2);
  Bind(view, "Output_3", Output3);
  Bind(view, "Output_4", Output4);
  Bind(view, "Global_Settings", GlobalSettings);
  Bind(view, "Event_Start", EventStart);
  Bind(view, "nbMain", nbMain);
  Bind(view, "Level_SS", LevelSS);
  Bind(view, "Start_Level", StartLevel);
  Bind(view, "Alleg_Change", AllegChange);
  Bind(view, "Logout_Timer", LogoutTimer);
  Bind(view, "Status_Text", StatusText);
  Bind(view, "Show_Errors", ShowErrors);
  Bind(view, "Toggle_Vitals", ToggleVitals);
  Bind(view, "Util_checkVitalHealthOn", AlarmHealthOn);
  Bind(view, "Util_txtVitalHealthPer", AlarmHealthPer);
  Bind(view, "Util_cboVitalHealthSound", AlarmHealthSound);
  Bind(view, "Util_checkVitalStaminaOn", AlarmStaminaOn);
  Bind(view, "Util_txtVitalStaminaPer", AlarmStaminaPer);
  Bind(view, "Util_cboVitalStaminaSound", AlarmStaminaSound);
  Bind(view, "Util_checkVitalManaOn", AlarmManaOn);
  Bind(view, "Util_txtVitalManaPer", AlarmManaPer);
  Bind(view, "Util_cboVitalManaSound", AlarmManaSound);
  Bind(view, "Use_Gems", UseGems);
  Bind(view, "Fill_Mana", FillMana);
  Bind(view, "Fill_Threshold", FillThreshold);
  Bind(view, "Split_Peas", SplitPeas);
  Bind(view, "Pea_Threshold", PeaThreshold);
  Bind(view, "Use_Beers", UseBeers);
  Bind(view, "Beer_Timer", BeerTimer);
  Bind(view, "Beer_Str", BeerStr);
  Bind(view, "Beer_End", BeerEnd);
  Bind(view, "Beer_Coord", BeerCoord);
  Bind(view, "Beer_Quick", BeerQuick);
  Bind(view, "Beer_Focus", BeerFocus);
  Bind(view, "Beer_Self", BeerSelf);
  Bind(view, "Beer_Use_Check", BeerUseCheck);
  Bind(view, "Beer_Use_Timer", BeerUseTimer);
  Bind(view, "HUD_On", HudOn);
  Bind(view, "HUD_General", HudGeneral);
  Bind(view, "HUD_General_BG_Color", HudGeneralBGColor);
  Bind(view, "HUD_General_BG_Alpha", HudGeneralBGAlpha);
  Bind(view, "HUD_General_Font", HudGeneralFont);
  Bind(view, "HUD_General_Size", HudGeneralSize);
  BindIndexed(view, "HUD_Clock", 1, HudClockList);
  Bind(view, "HUD_Clock_Disp", HudClockDisp);
  Bind(view, "HUD_Date_Disp", HudClockDateDisp);
  Bind(view, "HUD_Clock_24", HudClockHour);
  Bind(view, "HUD_Clock_Color", HudClockColor);
  Bind(view, "HUD_Clock_Label", HudClockLabel);
  Bind(view, "HUD_Clock_Short", HudClockShort);
  Bind(view, "HUD_Clock_All", HudClockAll);
  Bind(view, "HUD_Timer_Down", HudClockDown);
  Bind(view, "HUD_Timer_Up", HudClockUp);
  Bind(view, "HUD_Clock_Timer", HudClockTime);
  Bind(view, "Buff_List", BuffList);
  Bind(view, "Debuff_List", DebuffList);
  Bind(view, "Spells_Offset", SpellsOffset);
  Bind(view, "Spells_Tracked", SpellsTracked);
  Bind(view, "Spells_Item", SpellsItem);
  Bind(view, "Spells_Beers", SpellsBeers);
  Bind(view, "HUD_Main_Color", HudMainColor);
  BindIndexed(view, "HUD_LIST", 1, HudList);
  Bind(view, "HUD_Main_Lbl", HudMainLbl);
  Bind(view, "HUD_Main_All", HudMainAll);
  Bind(view, "HUD_Timeout", HudTimeout);
  Bind(view, "HUD_Items", HudItems);
  Bind(view, "HUD_Items_Color", HudItemsColor);
  Bind(view, "HUD_Items_Text", HudItemsText);
  Bind(view, "HUD_Items_Count", HudItemsCount);
  Bind(view, "HUD_Items_Add", HudItemsAdd);
  Bind(view, "HUD_Items_Sel", HudItemsSel);
  Bind(view, "HUD_Items_Icon_Size", HudItemsIconSize);
  Bind(view, "HUD_Items_Horz", HudItemsHorz);
  Bind(view, "HUD_Target_Color", HudTargetColor);
  Bind(view, "HUD_Target_Level", HudTargetLevel);
  Bind(view, "HUD_Status_Color", HudStatusColor);
  Bind(view, "HUD_Status_Lines", HudStatusLines);
  Bind(view, "Char_Name", CharName);
  Bind(view, "Level_Num", LevelNum);
  Bind(view, "XP_Next", XPNext);
  Bind(view, "XP_Total", XPTotal);
  Bind(view, "XP_Un", XPUn);
  Bind(view, "Session_Time", SessionTime);
  Bind(view, "XP_Session", XPSession);
  Bind(view, "XP_Hour", XPHour);
  Bind(view, "XP_Min", XPMin);
  Bind(view, "XP_Change", XPChange);
  Bind(view, "XP_Bar", XPBar);
  Bind(view, "Reset_Time", ResetTime);
  Bind(view, "Kill_Count", Kills);
  Bind(view, "Total_Time", TotalTime);
  Bind(view, "Total_XP", TotalXP);
  Bind(view, "Total_XP_Hour", TotalXPHour);
  Bind(view, "Total_XP_Min", TotalXPMin);
  Bind(view, "XP_Auto", XPAuto);
  Bind(view, "XP_Filter", XPFilter);
  Bind(view, "XP_Filter_Threshold", XPFilterThreshold);
  Bind(view, "XP_5Min", XP5Min);
  BindIndexed(view, "Chat_Options", 1, ChatOptions);
  Bind(view, "Chat_Filter", ChatFilter);
  Bind(view, "Filter_Box", FilterBox);
  Bind(view, "Filter_Add", FilterAdd);
  Bind(view, "Chat_Filter_Matching", ChatFilterMatching);
  Bind(view, "Chat_Filter_Action", ChatFilterAction);
  Bind(view, "Chat_Alias", ChatAlias);
  Bind(view, "Alias_Abbr", AliasAbbr);
  Bind(view, "Alias_Full", AliasFull);
  Bind(view, "Alias_Add", AliasAdd);
  BindIndexed(view, "Chat_Color", 1, ChatColor);
  Bind(view, "Chat_Color_Color", ChatColorColor);
  Bind(view, "Chat_Color_Sound", ChatColorSound);
  Bind(view, "Chat_Color_Window", ChatColorWindow);
  Bind(view, "Chat_Custom", ChatCustom);
  Bind(view, "Chat_Custom_Text", ChatCustomText);
  Bind(view, "Chat_Custom_Type", ChatCustomType);
  Bind(view, "Chat_Custom_Window", ChatCustomWindow);
  Bind(view, "Chat_Custom_Color", ChatCustomColor);
  Bind(view, "Chat_Custom_Sound", ChatCustomSound);
  Bind(view, "Chat_Custom_Action", ChatCustomAction);
  Bind(view, "Chat_Custom_Down", ChatCustomDown);
  Bind(view, "Chat_Custom_Up", ChatCustomUp);
  Bind(view, "Chat_Custom_Delete", ChatCustomDelete);
  Bind(view, "Chat_Custom_Edit", ChatCustomEdit);
  Bind(view, "Chat_Custom_Add", ChatCustomAdd);
  Bind(view, "Corpses_Track", CorpsesTrack);
  Bind(view, "Corpses_List", CorpsesList);
  Bind(view, "Corpses_Absolute", CorpsesAbsolute);
  Bind(view, "Corpses_Auto", CorpsesAuto);
  Bind(view, "Chat_Log_View", ChatLogView);
  Bind(view, "Chat_Log_Search", ChatLogSearch);
  Bind(view, "Chat_Log_Filter", ChatLogFilter);
  Bind(view, "Chat_Log_AFK", ChatLogAFK);
  Bind(view, "Chat_Log_AFK_Message", ChatLogAFKMessage);
  Bind(view, "Chat_Log_Enable", ChatLogEnable);
  Bind(view, "Chat_Log_Max", ChatLogMax);
  BindIndexed(view, "Chat_Log_Options", 0, ChatLogOptions);
  Bind(view, "Chat_Log_Timestamp", ChatLogTimestamp);
  Bind(view, "Chat_Log_XML", ChatLogXML);
  Bind(view, "Chat_Log_Auto", ChatLogAuto);
  Bind(view, "Chat_Log_By_Date", ChatLogByDate);
  Bind(view, "Chat_Log_Dir", ChatLogDir);
  Bind(view, "Chat_Log_Clear", ChatLogClear);
  Bind(view, "Vitals_OneTouch_Enabled", VitalsEnabled);
  Bind(view, "Vitals_txtBlock", VitalsBlock);
  Bind(view, "Vitals_sldrBlock", VitalsBlockSlider);
  Bind(view, "Vitals_txtSuccess", VitalsSuccess);
  Bind(view, "Vitals_sldrSuccess", VitalsSuccessSlider);
  Bind(view, "Vitals_txtCheap", VitalsCheap);
  Bind(view, "Vitals_sldrCheap", VitalsCheapSlider);
  Bind(view, "Vitals_txtFallback", VitalsFallback);
  Bind(view, "Vitals_sldrFallback", VitalsFallbackSlider);
  Bind(view, "Vitals_listExceptions", VitalsExceptions);
  Bind(view, "Vitals_txtAddException", VitalsAddException);
  Bind(view, "Vitals_btnAddException", VitalsAddExceptionBtn);
  Bind(view, "Vitals_btnAddSelected", VitalsAddExceptionSel);
}

void ControlHandler::ReleaseControls() {
  Trap("ReleaseControls", kClass, [&] {
    // Subscriptions go first so no handler runs on a half-released handler.
    events_.clear();
    stVersion.reset();
    ReloadSettings.reset();
    ReloadDefault.reset();
    SetDefault.reset();
    OutputMain.reset();
    Output1.reset();
    Output2.reset();
    Output3.reset();
    Output4.reset();
    GlobalSettings.reset();
    EventStart.reset();
    nbMain.reset();
    LevelSS.reset();
    StartLevel.reset();
    AllegChange.reset();
    LogoutTimer.reset();
    StatusText.reset();
    ShowErrors.reset();
    ToggleVitals.reset();
    AlarmHealthOn.reset();
    AlarmHealthPer.reset();
    AlarmHealthSound.reset();
    AlarmStaminaOn.reset();
    AlarmStaminaPer.reset();
    AlarmStaminaSound.reset();
    AlarmManaOn.reset();
    AlarmManaPer.reset();
    AlarmManaSound.reset();
    UseGems.reset();
    FillMana.reset();
    FillThreshold.reset();
    SplitPeas.reset();
    PeaThreshold.reset();
    UseBeers.reset();
    BeerTimer.reset();
    BeerStr.reset();
    BeerEnd.reset();
    BeerCoord.reset();
    BeerQuick.reset();
    BeerFocus.reset();
    BeerSelf.reset();
    BeerUseCheck.reset();
    BeerUseTimer.reset();
    HudOn.reset();
    HudGeneral.reset();
    HudGeneralBGColor.reset();
    HudGeneralBGAlpha.reset();
    HudGeneralFont.reset();
    HudGeneralSize.reset();
    HudClockList.reset();
    HudClockDisp.reset();
    HudClockDateDisp.reset();
    HudClockHour.reset();
    HudClockColor.reset();
    HudClockLabel.reset();
    HudClockShort.reset();
    HudClockAll.reset();
    HudClockDown.reset();
    HudClockUp.reset();
    HudClockTime.reset();
    BuffList.reset();
    DebuffList.reset();
    SpellsOffset.reset();
    SpellsTracked.reset();
    SpellsItem.reset();
    SpellsBeers.reset();
    HudMainColor.reset();
    HudList.reset();
    HudMainLbl.reset();
    HudMainAll.reset();
    HudTimeout.reset();
    HudItems.reset();
    HudItemsColor.reset();
    HudItemsText.reset();
    HudItemsCount.reset();
    HudItemsAdd.reset();
    HudItemsSel.reset();
    HudItemsIconSize.reset();
    HudItemsHorz.reset();
    HudTargetColor.reset();
    HudTargetLevel.reset();
    HudStatusColor.reset();
    HudStatusLines.reset();
    CharName.reset();
    LevelNum.reset();
    XPNext.reset();
    XPTotal.reset();
    XPUn.reset();
    SessionTime.reset();
    XPSession.reset();
    XPHour.reset();
    XPMin.reset();
    XPChange.reset();
    XPBar.reset();
    ResetTime.reset();
    Kills.reset();
    TotalTime.reset();
    TotalXP.reset();
    TotalXPHour.reset();
    TotalXPMin.reset();
    XPAuto.reset();
    XPFilter.reset();
    XPFilterThreshold.reset();
    XP5Min.reset();
    ChatOptions.reset();
    ChatFilter.reset();
    FilterBox.reset();
    FilterAdd.reset();
    ChatFilterMatching.reset();
    ChatFilterAction.reset();
    ChatAlias.reset();
    AliasAbbr.reset();
    AliasFull.reset();
    AliasAdd.reset();
    ChatColor.reset();
    ChatColorColor.reset();
    ChatColorSound.reset();
    ChatColorWindow.reset();
    ChatCustom.reset();
    ChatCustomText.reset();
    ChatCustomType.reset();
    ChatCustomWindow.reset();
    ChatCustomColor.reset();
    ChatCustomSound.reset();
    ChatCustomAction.reset();
    ChatCustomDown.reset();
    ChatCustomUp.reset();
    ChatCustomDelete.reset();
    ChatCustomEdit.reset();
    ChatCustomAdd.reset();
    CorpsesTrack.reset();
    CorpsesList.reset();
    CorpsesAbsolute.reset();
    CorpsesAuto.reset();
    ChatLogView.reset();
    ChatLogSearch.reset();
    ChatLogFilter.reset();
    ChatLogAFK.reset();
    ChatLogAFKMessage.reset();
    ChatLogEnable.reset();
    ChatLogMax.reset();
    ChatLogOptions.reset();
    ChatLogTimestamp.reset();
    ChatLogXML.reset();
    ChatLogAuto.reset();
    ChatLogByDate.reset();
    ChatLogDir.reset();
    ChatLogClear.reset();
    VitalsEnabled.reset();
    VitalsBlock.reset();
    VitalsBlockSlider.reset();
    VitalsSuccess.reset();
    VitalsSuccessSlider.reset();
    VitalsCheap.reset();
    VitalsCheapSlider.reset();
    VitalsFallback.reset();
    VitalsFallbackSlider.reset();
    VitalsExceptions.reset();
    VitalsAddException.reset();
    VitalsAddExceptionBtn.reset();
    VitalsAddExceptionSel.reset();
  });
}

namespace {

// The major number of a settings file's format. A part that is missing or not
// a number counts as 0 (a file from before format 1), so such a file is
// treated as an old one instead of leaving the lists half filled.
double MajorVersion(const std::vector<std::string>& versionParts) {
  if (versionParts.empty() || !vb::IsNumeric(versionParts[0])) return 0;
  return vb::CDbl(versionParts[0]);
}

// An icon cell showing one of the plug-in's own icons.
void SetOwnIcon(platform::ListControl& list, std::int32_t column, std::int32_t row, std::int32_t icon) {
  list.DataLet(column, row, 0, PluginModuleHandle);
  list.DataLet(column, row, 1, icon);
}

}  // namespace

void ControlHandler::ClearLists() {
  ChatAlias->Clear();
  ChatFilter->Clear();
  HudItems->Clear();
  ChatCustom->Clear();
  HudGeneral->Clear();
  HudClockList->Clear();
}

std::string ControlHandler::LocalOffsetText() {
  // One fixed, locale-independent number format: "-5", "5.5", "0".
  return vb::CStr(static_cast<double>(TimeModule::GetUTCOffset()) / 3600.0);
}

std::int32_t ControlHandler::DefaultChatColorIcon() { return ChatTextHandler::GetIconFromColor("Default"); }

void ControlHandler::PlaceStatusHud(std::int32_t left, std::int32_t top) {
  HudRoster::Place(HudId::Status, left, top);
}

void ControlHandler::Init_Lists(const std::vector<std::string>& versionParts) {
  namespace ol = OptionLists;
  Trap("Init_Lists", kClass, [&] {
    ClearLists();
    const bool oldFormat = MajorVersion(versionParts) < 1;

    auto& general = *HudGeneral;
    general.Clear();
    for (const char* name : ol::kHudGeneralRows) general.DataLet(1, general.AddRow(), 0, name);
    for (std::int32_t row = 0, n = general.Count(); row < n; ++row) {
      general.DataLet(0, row, 0, true);
      general.DataLet(2, row, 0, "Arial");
      general.DataLet(3, row, 0, "16");
      general.DataLet(5, row, 0, "50%");
      SetOwnIcon(general, 4, row, ol::kIconBlackSwatch);
      general.DataLet(6, row, 0, false);
    }
    if (oldFormat) {
      general.DataLet(0, ol::kHudGeneralStatusRow, 0, false);
      general.DataLet(0, ol::kHudGeneralTargetRow, 0, false);
      // Right of the clock, main and item column, clear of them at its most lines.
      PlaceStatusHud(300, 40);
    }

    auto& options = *ChatOptions;
    options.Clear();
    for (const char* name : ol::kChatOptionRows) options.DataLet(1, options.AddRow(), 0, name);
    for (std::int32_t row = 0, n = options.Count(); row < n; ++row) options.DataLet(0, row, 0, false);

    auto& colors = *ChatColor;
    colors.Clear();
    for (const char* name : ol::kChatColorRows) colors.DataLet(1, colors.AddRow(), 0, name);
    for (std::int32_t row = 0, n = colors.Count(); row < n; ++row) {
      colors.DataLet(0, row, 0, false);
      colors.DataLet(2, row, 0, "D");
      SetOwnIcon(colors, 3, row, DefaultChatColorIcon());
      colors.DataLet(4, row, 0, "None");
    }
    colors.ColorLet(1, 0, ol::kRowHighlightColor);

    auto& lines = *HudList;
    lines.Clear();
    for (const char* name : ol::kHudListRows) lines.DataLet(1, lines.AddRow(), 0, name);
    for (std::int32_t row = 0, n = lines.Count(); row < n; ++row) {
      lines.DataLet(0, row, 0, true);
      SetOwnIcon(lines, 2, row, ol::kIconWhiteSwatch);
      lines.DataLet(3, row, 1, ol::kIconMoveDown);
      lines.DataLet(4, row, 1, ol::kIconMoveUp);
    }
    if (oldFormat) {
      for (std::int32_t row = ol::kHudListFirstNewRow; row <= ol::kHudListLastNewRow; ++row) {
        lines.DataLet(0, row, 0, false);
      }
    }

    auto& log = *ChatLogOptions;
    log.Clear();
    for (const auto& entry : ol::kChatLogRows) {
      const std::int32_t row = log.AddRow();
      log.DataLet(0, row, 0, entry.name);
      log.DataLet(2, row, 0, entry.inMemory);
      log.DataLet(4, row, 0, true);
    }

    auto& clock = *HudClockList;
    clock.Clear();
    for (std::size_t i = 0; i < ol::kHudClockRows.size(); ++i) {
      const auto& entry = ol::kHudClockRows[i];
      const std::int32_t row = clock.AddRow();
      clock.DataLet(0, row, 0, entry.shown);
      clock.DataLet(1, row, 0, entry.name);
      clock.DataLet(2, row, 0,
                    static_cast<std::int32_t>(i) == ol::kClockYourTimeRow ? LocalOffsetText()
                                                                           : std::string(entry.offset));
      SetOwnIcon(clock, 4, row, ol::kIconWhiteSwatch);
    }

    SelectedHudListRow = 0;
    lines.ColorLet(1, 0, ol::kRowHighlightColor);
    general.ColorLet(1, 0, ol::kRowHighlightColor);
    clock.ColorLet(1, 0, ol::kRowHighlightColor);

    SelectedSpell = "-1";
    SelectedChatColorRow = 0;
    SelectedChatCustomRow = -1;
    SelectedHudItemsRow = 0;
    SelectedCorpse = -1;
    SelectedHudGeneralRow = 0;
    SelectedHudClockRow = 0;
  });
}

std::int16_t ControlHandler::FindName(const std::string& rowName, const std::string& listName) {
  std::int16_t result = 0;
  Trap("FindName", kClass, [&] {
    IndexedListControl* list = nullptr;
    if (listName == "HudList") {
      list = &*HudList;
    } else if (listName == "HudClock") {
      list = &*HudClockList;
    } else if (listName == "ChatOptions") {
      list = &*ChatOptions;
    } else if (listName == "ChatColor") {
      list = &*ChatColor;
    } else if (listName == "ChatLog") {
      list = &*ChatLogOptions;
    } else {
      result = -1;
      return;
    }
    const std::int32_t row = list->FindRow(rowName);
    // The row counter is a 16-bit Integer: a search that walks past its range
    // overflows.
    if (row > 32767 || (row < 0 && list->Count() > 32768)) Raise(6);
    result = static_cast<std::int16_t>(row);
  });
  return result;
}

bool ControlHandler::Settings_Load(std::int16_t action) { return SettingsFile::Load(*this, action); }

bool ControlHandler::Settings_Save(std::int16_t action) { return SettingsFile::Save(*this, action); }

void ControlHandler::Settings_SaveOwed(bool loginEnds) { SettingsFile::SaveOwed(*this, loginEnds); }

platform::Variant ControlHandler::GetAttribute(const pugi::xml_node& node, const std::string& name,
                                               const platform::Variant& def) {
  return ::mellox::GetAttribute(node, name, def);
}

void ControlHandler::Data_Load(std::int16_t action) { DataFile::Load(*this, action); }

bool ControlHandler::Data_Save() { return DataFile::Save(*this); }

bool ControlHandler::Data_SaveNewLines(bool minute) { return DataFile::SaveNewLines(*this, minute); }

// --- Option handlers: global buttons, toggles, one-touch and utility options ------

namespace {

// Rows of the general HUD list, one per HUD.
enum HudRow : std::int32_t { kMainRow = 0, kClockRow = 1, kItemRow = 2, kStatusRow = 3, kTargetRow = 4 };

template <class T>
T& Owner(T* instance) {
  if (!instance) Raise(91);
  return *instance;
}

// The engine of a HUD, or null while that HUD has none.
HudWindow* HudEngine(std::int32_t row) {
  const auto hud = HudRoster::FromRow(row);
  return hud ? HudRoster::Engine(*hud) : nullptr;
}

void HudOff(std::int32_t row) {
  if (HudWindow* engine = HudEngine(row)) engine->HUDOff();
}

void HudEnable(std::int32_t row, bool enabled) {
  if (HudWindow* engine = HudEngine(row)) engine->SetEnabled(enabled);
}

void CreateHud(std::int32_t row) {
  if (const auto hud = HudRoster::FromRow(row)) HudRoster::CreateHUD(*hud);
}

// After a settings load: main, clock, item, target, status.
void CreateHudsAfterLoad() {
  for (std::int32_t row : {kMainRow, kClockRow, kItemRow, kTargetRow, kStatusRow}) CreateHud(row);
}

FilterHandler& Filter() {
  if (!FilterHandlerInstance) Raise(91);
  return *FilterHandlerInstance;
}

// The game's icon for the delete cell of an exception row.
constexpr std::int32_t kDeleteIcon = 100667896;
// Column of the routing table that carries the plug-in's own lines.
constexpr std::int16_t kOwnLinesChatType = 32;

// Wraps a control event's handler in a trap under the handler's own name.
template <class F>
auto Trapped(const char* proc, F body) {
  return [proc, body](auto... args) { Trap(proc, kClass, [&] { body(args...); }); };
}

}  // namespace

void ControlHandler::SubscribeOptionEvents() {
  using platform::EditControl;
  using platform::SliderControl;
  auto& ev = events_;
  if (GlobalSettings)
    ev.push_back(GlobalSettings->Change.Connect(
        Trapped("GlobalSettings_Change", [this](std::int32_t, bool state) { GlobalSettings_Change(state); })));
  struct OutputBox {
    ObjRef<platform::CheckBoxControl>* box;
    const char* proc;
    std::int16_t window;
  };
  const OutputBox outputs[] = {{&OutputMain, "OutputMain_Change", 0},
                               {&Output1, "Output1_Change", 1},
                               {&Output2, "Output2_Change", 2},
                               {&Output3, "Output3_Change", 3},
                               {&Output4, "Output4_Change", 4}};
  for (const OutputBox& o : outputs) {
    if (!*o.box) continue;
    const std::int16_t window = o.window;
    ev.push_back((*o.box)->Change.Connect(
        Trapped(o.proc, [this, window](std::int32_t, bool state) { Output_Change(window, state); })));
  }
  if (ReloadSettings)
    ev.push_back(ReloadSettings->Accepted.Connect(
        Trapped("ReloadSettings_Accepted", [this](std::int32_t) { ReloadSettings_Accepted(); })));
  if (ReloadDefault)
    ev.push_back(ReloadDefault->Accepted.Connect(
        Trapped("ReloadDefault_Accepted", [this](std::int32_t) { ReloadDefault_Accepted(); })));
  if (SetDefault)
    ev.push_back(SetDefault->Accepted.Connect(
        Trapped("SetDefault_Accepted", [this](std::int32_t) { SetDefault_Accepted(); })));

  if (VitalsAddExceptionBtn)
    ev.push_back(VitalsAddExceptionBtn->Accepted.Connect(
        Trapped("VitalsAddExceptionBtn_Accepted", [this](std::int32_t) { VitalsAddExceptionBtn_Accepted(); })));
  if (VitalsAddExceptionSel)
    ev.push_back(VitalsAddExceptionSel->Accepted.Connect(
        Trapped("VitalsAddExceptionSel_Accepted", [this](std::int32_t) { VitalsAddExceptionSel_Accepted(); })));
  if (VitalsExceptions)
    ev.push_back(VitalsExceptions->Change.Connect(Trapped(
        "VitalsExceptions_Change", [this](std::int32_t, std::int32_t col, std::int32_t row) { VitalsExceptions_Change(col, row); })));

  struct PercentPair {
    ObjRef<EditControl>* edit;
    ObjRef<SliderControl>* slider;
    const char* editProc;
    const char* sliderProc;
    const char* reset;
  };
  const PercentPair percents[] = {
      {&VitalsBlock, &VitalsBlockSlider, "VitalsBlock_Change", "VitalsBlockSlider_Change", "100%"},
      {&VitalsSuccess, &VitalsSuccessSlider, "VitalsSuccess_Change", "VitalsSuccessSlider_Change", "100%"},
      {&VitalsCheap, &VitalsCheapSlider, "VitalsCheap_Change", "VitalsCheapSlider_Change", "100%"},
      {&VitalsFallback, &VitalsFallbackSlider, "VitalsFallback_Change", "VitalsFallbackSlider_Change", "75%"}};
  for (const PercentPair& p : percents) {
    ObjRef<EditControl>* edit = p.edit;
    ObjRef<SliderControl>* slider = p.slider;
    const char* reset = p.reset;
    if (*edit)
      ev.push_back((*edit)->Change.Connect(Trapped(p.editProc, [this, edit, slider, reset](std::int32_t, const std::string&) {
        VitalsPercent_Change(**edit, **slider, reset);
      })));
    if (*slider)
      ev.push_back((*slider)->Change.Connect(Trapped(
          p.sliderProc, [this, edit](std::int32_t, std::int32_t position) { VitalsSlider_Change(**edit, position); })));
  }

  struct SaveBox {
    ObjRef<platform::CheckBoxControl>* box;
    const char* proc;
  };
  const SaveBox saveOnly[] = {{&ToggleVitals, "ToggleVitals_Change"}, {&FillMana, "FillMana_Change"},
                              {&LevelSS, "LevelSS_Change"},           {&AllegChange, "AllegChange_Change"},
                              {&SplitPeas, "SplitPeas_Change"},       {&StatusText, "StatusText_Change"},
                              {&ShowErrors, "ShowErrors_Change"}};
  for (const SaveBox& b : saveOnly) {
    if (*b.box) ev.push_back((*b.box)->Change.Connect(Trapped(b.proc, [this](std::int32_t, bool) { SaveOnly_Change(); })));
  }
  if (LogoutTimer)
    ev.push_back(LogoutTimer->Change.Connect(
        Trapped("LogoutTimer_Change", [this](std::int32_t, bool checked) { LogoutTimer_Change(checked); })));
  if (EventStart)
    ev.push_back(
        EventStart->Change.Connect(Trapped("EventStart_Change", [this](std::int32_t, bool) { EventStart_Change(); })));

  struct NumberEdit {
    ObjRef<EditControl>* edit;
    const char* proc;
    const char* reset;
  };
  const NumberEdit numbers[] = {{&FillThreshold, "FillThreshold_End", "50000"},
                                {&PeaThreshold, "PeaThreshold_End", "10"},
                                {&StartLevel, "StartLevel_End", "6"}};
  for (const NumberEdit& n : numbers) {
    ObjRef<EditControl>* edit = n.edit;
    const char* reset = n.reset;
    if (*edit)
      ev.push_back((*edit)->End.Connect(
          Trapped(n.proc, [this, edit, reset](std::int32_t, bool) { NumberEdit_End(**edit, reset); })));
  }
}

// --- Toggles ------------------------------------------------------------------------

void ControlHandler::ToggleAll() {
  if (!PluginActive) return;
  const bool on = !HudOn->CheckedGet();
  HudOn->CheckedLet(on);
  const std::int32_t order[] = {kClockRow, kMainRow, kItemRow, kStatusRow, kTargetRow};
  for (std::int32_t row : order) {
    if (on) {
      HudEnable(row, CellBool(HudGeneral->DataGet(0, row, 0)));
    } else {
      HudOff(row);
    }
  }
  Settings_Save(0);
  for (std::int32_t row : {kMainRow, kClockRow, kItemRow, kStatusRow, kTargetRow}) CreateHud(row);
}

namespace {

// Flips one HUD's own flag; the engine follows only while the master box is ticked.
void ToggleHud(ControlHandler& ch, std::int32_t row) {
  const bool shown = !CellBool(ch.HudGeneral->DataGet(0, row, 0));
  ch.HudGeneral->DataLet(0, row, 0, shown);
  if (ch.HudOn->CheckedGet()) HudEnable(row, shown);
  ch.Settings_Save(0);
  CreateHud(row);
}

}  // namespace

void ControlHandler::ToggleMain() {
  if (PluginActive) ToggleHud(*this, kMainRow);
}
void ControlHandler::ToggleClock() {
  if (PluginActive) ToggleHud(*this, kClockRow);
}
void ControlHandler::ToggleItem() {
  if (PluginActive) ToggleHud(*this, kItemRow);
}
void ControlHandler::ToggleStatus() {
  if (PluginActive) ToggleHud(*this, kStatusRow);
}
void ControlHandler::ToggleTarget() {
  if (PluginActive) ToggleHud(*this, kTargetRow);
}

void ControlHandler::ToggleBeers() {
  if (!PluginActive) return;
  const bool on = !UseBeers->CheckedGet();
  UseBeers->CheckedLet(on);
  Hub::wtcw(on ? "Ready to keep em' coming!" : "Yeah, you've had enough.");
  Settings_Save(0);
}

void ControlHandler::ToggleAFK() {
  if (!PluginActive) return;
  const bool on = !ChatLogAFK->CheckedGet();
  ChatLogAFK->CheckedLet(on);
  // The away box is not part of the settings; only going away tells the game.
  if (on) Filter().SendCommand("*afk*");
}

// --- Global settings buttons and boxes ---------------------------------------------

void ControlHandler::GlobalSettings_Change(bool state) {
  if (!PluginActive) return;
  // The loader reads the box itself to choose the global or the character's file.
  if (!Settings_Load(0)) {
    // The settings in use are still those of the other choice: the box says
    // so again, and the data file never records a choice that cannot load.
    GlobalSettings->CheckedLet(!state);
  } else {
    Data_Save();
  }
  CreateHudsAfterLoad();
}

void ControlHandler::Output_Change(std::int16_t window, bool state) {
  if (!PluginActive) return;
  if (!ChatTextHandlerInstance) Raise(91);
  ChatTextHandlerInstance->SetTargetList(window, kOwnLinesChatType, state);
  Settings_Save(0);
}

// The reload buttons: say so, load the settings of the action, rebuild the HUDs.
void ControlHandler::ReloadWith(const char* proc, const char* message, std::int16_t action) {
  if (!PluginActive) return;
  Trap(proc, kClass, [&] {
    Hub::wtcw(message);
    Settings_Load(action);
    CreateHudsAfterLoad();
  });
}

void ControlHandler::ReloadSettings_Accepted() {
  ReloadWith("ReloadSettings_Accepted", "Attempting to Reload Your Settings", 0);
}

void ControlHandler::ReloadDefault_Accepted() {
  ReloadWith("ReloadDefault_Accepted", "Attempting to Load Default Settings", 1);
}

void ControlHandler::SetDefault_Accepted() {
  if (!PluginActive) return;
  Trap("SetDefault_Accepted", kClass, [&] {
    // The saver reports its own failures; success is only claimed for a written file.
    if (Settings_Save(1)) Hub::wtcw("Settings Saved as Default");
  });
}

// --- One-touch healing page ------------------------------------------------------------

void ControlHandler::VitalsAddExceptionBtn_Accepted() {
  if (!PluginActive) return;
  Trap("VitalsAddExceptionBtn_Accepted", kClass, [&] {
    const std::string name = VitalsAddException->TextGet();
    if (name.empty()) return;
    auto& list = *VitalsExceptions;
    const std::int32_t row = list.AddRow();
    list.DataLet(0, row, 0, name);
    list.DataLet(1, row, 1, kDeleteIcon);
    Settings_Save(0);
  });
}

void ControlHandler::VitalsAddExceptionSel_Accepted() {
  if (!PluginActive) return;
  Trap("VitalsAddExceptionSel_Accepted", kClass, [&] {
    FilterHandler& f = Filter();
    const std::int32_t selected = f.GetCurrentSelection();
    // Nothing selected: nothing to add (the name look-up would fail on id 0).
    if (selected == 0) return;
    const std::string name = f.GetName(selected);
    if (name.empty()) return;
    auto& list = *VitalsExceptions;
    const std::int32_t row = list.AddRow();
    list.DataLet(0, row, 0, name);
    list.DataLet(1, row, 1, kDeleteIcon);
    Settings_Save(0);
  });
}

void ControlHandler::VitalsExceptions_Change(std::int32_t column, std::int32_t row) {
  if (!PluginActive) return;
  if (column == 1) VitalsExceptions->DeleteRow(row);
  Settings_Save(0);
}

void ControlHandler::VitalsPercent_Change(platform::EditControl& edit, platform::SliderControl& slider,
                                          const char* resetText) {
  if (!PluginActive) return;
  if (!vb::IsNumeric(vb::Replace(edit.TextGet(), "%", ""))) edit.TextLet(resetText);
  // Rounded half to even; a number beyond a Long ends the handler unsaved.
  slider.SliderPositionLet(vb::CLng(std::string_view(vb::Replace(edit.TextGet(), "%", ""))));
  Settings_Save(0);
}

void ControlHandler::VitalsSlider_Change(platform::EditControl& edit, std::int32_t position) {
  // Also while inactive: the edit mirrors the slider whenever it moves.
  edit.TextLet(vb::CStr(position) + "%");
}

// --- Utility and status options -----------------------------------------------------------

void ControlHandler::SaveOnly_Change() {
  if (PluginActive) Settings_Save(0);
}

void ControlHandler::LogoutTimer_Change(bool checked) {
  if (!PluginActive) return;
  Filter().SetIdleTime(checked ? FilterHandler::kExtendedIdleSeconds : FilterHandler::kNormalIdleSeconds);
  Settings_Save(0);
}

void ControlHandler::NumberEdit_End(platform::EditControl& edit, const char* resetText) {
  if (!PluginActive) return;
  if (!vb::IsNumeric(edit.TextGet())) edit.TextLet(resetText);
  Settings_Save(0);
}

void ControlHandler::EventStart_Change() {
  if (!PluginActive) return;
  if (!EventQueueInstance) Raise(91);
  EventQueueInstance->autorun = EventStart->CheckedGet();
  Settings_Save(0);
}

}  // namespace mellox
