// The main statistics HUD's lines.
#include <gtest/gtest.h>

#include "hud/HudFixture.h"
#include "sim/SimCheckBox.h"
#include "sim/SimView.h"
#include "tracking/SpellHandler.h"
#include "tracking/Statistics.h"

namespace mellox::test {
namespace {

struct MainHudFixture : HudFixture {
  HUDMainHandler& owner() { return *HUDMainHandlerInstance; }
  ControlHandler& ch() { return *ControlHandlerInstance; }
  platform::ListControl& lines() { return *ch().HudList; }

  std::int32_t Row(const std::string& name) { return ch().FindName(name, "HudList"); }
  void Tick(const std::string& name, bool on) { lines().DataLet(0, Row(name), 0, on); }
  void OnlyTick(std::initializer_list<const char*> names) {
    for (std::int32_t r = 0; r < lines().Count(); ++r) lines().DataLet(0, r, 0, false);
    for (const char* n : names) Tick(n, true);
  }
  // The item texts in drawing order, as the last full repaint wrote them.
  std::vector<std::string> Shown() {
    std::vector<std::string> out;
    bool items = false;
    for (const auto& c : Canvas(main()).Calls()) {
      if (c.kind == sim::HudCall::Kind::BeginText) items = c.text != "Arial" || c.weight != 700;
      if (c.kind == sim::HudCall::Kind::WriteText && items) out.push_back(c.text);
    }
    return out;
  }
  std::string Text(const char* key) {
    const HUDItem* item = main().Item(key);
    return item ? item->data : "<none>";
  }
};

TEST(HUDMainHandlerTest, LinesFollowTheListOrderLabelsAndColours) {
  MainHudFixture f;
  f.main().SetEnabled(true);
  f.ch().LevelNum->TextLet("12");
  f.ch().Kills->TextLet("7");
  f.ch().XPSession->TextLet("1,500");
  f.OnlyTick({"Level", "Kills", "Session XP"});
  // Red swatch on the kills row.
  f.lines().DataLet(2, f.Row("Kills"), 1, 117);
  // Kills moved to the top of the list.
  f.lines().DeleteRow(f.Row("Kills"));
  f.lines().InsertRow(0);
  f.lines().DataLet(0, 0, 0, true);
  f.lines().DataLet(1, 0, 0, "Kills");
  f.lines().DataLet(2, 0, 1, 117);
  f.owner().CreateHUD();
  EXPECT_EQ(f.Shown(), (std::vector<std::string>{"Kills: 7", "Level: 12", "Session XP: 1,500"}));
  EXPECT_EQ(f.main().Item("Kil")->color, "Red");
  EXPECT_EQ(f.main().Item("Lev")->color, "White");

  f.ch().HudMainLbl->CheckedLet(true);
  f.Tick("Session Time", true);
  f.Tick("Coords", true);
  f.owner().CreateHUD();
  // Short labels; Level and Kills keep theirs; no position known: Coords is empty.
  EXPECT_EQ(f.Shown(),
            (std::vector<std::string>{"Kills: 7", "Level: 12", "STime: ", "SXP: 1,500", ""}));
  EXPECT_TRUE(f.errors.empty());
}

TEST(HUDMainHandlerTest, CorpseLineNeedsACorpseAndFollowsTheSelection) {
  MainHudFixture f;
  f.OnlyTick({"Corpse"});
  f.owner().CreateHUD();
  EXPECT_EQ(f.main().count(), 0);

  auto& corpses = *f.ch().CorpsesList;
  for (const auto& [absolute, relative] : {std::pair{"12.3N, 45.6W", "0.5N, 0.2E"}, std::pair{"Dungeon", "1.0S, 2.0W"}}) {
    const std::int32_t r = corpses.AddRow();
    corpses.DataLet(0, r, 0, absolute);
    corpses.DataLet(1, r, 0, relative);
  }
  struct Case {
    std::int32_t selected;
    bool absolute;
    const char* text;
  };
  for (const Case c : {Case{-1, false, "Corpse: 0.5N, 0.2E"}, Case{1, false, "Corpse: 1.0S, 2.0W"},
                       Case{1, true, "Corpse: Dungeon"}, Case{7, true, "Corpse: 12.3N, 45.6W"}}) {
    f.ch().SelectedCorpse = c.selected;
    f.ch().CorpsesAbsolute->CheckedLet(c.absolute);
    f.owner().CreateHUD();
    EXPECT_EQ(f.Text("Bod"), c.text);
  }
  EXPECT_TRUE(f.errors.empty());
}

TEST(HUDMainHandlerTest, NextBuffShowsTheShortestBeerInWholeMinutes) {
  MainHudFixture f;
  f.OnlyTick({"Next Buff"});
  f.ch().SpellsTracked->TextLet("Strength 5:00");
  f.owner().CreateHUD();
  EXPECT_EQ(f.Text("NxB"), "Next Buff: Strength 5:00");
  f.ch().SpellsBeers->CheckedLet(true);
  for (const auto& [low, text] : {std::pair{99999, "Next Buff: Strength 5:00 (x)"},
                                  std::pair{61, "Next Buff: Strength 5:00 (2)"},
                                  std::pair{60, "Next Buff: Strength 5:00 (1)"}}) {
    SpellHandlerInstance->LowBeer = low;
    f.owner().CreateHUD();
    EXPECT_EQ(f.Text("NxB"), text);
  }
}

TEST(HUDMainHandlerTest, UpdateKeepsTheOrderAndDimsTheXPChangeLine) {
  MainHudFixture f;
  f.main().SetEnabled(true);
  f.OnlyTick({"XP Change", "Level"});
  f.ch().XPChange->TextLet("1,500");
  StatisticsInstance->ShowXPChange = true;
  f.owner().CreateHUD();
  EXPECT_EQ(f.main().Item("XPC")->alpha, 10);
  StatisticsInstance->ShowXPChange = false;
  // A line ticked since is appended, one unticked since stays until the next CreateHUD.
  f.Tick("Kills", true);
  f.Tick("Level", false);
  f.owner().UpdateHUD();
  EXPECT_EQ(f.main().Item("XPC")->alpha, 8);
  EXPECT_EQ(f.Shown(), (std::vector<std::string>{"Level: ", "XP Change: 1,500", "Kills: "}));
  f.owner().CreateHUD();
  EXPECT_EQ(f.Shown(), (std::vector<std::string>{"Kills: ", "XP Change: 1,500"}));
}

TEST(HUDMainHandlerTest, GlyphsHideTheTitleOrSwitchTheHudOff) {
  MainHudFixture f;
  f.owner().CreateHUD();
  f.main().SetEnabled(true);
  const std::int32_t right = f.main().X() + f.main().Width();
  const std::int32_t y = f.main().Y() + 5;
  EXPECT_TRUE(f.owner().WithinTitle(f.main().X() + 10, y));
  EXPECT_FALSE(f.owner().WithinTitle(right - 15, y));

  const std::size_t mark = f.Mark();
  f.owner().ClickHUD(right - 15, y);
  EXPECT_FALSE(f.main().DrawTitle());
  EXPECT_TRUE(f.SaidSince(mark, "Click on the HUD while holding shift to reshow the title bar.  Click on the HUD "
                                "while holding control to move the hud"));
  EXPECT_FALSE(f.owner().WithinTitle(f.main().X() + 10, y));

  f.main().SetDrawTitle(true);
  f.owner().ClickHUD(right - 3, y);
  EXPECT_FALSE(f.main().Enabled());
  EXPECT_EQ(std::get<bool>(f.ch().HudGeneral->DataGet(0, 0, 0).value), false);
  EXPECT_FALSE(f.Canvas(f.main()).EnabledGet());
  EXPECT_TRUE(f.errors.empty());
}

TEST(HUDMainHandlerTest, TheMasterBoxShowsAndHidesTheMainHud) {
  MainHudFixture f;
  f.ch().LevelNum->TextLet("12");
  auto& box = f.host.View()->Get<sim::SimCheckBox>("HUD_On");
  box.UserCheck(false);
  box.UserCheck(true);
  EXPECT_TRUE(f.main().Enabled());
  EXPECT_TRUE(f.Canvas(f.main()).EnabledGet());
  EXPECT_EQ(f.Text("Lev"), "Level: 12");
  box.UserCheck(false);
  EXPECT_FALSE(f.Canvas(f.main()).EnabledGet());
}

}  // namespace
}  // namespace mellox::test
