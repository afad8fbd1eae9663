// A few pixels of the rasterised main HUD and of the composed game window.
#include <gtest/gtest.h>

#include "hud/HudFixture.h"

namespace mellox::test {
namespace {

TEST(HudPixelTest, TitleBarAlphaFollowsTheFadeAndItemsHaveTheirColour) {
  HudFixture f;
  HUDHandler hud;
  hud.SetTitle("Pixels");
  hud.Add("a", "Red line", "Red", -1, true);
  hud.Add("b", "Green line that is wider", "Green", -1, true);
  hud.SetEnabled(true);
  hud.SetPos(300, 200, false);
  const auto& view = f.Canvas(hud);

  // Hidden bar: transparent title area, half-transparent black background and frame.
  EXPECT_EQ(view.Pixel(1, 1), 0u);
  EXPECT_EQ(view.Pixel(0, 20), 0x80000000u);
  hud.SetWithinCanvas(true);
  f.host.Advance(5 * 25);
  EXPECT_EQ(view.Pixel(1, 1), 0x80000000u);
  f.host.Advance(5 * 25);
  EXPECT_EQ(view.Pixel(1, 1), 0xFF000000u);
  EXPECT_EQ(view.Pixel(0, 20), 0xFF000000u);  // the frame is opaque with the bar fully shown

  // Solid strokes of the item text carry the item's colour.
  auto count = [&](std::uint32_t colour, std::int32_t top, std::int32_t bottom) {
    int n = 0;
    for (std::int32_t y = top; y < bottom; ++y) {
      for (std::int32_t x = 0; x < hud.Width(); ++x) n += view.Pixel(x, y) == colour ? 1 : 0;
    }
    return n;
  };
  EXPECT_GT(count(0xFFFF0000u, 16, 33), 20);
  EXPECT_EQ(count(0xFFFF0000u, 33, hud.Height()), 0);
  EXPECT_GT(count(0xFF00AF00u, 33, 50), 20);

  // In the game window the HUD sits at its place over the 3D view.
  const sim::PixelBuffer frame = f.host.ComposeFrame();
  EXPECT_EQ(frame.width, 1024);
  EXPECT_EQ(frame.height, 768);
  EXPECT_EQ(frame.At(301, 201), 0xFF000000u);
  EXPECT_EQ(frame.At(299, 201), sim::SimRenderService::kViewFill);
  EXPECT_EQ(frame.At(900, 700), sim::SimRenderService::kBackdrop);
  EXPECT_TRUE(f.errors.empty());
}

}  // namespace
}  // namespace mellox::test
