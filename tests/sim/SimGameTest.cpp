// The game's answers to item and vendor actions, as the hooks pass them on,
// and the world and character events each answer raises.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "sim/SimCharacter.h"
#include "sim/SimHooks.h"
#include "sim/SimHost.h"
#include "sim/SimTestDir.h"
#include "sim/SimWorld.h"
#include "sim/SimWorldObject.h"

namespace mellox::sim {
namespace {

constexpr std::int32_t kStack = SimWorld::kStackKey;
constexpr std::int32_t kNew = SimWorld::kFirstNewId;
using Events = std::vector<std::string>;

class SimGameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto& world = host.World();
    using Obj = const std::shared_ptr<platform::WorldObject>&;
    connections.push_back(world.CreateObject.Connect([this](Obj o) { events.push_back("create " + Name(o)); }));
    connections.push_back(world.ChangeObject.Connect(
        [this](Obj o, std::int32_t c) { events.push_back("change " + Name(o) + " " + std::to_string(c)); }));
    connections.push_back(world.ReleaseObject.Connect([this](Obj o) { events.push_back("release " + Name(o)); }));
    connections.push_back(host.Character().ChangeVital.Connect([this](std::int32_t vital, std::int32_t value) {
      events.push_back("vital " + std::to_string(vital) + " " + std::to_string(value));
    }));
    host.Character().SetMaximum(2, 100);
    host.Character().SetHealth(40);
  }
  static std::string Name(const std::shared_ptr<platform::WorldObject>& o) { return std::to_string(o->Id()); }
  std::int32_t Me() { return host.Character().Character(); }
  SimWorldObject& Carry(std::int32_t id, const std::string& name, std::int32_t objectClass = 0) {
    auto& object = host.World().AddObject(id, name, objectClass);
    host.World().AddToInventory(id, Me());
    return object;
  }
  // The events of one action.
  template <class Action>
  Events During(Action&& action) {
    events.clear();
    action();
    return events;
  }
  std::int32_t Count(std::int32_t id) { return host.World().Find(id)->LongProperty(kStack, -1); }
  bool Exists(std::int32_t id) { return host.World().Find(id) != nullptr; }
  void OpenVendor(double rate) {
    host.Hooks().SetVendorId(7000);
    host.World().SetVendorBuyRate(rate);
  }

  testing::TempDir dir;
  SimHost host{{dir.path(), {}}};
  Events events;
  std::vector<platform::Connection> connections;
};

TEST_F(SimGameTest, FoodAndKitsRestoreAVitalAndAreUsedUp) {
  auto& hooks = host.Hooks();
  Carry(60, "Apple", 6).SetLong(89, 2).SetLong(90, 25).SetLong(kStack, 2);
  Carry(70, "Healing Kit", 29).SetLong(92, 2);
  // Another target, or a busy character: the game does nothing.
  EXPECT_TRUE(During([&] { hooks.ApplyItem(60, 1234); }).empty());
  hooks.SetBusyState(1);
  EXPECT_TRUE(During([&] { hooks.ApplyItem(60, Me()); }).empty());
  hooks.SetBusyState(0);

  EXPECT_EQ(During([&] { hooks.ApplyItem(60, Me()); }), (Events{"vital 2 65", "change 60 0"}));
  EXPECT_EQ(Count(60), 1);
  // Never above the maximum; the last one leaves the world.
  EXPECT_EQ(During([&] { hooks.ApplyItem(60, Me()); }), (Events{"vital 2 90", "release 60"}));
  EXPECT_FALSE(Exists(60));
  // A kit heals fully and loses one use; with none left it is gone.
  EXPECT_EQ(During([&] { hooks.ApplyItem(70, Me()); }), (Events{"vital 2 100", "change 70 0"}));
  EXPECT_EQ(host.World().Find(70)->LongProperty(92), 1);
  EXPECT_EQ(During([&] { hooks.ApplyItem(70, Me()); }), (Events{"release 70"}));
  EXPECT_EQ(host.Character().Health(), 100);
  // Before the maximum is known a kit heals nothing, and never takes health away.
  host.Character().SetMaximum(2, 0);
  Carry(71, "Healing Kit", 29);
  EXPECT_EQ(During([&] { hooks.ApplyItem(71, Me()); }), (Events{"release 71"}));
  EXPECT_EQ(host.Character().Health(), 100);
  // Food only ever raises: a vital above its maximum stays where it stands.
  host.Character().SetMaximum(2, 100);
  host.Character().SetHealth(150);
  Carry(61, "Apple", 6).SetLong(89, 2).SetLong(90, 25);
  EXPECT_EQ(During([&] { hooks.ApplyItem(61, Me()); }), (Events{"release 61"}));
  EXPECT_EQ(host.Character().Health(), 150);
  // A count the game never holds is used up, not wrapped round to the largest stack.
  Carry(62, "Apple", 6).SetLong(89, 2).SetLong(90, 25).SetLong(kStack, INT32_MIN);
  EXPECT_EQ(During([&] { hooks.ApplyItem(62, Me()); }), (Events{"release 62"}));
}

TEST_F(SimGameTest, ASplittingToolTakesOneFromTheStackItIsAppliedTo) {
  auto& hooks = host.Hooks();
  Carry(80, "Splitting Tool");
  Carry(81, "Lead Pea").SetLong(kStack, 2);
  Carry(82, "Hammer");
  EXPECT_EQ(During([&] { hooks.ApplyItem(80, 81); }), (Events{"change 81 0"}));
  EXPECT_EQ(Count(81), 1);
  // Another item on the stack, or the tool on the character or on nothing: no answer.
  EXPECT_TRUE(During([&] { hooks.ApplyItem(82, 81); }).empty());
  EXPECT_TRUE(During([&] { hooks.ApplyItem(80, Me()); }).empty());
  EXPECT_TRUE(During([&] { hooks.ApplyItem(80, 4242); }).empty());
  hooks.SetBusyState(1);
  EXPECT_TRUE(During([&] { hooks.ApplyItem(80, 81); }).empty());
  hooks.SetBusyState(0);
  // The last one leaves the world; the tool stays.
  EXPECT_EQ(During([&] { hooks.ApplyItem(80, 81); }), (Events{"release 81"}));
  EXPECT_TRUE(Exists(80));
}

TEST_F(SimGameTest, AManaStoneFillsTheEquippedItemsInOrderAndIsUsedUp) {
  Carry(100, "Robe").SetLong(10, 1).SetLong(107, 900).SetLong(108, 1000);
  Carry(101, "Sword").SetLong(10, 1).SetLong(107, 0).SetLong(108, 5000);
  Carry(102, "Spare Wand").SetLong(107, 0).SetLong(108, 5000);  // carried, not equipped
  Carry(200, "Mana Stone").SetLong(107, 400);
  Carry(201, "Great Mana Charge").SetLong(107, 10000).SetLong(kStack, 2);
  EXPECT_EQ(During([&] { host.Hooks().ApplyItem(200, Me()); }), (Events{"change 100 0", "change 101 0", "release 200"}));
  EXPECT_EQ(host.World().Find(100)->LongProperty(107), 1000);
  EXPECT_EQ(host.World().Find(101)->LongProperty(107), 300);
  // What does not fit is lost with the charge.
  host.Hooks().ApplyItem(201, Me());
  EXPECT_EQ(host.World().Find(101)->LongProperty(107), 5000);
  EXPECT_EQ(host.World().Find(102)->LongProperty(107), 0);
  EXPECT_EQ(Count(201), 1);
}

TEST_F(SimGameTest, SelectingAndSplittingAStack) {
  auto& hooks = host.Hooks();
  Carry(500, "Gold Pea").SetLong(kStack, 10).SetLong(19, 25000);
  Carry(501, "Ring");
  hooks.SelectItem(501);
  EXPECT_EQ(hooks.SelectedStackSize(), 1);  // no stack: one
  hooks.SelectItem(500);
  EXPECT_EQ(hooks.SelectedStackSize(), 10);
  // More than the stack, or nothing: refused.
  for (std::int32_t count : {11, 0, -3}) {
    EXPECT_TRUE(During([&] { hooks.SetSelectedStackSize(count); }).empty()) << count;
    EXPECT_EQ(hooks.GetCurrentSelection(), 500);
  }
  EXPECT_EQ(During([&] { hooks.SetSelectedStackSize(4); }),
            (Events{"change 500 0", "create " + std::to_string(kNew)}));
  EXPECT_EQ(Count(500), 6);
  EXPECT_EQ(hooks.GetCurrentSelection(), kNew);
  EXPECT_EQ(hooks.SelectedStackSize(), 4);
  EXPECT_EQ(Count(kNew), 4);
  EXPECT_EQ(host.World().Find(kNew)->Name(), "Gold Pea");
  EXPECT_EQ(host.World().Find(kNew)->LongProperty(19), 25000);
  EXPECT_TRUE(host.World().InInventory(kNew));
  // The whole stack needs no split.
  EXPECT_TRUE(During([&] { hooks.SetSelectedStackSize(4); }).empty());
  EXPECT_EQ(hooks.GetCurrentSelection(), kNew);
}

TEST_F(SimGameTest, MovingOntoAStackJoinsItUpToItsMaximum) {
  auto& hooks = host.Hooks();
  auto c = host.World().MoveObject.Connect(
      [this](const std::shared_ptr<platform::WorldObject>& o) { events.push_back("move " + std::to_string(o->Container())); });
  Carry(600, "Trade Note (250,000)").SetLong(kStack, 3).SetLong(SimWorld::kMaxStackKey, 5);
  Carry(601, "Trade Note (250,000)").SetLong(kStack, 4);
  EXPECT_EQ(During([&] { hooks.MoveItem(601, 600); }), (Events{"change 600 0", "change 601 0"}));
  EXPECT_EQ(Count(600), 5);
  EXPECT_EQ(Count(601), 2);
  // A full stack takes nothing more.
  EXPECT_TRUE(During([&] { hooks.MoveItem(601, 600); }).empty());
  host.World().Find(600)->SetLong(SimWorld::kMaxStackKey, 10);
  EXPECT_EQ(During([&] { hooks.MoveItem(601, 600); }), (Events{"change 600 0", "release 601"}));
  EXPECT_EQ(Count(600), 7);
  // Onto anything else the object goes into it as a container.
  Carry(602, "Pack");
  EXPECT_EQ(During([&] { hooks.MoveItem(600, 602); }), (Events{"move 602"}));
  EXPECT_EQ(During([&] { hooks.MoveItem(600, Me()); }), (Events{"move " + std::to_string(Me())}));
  EXPECT_TRUE(During([&] { hooks.MoveItem(600, 4242); }).empty());  // no such place
  // The room left under the largest maximum is counted without overflow.
  Carry(603, "Lead Pea").SetLong(kStack, -5).SetLong(SimWorld::kMaxStackKey, INT32_MAX);
  Carry(604, "Lead Pea").SetLong(kStack, 7);
  EXPECT_EQ(During([&] { hooks.MoveItem(604, 603); }), (Events{"change 603 0", "release 604"}));
  EXPECT_EQ(Count(603), 2);
}

TEST_F(SimGameTest, SellingPaysTheValueAtTheVendorsRate) {
  auto& hooks = host.Hooks();
  Carry(500, "Gold Pea").SetLong(kStack, 3).SetLong(19, 25000);
  Carry(501, "Iron Pea").SetLong(19, 2501);
  hooks.VendorAddToSellList(500);
  hooks.VendorSellAll();
  EXPECT_TRUE(Exists(500));  // no vendor open
  OpenVendor(0.5);
  hooks.VendorAddToSellList(500);
  hooks.VendorAddToSellList(501);
  // Without pyreals the pay makes a new stack in the pack; rounded down.
  EXPECT_EQ(During([&] { hooks.VendorSellAll(); }),
            (Events{"release 500", "release 501", "create " + std::to_string(kNew)}));
  auto* coins = host.World().Find(kNew);
  EXPECT_EQ(coins->Name(), "Pyreal");
  EXPECT_EQ(coins->LongProperty(kStack), 38750);
  EXPECT_TRUE(host.World().InInventory(kNew));
  // With pyreals they are added to the stack; the list was emptied by the sale.
  Carry(502, "Lead Pea").SetLong(kStack, 2).SetLong(19, 500);
  hooks.VendorAddToSellList(502);
  EXPECT_EQ(During([&] { hooks.VendorSellAll(); }), (Events{"release 502", "change " + std::to_string(kNew) + " 0"}));
  EXPECT_EQ(Count(kNew), 39250);
  EXPECT_TRUE(During([&] { hooks.VendorSellAll(); }).empty());
  // Worth exactly a whole number of pyreals pays it, however the rate falls in binary.
  OpenVendor(0.01);
  for (auto [id, value] : {std::pair{503, 58}, std::pair{504, 6}, std::pair{505, 36}}) {
    Carry(id, "Rusty Pea").SetLong(19, value);
    hooks.VendorAddToSellList(id);
  }
  hooks.VendorSellAll();
  EXPECT_EQ(Count(kNew), 39251);
  OpenVendor(0.58);
  Carry(506, "Copper Pea").SetLong(kStack, 2).SetLong(19, 25);
  hooks.VendorAddToSellList(506);
  hooks.VendorSellAll();
  EXPECT_EQ(Count(kNew), 39280);
}

TEST_F(SimGameTest, BuyingTakesThePriceAndMakesNewObjectsOfTheCharacters) {
  auto& hooks = host.Hooks();
  Carry(400, "Pyreal").SetLong(kStack, 200000);
  Carry(401, "Pyreal").SetLong(kStack, 100000);
  host.World().AddObject(900, "Trade Note (250,000)").SetLong(19, 250000).SetLong(0x0D000007, 100);
  host.World().AddObject(901, "Stolen Note").SetLong(19, 1);
  OpenVendor(1.0);
  host.World().AddVendorGood(900);
  // Not on offer: nothing.
  hooks.VendorAddToBuyList(901, 1);
  EXPECT_TRUE(During([&] { hooks.VendorBuyAll(); }).empty());
  // More than the pyreals carried: the whole purchase is refused.
  hooks.VendorAddToBuyList(900, 2);
  EXPECT_TRUE(During([&] { hooks.VendorBuyAll(); }).empty());
  EXPECT_EQ(Count(400), 200000);

  hooks.VendorAddToBuyList(900, 1);
  const std::string note = std::to_string(kNew);
  EXPECT_EQ(During([&] { hooks.VendorBuyAll(); }), (Events{"release 400", "change 401 0", "create " + note}));
  EXPECT_EQ(Count(401), 50000);
  auto* bought = host.World().Find(kNew);
  EXPECT_EQ(bought->Name(), "Trade Note (250,000)");
  EXPECT_EQ(bought->Owner(), Me());
  EXPECT_EQ(bought->Container(), Me());
  EXPECT_EQ(bought->LongProperty(kStack), 1);
  EXPECT_EQ(bought->LongProperty(0x0D000007), 100);
  // The vendor keeps its own, outside the pack.
  EXPECT_FALSE(host.World().InInventory(900));
  // Closing the window drops a list not yet bought.
  host.World().Find(401)->SetLong(kStack, 300000);
  hooks.VendorAddToBuyList(900, 1);
  hooks.SetVendorId(0);
  OpenVendor(1.0);
  EXPECT_TRUE(During([&] { hooks.VendorBuyAll(); }).empty());
}

TEST_F(SimGameTest, NewObjectsNeverReuseAnId) {
  Carry(500, "Gold Pea").SetLong(kStack, 10);
  // One id in use, one used and released already.
  host.World().AddObject(kNew, "In the way");
  host.World().AddObject(kNew + 1, "Gone");
  host.World().RemoveObject(kNew + 1);
  host.Hooks().SelectItem(500);
  host.Hooks().SetSelectedStackSize(2);
  EXPECT_EQ(host.Hooks().GetCurrentSelection(), kNew + 2);
  host.World().RemoveObject(kNew + 2);
  host.Hooks().SelectItem(500);
  host.Hooks().SetSelectedStackSize(2);
  EXPECT_EQ(host.Hooks().GetCurrentSelection(), kNew + 3);
}

}  // namespace
}  // namespace mellox::sim
