// The HUD window engine against the recording canvas of the simulated host.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "core/HubConvert.h"
#include "hud/HudFixture.h"
#include "sim/SimHooks.h"

namespace mellox::test {
namespace {

using Kind = sim::HudCall::Kind;

struct Item {
  const char* key;
  const char* text;
  std::int32_t icon;
  bool newline;
};

std::vector<const sim::HudCall*> CallsOf(const sim::SimHudView& view, Kind kind) {
  std::vector<const sim::HudCall*> out;
  for (const auto& c : view.Calls()) {
    if (c.kind == kind) out.push_back(&c);
  }
  return out;
}

std::vector<std::string> Written(const sim::SimHudView& view) {
  std::vector<std::string> out;
  for (const auto* c : CallsOf(view, Kind::WriteText)) out.push_back(c->text);
  return out;
}

TEST(HudEngineTest, SizeFollowsTheItems) {
  HudFixture f;
  const std::int32_t abc = f.Measure("abc");
  const std::int32_t wide = f.Measure("a wider line");
  const std::int32_t space = f.Measure(" ");
  struct Case {
    const char* name;
    std::vector<Item> items;
    bool outline;
    std::int32_t width;
    std::int32_t height;
  };
  // Height: title 14 + 2 spacing, a text row 16 + 1, an icon row max(16, 16) + 2,
  // an icon column 16 + 16 + 3, the border 2 (and 1 more with an outline).
  const std::vector<Case> cases = {
      {"empty", {}, false, 20, 18},
      {"empty with outline", {}, true, 20, 19},
      {"two lines", {{"a", "abc", -1, true}, {"b", "a wider line", -1, true}}, false, wide + 6, 18 + 2 * 17},
      {"row of two then a line",
       {{"a", "abc", -1, false}, {"b", "abc", -1, false}, {"c", "abc", -1, true}},
       false,
       3 * abc + 4 * space + 6,
       18 + 2 * 17},
      {"row left open", {{"a", "abc", -1, false}, {"b", "abc", -1, false}}, false, 2 * abc + 2 * space + 6, 18 + 17},
      {"icon line", {{"a", "abc", 5, true}}, false, 16 + 1 + abc + 2 + 6, 18 + 18},
      {"icon columns", {{"a", "x", 5, false}, {"b", "a wider line", 6, false}}, false,
       16 + 1 + wide + 4 + 1 + 6, 18 + 35},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    HUDHandler hud;
    hud.SetOutline(c.outline);
    for (const auto& i : c.items) hud.Add(i.key, i.text, "White", i.icon, i.newline);
    hud.SetEnabled(true);
    EXPECT_EQ(hud.Width(), std::max(c.width, 20));
    EXPECT_EQ(hud.Height(), c.height);
    EXPECT_EQ(hud.ScreenRect(), (platform::Rect{5, 100, 5 + hud.Width(), 100 + hud.Height()}));
    EXPECT_EQ(f.Canvas(hud).Rect(), hud.ScreenRect());
  }
  EXPECT_TRUE(f.errors.empty());
}

TEST(HudEngineTest, DocksWithinTwoPixelsAndNotAtThree) {
  HudFixture f;
  HUDHandler hud;
  hud.Add("a", "abc", "White", -1, true);
  hud.SetEnabled(true);
  const std::int32_t w = hud.Width();
  const std::int32_t h = hud.Height();
  // The 3D view is (0, 0, 800, 600): the docking line is 28 pixels lower.
  struct Case {
    std::int32_t off;
    bool docked;
  };
  for (const Case c : {Case{-3, false}, Case{-2, true}, Case{0, true}, Case{2, true}, Case{3, false}}) {
    SCOPED_TRACE(c.off);
    hud.SetPos(800 - w + c.off, 628 - h + c.off, true);
    EXPECT_EQ(hud.DockHorz(), c.docked);
    EXPECT_EQ(hud.DockVert(), c.docked);
    const platform::Rect expected = c.docked ? platform::Rect{800 - w, 628 - h, 800, 628}
                                             : platform::Rect{800 - w + c.off, 628 - h + c.off, 800 + c.off, 628 + c.off};
    EXPECT_EQ(hud.ScreenRect(), expected);
    EXPECT_EQ(f.Canvas(hud).Rect(), expected);
  }
  // A docked HUD follows the view and ignores a stored position.
  hud.SetPos(800 - w, 628 - h, true);
  f.host.Hooks().Set3DRegion({0, 0, 640, 480});
  hud.UpdatePos();
  EXPECT_EQ(hud.ScreenRect(), (platform::Rect{640 - w, 508 - h, 640, 508}));
  hud.SetX(10);
  EXPECT_EQ(hud.X(), 640 - w);
  EXPECT_TRUE(f.errors.empty());
}

TEST(HudEngineTest, TitleFadesOverExactlyTenTicksEachWay) {
  HudFixture f;
  HUDHandler hud;
  hud.SetTitle("Fade");
  hud.Add("a", "abc", "White", -1, true);
  hud.SetEnabled(true);
  auto titleAlpha = [&] {
    // The last fill of the title area carries the bar's alpha.
    std::uint32_t alpha = 0;
    for (const auto* c : CallsOf(f.Canvas(hud), Kind::Fill)) {
      if (c->rect == platform::Rect{0, 0, hud.Width(), 14}) alpha = c->colour >> 24;
    }
    return alpha;
  };
  hud.SetWithinCanvas(true);
  for (std::int32_t step = 1; step <= 10; ++step) {
    f.Canvas(hud).ClearCalls();
    f.host.Advance(25);
    EXPECT_EQ(hud.FadeStep(), step);
    EXPECT_EQ(titleAlpha(), Hub::AlphaByte(step));
  }
  f.host.Advance(250);
  EXPECT_EQ(hud.FadeStep(), 10);  // the timer stopped at the top

  hud.SetWithinCanvas(false);
  for (std::int32_t step = 9; step >= 0; --step) {
    f.host.Advance(25);
    EXPECT_EQ(hud.FadeStep(), step);
    // The bar counts as shown until the fade-out ends; coming back meanwhile changes nothing.
    EXPECT_EQ(hud.WithinCanvas(), step > 0);
    if (step == 5) hud.SetWithinCanvas(true);
  }
  f.host.Advance(250);
  EXPECT_EQ(hud.FadeStep(), 0);
  // A dragged HUD keeps its bar as it is.
  hud.SetOnCanvas(true);
  hud.SetWithinCanvas(true);
  f.host.Advance(100);
  EXPECT_EQ(hud.FadeStep(), 0);
  EXPECT_TRUE(f.errors.empty());
}

TEST(HudEngineTest, GlyphRegionsHaveStrictBoundaries) {
  HudFixture f;
  HUDHandler hud;
  hud.Add("a", "a line wide enough", "White", -1, true);
  hud.SetEnabled(true);
  const std::int32_t w = hud.Width();
  const std::int32_t x = hud.X();
  const std::int32_t y = hud.Y();
  struct Case {
    std::int32_t dx, dy, zone;
  };
  for (const Case c : {Case{w - 21, 5, 0}, Case{w - 20, 5, 0}, Case{w - 19, 5, 2}, Case{w - 13, 5, 2},
                       Case{w - 12, 5, 0}, Case{w - 8, 5, 0}, Case{w - 7, 5, 1}, Case{w - 1, 5, 1}, Case{w, 5, -1},
                       Case{10, 0, -1}, Case{10, 1, 0}, Case{10, 13, 0}, Case{10, 14, -1}, Case{0, 5, -1}}) {
    SCOPED_TRACE(std::to_string(c.dx) + "," + std::to_string(c.dy));
    EXPECT_EQ(hud.ClickHUD(x + c.dx, y + c.dy), c.zone);
  }
  hud.SetDrawTitle(false);
  EXPECT_EQ(hud.ClickHUD(x + 10, y + 5), -1);
  hud.SetDrawTitle(true);
  hud.HUDOff();
  EXPECT_EQ(hud.ClickHUD(x + 10, y + 5), -1);
  EXPECT_FALSE(hud.WithinHUD(x + 10, y + 5));
}

TEST(HudEngineTest, ChangedWidthRepaintsTheWholeRowAndChangedLooksRepaintTheItem) {
  HudFixture f;
  HUDHandler hud;
  hud.Add("a", "ab", "White", -1, false);
  hud.Add("b", "cd", "White", -1, true);
  hud.Add("c", "a much longer line than the row", "White", -1, true);
  hud.SetEnabled(true);
  const std::int32_t width = hud.Width();
  auto& canvas = f.Canvas(hud);

  // Text of the same item grows, the HUD keeps its size: the neighbour moved,
  // so the whole row is cleared and both its items are written again.
  canvas.ClearCalls();
  hud.Add("a", "abcdef", "White", -1, false);
  hud.DrawHUD(false);
  ASSERT_EQ(hud.Width(), width);
  EXPECT_EQ(Written(canvas), (std::vector<std::string>{"abcdef", "cd"}));
  const auto fills = CallsOf(canvas, Kind::Fill);
  EXPECT_TRUE(std::any_of(fills.begin(), fills.end(), [&](const sim::HudCall* c) {
    return c->rect.left == 2 && c->rect.right == width - 2 && c->rect.top == 16;
  }));

  // Same text, another colour or alpha: repainted in the new colour.
  canvas.ClearCalls();
  hud.Add("c", "a much longer line than the row", "Red", -1, true);
  hud.Add("b", "cd", "White", -1, true, 8);
  hud.DrawHUD(false);
  ASSERT_EQ(Written(canvas).size(), 2u);
  for (const auto* c : CallsOf(canvas, Kind::WriteText)) {
    EXPECT_EQ(c->colour, c->text == "cd" ? 0xCCFFFFFFu : 0xFFFF0000u) << c->text;
  }

  // Nothing changed: only the frame is painted.
  canvas.ClearCalls();
  hud.Add("c", "a much longer line than the row", "Red", -1, true);
  hud.DrawHUD(false);
  EXPECT_TRUE(Written(canvas).empty());

  // A changed row flag moves other cells: the surface is made anew.
  const std::size_t mark = f.Mark();
  hud.Add("a", "abcdef", "White", -1, true);
  hud.DrawHUD(false);
  EXPECT_TRUE(f.SaidSince(mark, "hud: create"));
  EXPECT_EQ(f.Canvas(hud).NestingErrors(), 0);
  EXPECT_TRUE(f.errors.empty());
}

TEST(HudEngineTest, SizesAreClampedAndUnknownFacesFallBackToArial) {
  HudFixture f;
  HUDHandler hud;
  hud.SetFontSize(0);
  EXPECT_EQ(hud.FontSize(), kHudMinFontSize);
  hud.SetFontSize(5000);
  EXPECT_EQ(hud.FontSize(), kHudMaxFontSize);
  hud.SetIconSize(-4);
  EXPECT_EQ(hud.IconSize(), kHudMinIconSize);
  hud.SetIconSize(70000);
  EXPECT_EQ(hud.IconSize(), kHudMaxIconSize);
  for (const auto& [face, expected] : std::vector<std::pair<std::string, std::string>>{
           {"Times New Roman", "Times New Roman"}, {"Comic Sans", "Arial"}, {"", "Arial"}, {"Courier New", "Courier New"}}) {
    hud.SetFontFace(face);
    EXPECT_EQ(hud.FontFace(), expected);
  }
  hud.SetFontFace("No Such Face");
  hud.Add("a", "abc", "White", -1, true);
  hud.SetEnabled(true);
  const auto texts = CallsOf(f.Canvas(hud), Kind::BeginText);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[1]->text, "Arial");
  EXPECT_EQ(texts[1]->flags, kHudMaxFontSize);
}

TEST(HudEngineTest, ARefusedSurfaceStopsDrawingAndIsReportedOnce) {
  HudFixture f;
  auto hud = std::make_unique<HUDHandler>();
  hud->SetTitle("Test");
  hud->Add("a", "abc", "White", -1, true);
  const std::int32_t right = 5 + f.Measure("abc") + 6;
  f.host.Render().RefuseSurfaces(true);
  const std::size_t surfaces = f.host.Render().Surfaces().size();
  hud->SetEnabled(true);  // needs a bigger surface: refused
  EXPECT_TRUE(HudCreateFailed);
  EXPECT_EQ(hud->Surface(), nullptr);
  EXPECT_EQ(f.host.Render().Surfaces().size(), surfaces - 1);
  ASSERT_EQ(f.errors.size(), 1u);
  EXPECT_EQ(f.errors[0], "HudHandlerTest.CreateHUD Failure100 5 135 " + std::to_string(right) + " #0");

  // From here nothing of any HUD creates, moves or draws, and nothing more is reported.
  const std::size_t mark = f.Mark();
  hud->Add("b", "def", "White", -1, true);
  hud->DrawHUD(true);
  hud->SetPos(50, 50, true);
  hud->HudOn();
  f.main().SetEnabled(true);
  f.main().DrawHUD(true);
  f.host.Render().RaiseDeviceLost();
  hud->SetWithinCanvas(true);
  f.host.Advance(500);
  EXPECT_EQ(f.errors.size(), 1u);
  EXPECT_FALSE(f.SaidSince(mark, "hud: create"));

  // Going away without a surface, and with the fade timer started, is safe.
  hud.reset();
  f.host.Advance(500);
  EXPECT_FALSE(f.SaidSince(mark, "hud: remove"));
}

TEST(HudEngineTest, AFadeTickAfterTheEngineIsGoneIsSafe) {
  HudFixture f;
  auto hud = std::make_unique<HUDHandler>();
  hud->Add("a", "abc", "White", -1, true);
  hud->SetEnabled(true);
  hud->SetWithinCanvas(true);
  f.host.Advance(50);
  hud.reset();
  f.host.Advance(500);
  EXPECT_TRUE(f.errors.empty());
  EXPECT_TRUE(f.host.UnhandledErrors().empty());
}

TEST(HudEngineTest, APaintingErrorIsReportedWithItsStateAndClosesThePasses) {
  HudFixture f;
  HUDHandler hud;
  hud.SetTitle("Test");
  hud.Add("a", "abc", "White", -1, true);
  // The image id overflows 32 bits when the icon base is added.
  hud.Add("b", "def", "White", INT32_MAX, true);
  hud.SetEnabled(true);
  ASSERT_EQ(f.errors.size(), 1u);
  EXPECT_EQ(f.errors[0].rfind("HudHandlerTest.OutputHud 0 | Drawrect: ", 0), 0u) << f.errors[0];
  EXPECT_NE(f.errors[0].find(" icon:" + std::to_string(0x06000000LL + INT32_MAX)), std::string::npos);
  const auto& canvas = f.Canvas(hud);
  EXPECT_FALSE(canvas.RenderOpen());
  EXPECT_FALSE(canvas.TextOpen());
  EXPECT_EQ(canvas.NestingErrors(), 0);
}

TEST(HudEngineTest, DeviceLossRecreatesTheSurfaceWithEverythingOnIt) {
  HudFixture f;
  HUDHandler hud;
  hud.Add("a", "abc", "White", -1, true);
  hud.SetEnabled(true);
  const std::size_t mark = f.Mark();
  f.host.Render().RaiseDeviceLost();
  ASSERT_TRUE(f.SaidSince(mark, "hud: create"));
  EXPECT_EQ(Written(f.Canvas(hud)), (std::vector<std::string>{"abc"}));
  EXPECT_TRUE(f.Canvas(hud).EnabledGet());
}

}  // namespace
}  // namespace mellox::test
