// The title-bar glyphs of the clock, item and status HUDs: hide the title,
// close the HUD.
#include <gtest/gtest.h>

#include <functional>

#include "chat/CellValue.h"
#include "hud/HUDClockHandler.h"
#include "hud/HUDItemHandler.h"
#include "hud/HUDStatusHandler.h"
#include "hud/HudOwnerFixture.h"

namespace mellox::test {
namespace {

constexpr const char* kTip =
    "Click on the HUD while holding shift to reshow the title bar.  Click on the HUD while holding control "
    "to move "
    "the hud";

struct Owner {
  const char* name;
  std::int32_t generalRow;
  std::function<HUDHandler&()> hud;
  std::function<void()> create;
  std::function<void(std::int32_t, std::int32_t)> click;
  std::function<bool(std::int32_t, std::int32_t)> withinTitle;
};

std::vector<Owner> Owners() {
  return {
      {"clock", 1, []() -> HUDHandler& { return *HUDClockHandlerInstance->ClockHUD; },
       [] { HUDClockHandlerInstance->CreateHUD(); },
       [](std::int32_t x, std::int32_t y) { HUDClockHandlerInstance->ClickHUD(x, y); },
       [](std::int32_t x, std::int32_t y) { return HUDClockHandlerInstance->WithinTitle(x, y); }},
      {"item", 2, []() -> HUDHandler& { return *HUDItemHandlerInstance->ItemHUD; },
       [] {
         auto& items = *ControlHandlerInstance->HudItems;
         const std::int32_t r = items.AddRow();
         items.DataLet(0, r, 0, true);
         items.DataLet(1, r, 0, "Mana Stone");
         items.DataLet(2, r, 0, "1");
         items.DataLet(6, r, 0, -1);
         HUDItemHandlerInstance->CreateHUD();
       },
       [](std::int32_t x, std::int32_t y) { HUDItemHandlerInstance->ClickHUD(x, y); },
       [](std::int32_t x, std::int32_t y) { return HUDItemHandlerInstance->WithinTitle(x, y); }},
      {"status", 3, []() -> HUDHandler& { return *HUDStatusHandlerInstance->StatusHud; },
       [] { HUDStatusHandlerInstance->AddMessage("You have entered the Marketplace."); },
       [](std::int32_t x, std::int32_t y) { HUDStatusHandlerInstance->ClickHUD(x, y); },
       [](std::int32_t x, std::int32_t y) { return HUDStatusHandlerInstance->WithinTitle(x, y); }},
  };
}

TEST(HudOwnerGlyphTest, TheGlyphsHideTheTitleOrCloseTheHud) {
  for (const Owner& o : Owners()) {
    SCOPED_TRACE(o.name);
    HudOwnerFixture f;
    HUDHandler& hud = o.hud();
    f.ch().HudGeneral->DataLet(0, o.generalRow, 0, true);
    hud.SetEnabled(true);
    o.create();
    const std::int32_t right = hud.X() + hud.Width();
    const std::int32_t y = hud.Y() + 5;
    ASSERT_GT(hud.Width(), 30);
    EXPECT_TRUE(o.withinTitle(hud.X() + 10, y));
    EXPECT_FALSE(o.withinTitle(right - 15, y));  // on "O"
    EXPECT_FALSE(o.withinTitle(right - 3, y));   // on "X"
    EXPECT_FALSE(o.withinTitle(hud.X() + 10, y + 20));

    // Outside the HUD or on the bar off the glyphs: nothing.
    std::size_t mark = f.Mark();
    o.click(hud.X() + 10, y);
    o.click(hud.X() - 5, y);
    EXPECT_TRUE(hud.DrawTitle());
    EXPECT_TRUE(hud.Enabled());
    EXPECT_FALSE(f.SaidSince(mark, kTip));

    o.click(right - 15, y);
    EXPECT_FALSE(hud.DrawTitle());
    EXPECT_TRUE(f.SaidSince(mark, kTip));
    EXPECT_FALSE(o.withinTitle(hud.X() + 10, y));

    hud.SetDrawTitle(true);
    o.click(right - 3, y);
    EXPECT_FALSE(CellBool(f.ch().HudGeneral->DataGet(0, o.generalRow, 0)));
    EXPECT_FALSE(hud.Enabled());
    EXPECT_FALSE(f.Canvas(hud).EnabledGet());
    EXPECT_TRUE(f.errors.empty());
  }
}

}  // namespace
}  // namespace mellox::test
