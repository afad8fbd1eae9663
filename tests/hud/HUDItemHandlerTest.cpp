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

constexpr std::int32_t kIcon = 0x0D000001;
constexpr std::int32_t kContainer = 0x0D000002;
constexpr std::int32_t kStack = 0x0D000006;
constexpr std::int32_t kPack = 0x60000001;

struct ItemFixture : HudOwnerFixture {
  ItemFixture() {
    hud().SetEnabled(true);
    Warnings(true);
  }
  ~ItemFixture() { DebugMode = false; }
  HUDItemHandler& owner() { return *HUDItemHandlerInstance; }
  HUDHandler& hud() { return *owner().ItemHUD; }
  platform::ListControl& list() { return *ch().HudItems; }

  std::int32_t Watch(const std::string& name, const std::string& threshold, bool shown = true) {
    const std::int32_t r = list().AddRow();
    list().DataLet(0, r, 0, shown);
    list().DataLet(1, r, 0, name);
    list().DataLet(2, r, 0, threshold);
    list().DataLet(6, r, 0, -1);
    return r;
  }
  // The character carries count of the item (one stack with the given id).
  void Carry(std::int32_t id, const std::string& name, std::int32_t count, std::int32_t icon = 0x1200) {
    if (count == 0) {
      host.World().RemoveFromInventory(id);
      return;
    }
    host.World().AddObject(id, name).SetLong(kStack, count).SetLong(kContainer, kPack).SetLong(kIcon, icon);
    host.World().AddToInventory(id, kPack);
  }
  void Warnings(bool on) {
    ch().ChatOptions->DataLet(0, ch().FindName("Running Low on Item Warning", "ChatOptions"), 0, on);
  }
  // The own chat lines since mark, without their prefix.
  std::vector<std::string> Said(std::size_t mark) const {
    std::vector<std::string> out;
    for (std::size_t i = mark; i < host.Output().size(); ++i) {
      const std::string& line = host.Output()[i];
      const auto at = line.find("<Mellox> ");
      if (at != std::string::npos) out.push_back(line.substr(at + 9));
    }
    return out;
  }
  std::vector<std::string> Refresh() {
    const std::size_t mark = Mark();
    owner().CreateHUD();
    return Said(mark);
  }
};

using Lines = std::vector<std::string>;

TEST(HUDItemHandlerTest, ColourBandsFollowTheThreshold) {
  ItemFixture f;
  f.Watch("Mana Stone", "10");
  f.Watch("Heal Kit", "5");
  f.ch().HudItemsColor->SelectedLet(8);  // Green for normal stock
  struct Case {
    std::int32_t manaStones;
    const char* manaColour;
    std::int32_t healKits;
    const char* kitColour;
  };
  for (const Case c : {Case{15, "Green", 7, "Green"}, Case{14, "Yellow", 6, "Yellow"},
                       Case{10, "Yellow", 5, "Yellow"}, Case{9, "Red", 4, "Red"}, Case{1, "Red", 1, "Red"}}) {
    f.Carry(1, "Mana Stone", c.manaStones);
    f.Carry(2, "Heal Kit", c.healKits);
    f.owner().CreateHUD();
    EXPECT_EQ(f.hud().Item("0")->data, std::to_string(c.manaStones));
    EXPECT_EQ(f.hud().Item("0")->color, c.manaColour) << c.manaStones;
    EXPECT_EQ(f.hud().Item("1")->color, c.kitColour) << c.healKits;
  }
  EXPECT_EQ(f.Painted(f.hud()), (Lines{"1", "1"}));
  EXPECT_TRUE(f.errors.empty());
}

TEST(HUDItemHandlerTest, IconsAreLearnedOnceAndUnknownOnesShowTheFallback) {
  ItemFixture f;
  f.Watch("Mana Stone", "0");
  f.Watch("Pyreal", "0");
  f.Carry(1, "Mana Stone", 3, 0x2345);
  f.owner().CreateHUD();
  EXPECT_EQ(CellLong(f.list().DataGet(6, 0, 0)), 0x2345);
  EXPECT_EQ(f.hud().Item("0")->icon, 0x2345);
  // None carried and never seen: the fallback icon, nothing learned; no threshold, no colour.
  EXPECT_EQ(f.hud().Item("1")->icon, HUDItemHandler::kUnknownItemIcon);
  EXPECT_EQ(f.hud().Item("1")->color, "White");
  EXPECT_EQ(CellLong(f.list().DataGet(6, 1, 0)), -1);
  // A learned icon stays when the last one is used up.
  f.Carry(1, "Mana Stone", 0);
  f.owner().CreateHUD();
  EXPECT_EQ(f.hud().Item("0")->icon, 0x2345);
  bool drewIcon = false;
  f.hud().DrawHUD(true);
  for (const auto& c : f.Canvas(f.hud()).Calls())
    drewIcon |= c.kind == sim::HudCall::Kind::DrawImage && c.image == 0x06002345;
  EXPECT_TRUE(drewIcon);
}

TEST(HUDItemHandlerTest, WarningsComeOnceWhenTheCountChanges) {
  ItemFixture f;
  f.Watch("Mana Stone", "10");
  f.Watch("Heal Kit", "10");
  f.Carry(1, "Mana Stone", 20);
  f.Carry(2, "Heal Kit", 20);
  EXPECT_EQ(f.Refresh(), Lines{});
  f.Carry(1, "Mana Stone", 12);
  f.Carry(2, "Heal Kit", 12);
  EXPECT_EQ(f.Refresh(), (Lines{"You are getting low on Mana Stone, Heal Kit"}));
  EXPECT_EQ(f.Refresh(), Lines{});  // unchanged: silent however low
  f.Carry(1, "Mana Stone", 8);
  EXPECT_EQ(f.Refresh(), (Lines{"Warning! You are nearly out of Mana Stone"}));
  f.Carry(1, "Mana Stone", 0);
  f.Carry(2, "Heal Kit", 9);
  EXPECT_EQ(f.Refresh(),
            (Lines{"Warning! You are nearly out of Heal Kit", "Warning! You are out of Mana Stone"}));

  // Switched off: colours still change, nothing is said.
  f.Warnings(false);
  f.Carry(2, "Heal Kit", 3);
  EXPECT_EQ(f.Refresh(), Lines{});
  EXPECT_EQ(f.hud().Item("1")->color, "Red");
  EXPECT_TRUE(f.errors.empty());
}

TEST(HUDItemHandlerTest, HiddenRowsAreCountedButNeitherShownNorWarned) {
  ItemFixture f;
  f.Watch("Mana Stone", "10", false);
  f.Watch("Heal Kit", "0");
  f.Carry(1, "Mana Stone", 20);
  f.Refresh();
  f.Carry(1, "Mana Stone", 1);
  EXPECT_EQ(f.Refresh(), Lines{});
  EXPECT_EQ(f.hud().Item("0"), nullptr);
  f.list().DataLet(0, 0, 0, true);
  // Counted while hidden, so showing it is no change.
  EXPECT_EQ(f.Refresh(), Lines{});
  EXPECT_EQ(f.hud().Item("0")->data, "1");
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
  f.Watch("Mana Stone", "10");
  // Watched again after being dropped: it starts from nothing, as a new row does.
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
  f.Carry(1, "Mana Stone", 1);
  f.Carry(2, "Heal Kit", 1);
  f.Carry(3, "Pea", 1);
  EXPECT_EQ(f.Refresh(), (Lines{"Warning! You are nearly out of Pea"}));
  EXPECT_EQ(f.hud().Item("0")->color, "White");
  EXPECT_EQ(f.hud().Item("1")->color, "White");
  EXPECT_EQ(f.hud().Item("2")->color, "Red");
  EXPECT_TRUE(f.errors.empty());
}

TEST(HUDItemHandlerTest, InventoryChangesWithin50msMakeOneRefresh) {
  ItemFixture f;
  f.Watch("Mana Stone", "0");
  f.Carry(1, "Mana Stone", 5);
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
  f.host.Advance(500);
  const auto refreshes = [&] {
    std::size_t n = 0;
    for (std::size_t i = mark; i < f.host.Output().size(); ++i)
      n += f.host.Output()[i].find("Item Refresh") != std::string::npos;
    return n;
  };
  EXPECT_EQ(refreshes(), 1u);
  // A change of an item nobody watches asks for nothing.
  f.host.World().AddObject(9, "Pyreal");
  f.host.World().RaiseChangeObject(9, 1);
  f.host.Advance(100);
  EXPECT_EQ(refreshes(), 1u);
}

}  // namespace
}  // namespace mellox::test
