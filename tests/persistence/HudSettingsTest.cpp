// The HUD elements of the settings file: what a save writes, what a load
// gives back to the settings view and the HUD windows, and damaged values.
#include "PersistenceFixture.h"
#include "chat/CellValue.h"
#include "core/HubConvert.h"
#include "core/TimerHandler.h"
#include "hud/HUDTargetHandler.h"
#include "hud/HudHandlerT.h"
#include "hud/HudRoster.h"
#include "hud/HudWindow.h"
#include "tracking/Statistics.h"

namespace mellox::test {
namespace {

using HudSettingsTest = PersistenceTest;

HudWindow& Hud(HudId id) { return *HudRoster::Engine(id); }

std::string Cell(platform::ListControl& list, std::int32_t column, std::int32_t row, std::int32_t sub = 0) {
  return CellText(list.DataGet(column, row, sub));
}

std::string Names(platform::ListControl& list) {
  std::string s;
  for (std::int32_t r = 0; r < list.Count(); ++r) s += Cell(list, 1, r) + "|";
  return s;
}

std::uint32_t Argb(const HudWindow& hud) { return HudWindow::ToArgb(hud.BackgroundColor()); }

void Load(ControlHandler& ch, const fs::path& file, const std::string& body,
          const std::string& version = "1.1.0.1") {
  Spit(file, "<Mellox Version=\"" + version + "\">" + body + "</Mellox>");
  SettingsFile::Load(ch, 0);
  EXPECT_EQ(SettingsState, 2);
}

TEST_F(HudSettingsTest, TheShippedDefaultsPlaceTheHudsApart) {
  PlaceShippedDefaults();
  SettingsFile::Load(*ch, 0);
  EXPECT_EQ(std::make_pair(Hud(HudId::Clock).X(), Hud(HudId::Clock).Y()), std::make_pair(5, 60));
  EXPECT_EQ(std::make_pair(Hud(HudId::Items).X(), Hud(HudId::Items).Y()), std::make_pair(5, 490));
  EXPECT_EQ(std::make_pair(Hud(HudId::Main).X(), Hud(HudId::Main).Y()), std::make_pair(5, 200));
}

TEST_F(HudSettingsTest, EveryHudSettingComesBackAndTheFileStaysTheSame) {
  PlaceShippedDefaults();
  SettingsFile::Load(*ch, 0);
  ch->HudOn->CheckedLet(true);
  auto& general = *ch->HudGeneral;
  general.DataLet(0, 0, 0, true);
  general.DataLet(0, 1, 0, false);
  general.DataLet(2, 1, 0, "Courier");
  general.DataLet(3, 1, 0, "20");
  general.DataLet(4, 1, 1, 117);
  general.DataLet(5, 1, 0, "30%");
  general.DataLet(6, 1, 0, true);
  Hud(HudId::Main).SetPos(123, 45, false);
  Hud(HudId::Main).SetDrawTitle(false);
  Hud(HudId::Items).SetDockVert(true);
  ch->HudTimeout->SelectedLet(3);
  ch->HudMainLbl->CheckedLet(true);
  ch->HudItemsIconSize->SelectedLet(1);
  ch->HudItemsHorz->CheckedLet(true);
  ch->HudTargetColor->SelectedLet(6);
  // "Kills" first and unticked, in red.
  auto& lines = *ch->HudList;
  const std::int32_t kills = ch->FindName("Kills", "HudList");
  lines.DataLet(1, kills, 0, "Level");
  lines.DataLet(1, 0, 0, "Kills");
  lines.DataLet(0, 0, 0, false);
  lines.DataLet(2, 0, 1, 117);
  auto& clock = *ch->HudClockList;
  clock.DataLet(0, 4, 0, true);
  clock.DataLet(4, 4, 1, 122);
  auto& items = *ch->HudItems;
  for (const char* name : {"Olthoi & <Queen>", "Pyreal"}) {
    const std::int32_t row = items.AddRow();
    items.DataLet(0, row, 0, true);
    items.DataLet(1, row, 0, name);
    items.DataLet(2, row, 0, "2.5");
    items.DataLet(6, row, 0, 4242);
  }
  ASSERT_TRUE(SettingsFile::Save(*ch, 0));
  // A docked HUD's place follows its size, which the load's redraw settles.
  SettingsFile::Load(*ch, 0);
  const std::string first = Slurp(CharFile());
  SettingsFile::Load(*ch, 0);
  ASSERT_EQ(SettingsState, 2);
  EXPECT_EQ(Slurp(CharFile()), first);

  HudWindow& clockHud = Hud(HudId::Clock);
  EXPECT_FALSE(clockHud.Enabled());
  EXPECT_EQ(clockHud.FontFace(), "Courier New");
  EXPECT_EQ(clockHud.FontSize(), 20);
  EXPECT_EQ(Argb(clockHud), 0xB3FF0000u);
  EXPECT_TRUE(clockHud.Outline());
  EXPECT_TRUE(Hud(HudId::Main).Enabled());
  EXPECT_EQ(Hud(HudId::Main).X(), 123);
  EXPECT_EQ(Hud(HudId::Main).Y(), 45);
  EXPECT_FALSE(Hud(HudId::Main).DrawTitle());
  EXPECT_TRUE(Hud(HudId::Items).DockVert());
  EXPECT_EQ(Hud(HudId::Items).IconSize(), 20);
  EXPECT_EQ(HUDTargetHandlerInstance->TargetHud->FontColor(), "Light Blue");
  EXPECT_EQ(TimerHandlerInstance->MainHUDInterval(), 5000);
  EXPECT_EQ(Cell(lines, 1, 0), "Kills");
  EXPECT_EQ(Cell(lines, 1, kills), "Level");
  EXPECT_EQ(Cell(lines, 2, 0, 1), "117");
  EXPECT_EQ(Cell(clock, 0, 4), "True");
  EXPECT_EQ(Cell(clock, 4, 4, 1), "122");
  ASSERT_EQ(items.Count(), 2);
  EXPECT_EQ(Cell(items, 1, 0), "Olthoi & <Queen>");
  EXPECT_EQ(Cell(items, 6, 1), "4242");
  EXPECT_TRUE(reports.empty()) << reports.front().description;
}

TEST_F(HudSettingsTest, ElementsWithoutAttributesTakeTheirOwnDefaults) {
  Load(*ch, CharFile(), "<HUD_All on=\"True\"/><HUD_Main/><HUD_Status/><HUD_Target/>");
  HudWindow& main = Hud(HudId::Main);
  EXPECT_EQ(Cell(*ch->HudGeneral, 0, 0), "False");
  EXPECT_FALSE(main.Enabled());
  EXPECT_EQ(main.X(), 0);
  EXPECT_EQ(main.Y(), 0);
  EXPECT_TRUE(main.DrawTitle());
  EXPECT_EQ(main.FontFace(), "Arial");
  EXPECT_EQ(main.FontSize(), 16);
  EXPECT_EQ(Argb(main), 0x80000000u);
  EXPECT_EQ(ch->HudTimeout->SelectedGet(), 0);
  EXPECT_EQ(TimerHandlerInstance->MainHUDInterval(), 1000);
  EXPECT_TRUE(Hud(HudId::Status).Outline());
  EXPECT_EQ(Cell(*ch->HudGeneral, 5, 3), "100%");
  EXPECT_EQ(Argb(Hud(HudId::Status)), 0u);
  EXPECT_TRUE(Hud(HudId::Target).Enabled());
  EXPECT_EQ(Argb(Hud(HudId::Target)), 0u);

  // A HUD placed before the master switch goes with the switch as it stood then.
  ch->HudOn->CheckedLet(false);
  Load(*ch, CharFile(), "<HUD_Main on=\"True\"/><HUD_All on=\"True\"/>");
  EXPECT_EQ(Cell(*ch->HudGeneral, 0, 0), "True");
  EXPECT_FALSE(Hud(HudId::Main).Enabled());
}

TEST_F(HudSettingsTest, MainHudLinesTakeTheirPlacesFromTheFileOrder) {
  auto& lines = *ch->HudList;
  Load(*ch, CharFile(),
       "<HUD_LIST name=\"Kills\" enabled=\"True\"/><HUD_LIST name=\"Bogus\"/>"
       "<HUD_LIST name=\"Level\" enabled=\"True\" color=\"Red\"/><HUD_LIST name=\"XP/Hr\"/>");
  EXPECT_EQ(Names(lines),
            "Kills|Level|Session XP/Hour|Session XP|5 Minute Avg|Total Time|Total XP|Total XP/Hour|Next Level|"
            "Unassigned|Session Time|Coords|Corpse|Next Buff|XP Change|");
  EXPECT_EQ(Cell(lines, 2, 1, 1), "117");
  EXPECT_EQ(Cell(lines, 0, 2), "False");

  // Naming lines more often than the list has rows loses none of them.
  std::string body;
  for (const char* name : {"XP Change", "Level", "Session Time", "Session XP", "Session XP/Hour", "5 Minute Avg",
                           "Total Time", "Total XP", "Total XP/Hour", "Next Level", "Unassigned", "Kills", "Coords",
                           "Corpse", "Next Buff", "Level", "Kills"}) {
    body += std::string("<HUD_LIST name=\"") + name + "\" enabled=\"True\"/>";
  }
  Load(*ch, CharFile(), body);
  EXPECT_EQ(lines.Count(), 15);
  EXPECT_EQ(Cell(lines, 1, 0), "XP Change");
  EXPECT_EQ(Cell(lines, 1, 14), "Next Buff");
  // The XP change line lights up because it is ticked, even as the first line.
  EXPECT_TRUE(StatisticsInstance->XPChangeOn);
  Load(*ch, CharFile(), "<HUD_LIST name=\"XP Change\" enabled=\"False\"/>");
  EXPECT_FALSE(StatisticsInstance->XPChangeOn);

  // The clock list is matched by name; a later row element beats the legacy attribute.
  Load(*ch, CharFile(), "<HUD_Clock gt=\"False\"/><Clock_List name=\"Game Time\" enabled=\"True\" color=\"Green\"/>");
  EXPECT_EQ(Cell(*ch->HudClockList, 0, 4), "True");
  EXPECT_EQ(Cell(*ch->HudClockList, 0, 2), "False");
  EXPECT_TRUE(reports.empty()) << reports.front().description;
}

TEST_F(HudSettingsTest, DamagedHudValuesAreReportedAndGiveWayToDefaults) {
  Load(*ch, CharFile(),
       "<HUD_Main on=\"True\" x=\"abc\" y=\"99999999999\" size=\"big\" timeout=\"99\"/>"
       "<HUD_Item count=\"3\"/>"
       "<HUD_Item/>"
       "<HUD_Item name=\"Pyreal\" count=\"lots\" icon=\"x\" enabled=\"True\"/>"
       "<HUD_Item name=\"Stone\"/>"
       "<HUD_Target color=\"1\"/>");
  HudWindow& main = Hud(HudId::Main);
  EXPECT_EQ(main.X(), 0);
  EXPECT_EQ(main.Y(), 0);
  EXPECT_EQ(Cell(*ch->HudGeneral, 3, 0), "16");
  EXPECT_EQ(main.FontSize(), 16);
  EXPECT_EQ(ch->HudTimeout->SelectedGet(), 0);
  for (const char* bad : {"HUD_Main x=", "HUD_Main y=", "HUD_Main size=", "HUD_Main timeout=", "HUD_Item name=",
                          "HUD_Item count=\"lots\"", "HUD_Item icon=\"x\""}) {
    EXPECT_TRUE(Reported("Settings_Load 1", bad)) << bad;
  }
  // Watched items the item HUD can count with; a row without a name (none at
  // all too) is left out rather than saved back as an item called "False".
  auto& items = *ch->HudItems;
  ASSERT_EQ(items.Count(), 2);
  EXPECT_EQ(Cell(items, 1, 0) + " " + Cell(items, 2, 0) + " " + Cell(items, 6, 0), "Pyreal 0 -1");
  EXPECT_EQ(Cell(items, 1, 1) + " " + Cell(items, 2, 1) + " " + Cell(items, 6, 1) + " " + Cell(items, 0, 1),
            "Stone 0 -1 False");
  // The elements after the damaged ones were applied.
  EXPECT_EQ(HUDTargetHandlerInstance->TargetHud->FontColor(), "Grey");
}

TEST_F(HudSettingsTest, OlderFilesNameFontSizeAndBackgroundByEntryNumber) {
  Load(*ch, CharFile(),
       "<HUD_Main font=\"1\" size=\"2\" bgcolor=\"3\" alpha=\"9\"/>"
       "<HUD_Clock font=\"Arial\" size=\"40\"/>"
       "<HUD_Items font=\"Impact\" size=\"0\"/>"
       "<HUD_Status font=\"Times\" size=\"12\"/>",
       "0.9");
  auto& general = *ch->HudGeneral;
  EXPECT_EQ(Cell(general, 2, 0) + "/" + Cell(general, 3, 0) + "/" + Cell(general, 5, 0), "Courier/10/90%");
  EXPECT_EQ(Hud(HudId::Main).FontFace(), "Courier New");
  EXPECT_EQ(Hud(HudId::Main).FontSize(), 10);
  EXPECT_EQ(Argb(Hud(HudId::Main)), 0x1AFF0000u);
  // A number that names no entry gives the default instead of ending the load.
  EXPECT_EQ(Cell(general, 2, 1) + "/" + Cell(general, 3, 1), "Arial/16");
  EXPECT_TRUE(Reported("Settings_Load 1", "HUD_Clock font=\"Arial\""));
  EXPECT_TRUE(Reported("Settings_Load 1", "HUD_Clock size=\"40\""));
  // The item HUD's font is used as it stands; the status HUD converts nothing.
  EXPECT_EQ(Cell(general, 2, 2) + "/" + Cell(general, 3, 2), "Impact/8");
  EXPECT_EQ(Cell(general, 2, 3) + "/" + Cell(general, 3, 3), "Times/12");
}

}  // namespace
}  // namespace mellox::test
