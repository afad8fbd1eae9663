// The item-count HUD: counts of the watched items from the inventory, their
// colours, icons and the running-low warnings.
#include <gtest/gtest.h>

#include "chat/CellValue.h"
#include "hud/HUDItemHandler.h"
#include "hud/HudOwnerFixture.h"
#include "sim/SimWorld.h"
#include "sim/SimWorldObject.h"

namespace mellox::test {
namespace {

using Lines = std::vector<std::string>;

constexpr std::int32_t kIcon = 0x0D000001;
constexpr std::int32_t kContainer = 0x0D000002;
constexpr std::int32_t kStack = 0x0D000006;
constexpr std::int32_t kPack = 0x60000001;

struct ItemFixture : HudOwnerFixture {
  ItemFixture() {
    hud().SetEnabled(true);
    ch().ChatOptions->DataLet(0, ch().FindName("Running Low on Item Warning", "ChatOptions"), 0, true);
  }
  ~ItemFixture() { DebugMode = false; }
  HUDItemHandler& owner() { return *HUDItemHandlerInstance; }
  HUDHandler& hud() { return *owner().ItemHUD; }
  platform::ListControl& list() { return *ch().HudItems; }

  void Watch(const std::string& name, const std::string& threshold, bool shown = true) {
    const std::int32_t r = list().AddRow();
    list().DataLet(0, r, 0, shown);
    list().DataLet(1, r, 0, name);
    list().DataLet(2, r, 0, threshold);
    list().DataLet(6, r, 0, -1);
  }
  // The character carries count of the item, as one stack with the given id.
  void Carry(std::int32_t id, const std::string& name, std::int32_t count, std::int32_t icon = 0x1200) {
    if (count == 0) return host.World().RemoveFromInventory(id);
    host.World().AddObject(id, name).SetLong(kStack, count).SetLong(kContainer, kPack).SetLong(kIcon, icon);
    host.World().AddToInventory(id, kPack);
  }
  // A refresh and the own chat lines it wrote.
  Lines Refresh() {
    const std::size_t mark = Mark();
    owner().CreateHUD();
    Lines out;
    for (std::size_t i = mark; i < host.Output().size(); ++i) {
      const auto at = host.Output()[i].find("<Mellox> ");
      if (at != std::string::npos) out.push_back(host.Output()[i].substr(at + 9));
    }
    return out;
  }
  std::string Colour(const char* key) { return hud().Item(key)->color; }
};

TEST(HUDItemHandlerTest, ColourBandsFollowTheThreshold) {
  ItemFixture f;
  f.Watch("Mana Stone", "10");
  f.Watch("Heal Kit", "5");
  f.ch().HudItemsColor->SelectedLet(8);  // Green for normal stock
  for (const auto& [stones, stoneColour, kits, kitColour] :
       {std::tuple{15, "Green", 7, "Green"}, std::tuple{14, "Yellow", 6, "Yellow"},
        std::tuple{10, "Yellow", 5, "Yellow"}, std::tuple{9, "Red", 4, "Red"}}) {
    f.Carry(1, "Mana Stone", stones);
    f.Carry(2, "Heal Kit", kits);
    f.owner().CreateHUD();
    EXPECT_EQ(f.Colour("0"), stoneColour) << stones;
    EXPECT_EQ(f.Colour("1"), kitColour) << kits;
  }
  EXPECT_EQ(f.Painted(f.hud()), (Lines{"9", "4"}));
}

TEST(HUDItemHandlerTest, IconsAreLearnedOnceAndUnknownOnesShowTheFallback) {
  ItemFixture f;
  f.Watch("Mana Stone", "0");
  f.Watch("Pyreal", "0");
  f.Carry(1, "Mana Stone", 3, 0x2345);
  f.owner().CreateHUD();
  EXPECT_EQ(CellLong(f.list().DataGet(6, 0, 0)), 0x2345);
  // None carried and never seen: the fallback icon for the line, nothing learned.
  EXPECT_EQ(f.hud().Item("1")->icon, HUDItemHandler::kUnknownItemIcon);
  EXPECT_EQ(CellLong(f.list().DataGet(6, 1, 0)), -1);
  // A learned icon stays when the last one is used up.
  f.Carry(1, "Mana Stone", 0);
  f.owner().CreateHUD();
  EXPECT_EQ(f.hud().Item("0")->icon, 0x2345);
}

TEST(HUDItemHandlerTest, WarningsComeOnceWhenTheCountChanges) {
  ItemFixture f;
  f.Watch("Mana Stone", "10");
  f.Watch("Heal Kit", "10");
  f.Watch("Pea", "10", false);
  f.Carry(1, "Mana Stone", 20);
  f.Carry(2, "Heal Kit", 20);
  f.Carry(3, "Pea", 20);
  EXPECT_EQ(f.Refresh(), Lines{});
  f.Carry(1, "Mana Stone", 12);
  f.Carry(2, "Heal Kit", 12);
  f.Carry(3, "Pea", 1);  // hidden: counted, never shown nor warned about
  EXPECT_EQ(f.Refresh(), (Lines{"You are getting low on Mana Stone, Heal Kit"}));
  EXPECT_EQ(f.Refresh(), Lines{});  // unchanged: silent however low
  f.Carry(1, "Mana Stone", 8);
  EXPECT_EQ(f.Refresh(), (Lines{"Warning! You are nearly out of Mana Stone"}));
  f.Carry(1, "Mana Stone", 0);
  f.Carry(2, "Heal Kit", 9);
  EXPECT_EQ(f.Refresh(),
            (Lines{"Warning! You are nearly out of Heal Kit", "Warning! You are out of Mana Stone"}));
  EXPECT_EQ(f.hud().Item("2"), nullptr);

  // Switched off: colours still change, nothing is said.
  f.ch().ChatOptions->DataLet(0, f.ch().FindName("Running Low on Item Warning", "ChatOptions"), 0, false);
  f.Carry(2, "Heal Kit", 3);
  EXPECT_EQ(f.Refresh(), Lines{});
  EXPECT_EQ(f.Colour("1"), "Red");
  EXPECT_TRUE(f.errors.empty());
}

TEST(HUDItemHandlerTest, MovingOrDeletingRowsWarnsAboutNothing) {
  ItemFixture f;
  f.Watch("Mana Stone", "10");
  f.Watch("Heal Kit", "100");
  f.Carry(1, "Mana Stone", 3);
  f.Carry(2, "Heal Kit", 50);
  EXPECT_EQ(f.Refresh(), (Lines{"Warning! You are nearly out of Mana Stone, Heal Kit"}));
  f.list().DeleteRow(0);
  EXPECT_EQ(f.Refresh(), Lines{});
  // Watched again after being dropped, it starts from nothing as a new row does.
  f.Watch("Mana Stone", "10");
  EXPECT_EQ(f.Refresh(), (Lines{"Warning! You are nearly out of Mana Stone"}));
  f.list().DeleteRow(0);
  f.Watch("Heal Kit", "100");
  EXPECT_EQ(f.Refresh(), Lines{});
}

TEST(HUDItemHandlerTest, AThresholdThatIsNoNumberLimitsNothing) {
  ItemFixture f;
  f.Watch("Mana Stone", "lots");
  f.Watch("Heal Kit", "");
  f.Watch("Pea", "2");
  for (std::int32_t id : {1, 2, 3}) f.Carry(id, id == 1 ? "Mana Stone" : id == 2 ? "Heal Kit" : "Pea", 1);
  EXPECT_EQ(f.Refresh(), (Lines{"Warning! You are nearly out of Pea"}));
  EXPECT_EQ(f.Colour("0"), "White");
  EXPECT_EQ(f.Colour("1"), "White");
  EXPECT_TRUE(f.errors.empty());
}

TEST(HUDItemHandlerTest, InventoryChangesWithin50msMakeOneRefresh) {
  ItemFixture f;
  f.Watch("Mana Stone", "0");
  f.Carry(1, "Mana Stone", 5);
  f.host.World().AddObject(9, "Pyreal");
  DebugMode = true;
  const std::size_t mark = f.Mark();
  for (std::int32_t count : {6, 7, 8}) {
    f.Carry(1, "Mana Stone", count);
    f.host.World().RaiseChangeObject(1, 1);
    f.host.Advance(10);
  }
  EXPECT_EQ(f.hud().Item("0"), nullptr);
  f.host.Advance(20);
  EXPECT_EQ(f.Text(f.hud(), "0"), "8");
  // A change of an item nobody watches asks for nothing.
  f.host.World().RaiseChangeObject(9, 1);
  f.host.Advance(500);
  std::size_t refreshes = 0;
  for (std::size_t i = mark; i < f.host.Output().size(); ++i) {
    refreshes += f.host.Output()[i].find("Item Refresh") != std::string::npos;
  }
  EXPECT_EQ(refreshes, 1u);

  // A refresh that fails (a shown cell no longer a Boolean) stops the timer
  // all the same: one report, not one every 50 ms.
  EXPECT_TRUE(f.errors.empty());
  f.list().DataLet(0, 0, 0, std::string("maybe"));
  f.host.World().RaiseChangeObject(1, 1);
  f.host.Advance(500);
  EXPECT_EQ(f.errors.size(), 1u);
}

}  // namespace
}  // namespace mellox::test
