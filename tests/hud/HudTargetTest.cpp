// The target HUD: its engine's size and surface, the owner's glyphs and
// debuff effects, the health bar and the debuff countdowns.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <variant>

#include "hud/TargetHudFixture.h"
#include "sim/SimChoice.h"
#include "sim/SimView.h"

namespace mellox::test {
namespace {

using Kind = sim::HudCall::Kind;

TEST(HudTargetEngineTest, SizedByTheTemplateDockedAndRecreatedOnlyWhenNeeded) {
  TargetHudFixture f;
  HudHandlerT& hud = f.hud();
  const std::int32_t width = std::max(160, f.Measure("99.99-99, 99 99 9.9, Wk 9, Tk 10"));
  // Docked on both edges: right on the 3D view's right, bottom 28 below its bottom.
  EXPECT_EQ(hud.ScreenRect(), (platform::Rect{800 - width, 628 - 119, 800, 628}));
  hud.SetY(10);
  EXPECT_EQ(hud.Y(), 509);

  std::size_t mark = f.Mark();
  hud.SetWidth(hud.Width());
  hud.SetHeight(hud.Height());
  EXPECT_FALSE(f.SaidSince(mark, "hud: create"));
  hud.SetFontSize(20);
  EXPECT_TRUE(f.SaidSince(mark, "hud: create"));
  EXPECT_EQ(hud.Width(), std::max(160, f.Measure("99.99-99, 99 99 9.9 9.9, Wk 10, Tk 10", 20)));
  EXPECT_EQ(f.canvas().Rect(), (platform::Rect{800 - hud.Width(), 628 - (17 + 6 * 21), 800, 628}));

  // A lost device: a new surface with the description on it.
  f.Obj(1000, "Apple", 7).SetLong(19, 5).SetLong(5, 10);
  f.Show(1000);
  mark = f.Mark();
  f.host.Render().RaiseDeviceLost();
  EXPECT_TRUE(f.SaidSince(mark, "hud: create"));
  EXPECT_EQ(f.Written(), (std::vector<std::string>{"Apple", "5p, 10bu"}));
  EXPECT_TRUE(f.errors.empty());
}

TEST(HudTargetEngineTest, WithoutAnObjectTheTitleIsResetAndTheNextHoverStillFadesIn) {
  TargetHudFixture f;
  HudHandlerT& hud = f.hud();
  f.Obj(1000, "Drudge Slinker", 5);
  hud.SetEnabled(true);
  // Hover the empty HUD and leave it: one tick each, nothing shown.
  hud.SetWithinCanvas(true);
  f.host.Advance(25);
  EXPECT_EQ(hud.FadeStep(), 0);
  hud.SetWithinCanvas(false);
  f.host.Advance(100);
  // Once an object is shown the next hover fades the title in over ten ticks.
  f.Show(1000);
  hud.SetWithinCanvas(true);
  f.host.Advance(225);
  EXPECT_EQ(hud.FadeStep(), 9);
  f.host.Advance(25);
  EXPECT_EQ(hud.FadeStep(), 10);
  EXPECT_EQ(f.Paint().at(0), "Target");
  f.owner().RemoveTitle();
  EXPECT_EQ(hud.FadeStep(), 0);
}

TEST(HudTargetEngineTest, ARefusedSurfaceIsReportedOnceAndNothingDrawsAfterwards) {
  TargetHudFixture f;
  f.AddSpell(9001, "Imperil Other VI", 116, 250, 61);
  f.host.Render().RefuseSurfaces(true);
  auto hud = std::make_unique<HudHandlerT>();
  EXPECT_TRUE(HudCreateFailed);
  const platform::Rect r = hud->ScreenRect();
  EXPECT_EQ(f.errors,
            (std::vector<std::string>{"HUDHandlerT.CreateHUD Failure " + std::to_string(r.top) + " " +
                                      std::to_string(r.left) + " " + std::to_string(r.bottom) + " " +
                                      std::to_string(r.right) + " #0"}));
  const std::size_t mark = f.Mark();
  f.Obj(1000, "Drudge Slinker", 5);
  hud->SetObject(f.host.World().ObjectById(1000));
  hud->SetEnabled(true);
  hud->SetFontSize(20);
  hud->AddDebuff(1000, 9001);
  hud->UpdateHealth(true);
  f.host.Render().RaiseDeviceLost();
  hud->SetWithinCanvas(true);
  f.host.Advance(300);
  EXPECT_EQ(f.errors.size(), 1u);
  EXPECT_FALSE(f.SaidSince(mark, "hud: create"));
  EXPECT_EQ(hud->Debuffs(1000)->Count(), 1u);  // kept; only drawing stopped
  hud.reset();
  f.host.Advance(300);
  EXPECT_TRUE(f.host.UnhandledErrors().empty());
}

TEST(HudTargetEngineTest, APaintingErrorIsReportedWithItsStateAndClosesThePasses) {
  TargetHudFixture f;
  f.Obj(1000, "Odd", 7).SetIcon(INT32_MAX);
  f.Show(1000);
  ASSERT_EQ(f.errors.size(), 1u);
  EXPECT_EQ(f.errors[0].rfind("HudHandlerT.OutputHud 0 | Drawrect: 15 3 47 35 icon:2147483647 myWidth: ", 0),
            0u)
      << f.errors[0];
  EXPECT_FALSE(f.canvas().RenderOpen());
  EXPECT_FALSE(f.canvas().TextOpen());
}

TEST(HUDTargetHandlerTest, GlyphsHideTheTitleOrToggleTheHud) {
  TargetHudFixture f;
  HudHandlerT& hud = f.hud();
  hud.SetEnabled(true);
  const std::int32_t right = hud.X() + hud.Width();
  const std::int32_t y = hud.Y() + 5;
  EXPECT_TRUE(f.owner().WithinTitle(hud.X() + 10, y));
  for (std::int32_t x : {right - 15, right - 3}) EXPECT_FALSE(f.owner().WithinTitle(x, y));
  EXPECT_FALSE(f.owner().WithinTitle(hud.X() + 10, hud.Y() + 30));

  const std::size_t mark = f.Mark();
  f.owner().ClickHUD(right - 15, y);
  EXPECT_FALSE(hud.DrawTitle());
  EXPECT_TRUE(f.SaidSince(mark,
                          "Click on the HUD while holding shift to reshow the title bar.  Click on the HUD "
                          "while holding control to move the hud"));
  EXPECT_FALSE(f.owner().WithinTitle(hud.X() + 10, y));

  hud.SetDrawTitle(true);
  auto& general = *ControlHandlerInstance->HudGeneral;
  const bool before = std::get<bool>(general.DataGet(0, 4, 0).value);
  f.owner().ClickHUD(right - 3, y);
  EXPECT_EQ(std::get<bool>(general.DataGet(0, 4, 0).value), !before);
  EXPECT_TRUE(f.errors.empty());
}

TEST(HUDTargetHandlerTest, DebuffEffectsBecomeTheSpellOfTheChosenLevel) {
  struct Case {
    std::int32_t effect;
    const char* level;
    const char* spell;
  };
  for (const Case& c : {Case{56, "VII", "Gossamer Flesh"}, Case{56, "VI", "Imperil Other VI"},
                        Case{23, "III", "Vulnerability Other III"}, Case{44, "VII", "Inferno's Gift"},
                        Case{45, "VII", ""}, Case{0, "VI", ""}}) {
    EXPECT_EQ(HUDTargetHandler::DebuffSpellName(c.effect, c.level), c.spell) << c.effect << " " << c.level;
  }
  TargetHudFixture f;
  f.AddSpell(9006, "Imperil Other VI", 116, 250, 300);
  f.host.View()->Get<sim::SimChoice>("HUD_Target_Level").SelectedLet(5);  // VI
  f.owner().Debuff(1000, 56, 0);
  f.owner().Debuff(1001, 45, 0);
  EXPECT_EQ(f.hud().Debuffs(1000)->GetSpell(116)->name, "Imperil Other VI");
  EXPECT_EQ(f.hud().Debuffs(1001), nullptr);
  EXPECT_TRUE(f.errors.empty());
}

TEST(HudTargetHealthTest, TheBarShowsTheHealthAndKeepsItsFillInside) {
  TargetHudFixture f;
  f.Obj(1000, "Drudge Slinker", 5).SetLong(25, 12);
  f.Show(1000);
  const std::int32_t w = f.hud().Width();
  struct Case {
    std::int32_t health;
    double fraction;
    std::int32_t redRight;  // 0: no red
    const char* text;
  };
  for (const Case& c :
       {Case{40, 0.5, 35 + (w - 37) / 2, "40 / 80"}, Case{0, 0.0, 0, ""}, Case{80, 1.0, w - 3, "80 / 80"},
        Case{100, 1.25, w - 3, "100 / 80"}, Case{5, -0.5, 0, "5 / 80"}}) {
    SCOPED_TRACE(c.text);
    f.net().IDHealth = c.health;
    f.net().IDHealthMax = 80;
    f.net().IDHealthPer = c.fraction;
    f.canvas().ClearCalls();
    f.hud().UpdateHealth(true);
    EXPECT_TRUE(f.Filled({35, 48, w - 2, 68}, 0xFFFFFFFF));
    EXPECT_TRUE(f.Filled({36, 49, w - 3, 67}, 0xFF770000));
    EXPECT_EQ(f.Filled({36, 49, c.redRight, 67}, 0xFFFF0000), c.redRight != 0);
    EXPECT_EQ(f.Written(), (std::vector<std::string>{c.text}));
  }
  // The full pass: level box, then the bar; red where the health is.
  f.net().IDHealthPer = 0.5;
  EXPECT_EQ(f.Paint(), (std::vector<std::string>{"Drudge Slinker", "12", "5 / 80"}));
  EXPECT_EQ(f.canvas().Pixel(40, 58), 0xFFFF0000u);

  // No bar of its own over an item or an object not identified yet.
  f.Obj(1001, "Apple", 7);
  f.host.World().AddObject(1002, "Drudge", 5);
  for (std::int32_t id : {1001, 1002}) {
    f.Show(id);
    f.canvas().ClearCalls();
    f.hud().UpdateHealth(true);
    EXPECT_TRUE(f.canvas().Calls().empty()) << id;
  }
  EXPECT_TRUE(f.errors.empty());
}

struct DebuffFixture : TargetHudFixture {
  DebuffFixture() {
    AddSpell(9006, "Imperil Other VI", 116, 250, 61, 0x06002001);
    AddSpell(9007, "Gossamer Flesh", 116, 300, 120, 0x06002002);
    AddSpell(9010, "Futility", 38, 300, 61, 0x06002004);
    AddSpell(9011, "Odd Curse", 999, 300, 600, 0x06002005);
    Obj(1000, "Drudge Slinker", 5);
    Show(1000);
  }
  // The minutes under the icons, as the last paint wrote them.
  std::vector<std::string> Row() {
    std::vector<std::string> out;
    for (const auto* c : Calls(Kind::WriteText)) {
      if (c->rect.top == 88) out.push_back(c->text);
    }
    return out;
  }
  void Tick(std::int64_t ms) {
    host.Advance(ms);
    canvas().ClearCalls();
    owner().UpdateDebuffs();
  }
};

TEST(HudTargetDebuffTest, CountdownsShowWholeMinutesRoundedUpAndExpire) {
  DebuffFixture f;
  f.canvas().ClearCalls();
  f.hud().AddDebuff(1000, 9006);
  EXPECT_EQ(f.Row(), (std::vector<std::string>{"2"}));
  const auto images = f.Calls(Kind::DrawImage);
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0]->rect, (platform::Rect{23, 71, 39, 87}));  // slot 1, centred
  for (const auto& [ms, row] : std::vector<std::pair<std::int64_t, std::vector<std::string>>>{
           {1000, {"1"}}, {59000, {"1"}}, {1000, {}}}) {
    f.Tick(ms);
    EXPECT_EQ(f.Row(), row);
  }
  // The target keeps an empty entry; its row is cleared.
  EXPECT_EQ(f.hud().Debuffs(1000)->Count(), 0u);
  EXPECT_TRUE(f.Filled({2, 70, f.hud().Width() - 2, 103}, HudWindow::ToArgb(f.hud().BackgroundColor())));
  EXPECT_TRUE(f.errors.empty());
}

TEST(HudTargetDebuffTest, TheStrongerSpellOfAFamilyStaysWithItsCountdown) {
  DebuffFixture f;
  f.hud().AddDebuff(1000, 9007);  // difficulty 300, 120 s
  f.host.Advance(30000);
  f.hud().AddDebuff(1000, 9006);  // 250: dropped
  EXPECT_EQ(f.hud().Debuffs(1000)->GetSpell(116)->timeRemaining, 90);
  f.AddSpell(9009, "Gossamer Flesh II", 116, 300, 120);
  f.hud().AddDebuff(1000, 9009);  // as strong: replaces, fresh countdown
  EXPECT_EQ(f.hud().Debuffs(1000)->GetSpell(116)->timeRemaining, 120);
}

TEST(HudTargetDebuffTest, SeveralExpiringTogetherAllGoAndMissingOnesAreReported) {
  DebuffFixture f;
  for (std::int32_t spell : {9006, 9010, 9011}) f.hud().AddDebuff(1000, spell);
  f.hud().AddDebuff(2000, 9006);  // not shown, expires all the same
  f.Tick(0);
  // Slot order, not recording order; a family without a slot is never drawn.
  EXPECT_EQ(f.Row(), (std::vector<std::string>{"2", "2"}));
  EXPECT_EQ(f.Calls(Kind::DrawImage).at(0)->image, 0x06002004);
  f.Tick(61000);
  EXPECT_EQ(f.hud().Debuffs(1000)->Count(), 1u);
  EXPECT_EQ(f.hud().Debuffs(2000)->Count(), 0u);
  EXPECT_TRUE(f.errors.empty());

  f.hud().RemoveDebuff(2000);
  EXPECT_EQ(f.hud().Debuffs(2000), nullptr);
  f.hud().RemoveDebuffSpell(2000, 116);
  f.hud().RemoveDebuffSpell(1000, 116);
  EXPECT_EQ(f.errors, (std::vector<std::string>(2, "HudHandlerT.RemoveDebuffSpell #5")));
}

}  // namespace
}  // namespace mellox::test
