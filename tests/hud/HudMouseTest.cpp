// Mouse handling of the HUDs: hover fade, clicks, drags, their saves.
#include <gtest/gtest.h>

#include "hud/HudFixture.h"
#include "hud/HudMouse.h"
#include "sim/SimCheckBox.h"
#include "sim/SimView.h"

namespace mellox::test {
namespace {

struct MouseFixture : HudFixture {
  MouseFixture() {
    HUDMainHandlerInstance->CreateHUD();
    main().SetEnabled(true);
  }
  std::int32_t X() { return main().X(); }
  std::int32_t Y() { return main().Y(); }
  std::int32_t Right() { return main().X() + main().Width(); }
};

TEST(HudMouseTest, HoverFadesTheTitleInAndOut) {
  MouseFixture f;
  f.Move(f.X() + 20, f.Y() + 30);
  f.host.Advance(250);
  EXPECT_EQ(f.main().FadeStep(), 10);
  EXPECT_EQ(MousePos, (platform::Point{f.X() + 20, f.Y() + 30}));
  f.Move(f.X() - 1, f.Y() + 30);  // just outside
  f.host.Advance(250);
  EXPECT_EQ(f.main().FadeStep(), 0);
  EXPECT_FALSE(f.main().WithinCanvas());
}

TEST(HudMouseTest, APressAndReleaseOnOnePixelIsAClickAnythingElseADrag) {
  MouseFixture f;
  const std::int32_t x0 = f.X();
  const std::int32_t y0 = f.Y();
  // A click on the title bar moves nothing.
  f.Click(x0 + 20, y0 + 5);
  EXPECT_EQ(f.main().ScreenRect().left, x0);
  EXPECT_FALSE(f.main().OnCanvas());

  // A press on the title bar, moves with the button held, a release elsewhere: a drag.
  f.Down(x0 + 20, y0 + 5);
  EXPECT_TRUE(f.main().OnCanvas());
  f.Move(x0 + 70, y0 + 45, true);
  f.Move(x0 + 120, y0 + 85, true);
  EXPECT_EQ(f.main().X(), x0 + 100);
  EXPECT_EQ(f.main().Y(), y0 + 80);
  EXPECT_EQ(f.Canvas(f.main()).Rect().left, x0 + 100);
  f.Up(x0 + 120, y0 + 85);
  EXPECT_FALSE(f.main().OnCanvas());
  f.Move(x0 + 300, y0 + 300);
  EXPECT_EQ(f.main().X(), x0 + 100);

  // A press below the title bar without Ctrl starts no drag; with Ctrl it does.
  const std::int32_t x1 = f.X();
  const std::int32_t y1 = f.Y();
  f.Down(x1 + 10, y1 + 25);
  EXPECT_FALSE(f.main().OnCanvas());
  f.Up(x1 + 10, y1 + 25);
  f.Down(x1 + 10, y1 + 25, /*ctrl=*/true);
  f.Move(x1 + 20, y1 + 35, true);
  f.Up(x1 + 20, y1 + 35);
  EXPECT_EQ(f.main().X(), x1 + 10);
  EXPECT_EQ(DragOffset, (platform::Point{10, 25}));
  EXPECT_TRUE(f.errors.empty());
}

TEST(HudMouseTest, ClicksOnTheGlyphsAndShiftBringsTheTitleBack) {
  MouseFixture f;
  const std::int32_t y = f.Y() + 5;
  f.Click(f.Right() - 15, y);  // "O"
  EXPECT_FALSE(f.main().DrawTitle());
  // The title bar is not there to drag by any more.
  f.Down(f.X() + 20, y);
  EXPECT_FALSE(f.main().OnCanvas());
  f.Up(f.X() + 20, y);
  // Shift-click anywhere on the HUD shows it again.
  f.Down(f.X() + 20, f.Y() + 30, false, /*shift=*/true);
  f.Up(f.X() + 20, f.Y() + 30);
  EXPECT_TRUE(f.main().DrawTitle());
  // "X" switches the HUD off.
  f.Click(f.Right() - 3, y);
  EXPECT_FALSE(f.main().Enabled());
  EXPECT_TRUE(f.errors.empty());
}

TEST(HudMouseTest, NothingHappensUnlessActiveWithHudsOn) {
  MouseFixture f;
  auto noEffect = [&](const char* why) {
    SCOPED_TRACE(why);
    f.Move(f.X() + 20, f.Y() + 30);
    f.Down(f.X() + 20, f.Y() + 5);
    f.host.Advance(250);
    EXPECT_EQ(f.main().FadeStep(), 0);
    EXPECT_FALSE(f.main().OnCanvas());
    f.Up(f.X() + 20, f.Y() + 5);
  };
  ControlHandlerInstance->HudOn->CheckedLet(false);
  noEffect("master box unticked");
  ControlHandlerInstance->HudOn->CheckedLet(true);
  PluginActive = false;
  noEffect("plug-in inactive");
  PluginActive = true;
  HudCreateFailed = true;
  noEffect("HUD drawing failed");
  HudCreateFailed = false;
}

TEST(HudMouseTest, ADragWhoseReleaseWasLostEndsOnTheNextMoveWithoutTheButton) {
  MouseFixture f;
  const std::int32_t x0 = f.X();
  const std::int32_t y0 = f.Y();
  f.Down(x0 + 20, y0 + 5);
  f.Move(x0 + 40, y0 + 15, true);
  // The button went up outside the game window: no release message came.
  f.Move(x0 + 90, y0 + 95, false);
  EXPECT_FALSE(f.main().OnCanvas());
  EXPECT_EQ(f.main().X(), x0 + 20);
  f.Move(x0 + 200, y0 + 200, false);
  EXPECT_EQ(f.main().X(), x0 + 20);
}

// Two engines visited directly, as the handler visits the five HUDs.
struct Owner {
  HUDHandler* hud;
  bool WithinTitle(std::int32_t x, std::int32_t y) { return hud->ClickHUD(x, y) == 0; }
  void ClickHUD(std::int32_t, std::int32_t) {}
};
void NoSave() {}

TEST(HudMouseTest, HudsDraggedTogetherKeepTheirOwnOffsets) {
  HudFixture f;
  HUDHandler a;
  HUDHandler b;
  for (HUDHandler* h : {&a, &b}) {
    h->Add("x", "a line of text", "White", -1, true);
    h->SetEnabled(true);
  }
  a.SetPos(100, 100, false);
  b.SetPos(130, 110, false);
  Owner oa{&a};
  Owner ob{&b};
  const std::array<HudSlot, 2> slots{MakeHudSlot(&oa, &a), MakeHudSlot(&ob, &b)};
  HudMouse::Input in;
  in.pos = {140, 120};  // inside both
  in.ctrl = true;
  HudMouse::Handle(HudMouse::kLeftDown, in, slots, &NoSave);
  ASSERT_TRUE(a.OnCanvas() && b.OnCanvas());
  in = {};
  in.pos = {240, 170};
  HudMouse::Handle(HudMouse::kMouseMove, in, slots, &NoSave);
  EXPECT_EQ((platform::Point{a.X(), a.Y()}), (platform::Point{200, 150}));
  EXPECT_EQ((platform::Point{b.X(), b.Y()}), (platform::Point{230, 160}));
  HudMouse::Handle(HudMouse::kLeftUp, in, slots, &NoSave);
  EXPECT_FALSE(a.OnCanvas() || b.OnCanvas());
}

TEST(HudMouseTest, TheGameAlwaysGetsTheMessage) {
  MouseFixture f;
  auto* sink = dynamic_cast<platform::IWindowsMessageSink*>(f.host.Plugin());
  ASSERT_NE(sink, nullptr);
  for (std::int32_t msg : {512, 513, 514, 256}) {
    bool eat = true;
    sink->WindowMessage(0, msg, 0, 0, eat);
    EXPECT_FALSE(eat);
  }
}

}  // namespace
}  // namespace mellox::test
