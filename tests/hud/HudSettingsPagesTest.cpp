// The HUD pages of the settings view driven as a player would, after a login
// in the simulated host: what each control does to the HUDs, the lists and
// the saved file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "chat/CellValue.h"
#include "core/HubConvert.h"
#include "core/TimerHandler.h"
#include "host/HostTestFixture.h"
#include "hud/HUDClockHandler.h"
#include "hud/HUDItemHandler.h"
#include "hud/HUDMainHandler.h"
#include "hud/HUDStatusHandler.h"
#include "hud/HUDTargetHandler.h"
#include "hud/HudHandlerT.h"
#include "hud/HudRoster.h"
#include "settings_view/ControlHandler.h"
#include "sim/SimCheckBox.h"
#include "sim/SimChoice.h"
#include "sim/SimEdit.h"
#include "sim/SimHooks.h"
#include "sim/SimList.h"
#include "sim/SimPushButton.h"
#include "sim/SimSystem.h"
#include "sim/SimView.h"
#include "tracking/Statistics.h"

namespace mellox::test {
namespace {

namespace fs = std::filesystem;

class HudPagesTest : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    RouteOwnLinesToMain();
  }
  void LoggedIn() {
    Login();
    ASSERT_TRUE(PluginActive);
    errors.clear();
  }

  ControlHandler& C() { return *ControlHandlerInstance; }
  template <class T>
  T& Get(const std::string& name) {
    return host->View()->Get<T>(name);
  }
  void Click(const std::string& list, std::int32_t column, std::int32_t row) {
    Get<sim::SimList>(list).UserClick(column, row);
  }
  void Choose(const std::string& choice, const std::string& text) {
    auto& c = Get<sim::SimChoice>(choice);
    for (std::int32_t i = 0; i < c.ChoiceCount(); ++i) {
      if (c.TextGet(i) == text) return c.UserChoose(i);
    }
    ADD_FAILURE() << choice << " has no entry " << text;
  }
  std::string Chosen(const std::string& choice) {
    auto& c = Get<sim::SimChoice>(choice);
    return c.SelectedGet() < 0 ? "<none>" : c.TextGet(c.SelectedGet());
  }
  void Press(const std::string& name) { Get<sim::SimPushButton>(name).UserPress(); }
  void Check(const std::string& name, bool on) { Get<sim::SimCheckBox>(name).UserCheck(on); }
  void Type(const std::string& name, const std::string& text) { Get<sim::SimEdit>(name).UserEdit(text); }

  std::string Cell(const std::string& list, std::int32_t column, std::int32_t row, std::int32_t sub = 0) {
    return CellText(Get<sim::SimList>(list).DataGet(column, row, sub));
  }
  std::int32_t Highlighted(const std::string& list) {
    auto& l = Get<sim::SimList>(list);
    std::int32_t found = -1;
    for (std::int32_t r = 0; r < l.Count(); ++r) {
      if (l.ColorGet(1, r).value_or(0) == 0xFFFF80) {
        if (found >= 0) return -2;  // more than one
        found = r;
      }
    }
    return found;
  }

  static HudWindow& Hud(HudId id) { return *HudRoster::Engine(id); }

  fs::path SettingsPath() const {
    return host->ProgramDataDir() / "Mellox" / "Settings" / "Mellox_Settings_Alpha_Bob.xml";
  }
  std::string Saved(const std::string& element, const std::string& attr) const {
    const std::string text = ReadText(SettingsPath());
    const auto at = text.find("<" + element + " ");
    if (at == std::string::npos) return "<no element>";
    const auto a = text.find(" " + attr + "=\"", at);
    if (a == std::string::npos || a > text.find('>', at)) return "<no attribute>";
    const auto from = a + attr.size() + 3;
    return text.substr(from, text.find('"', from) - from);
  }

  // A window message with the pointer at client (x, y).
  void Mouse(std::int32_t msg, std::int32_t x, std::int32_t y, std::int32_t wParam) {
    platform::Point p{x, y};
    host->System().ClientToScreen(0, p);
    host->System().SetCursorPos(p.x, p.y);
    host->WindowMessage(msg, wParam, x, y);
  }
};

// --- Master switch and general list -----------------------------------------------------

TEST_F(HudPagesTest, TheGeneralListSelectsARowAndItsChoicesActOnThatHudOnly) {
  LoggedIn();
  auto& general = Get<sim::SimList>("HUD_General");
  general.DataLet(2, 3, 0, "Courier");
  general.DataLet(3, 3, 0, "20");
  general.DataLet(4, 3, 1, 117);
  general.DataLet(5, 3, 0, "30%");
  general.DataLet(2, 2, 0, "Wingdings");

  // Before any click the choices act on the main HUD.
  Choose("HUD_General_Size", "18");
  EXPECT_EQ(Hud(HudId::Main).FontSize(), 18);
  EXPECT_EQ(Saved("HUD_Main", "size"), "18");

  Click("HUD_General", 1, 3);
  EXPECT_EQ(Highlighted("HUD_General"), 3);
  EXPECT_EQ(Chosen("HUD_General_Font"), "Courier");
  EXPECT_EQ(Chosen("HUD_General_Size"), "20");
  EXPECT_EQ(Chosen("HUD_General_BG_Color"), "Red");
  EXPECT_EQ(Chosen("HUD_General_BG_Alpha"), "30%");
  // A font the choice does not offer leaves it as it was.
  Click("HUD_General", 2, 2);
  EXPECT_EQ(Chosen("HUD_General_Font"), "Courier");

  Click("HUD_General", 1, 3);
  Choose("HUD_General_Font", "Verdana");
  EXPECT_EQ(Hud(HudId::Status).FontFace(), "Verdana");
  EXPECT_EQ(Hud(HudId::Main).FontFace(), "Arial");
  EXPECT_EQ(Saved("HUD_Status", "font"), "Verdana");
  EXPECT_EQ(Saved("HUD_Main", "font"), "Arial");
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(HudPagesTest, BackgroundFollowsItsRowsColourAndTransparency) {
  LoggedIn();
  const auto alphaByte = [](const HudWindow& h) { return HudWindow::ToArgb(h.BackgroundColor()) >> 24; };
  Choose("HUD_General_BG_Alpha", "100%");
  EXPECT_EQ(alphaByte(Hud(HudId::Main)), 0u);
  Choose("HUD_General_BG_Alpha", "0%");
  EXPECT_EQ(HudWindow::ToArgb(Hud(HudId::Main).BackgroundColor()), 0xFF000000u);
  EXPECT_EQ(Saved("HUD_Main", "alpha"), "0%");

  // A click on the outline column selects the row without showing its values
  // in the choices: the colour then still goes with the row's own transparency.
  Get<sim::SimList>("HUD_General").DataLet(5, 3, 0, "100%");
  Click("HUD_General", 6, 3);
  EXPECT_EQ(Chosen("HUD_General_BG_Alpha"), "0%");
  Choose("HUD_General_BG_Color", "Red");
  EXPECT_EQ(HudWindow::ToArgb(Hud(HudId::Status).BackgroundColor()), 0x00FF0000u);
  EXPECT_EQ(Cell("HUD_General", 5, 3), "100%");
  EXPECT_EQ(Saved("HUD_Status", "bgcolor"), "Red");
  EXPECT_EQ(HudWindow::ToArgb(Hud(HudId::Main).BackgroundColor()), 0xFF000000u);
}

TEST_F(HudPagesTest, TheMasterSwitchShowsExactlyTheTickedHuds) {
  LoggedIn();
  const auto shown = [] {
    std::string s;
    for (HudId id : {HudId::Main, HudId::Clock, HudId::Items, HudId::Status, HudId::Target})
      s += Hud(id).Enabled() ? '1' : '0';
    return s;
  };
  ASSERT_FALSE(C().HudOn->CheckedGet());
  Check("HUD_On", true);
  EXPECT_EQ(shown(), "11100");
  EXPECT_EQ(Saved("HUD_All", "on"), "True");
  Check("HUD_On", false);
  EXPECT_EQ(shown(), "00000");

  // With the switch off a row's tick only changes the cell; the outline applies at once.
  Get<sim::SimList>("HUD_General").DataLet(6, 3, 0, true);
  Click("HUD_General", 0, 3);
  EXPECT_EQ(Cell("HUD_General", 0, 3), "True");
  EXPECT_FALSE(Hud(HudId::Status).Enabled());
  EXPECT_TRUE(Hud(HudId::Status).Outline());
  EXPECT_EQ(Saved("HUD_Status", "on"), "True");
  Check("HUD_On", true);
  EXPECT_EQ(shown(), "11110");
  EXPECT_TRUE(errors.empty()) << errors.front();
}

// --- Main HUD lines ------------------------------------------------------------------------

TEST_F(HudPagesTest, MovedLinesKeepTheirCellsAndTheSelectionStaysOnItsRow) {
  LoggedIn();
  auto& lines = Get<sim::SimList>("HUD_LIST");
  const auto names = [&] {
    std::string s;
    for (std::int32_t r = 0; r < lines.Count(); ++r) s += Cell("HUD_LIST", 1, r) + "|";
    return s;
  };
  const std::string before = names();
  Click("HUD_LIST", 4, 0);
  Click("HUD_LIST", 3, lines.Count() - 1);
  EXPECT_EQ(names(), before);

  Click("HUD_LIST", 0, 0);  // unticks "Level" and selects it
  Choose("HUD_Main_Color", "Red");
  Click("HUD_LIST", 3, 0);
  Click("HUD_LIST", 3, 1);
  EXPECT_EQ(C().FindName("Level", "HudList"), 2);
  EXPECT_EQ(Cell("HUD_LIST", 0, 2), "False");
  EXPECT_EQ(Cell("HUD_LIST", 2, 2, 1), "117");
  EXPECT_EQ(Cell("HUD_LIST", 2, 2, 0), Cell("HUD_LIST", 2, 0, 0));  // still drawn from the plug-in's icons
  // The highlight left with the moved row and was given to no other row; the
  // colour choice still acts on row 0, which now holds another line.
  EXPECT_EQ(Highlighted("HUD_LIST"), -1);
  Choose("HUD_Main_Color", "Green");
  EXPECT_EQ(Cell("HUD_LIST", 2, 0, 1), "122");
  EXPECT_EQ(Cell("HUD_LIST", 2, 2, 1), "117");
  EXPECT_EQ(Saved("HUD_LIST", "name"), "Session Time");

  // A move elsewhere leaves the selected row's highlight where it is.
  Click("HUD_LIST", 1, 4);
  Click("HUD_LIST", 3, 1);
  Click("HUD_LIST", 4, 6);
  EXPECT_EQ(Highlighted("HUD_LIST"), 4);
  Choose("HUD_Main_Color", "Red");
  EXPECT_EQ(Cell("HUD_LIST", 2, 4, 1), "117");

  Choose("HUD_Main_Color", "Blue");
  Press("HUD_Main_All");
  for (std::int32_t r = 0; r < lines.Count(); ++r) EXPECT_EQ(Cell("HUD_LIST", 2, r, 1), "119") << r;

  Choose("HUD_Timeout", "Every 5 seconds");
  EXPECT_EQ(TimerHandlerInstance->MainHUDInterval(), 5000);
  EXPECT_EQ(Saved("HUD_Main", "timeout"), "3");
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(HudPagesTest, TheXPChangeLineLightsUpWhileItIsTickedWhereverItStands) {
  LoggedIn();
  auto& lines = Get<sim::SimList>("HUD_LIST");
  const std::int32_t row = C().FindName("XP Change", "HudList");
  Click("HUD_LIST", 0, row);
  EXPECT_FALSE(StatisticsInstance->XPChangeOn);
  Click("HUD_LIST", 0, row);
  EXPECT_TRUE(StatisticsInstance->XPChangeOn);
  for (std::int32_t r = lines.Count() - 1; r > 0; --r) Click("HUD_LIST", 4, r);
  ASSERT_EQ(C().FindName("XP Change", "HudList"), 0);
  EXPECT_TRUE(StatisticsInstance->XPChangeOn);
}

// --- Clock list -----------------------------------------------------------------------------

TEST_F(HudPagesTest, ClockRowsAreSelectedAndColoured) {
  LoggedIn();
  auto& clock = Get<sim::SimList>("HUD_Clock");
  clock.DataLet(4, 2, 1, 124);
  // An event without a control changes nothing, not even the selection.
  C().HudClockList_Change(-1, 1, 2);
  EXPECT_EQ(Highlighted("HUD_Clock"), 0);
  Click("HUD_Clock", 1, 2);
  EXPECT_EQ(Highlighted("HUD_Clock"), 2);
  EXPECT_EQ(Chosen("HUD_Clock_Color"), "Yellow");
  Choose("HUD_Clock_Color", "Red");
  EXPECT_EQ(Cell("HUD_Clock", 4, 2, 1), "117");
  EXPECT_EQ(Cell("HUD_Clock", 4, 0, 1), "101");
  Press("HUD_Clock_All");
  for (std::int32_t r = 0; r < clock.Count(); ++r) EXPECT_EQ(Cell("HUD_Clock", 4, r, 1), "117") << r;
  EXPECT_TRUE(errors.empty()) << errors.front();
}

// --- Watched items ---------------------------------------------------------------------------

TEST_F(HudPagesTest, AddingAnItemStoresASaneCountAndUpdatesItsRow) {
  LoggedIn();
  host->World().AddObject(5001, "Mana Stone").SetLong(0x0D000001, 0x2345);
  auto& items = Get<sim::SimList>("HUD_Items");
  struct Case {
    const char* name;
    const char* count;
    std::int32_t rows;
    std::int32_t row;
    const char* stored;
    const char* icon;
  };
  for (const Case& c : {Case{"Pyreal", "abc", 1, 0, "0", "-1"}, Case{"Pyreal", "-3", 1, 0, "0", "-1"},
                        Case{"Pyreal", "2.5", 1, 0, "2.5", "-1"}, Case{"pyreal", "7", 2, 1, "7", "-1"},
                        Case{"Mana Stone", "3", 3, 2, "3", "9029"}, Case{"", "5", 3, 0, "2.5", "-1"}}) {
    SCOPED_TRACE(std::string(c.name) + "/" + c.count);
    Type("HUD_Items_Text", c.name);
    Type("HUD_Items_Count", c.count);
    Press("HUD_Items_Add");
    EXPECT_EQ(items.Count(), c.rows);
    EXPECT_EQ(Cell("HUD_Items", 2, c.row), c.stored);
    EXPECT_EQ(Cell("HUD_Items", 6, c.row), c.icon);
    EXPECT_EQ(Cell("HUD_Items", 0, c.row), "True");
  }
  EXPECT_EQ(Saved("HUD_Item", "count"), "2.5");

  // Nothing selected in the game: nothing added, nothing reported.
  host->Hooks().SetCurrentSelection(0);
  Press("HUD_Items_Sel");
  host->Hooks().SetCurrentSelection(5001);
  Type("HUD_Items_Count", "9");
  Press("HUD_Items_Sel");
  EXPECT_EQ(items.Count(), 3);
  EXPECT_EQ(Cell("HUD_Items", 2, 2), "9");
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(HudPagesTest, ItemRowsMoveWithTheirCellsAndAreDeleted) {
  LoggedIn();
  for (const char* name : {"A", "B", "C"}) {
    Type("HUD_Items_Text", name);
    Type("HUD_Items_Count", "4");
    Press("HUD_Items_Add");
  }
  auto& items = Get<sim::SimList>("HUD_Items");
  items.DataLet(0, 0, 0, false);
  items.DataLet(6, 0, 0, 77);
  const auto names = [&] { return Cell("HUD_Items", 1, 0) + Cell("HUD_Items", 1, 1) + Cell("HUD_Items", 1, 2); };
  Click("HUD_Items", 4, 0);
  Click("HUD_Items", 3, 2);
  EXPECT_EQ(names(), "ABC");
  Click("HUD_Items", 3, 0);
  EXPECT_EQ(names(), "BAC");
  EXPECT_EQ(Cell("HUD_Items", 0, 1), "False");
  EXPECT_EQ(Cell("HUD_Items", 6, 1), "77");
  EXPECT_EQ(Cell("HUD_Items", 5, 1, 1), std::to_string(0x060011F8));
  Click("HUD_Items", 4, 2);
  EXPECT_EQ(names(), "BCA");
  Click("HUD_Items", 5, 0);
  EXPECT_EQ(items.Count(), 2);
  Click("HUD_Items", 1, 1);
  EXPECT_EQ(C().HudItemsText->TextGet(), "A");
  EXPECT_EQ(C().HudItemsCount->TextGet(), "4");

  Choose("HUD_Items_Icon_Size", "32 x 32");
  EXPECT_EQ(Hud(HudId::Items).IconSize(), 32);
  EXPECT_EQ(Saved("HUD_Items", "iconsize"), "3");
  EXPECT_TRUE(errors.empty()) << errors.front();
}

// --- Status and target ------------------------------------------------------------------------

TEST_F(HudPagesTest, TheTargetColourGoesToTheTargetHudAndTheOtherChoicesAreSaved) {
  LoggedIn();
  Choose("HUD_Target_Color", "Light Blue");
  EXPECT_EQ(HUDTargetHandlerInstance->TargetHud->FontColor(), "Light Blue");
  EXPECT_EQ(Saved("HUD_Target", "color"), "6");
  Choose("HUD_Status_Lines", "4 lines");
  EXPECT_EQ(Saved("HUD_Status", "lines"), "3");
  EXPECT_TRUE(errors.empty()) << errors.front();
}

// --- Before login ---------------------------------------------------------------------------------

TEST_F(HudPagesTest, BeforeLoginOnlyTheClockTimerButtonsAct) {
  C().Init_Lists({"1"});
  Check("HUD_On", true);
  Click("HUD_General", 1, 3);
  Choose("HUD_General_Font", "Verdana");
  Click("HUD_LIST", 3, 0);
  Type("HUD_Items_Text", "Pyreal");
  Press("HUD_Items_Add");
  Choose("HUD_Target_Color", "Red");
  EXPECT_FALSE(Hud(HudId::Main).Enabled());
  EXPECT_EQ(Highlighted("HUD_General"), 0);
  EXPECT_EQ(Cell("HUD_General", 2, 0), "Arial");
  EXPECT_EQ(Cell("HUD_LIST", 1, 0), "Level");
  EXPECT_EQ(Get<sim::SimList>("HUD_Items").Count(), 0);
  EXPECT_EQ(HUDTargetHandlerInstance->TargetHud->FontColor(), "White");

  Press("HUD_Timer_Up");
  EXPECT_NE(HUDClockHandlerInstance->UpTimeStart(), 0);
  Press("HUD_Timer_Up");
  EXPECT_EQ(HUDClockHandlerInstance->UpTimeStart(), 0);
  EXPECT_FALSE(fs::exists(SettingsPath()));
}

// --- A dragged HUD's place -------------------------------------------------------------------------

TEST_F(HudPagesTest, ADraggedHudIsSavedWhereItWasDroppedAndComesBackThereAtTheNextLogin) {
  LoggedIn();
  Check("HUD_On", true);
  HUDMainHandlerInstance->CreateHUD();
  HudWindow& main = Hud(HudId::Main);
  ASSERT_TRUE(main.Enabled());
  const std::int32_t x0 = main.X();
  const std::int32_t y0 = main.Y();
  Mouse(513, x0 + 20, y0 + 5, 1);
  Mouse(512, x0 + 90, y0 + 65, 1);
  Mouse(514, x0 + 90, y0 + 65, 0);
  ASSERT_EQ(main.X(), x0 + 70);
  EXPECT_EQ(Saved("HUD_Main", "x"), std::to_string(x0 + 70));
  EXPECT_EQ(Saved("HUD_Main", "y"), std::to_string(y0 + 60));

  Start(false);
  RouteOwnLinesToMain();
  LoggedIn();
  EXPECT_EQ(Hud(HudId::Main).X(), x0 + 70);
  EXPECT_EQ(Hud(HudId::Main).Y(), y0 + 60);
  EXPECT_TRUE(Hud(HudId::Main).Enabled());
}

}  // namespace
}  // namespace mellox::test
