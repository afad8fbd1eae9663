// The settings view as the simulated host builds it from the shipped view
// description: binding of the controls, the option lists' fixed rows and the
// look-up of option rows by name.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <pugixml.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "core/APluginCore.h"
#include "core/Globals.h"
#include "core/Trap.h"
#include "core/ViewHandler.h"
#include "settings_view/ControlHandler.h"
#include "settings_view/OptionLists.h"
#include "sim/SimClock.h"
#include "sim/SimHost.h"
#include "sim/SimHostCore.h"
#include "sim/SimList.h"
#include "sim/SimView.h"
#include "support/SessionReference.h"
#include "support/TempHome.h"

namespace mellox {
namespace {

namespace fs = std::filesystem;
namespace ol = OptionLists;

struct ControlEntry {
  const char* viewName;
  std::function<platform::HostControl*(ControlHandler&)> get;
};

#define P(prop, name) ControlEntry{name, [](ControlHandler& c) -> platform::HostControl* { return c.prop.get(); }}
// Every control property with its view name, in binding order.
const std::vector<ControlEntry>& AllControls() {
  static const std::vector<ControlEntry> entries = {
    P(stVersion, "stVersion"),
    P(ReloadSettings, "Reload_Settings"),
    P(ReloadDefault, "Reload_Default"),
    P(SetDefault, "Set_Default"),
    P(OutputMain, "Output_Main"),
    P(Output1, "Output_1"),
    P(Output2, "Output_2"),
    P(Output3, "Output_3"),
    P(Output4, "Output_4"),
    P(GlobalSettings, "Global_Settings"),
    P(EventStart, "Event_Start"),
    P(nbMain, "nbMain"),
    P(LevelSS, "Level_SS"),
    P(StartLevel, "Start_Level"),
    P(AllegChange, "Alleg_Change"),
    P(LogoutTimer, "Logout_Timer"),
    P(StatusText, "Status_Text"),
    P(ShowErrors, "Show_Errors"),
    P(ToggleVitals, "Toggle_Vitals"),
    P(AlarmHealthOn, "Util_checkVitalHealthOn"),
    P(AlarmHealthPer, "Util_txtVitalHealthPer"),
    P(AlarmHealthSound, "Util_cboVitalHealthSound"),
    P(AlarmStaminaOn, "Util_checkVitalStaminaOn"),
    P(AlarmStaminaPer, "Util_txtVitalStaminaPer"),
    P(AlarmStaminaSound, "Util_cboVitalStaminaSound"),
    P(AlarmManaOn, "Util_checkVitalManaOn"),
    P(AlarmManaPer, "Util_txtVitalManaPer"),
    P(AlarmManaSound, "Util_cboVitalManaSound"),
    P(UseGems, "Use_Gems"),
    P(FillMana, "Fill_Mana"),
    P(FillThreshold, "Fill_Threshold"),
    P(SplitPeas, "Split_Peas"),
    P(PeaThreshold, "Pea_Threshold"),
    P(UseBeers, "Use_Beers"),
    P(BeerTimer, "Beer_Timer"),
    P(BeerStr, "Beer_Str"),
    P(BeerEnd, "Beer_End"),
    P(BeerCoord, "Beer_Coord"),
    P(BeerQuick, "Beer_Quick"),
    P(BeerFocus, "Beer_Focus"),
    P(BeerSelf, "Beer_Self"),
    P(BeerUseCheck, "Beer_Use_Check"),
    P(BeerUseTimer, "Beer_Use_Timer"),
    P(HudOn, "HUD_On"),
    P(HudGeneral, "HUD_General"),
    P(HudGeneralBGColor, "HUD_General_BG_Color"),
    P(HudGeneralBGAlpha, "HUD_General_BG_Alpha"),
    P(HudGeneralFont, "HUD_General_Font"),
    P(HudGeneralSize, "HUD_General_Size"),
    P(HudClockList, "HUD_Clock"),
    P(HudClockDisp, "HUD_Clock_Disp"),
    P(HudClockDateDisp, "HUD_Date_Disp"),
    P(HudClockHour, "HUD_Clock_24"),
    P(HudClockColor, "HUD_Clock_Color"),
    P(HudClockLabel, "HUD_Clock_Label"),
    P(HudClockShort, "HUD_Clock_Short"),
    P(HudClockAll, "HUD_Clock_All"),
    P(HudClockDown, "HUD_Timer_Down"),
    P(HudClockUp, "HUD_Timer_Up"),
    P(HudClockTime, "HUD_Clock_Timer"),
    P(BuffList, "Buff_List"),
    P(DebuffList, "Debuff_List"),
    P(SpellsOffset, "Spells_Offset"),
    P(SpellsTracked, "Spells_Tracked"),
    P(SpellsItem, "Spells_Item"),
    P(SpellsBeers, "Spells_Beers"),
    P(HudMainColor, "HUD_Main_Color"),
    P(HudList, "HUD_LIST"),
    P(HudMainLbl, "HUD_Main_Lbl"),
    P(HudMainAll, "HUD_Main_All"),
    P(HudTimeout, "HUD_Timeout"),
    P(HudItems, "HUD_Items"),
    P(HudItemsColor, "HUD_Items_Color"),
    P(HudItemsText, "HUD_Items_Text"),
    P(HudItemsCount, "HUD_Items_Count"),
    P(HudItemsAdd, "HUD_Items_Add"),
    P(HudItemsSel, "HUD_Items_Sel"),
    P(HudItemsIconSize, "HUD_Items_Icon_Size"),
    P(HudItemsHorz, "HUD_Items_Horz"),
    P(HudTargetColor, "HUD_Target_Color"),
    P(HudTargetLevel, "HUD_Target_Level"),
    P(HudStatusColor, "HUD_Status_Color"),
    P(HudStatusLines, "HUD_Status_Lines"),
    P(CharName, "Char_Name"),
    P(LevelNum, "Level_Num"),
    P(XPNext, "XP_Next"),
    P(XPTotal, "XP_Total"),
    P(XPUn, "XP_Un"),
    P(SessionTime, "Session_Time"),
    P(XPSession, "XP_Session"),
    P(XPHour, "XP_Hour"),
    P(XPMin, "XP_Min"),
    P(XPChange, "XP_Change"),
    P(XPBar, "XP_Bar"),
    P(ResetTime, "Reset_Time"),
    P(Kills, "Kill_Count"),
    P(TotalTime, "Total_Time"),
    P(TotalXP, "Total_XP"),
    P(TotalXPHour, "Total_XP_Hour"),
    P(TotalXPMin, "Total_XP_Min"),
    P(XPAuto, "XP_Auto"),
    P(XPFilter, "XP_Filter"),
    P(XPFilterThreshold, "XP_Filter_Threshold"),
    P(XP5Min, "XP_5Min"),
    P(ChatOptions, "Chat_Options"),
    P(ChatFilter, "Chat_Filter"),
    P(FilterBox, "Filter_Box"),
    P(FilterAdd, "Filter_Add"),
    P(ChatFilterMatching, "Chat_Filter_Matching"),
    P(ChatFilterAction, "Chat_Filter_Action"),
    P(ChatAlias, "Chat_Alias"),
    P(AliasAbbr, "Alias_Abbr"),
    P(AliasFull, "Alias_Full"),
    P(AliasAdd, "Alias_Add"),
    P(ChatColor, "Chat_Color"),
    P(ChatColorColor, "Chat_Color_Color"),
    P(ChatColorSound, "Chat_Color_Sound"),
    P(ChatColorWindow, "Chat_Color_Window"),
    P(ChatCustom, "Chat_Custom"),
    P(ChatCustomText, "Chat_Custom_Text"),
    P(ChatCustomType, "Chat_Custom_Type"),
    P(ChatCustomWindow, "Chat_Custom_Window"),
    P(ChatCustomColor, "Chat_Custom_Color"),
    P(ChatCustomSound, "Chat_Custom_Sound"),
    P(ChatCustomAction, "Chat_Custom_Action"),
    P(ChatCustomDown, "Chat_Custom_Down"),
    P(ChatCustomUp, "Chat_Custom_Up"),
    P(ChatCustomDelete, "Chat_Custom_Delete"),
    P(ChatCustomEdit, "Chat_Custom_Edit"),
    P(ChatCustomAdd, "Chat_Custom_Add"),
    P(CorpsesTrack, "Corpses_Track"),
    P(CorpsesList, "Corpses_List"),
    P(CorpsesAbsolute, "Corpses_Absolute"),
    P(CorpsesAuto, "Corpses_Auto"),
    P(ChatLogView, "Chat_Log_View"),
    P(ChatLogSearch, "Chat_Log_Search"),
    P(ChatLogFilter, "Chat_Log_Filter"),
    P(ChatLogAFK, "Chat_Log_AFK"),
    P(ChatLogAFKMessage, "Chat_Log_AFK_Message"),
    P(ChatLogEnable, "Chat_Log_Enable"),
    P(ChatLogMax, "Chat_Log_Max"),
    P(ChatLogOptions, "Chat_Log_Options"),
    P(ChatLogTimestamp, "Chat_Log_Timestamp"),
    P(ChatLogXML, "Chat_Log_XML"),
    P(ChatLogAuto, "Chat_Log_Auto"),
    P(ChatLogByDate, "Chat_Log_By_Date"),
    P(ChatLogDir, "Chat_Log_Dir"),
    P(ChatLogClear, "Chat_Log_Clear"),
    P(VitalsEnabled, "Vitals_OneTouch_Enabled"),
    P(VitalsBlock, "Vitals_txtBlock"),
    P(VitalsBlockSlider, "Vitals_sldrBlock"),
    P(VitalsSuccess, "Vitals_txtSuccess"),
    P(VitalsSuccessSlider, "Vitals_sldrSuccess"),
    P(VitalsCheap, "Vitals_txtCheap"),
    P(VitalsCheapSlider, "Vitals_sldrCheap"),
    P(VitalsFallback, "Vitals_txtFallback"),
    P(VitalsFallbackSlider, "Vitals_sldrFallback"),
    P(VitalsExceptions, "Vitals_listExceptions"),
    P(VitalsAddException, "Vitals_txtAddException"),
    P(VitalsAddExceptionBtn, "Vitals_btnAddException"),
    P(VitalsAddExceptionSel, "Vitals_btnAddSelected"),
  };
  return entries;
}
#undef P

struct Report {
  int number;
  std::string procedure;
  std::string owner;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

// The host's own control behind a property (option lists sit behind an index).
platform::HostControl* HostSide(platform::HostControl* control) {
  if (auto* indexed = dynamic_cast<IndexedListControl*>(control)) return &indexed->Inner();
  return control;
}

class SettingsViewTest : public ::testing::Test {
 protected:
  // Builds the view and binds it; edit may rewrite the installed view file first.
  void Start(const std::function<void(std::string&)>& edit = {}) {
    host_ = std::make_unique<sim::SimHost>(sim::SimOptions{home_.path(), MELLOX_DATA_DIR});
    if (edit) {
      const fs::path file = host_->PluginDir() / "Mellox_View.xml";
      std::string text = ReadFile(file);
      edit(text);
      WriteFile(file, text);
    }
    SetErrorSink([this](int number, const std::string&, const std::string& procedure, const std::string& owner,
                        bool) { reports_.push_back({number, procedure, owner}); });
    HostCore = &host_->Core();
    view_ = std::make_unique<ViewHandler>();
    ViewHandlerInstance = view_.get();
    controls_ = std::make_unique<ControlHandler>();
    ControlHandlerInstance = controls_.get();
    controls_->InitControls();
  }

  void TearDown() override {
    controls_.reset();
    ControlHandlerInstance = nullptr;
    view_.reset();
    ViewHandlerInstance = nullptr;
    HostCore = nullptr;
    SetErrorSink({});
  }

  ControlHandler& ch() { return *controls_; }
  sim::SimList& SimListNamed(const std::string& name) { return host_->View()->Get<sim::SimList>(name); }

  test::TempHome home_;
  std::unique_ptr<sim::SimHost> host_;
  std::unique_ptr<ViewHandler> view_;
  std::unique_ptr<ControlHandler> controls_;
  std::vector<Report> reports_;
};

void RemoveControl(std::string& text, const std::string& name) {
  const std::size_t at = text.find("name=\"" + name + "\"");
  ASSERT_NE(at, std::string::npos);
  const std::size_t begin = text.rfind("<control", at);
  const std::size_t end = text.find("/>", at);
  text.erase(begin, end + 2 - begin);
}

TEST_F(SettingsViewTest, ShippedViewBindsEveryControlToItsViewName) {
  Start();
  EXPECT_TRUE(reports_.empty());
  ASSERT_EQ(AllControls().size(), 161u);
  for (const auto& entry : AllControls()) {
    platform::HostControl* bound = entry.get(ch());
    ASSERT_NE(bound, nullptr) << entry.viewName;
    EXPECT_EQ(HostSide(bound), host_->View()->Control(entry.viewName)) << entry.viewName;
  }
  const platform::Rect pos = view_->MainView->PositionGet();
  EXPECT_EQ(pos.right - pos.left, 230);
  EXPECT_EQ(pos.bottom - pos.top, 260);
  // The five sound lists start with "None", selected.
  for (auto* sound : {ch().ChatColorSound.get(), ch().ChatCustomSound.get(), ch().AlarmHealthSound.get(),
                      ch().AlarmStaminaSound.get(), ch().AlarmManaSound.get()}) {
    ASSERT_GE(sound->ChoiceCount(), 1);
    EXPECT_EQ(sound->TextGet(0), "None");
    EXPECT_EQ(sound->SelectedGet(), 0);
  }
}

TEST_F(SettingsViewTest, ChoiceBoxesCarryTheEntriesTheirReadersExpect) {
  Start();
  auto texts = [](platform::ChoiceControl& c) {
    std::vector<std::string> out;
    for (std::int32_t i = 0; i < c.ChoiceCount(); ++i) out.push_back(c.TextGet(i));
    return out;
  };
  const std::vector<std::string> hudColors = {"White", "Grey", "Black", "Red", "Light Red", "Blue",
                                              "Light Blue", "Turquoise", "Green", "Light Green", "Yellow",
                                              "Dark Yellow", "Purple", "Light Purple", "Pink", "Peach",
                                              "Orange", "Light Orange"};
  for (auto* c : {ch().HudGeneralBGColor.get(), ch().HudClockColor.get(), ch().HudMainColor.get(),
                  ch().HudItemsColor.get(), ch().HudTargetColor.get(), ch().HudStatusColor.get()}) {
    EXPECT_EQ(texts(*c), hudColors) << c->Name();
    for (std::int32_t i = 0; i < c->ChoiceCount(); ++i) {
      EXPECT_EQ(std::get<std::string>(c->DataGet(i).value), c->TextGet(i)) << c->Name();
    }
  }
  // Transparency texts carry their alpha steps.
  auto& alpha = *ch().HudGeneralBGAlpha;
  ASSERT_EQ(alpha.ChoiceCount(), 11);
  EXPECT_EQ(alpha.TextGet(0), "0%");
  EXPECT_EQ(std::get<std::int64_t>(alpha.DataGet(0).value), 10);
  EXPECT_EQ(alpha.TextGet(10), "100%");
  EXPECT_EQ(std::get<std::int64_t>(alpha.DataGet(10).value), 0);
  // Fonts: short names with their face names; the default size is offered.
  EXPECT_EQ(std::get<std::string>(ch().HudGeneralFont->DataGet(1).value), "Courier New");
  EXPECT_NE(std::find(texts(*ch().HudGeneralSize).begin(), texts(*ch().HudGeneralSize).end(), "16"),
            texts(*ch().HudGeneralSize).end());
  // Chat colours: the first entry is skipped by the samples, the rest carry chat colour codes.
  auto& chatColor = *ch().ChatColorColor;
  ASSERT_EQ(chatColor.ChoiceCount(), 14);
  EXPECT_EQ(chatColor.TextGet(0), "Default");
  EXPECT_EQ(chatColor.TextGet(8), "Green");
  EXPECT_EQ(std::get<std::int64_t>(chatColor.DataGet(8).value), 0);
  EXPECT_EQ(texts(*ch().ChatCustomColor), texts(chatColor));
  EXPECT_EQ(texts(*ch().ChatColorWindow), (std::vector<std::string>{"D", "M", "1", "2", "3", "4", "B"}));
  auto types = texts(*ch().ChatCustomType);
  EXPECT_EQ(types.size(), 34u);
  EXPECT_EQ(types[0], "All");
  EXPECT_EQ(types[1], "MX");
  EXPECT_EQ(ch().ChatLogFilter->ChoiceCount(), 8);
  // Target level: the data is the level text, "VII" selected by default.
  auto& level = *ch().HudTargetLevel;
  EXPECT_EQ(level.SelectedGet(), 6);
  EXPECT_EQ(std::get<std::string>(level.DataGet(6).value), "VII");
  // Whole-number data where a reader converts it to a Long.
  for (auto* c : {ch().HudTimeout.get(), ch().HudItemsIconSize.get(), ch().HudStatusLines.get()}) {
    ASSERT_GT(c->ChoiceCount(), 0) << c->Name();
    for (std::int32_t i = 0; i < c->ChoiceCount(); ++i) {
      EXPECT_GT(std::get<std::int64_t>(c->DataGet(i).value), 0) << c->Name();
    }
  }
}

TEST(SettingsViewPluginTest, LoadingThePluginBindsTheShippedViewWithoutErrors) {
  test::TempHome home;
  sim::SimHost host({home.path(), MELLOX_DATA_DIR});
  host.LoadPlugin(std::make_unique<APluginCore>());
  ASSERT_NE(ControlHandlerInstance, nullptr);
  for (const auto& entry : AllControls()) {
    EXPECT_EQ(HostSide(entry.get(*ControlHandlerInstance)), host.View()->Control(entry.viewName)) << entry.viewName;
  }
  for (const auto& line : host.Output()) EXPECT_EQ(line.find("Error #"), std::string::npos) << line;
  EXPECT_TRUE(host.UnhandledErrors().empty());
  host.UnloadPlugin();
  EXPECT_EQ(ControlHandlerInstance, nullptr);
}

TEST_F(SettingsViewTest, MissingControlStaysEmptyAndItsUseIsReportedNotCrashed) {
  Start([](std::string& text) { RemoveControl(text, "Chat_Log_Max"); });
  EXPECT_TRUE(reports_.empty());
  EXPECT_FALSE(ch().ChatLogMax);
  for (const auto& entry : AllControls()) {
    if (std::string(entry.viewName) != "Chat_Log_Max") {
      EXPECT_NE(entry.get(ch()), nullptr) << entry.viewName;
    }
  }
  EXPECT_EQ(ch().ChatColorSound->TextGet(0), "None");
  // A procedure using the empty property fails in its own trap with "object not set".
  EXPECT_FALSE(Trap("ChatLogMax_End", "ControlHandler", [&] { ch().ChatLogMax->TextLet("500"); }));
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0].number, 91);
  EXPECT_EQ(reports_[0].procedure, "ChatLogMax_End");
}

TEST_F(SettingsViewTest, ControlOfAnotherKindStopsBindingWithOneReport) {
  Start([](std::string& text) {
    const std::string from = "type=\"checkbox\" name=\"Global_Settings\"";
    text.replace(text.find(from), from.size(), "type=\"pushbutton\" name=\"Global_Settings\"");
  });
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0].procedure, "InitControls");
  EXPECT_EQ(reports_[0].owner, "ControlHandler");
  bool reached = false;
  for (const auto& entry : AllControls()) {
    reached = reached || std::string(entry.viewName) == "Global_Settings";
    EXPECT_EQ(entry.get(ch()) == nullptr, reached) << entry.viewName;
  }
  // The sound lists were not filled (their controls stayed empty as well).
  EXPECT_EQ(host_->View()->Get<platform::ChoiceControl>("Chat_Color_Sound").ChoiceCount(), 1);
}

TEST_F(SettingsViewTest, MissingViewLeavesEverythingEmptyWithReports) {
  Start([](std::string& text) { text = "<view title=\"broken\""; });
  EXPECT_FALSE(view_->MainView);
  ASSERT_GE(reports_.size(), 2u);
  EXPECT_EQ(reports_[0].procedure, "CreateMainView");
  EXPECT_EQ(reports_.back().procedure, "InitControls");
  EXPECT_EQ(reports_.back().number, 91);
  for (const auto& entry : AllControls()) EXPECT_EQ(entry.get(ch()), nullptr) << entry.viewName;
  // The look-up of a row in an unbound list is trapped and gives 0.
  EXPECT_EQ(ch().FindName("Mellox", "ChatColor"), 0);
  EXPECT_EQ(reports_.back().procedure, "FindName");
}

TEST_F(SettingsViewTest, ReleaseEmptiesEveryProperty) {
  Start();
  ch().ReleaseControls();
  for (const auto& entry : AllControls()) EXPECT_EQ(entry.get(ch()), nullptr) << entry.viewName;
  EXPECT_TRUE(reports_.empty());
}

TEST_F(SettingsViewTest, FileToStringJoinsLinesWithNothingBetween) {
  Start();
  WriteFile(host_->PluginDir() / "joined.txt", "<a\r\n x=\"1\"\n/>\rtail\n");
  EXPECT_EQ(view_->FileToString("joined.txt"), "<a x=\"1\"/>tail");
  WriteFile(host_->PluginDir() / "empty.txt", "");
  EXPECT_EQ(view_->FileToString("empty.txt"), "");
  EXPECT_TRUE(reports_.empty());
  EXPECT_EQ(view_->FileToString("absent.txt"), "");
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0].number, 53);
  EXPECT_EQ(reports_[0].procedure, "FileToString");
}

TEST_F(SettingsViewTest, OptionListsHoldTheirFixedRowsAndDefaults) {
  Start();
  ch().Init_Lists({"1", "1", "0", "1"});
  ch().Init_Lists({"1", "1", "0", "1"});  // refilled, never doubled
  EXPECT_TRUE(reports_.empty());
  EXPECT_EQ(ch().HudGeneral->Count(), 5);
  EXPECT_EQ(ch().ChatOptions->Count(), 19);
  EXPECT_EQ(ch().ChatColor->Count(), 38);
  EXPECT_EQ(ch().HudList->Count(), 15);
  EXPECT_EQ(ch().ChatLogOptions->Count(), 19);
  EXPECT_EQ(ch().HudClockList->Count(), 30);
  for (auto* list : {ch().ChatAlias.get(), ch().ChatFilter.get(), ch().HudItems.get(), ch().ChatCustom.get()}) {
    EXPECT_EQ(list->Count(), 0) << list->Name();
  }
  using V = platform::Variant;
  auto cell = [](platform::ListControl& l, int col, int row, int sub = 0) { return l.DataGet(col, row, sub).value; };
  auto& general = *ch().HudGeneral;
  for (int row = 0; row < 5; ++row) {
    EXPECT_EQ(cell(general, 0, row), V(true).value);
    EXPECT_EQ(cell(general, 1, row), V(ol::kHudGeneralRows[row]).value);
    EXPECT_EQ(cell(general, 2, row), V("Arial").value);
    EXPECT_EQ(cell(general, 3, row), V("16").value);
    EXPECT_EQ(cell(general, 4, row, 0), V(PluginModuleHandle).value);
    EXPECT_EQ(cell(general, 4, row, 1), V(116).value);
    EXPECT_EQ(cell(general, 5, row), V("50%").value);
    EXPECT_EQ(cell(general, 6, row), V(false).value);
  }
  auto& colors = *ch().ChatColor;
  EXPECT_EQ(cell(colors, 1, 37), V("Kill Message").value);
  EXPECT_EQ(cell(colors, 2, 20), V("D").value);
  EXPECT_EQ(cell(colors, 3, 20, 1), V(114).value);
  EXPECT_EQ(cell(colors, 4, 20), V("None").value);
  auto& lines = *ch().HudList;
  EXPECT_EQ(cell(lines, 2, 14, 1), V(101).value);
  EXPECT_TRUE(lines.DataGet(3, 14, 0).IsEmpty());  // game icons leave subvalue 0 alone
  EXPECT_EQ(cell(lines, 3, 14, 1), V(0x060028FD).value);
  EXPECT_EQ(cell(lines, 4, 14, 1), V(0x060028FC).value);
  auto& log = *ch().ChatLogOptions;
  EXPECT_EQ(cell(log, 0, 17), V("Mellox").value);
  EXPECT_EQ(cell(log, 2, 0), V(false).value);
  EXPECT_EQ(cell(log, 2, 1), V(true).value);
  EXPECT_EQ(cell(log, 4, 18), V(true).value);
  auto& clock = *ch().HudClockList;
  EXPECT_EQ(cell(clock, 1, 4), V("Game Time").value);
  EXPECT_EQ(cell(clock, 2, 4), V("-5").value);
  EXPECT_EQ(cell(clock, 2, 18), V("+1").value);
  EXPECT_EQ(cell(clock, 0, 3), V(true).value);
  // Row 0 of the edited lists is highlighted; no other row is coloured here.
  for (const char* name : {"HUD_LIST", "HUD_General", "HUD_Clock", "Chat_Color"}) {
    EXPECT_EQ(SimListNamed(name).ColorGet(1, 0), ol::kRowHighlightColor) << name;
    EXPECT_FALSE(SimListNamed(name).ColorGet(1, 1).has_value()) << name;
  }
  EXPECT_EQ(ch().SelectedCorpse, -1);
  EXPECT_EQ(ch().SelectedSpell, "-1");
}

TEST_F(SettingsViewTest, OlderSettingsFormatsStartTheNewerLinesHidden) {
  Start();
  struct Case {
    std::vector<std::string> parts;
    bool old;
  };
  const std::vector<Case> cases = {
      {{"1", "1", "0", "1"}, false}, {{"2", "0"}, false}, {{"0", "0", "0", "0"}, true},
      {{"abc", "1"}, true},          {{""}, true},        {{}, true},
  };
  for (const auto& c : cases) {
    ch().Init_Lists(c.parts);
    const std::string label = c.parts.empty() ? "(none)" : c.parts[0];
    for (int row = 0; row < 5; ++row) {
      const bool expected = !(c.old && row >= 3);
      EXPECT_EQ(std::get<bool>(ch().HudGeneral->DataGet(0, row, 0).value), expected) << label << " row " << row;
    }
    for (int row = 0; row < 15; ++row) {
      const bool expected = !(c.old && row >= 4 && row <= 7);
      EXPECT_EQ(std::get<bool>(ch().HudList->DataGet(0, row, 0).value), expected) << label << " row " << row;
    }
    // The fill ran to its end: the clock list and the selection reset are there.
    EXPECT_EQ(ch().HudClockList->Count(), 30) << label;
    EXPECT_EQ(ch().SelectedCorpse, -1) << label;
    ch().SelectedCorpse = 7;
  }
  EXPECT_TRUE(reports_.empty());
}

TEST_F(SettingsViewTest, YourTimeOffsetIsWrittenInOneFixedFormat) {
  Start();
  struct Case {
    std::int32_t biasMinutes;
    std::int32_t zoneId;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {300, platform::TIME_ZONE_ID_STANDARD, "-5"}, {-330, platform::TIME_ZONE_ID_STANDARD, "5.5"},
      {0, platform::TIME_ZONE_ID_STANDARD, "0"},    {-60, platform::TIME_ZONE_ID_STANDARD, "1"},
      {-345, platform::TIME_ZONE_ID_UNKNOWN, "5.75"}, {210, platform::TIME_ZONE_ID_STANDARD, "-3.5"},
      {0, platform::TIME_ZONE_ID_DAYLIGHT, "1"},
  };
  for (const auto& c : cases) {
    host_->Clock().SetTimeZone({c.biasMinutes, 0, -60}, c.zoneId);
    ch().Init_Lists({"1"});
    EXPECT_EQ(std::get<std::string>(ch().HudClockList->DataGet(2, 3, 0).value), c.expected) << c.biasMinutes;
  }
}

TEST_F(SettingsViewTest, FindNameFindsEveryFixedRowExactly) {
  Start();
  ch().Init_Lists({"1"});
  auto expectRows = [&](const char* list, const auto& names) {
    for (std::size_t i = 0; i < names.size(); ++i) {
      EXPECT_EQ(ch().FindName(names[i], list), static_cast<std::int16_t>(i)) << list << ": " << names[i];
    }
  };
  expectRows("HudList", ol::kHudListRows);
  expectRows("ChatOptions", ol::kChatOptionRows);
  expectRows("ChatColor", ol::kChatColorRows);
  std::vector<std::string> clock, log;
  for (const auto& r : ol::kHudClockRows) clock.push_back(r.name);
  for (const auto& r : ol::kChatLogRows) log.push_back(r.name);
  expectRows("HudClock", clock);
  expectRows("ChatLog", log);

  struct Miss {
    const char* row;
    const char* list;
  };
  for (const Miss& m : std::vector<Miss>{{"show all xp changes", "ChatOptions"},
                                         {"Mellox", "chatlog"},
                                         {"Mellox", "ChatLogOptions"},
                                         {"Open Chat", "ChatColor"},
                                         {" Level", "HudList"},
                                         {"", "HudClock"}}) {
    EXPECT_EQ(ch().FindName(m.row, m.list), -1) << m.row << " in " << m.list;
  }
  EXPECT_EQ(ch().FindName("Mellox", "ChatColor"), 0);
  EXPECT_EQ(ch().FindName("Mellox", "ChatLog"), 17);
  ch().HudClockList->Clear();
  EXPECT_EQ(ch().FindName("Date", "HudClock"), -1);
  EXPECT_TRUE(reports_.empty());
}

TEST_F(SettingsViewTest, FindNameFollowsRowAndNameChanges) {
  Start();
  ch().Init_Lists({"1"});
  auto& lines = *ch().HudList;
  EXPECT_EQ(ch().FindName("XP Change", "HudList"), 14);
  lines.DeleteRow(0);
  EXPECT_EQ(ch().FindName("XP Change", "HudList"), 13);
  EXPECT_EQ(ch().FindName("Level", "HudList"), -1);
  lines.InsertRow(0);
  EXPECT_EQ(ch().FindName("XP Change", "HudList"), 14);
  lines.DataLet(1, 0, 0, "Level");
  EXPECT_EQ(ch().FindName("Level", "HudList"), 0);
  // A name cell rewritten in place (as the settings loader moves lines).
  lines.DataLet(1, 3, 0, "Renamed");
  EXPECT_EQ(ch().FindName("Session XP/Hour", "HudList"), -1);
  EXPECT_EQ(ch().FindName("Renamed", "HudList"), 3);
  // Writes to other columns keep the index; duplicates give the lowest row.
  lines.DataLet(1, 9, 0, "Renamed");
  lines.DataLet(1, 1, 0, "Renamed");
  EXPECT_EQ(ch().FindName("Renamed", "HudList"), 1);
  // Rows added on the host's side are seen as well.
  auto& hostList = SimListNamed("Chat_Log_Options");
  hostList.DataLet(0, hostList.AddRow(), 0, "Extra");
  EXPECT_EQ(ch().FindName("Extra", "ChatLog"), 19);
  // A name cell holding a number compares as the runtime does.
  lines.DataLet(1, 0, 0, 5);
  EXPECT_EQ(ch().FindName("5", "HudList"), 0);
  EXPECT_EQ(ch().FindName("XP Change", "HudList"), 0);  // cannot compare: trapped, 0
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0].number, 13);
  EXPECT_EQ(reports_[0].procedure, "FindName");
}

TEST_F(SettingsViewTest, OptionListClicksReachHandlersThroughTheProperty) {
  Start();
  ch().Init_Lists({"1"});
  std::vector<std::int32_t> seen;
  platform::Connection c = ch().ChatOptions->Change.Connect(
      [&](std::int32_t, std::int32_t column, std::int32_t row) { seen = {column, row}; });
  SimListNamed("Chat_Options").UserClick(0, 2);
  EXPECT_EQ(seen, (std::vector<std::int32_t>{0, 2}));
  EXPECT_EQ(std::get<bool>(ch().ChatOptions->DataGet(0, 2, 0).value), true);
}


// The script writer's reference names every control of the shipped view with
// its kind (its labels aside), every list's columns, and the fixed rows the
// option lists get, and nothing else: a control, column or row added, renamed
// or removed without the reference fails here.
TEST_F(SettingsViewTest, SessionReferenceNamesEveryControlListColumnAndFixedRow) {
  Start();
  ch().Init_Lists({"1"});
  const std::vector<std::string> reference = test::SessionReference();
  pugi::xml_document view;
  ASSERT_TRUE(view.load_file((fs::path(MELLOX_DATA_DIR) / "Mellox_View.xml").c_str()));
  const std::map<std::string, std::string> kinds = {
      {"checkbox", "check box"}, {"edit", "edit"},   {"choice", "choice"}, {"pushbutton", "button"},
      {"list", "list"},          {"slider", "slider"}, {"static", "text"},  {"progress", "progress"},
      {"notebook", "notebook"}};
  std::map<std::string, std::string> shipped;
  std::map<std::string, std::vector<std::string>> shippedColumns;
  for (const pugi::xpath_node& node : view.select_nodes("//control[@name]")) {
    const pugi::xml_node control = node.node();
    const std::string name = control.attribute("name").value();
    if (name.rfind("lbl_", 0) == 0) continue;
    shipped[name] = kinds.at(control.attribute("type").value());
    for (const pugi::xml_node column : control.children("column")) {
      shippedColumns[name].push_back(column.attribute("kind").value());
    }
  }

  std::map<std::string, std::string> written;
  for (const test::Table& table : test::Tables(test::Section(reference, "## Controls"))) {
    if (table.header.empty() || table.header[0] != "control") continue;
    for (const auto& row : table.rows) {
      ASSERT_GE(row.size(), 2u);
      EXPECT_TRUE(written.emplace(test::Unquoted(row[0]), row[1]).second) << row[0] << " twice";
    }
  }
  test::ExpectReferenceHolds(written, shipped, "control");

  std::map<std::string, std::vector<std::string>> writtenColumns;
  for (const auto& [name, columns] : shippedColumns) {
    std::map<std::int32_t, std::string> rows;
    for (const test::Table& table : test::Tables(test::Section(reference, "### `" + name + "`"))) {
      ASSERT_FALSE(table.header.empty()) << name;
      for (const auto& row : table.rows) {
        ASSERT_GE(row.size(), 2u) << name;
        if (table.header[0] == "column") {
          EXPECT_EQ(row[0], std::to_string(writtenColumns[name].size())) << name;
          writtenColumns[name].push_back(row[1]);
        } else if (table.header[0] == "row") {
          rows[std::stoi(row[0])] = row[1];
        }
      }
    }
    // The fixed rows of the option lists, as a fresh settings load fills them.
    auto& list = SimListNamed(name);
    const std::int32_t nameColumn = name == "Chat_Log_Options" ? 0 : 1;
    std::map<std::int32_t, std::string> filled;
    for (std::int32_t row = 0; row < list.Count(); ++row) {
      filled[row] = std::get<std::string>(list.DataGet(nameColumn, row, 0).value);
    }
    test::ExpectReferenceHolds(rows, filled, name + " row");
  }
  test::ExpectReferenceHolds(writtenColumns, shippedColumns, "columns of list");
}

}  // namespace
}  // namespace mellox
