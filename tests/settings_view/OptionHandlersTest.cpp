// The settings view's global buttons, the HUD, beer and away toggles, and the
// one-touch healing and utility options, driven as a user would in the
// simulated host.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "chat/ChatTextHandler.h"
#include "core/EventQueue.h"
#include "host/HostTestFixture.h"
#include "hud/HUDClockHandler.h"
#include "hud/HUDItemHandler.h"
#include "hud/HUDMainHandler.h"
#include "hud/HUDStatusHandler.h"
#include "settings_view/ControlHandler.h"
#include "sim/SimCheckBox.h"
#include "sim/SimEdit.h"
#include "sim/SimHooks.h"
#include "sim/SimList.h"
#include "sim/SimPushButton.h"
#include "sim/SimSlider.h"
#include "sim/SimView.h"

namespace mellox::test {
namespace {

namespace fs = std::filesystem;

class OptionHandlersTest : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    RouteOwnLinesToMain();
  }
  ControlHandler& C() { return *ControlHandlerInstance; }
  template <class T>
  T& Get(const std::string& name) {
    return host->View()->Get<T>(name);
  }
  void Press(const std::string& name) { Get<sim::SimPushButton>(name).UserPress(); }
  void Check(const std::string& name, bool on) { Get<sim::SimCheckBox>(name).UserCheck(on); }
  void Type(const std::string& name, const std::string& text) { Get<sim::SimEdit>(name).UserEdit(text); }

  fs::path SettingsPath() const { return host->ProgramDataDir() / "Mellox" / "Settings" / "Mellox_Settings_Alpha_Bob.xml"; }
  // The value of an attribute of the first element of that name in a settings file.
  static std::string Attr(const fs::path& file, const std::string& element, const std::string& attr) {
    const std::string text = ReadText(file);
    const auto at = text.find("<" + element + " ");
    if (at == std::string::npos) return "<no element>";
    const auto end = text.find('>', at);
    const auto a = text.find(" " + attr + "=\"", at);
    if (a == std::string::npos || a > end) return "<no attribute>";
    const auto from = a + attr.size() + 3;
    return text.substr(from, text.find('"', from) - from);
  }
  std::string Saved(const std::string& element, const std::string& attr) const {
    return Attr(SettingsPath(), element, attr);
  }
  // The engine of a row of the general HUD list (main, clock, items, status).
  HudWindow& Engine(std::int32_t row) {
    switch (row) {
      case 0: return *HUDMainHandlerInstance->MainHud;
      case 1: return *HUDClockHandlerInstance->ClockHUD;
      case 2: return *HUDItemHandlerInstance->ItemHUD;
      default: return *HUDStatusHandlerInstance->StatusHud;
    }
  }
};

// --- Before login ------------------------------------------------------------------------

TEST_F(OptionHandlersTest, BeforeLoginNothingActsOrSpeaksOrSaves) {
  const auto mark = Mark();
  Press("Reload_Settings");
  Press("Reload_Default");
  Press("Set_Default");
  Check("Global_Settings", true);
  Check("Output_2", false);
  Check("Logout_Timer", true);
  Type("Vitals_txtBlock", "");
  Type("Pea_Threshold", "many");
  const bool beers = C().UseBeers->CheckedGet();
  const bool hud = C().HudOn->CheckedGet();
  C().ToggleBeers();
  C().ToggleAll();
  C().ToggleAFK();
  EXPECT_EQ(C().UseBeers->CheckedGet(), beers);
  EXPECT_EQ(C().HudOn->CheckedGet(), hud);
  EXPECT_EQ(C().VitalsBlock->TextGet(), "");
  EXPECT_EQ(C().PeaThreshold->TextGet(), "many");
  EXPECT_TRUE(Since(mark).empty()) << Since(mark).front();
  EXPECT_FALSE(fs::exists(SettingsPath()));
  // The slider mirrors into its edit even now.
  Get<sim::SimSlider>("Vitals_sldrCheap").UserSlide(40);
  EXPECT_EQ(C().VitalsCheap->TextGet(), "40%");
}

// --- Buttons ------------------------------------------------------------------------------

TEST_F(OptionHandlersTest, ReloadingGivesBackWhatWasSavedAsTheCharactersOrTheDefaults) {
  Login();
  const bool saved = C().SplitPeas->CheckedGet();
  C().SplitPeas->CheckedLet(!saved);  // changed without a save
  Press("Reload_Settings");
  EXPECT_EQ(C().SplitPeas->CheckedGet(), saved);
  EXPECT_TRUE(Said("Attempting to Reload Your Settings"));

  Check("Split_Peas", !C().SplitPeas->CheckedGet());
  const bool chosen = C().SplitPeas->CheckedGet();
  auto mark = Mark();
  Press("Set_Default");
  EXPECT_EQ(CountSince(mark, "Settings Saved as Default"), 1u);
  EXPECT_EQ(Attr(DefaultsFile(), "Util", "splitpeas"), chosen ? "True" : "False");

  C().SplitPeas->CheckedLet(!chosen);
  mark = Mark();
  Press("Reload_Default");
  EXPECT_TRUE(SaidSince(mark, "Attempting to Load Default Settings"));
  EXPECT_EQ(C().SplitPeas->CheckedGet(), chosen);
  // The loaded defaults replace the character's own settings at once.
  EXPECT_EQ(Saved("Util", "splitpeas"), chosen ? "True" : "False");
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(OptionHandlersTest, SavingAsDefaultClaimsSuccessOnlyForAWrittenFile) {
  Login();
  fs::remove(DefaultsFile());
  fs::create_directories(DefaultsFile());  // nothing can be written there
  auto mark = Mark();
  Press("Set_Default");
  EXPECT_FALSE(SaidSince(mark, "Settings Saved as Default"));
  EXPECT_FALSE(errors.empty());

  // Another character whose settings cannot load at all: the plug-in is
  // inactive as it says, so the view's buttons and boxes do nothing and
  // nothing is saved under anyone's name.
  host->Character().RaiseLogoff();
  Login("Eve");
  EXPECT_TRUE(Said("Unknown settings load failure! Plugin inactive."));
  EXPECT_FALSE(PluginActive);
  mark = Mark();
  Press("Set_Default");
  Check("Split_Peas", !C().SplitPeas->CheckedGet());
  EXPECT_EQ(CountSince(mark, "Settings not saved"), 0u);
  EXPECT_FALSE(SaidSince(mark, "Settings Saved as Default"));
  host->Character().RaiseLogoff();
  EXPECT_FALSE(fs::exists(DefaultsFile().parent_path() / "Mellox_Settings_Alpha_Eve.xml"));
}

// A defaults file that does not parse, while the character's own file is good.
TEST_F(OptionHandlersTest, AFailedDefaultsLoadKeepsTheSettingsInUseAndTheirSaving) {
  Login();
  std::ofstream(DefaultsFile(), std::ios::binary) << "<Mellox Version=\"1.1.0.1\"><Util";
  auto mark = Mark();
  Press("Reload_Default");
  EXPECT_TRUE(SaidSince(mark, "Loading setting defaults failed."));
  Type("Fill_Threshold", "999");
  EXPECT_EQ(Saved("Util", "fillthreshold"), "999");
  mark = Mark();
  Press("Set_Default");
  EXPECT_EQ(CountSince(mark, "Settings Saved as Default"), 1u);
  EXPECT_EQ(Attr(DefaultsFile(), "Util", "fillthreshold"), "999");
  host->Character().RaiseLogoff();
  EXPECT_EQ(Saved("Util", "fillthreshold"), "999");
  EXPECT_FALSE(Said("Settings not saved"));
}

TEST_F(OptionHandlersTest, TheGlobalBoxLoadsTheGlobalSettingsAndRecordsItsStateInTheDataFile) {
  Login();
  auto mark = Mark();
  Check("Global_Settings", true);
  EXPECT_TRUE(SaidSince(mark, "Failed to find global settings, loading defaults"));
  const fs::path global = host->ProgramDataDir() / "Mellox" / "Settings" / "Mellox_Global_Settings.xml";
  EXPECT_TRUE(fs::exists(global));
  EXPECT_EQ(Attr(DataFilePath(), "Global", "enabled"), "True");

  // Neither the global file nor the defaults load: the box goes back, the
  // data file keeps the character's choice and its settings stay in use.
  Check("Global_Settings", false);
  fs::remove(global);
  std::ofstream(DefaultsFile(), std::ios::binary) << "not a settings file";
  mark = Mark();
  Check("Global_Settings", true);
  EXPECT_TRUE(SaidSince(mark, "Loading setting defaults failed."));
  EXPECT_FALSE(C().GlobalSettings->CheckedGet());
  EXPECT_EQ(Attr(DataFilePath(), "Global", "enabled"), "False");
  Type("Fill_Threshold", "777");
  EXPECT_EQ(Saved("Util", "fillthreshold"), "777");
  EXPECT_FALSE(fs::exists(global));
  // The next login loads the character's file again.
  host->Character().RaiseLogoff();
  mark = Mark();
  Login();
  EXPECT_FALSE(SaidSince(mark, "Plugin inactive"));
  EXPECT_EQ(C().FillThreshold->TextGet(), "777");
}

TEST_F(OptionHandlersTest, AnOutputBoxRoutesThePluginsOwnLinesToItsWindow) {
  Login();
  Check("Output_2", true);
  EXPECT_TRUE(ChatTextHandlerInstance->GetTargetList(2, 32));
  Check("Output_2", false);
  EXPECT_FALSE(ChatTextHandlerInstance->GetTargetList(2, 32));
  EXPECT_EQ(Saved("Output_Windows", "win2"), "False");
  Check("Output_Main", false);
  EXPECT_FALSE(ChatTextHandlerInstance->GetTargetList(0, 32));
}

// --- Toggles ------------------------------------------------------------------------------

TEST_F(OptionHandlersTest, ToggleAllSwitchesEveryHudOffAndBackByTheirOwnFlags) {
  Login();
  C().HudOn->CheckedLet(true);
  // Rows: main on, clock off, items on, status off.
  const bool rows[] = {true, false, true, false};
  for (std::int32_t row = 0; row < 4; ++row) C().HudGeneral->DataLet(0, row, 0, rows[row]);
  C().ToggleAll();
  EXPECT_FALSE(C().HudOn->CheckedGet());
  for (std::int32_t row = 0; row < 4; ++row) EXPECT_FALSE(Engine(row).Enabled()) << row;

  C().ToggleAll();
  EXPECT_TRUE(C().HudOn->CheckedGet());
  for (std::int32_t row = 0; row < 4; ++row) EXPECT_EQ(Engine(row).Enabled(), rows[row]) << row;
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(OptionHandlersTest, AHudToggledWhileTheMasterBoxIsOffShowsOnlyWhenItIsTickedAgain) {
  Login();
  C().HudOn->CheckedLet(true);
  C().HudGeneral->DataLet(0, 3, 0, false);
  C().ToggleAll();  // off
  C().ToggleStatus();
  EXPECT_TRUE(std::get<bool>(C().HudGeneral->DataGet(0, 3, 0).value));
  EXPECT_FALSE(Engine(3).Enabled());
  C().ToggleAll();  // on
  EXPECT_TRUE(Engine(3).Enabled());
  C().ToggleMain();  // while on, the engine follows its flag at once
  EXPECT_EQ(Engine(0).Enabled(), std::get<bool>(C().HudGeneral->DataGet(0, 0, 0).value));
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(OptionHandlersTest, BeersAndAwayToggleWithTheirMessages) {
  Login();
  C().UseBeers->CheckedLet(false);
  auto mark = Mark();
  C().ToggleBeers();
  C().ToggleBeers();
  EXPECT_EQ(CountSince(mark, "Ready to keep em' coming!"), 1u);
  EXPECT_EQ(CountSince(mark, "Yeah, you've had enough."), 1u);
  EXPECT_FALSE(C().UseBeers->CheckedGet());
  EXPECT_EQ(Saved("Util", "usebeers"), "False");

  C().ChatLogAFK->CheckedLet(false);
  mark = Mark();
  C().ToggleAFK();
  C().ToggleAFK();
  EXPECT_EQ(CountSince(mark, "parser: *afk*"), 1u);
  EXPECT_FALSE(C().ChatLogAFK->CheckedGet());
}

// --- One-touch healing page ----------------------------------------------------------------

TEST_F(OptionHandlersTest, PercentEditsAreCheckedAndMoveTheirSliders) {
  Login();
  const struct {
    const char* edit;
    const char* slider;
    std::string typed;
    std::string text;
    std::int32_t position;
  } cases[] = {
      {"Vitals_txtBlock", "Vitals_sldrBlock", "", "100%", 100},
      {"Vitals_txtFallback", "Vitals_sldrFallback", "", "75%", 75},
      {"Vitals_txtCheap", "Vitals_sldrCheap", "lots", "100%", 100},
      {"Vitals_txtSuccess", "Vitals_sldrSuccess", "50.5%", "50.5%", 50},
      {"Vitals_txtSuccess", "Vitals_sldrSuccess", "51.5%", "51.5%", 52},
      {"Vitals_txtBlock", "Vitals_sldrBlock", "30", "30", 30},
  };
  for (const auto& c : cases) {
    Type(c.edit, c.typed);
    EXPECT_EQ(Get<sim::SimEdit>(c.edit).TextGet(), c.text) << c.edit << " " << c.typed;
    EXPECT_EQ(Get<sim::SimSlider>(c.slider).SliderPositionGet(), c.position) << c.edit << " " << c.typed;
  }
  EXPECT_EQ(Saved("One_Touch", "block"), "30");

  Get<sim::SimSlider>("Vitals_sldrBlock").UserSlide(40);
  EXPECT_EQ(C().VitalsBlock->TextGet(), "40%");
  EXPECT_TRUE(errors.empty()) << errors.front();

  // A number beyond a whole number ends the handler unsaved.
  Type("Vitals_txtBlock", "1e12%");
  EXPECT_TRUE(Reported("ControlHandler.VitalsBlock_Change #6"));
  EXPECT_EQ(Saved("One_Touch", "block"), "30");
}

TEST_F(OptionHandlersTest, ExceptionRowsAreAddedByNameOrSelectionAndDeletedByTheirIcon) {
  Login();
  auto& list = Get<sim::SimList>("Vitals_listExceptions");
  const std::int32_t before = list.Count();
  Type("Vitals_txtAddException", "Mana Stone");
  Press("Vitals_btnAddException");
  Press("Vitals_btnAddException");
  ASSERT_EQ(list.Count(), before + 2);
  EXPECT_EQ(std::get<std::string>(list.DataGet(0, before + 1, 0).value), "Mana Stone");
  EXPECT_EQ(std::get<std::int64_t>(list.DataGet(1, before + 1, 1).value), 100667896);
  EXPECT_EQ(C().VitalsAddException->TextGet(), "Mana Stone");

  // Nothing selected: nothing added, nothing reported.
  host->Hooks().SetCurrentSelection(0);
  Press("Vitals_btnAddSelected");
  EXPECT_EQ(list.Count(), before + 2);
  host->World().AddObject(500, "Healing Kit");
  host->Hooks().SetCurrentSelection(500);
  Press("Vitals_btnAddSelected");
  ASSERT_EQ(list.Count(), before + 3);
  EXPECT_EQ(std::get<std::string>(list.DataGet(0, before + 2, 0).value), "Healing Kit");

  list.UserClick(0, before);  // the name column: nothing changes
  EXPECT_EQ(list.Count(), before + 3);
  list.UserClick(1, before);  // the delete icon
  EXPECT_EQ(list.Count(), before + 2);
  EXPECT_NE(ReadText(SettingsPath()).find("name=\"Healing Kit\""), std::string::npos);
  EXPECT_TRUE(errors.empty()) << errors.front();
}

// --- Utility and status options -----------------------------------------------------------------

TEST_F(OptionHandlersTest, TheLogoutTimerSetsTheGamesIdleTimeAtOnce) {
  Login();
  auto mark = Mark();
  Check("Logout_Timer", false);
  EXPECT_EQ(CountSince(mark, "idle: 900000"), 1u);
  EXPECT_EQ(Saved("Util", "logoutextend"), "False");
  mark = Mark();
  Check("Logout_Timer", true);
  EXPECT_EQ(CountSince(mark, "idle: 2419200000"), 1u);
  EXPECT_EQ(Saved("Util", "logoutextend"), "True");
}

TEST_F(OptionHandlersTest, NumberEditsAreResetWhenTheirWholeTextIsNoNumber) {
  Login();
  const struct {
    const char* edit;
    const char* attr;
    std::string typed;
    std::string kept;
  } cases[] = {
      {"Fill_Threshold", "fillthreshold", "abc", "50000"},
      {"Pea_Threshold", "peathreshold", "5%", "10"},
      {"Start_Level", "startlevel", "", "6"},
      {"Start_Level", "startlevel", "40", "40"},
  };
  for (const auto& c : cases) {
    Type(c.edit, c.typed);
    EXPECT_EQ(Get<sim::SimEdit>(c.edit).TextGet(), c.kept) << c.edit;
    EXPECT_EQ(Saved("Util", c.attr), c.kept) << c.edit;
  }
}

TEST_F(OptionHandlersTest, TheEventStartBoxMakesTheQueueRunByItself) {
  Login();
  Check("Event_Start", true);
  EXPECT_EQ(Saved("Util", "eventstart"), "True");
  host->World().AddObject(100, "Amber Ale").SetLong(0x0D000006, 5);
  EventQueueInstance->Add(EVENT_USE_STACK_ON_ITEM, 100, host->Character().Character(), 5);
  EXPECT_TRUE(EventQueueInstance->running());
  Check("Event_Start", false);
  EXPECT_FALSE(EventQueueInstance->autorun);
}

}  // namespace
}  // namespace mellox::test
