// The simulated render service's software rasteriser.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "sim/SimFont.h"
#include "sim/SimHudView.h"
#include "sim/SimRaster.h"
#include "sim/SimRecorder.h"
#include "sim/SimRenderService.h"
#include "sim/SimTypeface.h"
#include "support/TempHome.h"

namespace mellox::sim {
namespace {

// Pixels of a buffer whose colour satisfies pred, inside a rectangle.
template <class Pred>
int Count(const PixelBuffer& b, const platform::Rect& r, Pred pred) {
  int n = 0;
  for (std::int32_t y = r.top; y < r.bottom; ++y) {
    for (std::int32_t x = r.left; x < r.right; ++x) n += pred(b.At(x, y)) ? 1 : 0;
  }
  return n;
}

TEST(SimRasterTest, FillReplacesClearEmptiesAndEverythingClips) {
  SimHudView view({0, 0, 10, 10});
  view.BeginRender(0);
  view.Fill({-5, -5, 4, 4}, 0xFF112233);
  view.Fill({2, 2, 20, 20}, 0x40FFFFFF);  // replaces, alpha and all
  view.Clear({8, 8, 9, 9});
  view.EndRender();
  EXPECT_EQ(view.Pixel(0, 0), 0xFF112233u);
  EXPECT_EQ(view.Pixel(3, 3), 0x40FFFFFFu);
  EXPECT_EQ(view.Pixel(9, 9), 0x40FFFFFFu);
  EXPECT_EQ(view.Pixel(8, 8), 0u);
  EXPECT_EQ(view.Pixels().size(), 100u);
  // A move keeps the picture.
  view.SetRect({50, 50, 60, 60});
  EXPECT_EQ(view.Pixel(0, 0), 0xFF112233u);
}

TEST(SimRasterTest, BlendingIsSourceOver) {
  struct Case {
    std::uint32_t dst, src, coverage, out;
  };
  for (const Case c : {Case{0xFF000000, 0xFFFFFFFF, 255, 0xFFFFFFFF}, Case{0xFF000000, 0x80FFFFFF, 255, 0xFF808080},
                       Case{0x00000000, 0x80FF0000, 255, 0x80FF0000}, Case{0xFF0000FF, 0xFFFF0000, 0, 0xFF0000FF},
                       Case{0xFF000000, 0xFFFFFFFF, 128, 0xFF808080}}) {
    EXPECT_EQ(raster::Blend(c.dst, c.src, c.coverage), c.out) << std::hex << c.dst << " " << c.src;
  }
}

TEST(SimRasterTest, TextUsesTheMeasuredMetricsAndItsFormat) {
  SimTypeface* arial = SimTypeface::Find("Arial", true);
  ASSERT_NE(arial, nullptr) << "fonts-liberation2 is not installed";
  EXPECT_NE(arial->Path().find("LiberationSans-Bold"), std::string::npos);
  ASSERT_NE(SimTypeface::Find("Verdana", false), nullptr);
  EXPECT_NE(SimTypeface::Find("Verdana", false)->Path().find("DejaVuSans"), std::string::npos);
  EXPECT_NE(SimTypeface::Find("Courier New", false)->Path().find("LiberationMono"), std::string::npos);

  // The font the plug-in measures with matches what is drawn.
  SimFont font("Arial", 16, 1);
  const std::int32_t width = font.MeasureText("Hello");
  EXPECT_EQ(width, arial->Measure("Hello", 16));
  EXPECT_GE(width, SimFont("Arial", 16, 0).MeasureText("Hello"));
  EXPECT_GT(SimFont("Arial", 24, 1).MeasureText("Hello"), width);

  for (std::int32_t format : {0, 1}) {
    SCOPED_TRACE(format);
    SimHudView view({0, 0, 200, 20});
    view.BeginRender(0);
    view.BeginText("Arial", 16, 700, 0);
    view.WriteText({0, 0, 200, 20}, 0xFFFF0000, format, "Hello");
    view.EndText();
    view.EndRender();
    const auto red = [](std::uint32_t px) { return px == 0xFFFF0000u; };
    const std::int32_t left = format == 1 ? (200 - width) / 2 : 0;
    EXPECT_GT(Count(view.Buffer(), {left, 0, left + width + 1, 20}, red), 20);
    EXPECT_EQ(Count(view.Buffer(), {0, 0, left - 1, 20}, red), 0);
    EXPECT_EQ(Count(view.Buffer(), {left + width + 2, 0, 200, 20}, red), 0);
  }
}

TEST(SimRasterTest, IconsAreDeterministicPlaceholders) {
  auto draw = [](std::int32_t id) {
    SimHudView view({0, 0, 16, 16});
    view.BeginRender(0);
    view.DrawPortalImage(id, {0, 0, 16, 16});
    view.EndRender();
    return view.Pixels();
  };
  EXPECT_EQ(draw(0x06001234), draw(0x06001234));
  EXPECT_NE(draw(0x06001234), draw(0x06001235));
  const auto pixels = draw(0x06001234);
  EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(), [](std::uint32_t px) { return (px >> 24) == 0xFF; }));
}

TEST(SimRasterTest, TheFrameShowsTheViewAndTheShownSurfacesAndGoesToPng) {
  SimRecorder recorder;
  SimRenderService render(recorder);
  auto shown = render.CreateHUD({10, 10, 20, 20});
  auto hidden = render.CreateHUD({30, 30, 40, 40});
  shown->BeginRender(0);
  shown->Fill({0, 0, 10, 10}, 0x80FFFFFF);
  shown->EndRender();
  hidden->BeginRender(0);
  hidden->Fill({0, 0, 10, 10}, 0xFFFF0000);
  hidden->EndRender();
  hidden->EnabledLet(false);
  const PixelBuffer frame = render.ComposeFrame(100, 80, {0, 0, 60, 50});
  EXPECT_EQ(frame.At(0, 25), SimRenderService::kViewEdge);
  EXPECT_EQ(frame.At(5, 5), SimRenderService::kViewFill);
  EXPECT_EQ(frame.At(80, 70), SimRenderService::kBackdrop);
  EXPECT_EQ(frame.At(15, 15), raster::Blend(SimRenderService::kViewFill, 0x80FFFFFF));
  EXPECT_EQ(frame.At(35, 35), SimRenderService::kViewFill);

  // A lost device takes every surface's drawing with it: only what is made
  // again shows, even at the same place and size.
  auto left = render.CreateHUD({70, 10, 80, 20});
  left->BeginRender(0);
  left->Fill({0, 0, 10, 10}, 0xFF0000FF);
  left->EndRender();
  EXPECT_EQ(render.ComposeFrame(100, 80, {0, 0, 60, 50}).At(75, 15), 0xFF0000FFu);
  const auto remake = render.DeviceLost.Connect([&] {
    render.RemoveHUD(shown);
    shown = render.CreateHUD({10, 10, 20, 20});
    shown->BeginRender(0);
    shown->Fill({0, 0, 10, 10}, 0xFF00FF00);
    shown->EndRender();
  });
  render.RaiseDeviceLost();
  const PixelBuffer after = render.ComposeFrame(100, 80, {0, 0, 60, 50});
  EXPECT_EQ(after.At(15, 15), 0xFF00FF00u);
  EXPECT_EQ(after.At(75, 15), SimRenderService::kBackdrop);
  EXPECT_TRUE(static_cast<SimHudView&>(*left).Calls().empty());
  // Drawing on a lost surface shows nothing either.
  left->BeginRender(0);
  left->Fill({0, 0, 10, 10}, 0xFF0000FF);
  left->EndRender();
  EXPECT_EQ(render.ComposeFrame(100, 80, {0, 0, 60, 50}).At(75, 15), SimRenderService::kBackdrop);

  test::TempHome home;
  const auto path = home.path() / "frame.png";
  ASSERT_TRUE(WritePng(path.string(), frame));
  std::ifstream in(path, std::ios::binary);
  char signature[8] = {};
  in.read(signature, 8);
  EXPECT_EQ(std::string(signature + 1, 3), "PNG");
  EXPECT_FALSE(WritePng((home.path() / "no" / "such" / "folder.png").string(), frame));
}

}  // namespace
}  // namespace mellox::sim
