#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/SimWorld.h"
#include "sim/SimWorldObject.h"

namespace mellox::sim {
namespace {

constexpr std::int32_t kMe = 0x50000001;

std::vector<std::int32_t> Ids(const std::shared_ptr<platform::WorldCollection>& c) {
  std::vector<std::int32_t> ids;
  std::shared_ptr<platform::WorldObject> o;
  while (c->NextItem(o)) ids.push_back(o->Id());
  return ids;
}

class SimWorldTest : public ::testing::Test {
 protected:
  std::int32_t me = kMe;
  SimWorld world{[this] { return me; }};
  void SetUp() override {
    world.AddObject(10, "Pack", 24).SetContainer(kMe);
    world.AddObject(11, "Mana Stone").SetContainer(10);
    world.AddObject(12, "Mana Stone").SetContainer(kMe);
    world.AddObject(13, "Great Mana Stone");
    world.AddObject(14, "Drudge");
    world.AddObject(15, "Loose Key");
  }
};

TEST_F(SimWorldTest, InventoryLandscapeAndContainers) {
  world.AddToInventory(15, 10);
  EXPECT_EQ(Ids(world.Inventory()), (std::vector<std::int32_t>{10, 11, 12, 15}));
  EXPECT_EQ(Ids(world.Landscape()), (std::vector<std::int32_t>{13, 14}));
  EXPECT_EQ(Ids(world.InventoryOf(10)), (std::vector<std::int32_t>{11, 15}));
  EXPECT_EQ(world.AllObjects()->Count(), 6);
  // Carried is what the container chain says: out of the pack onto the ground
  // or into a chest it is gone; back into the pack it is carried again.
  world.RaiseMoveObject(15, 14);
  world.RaiseMoveObject(10, 13);
  EXPECT_EQ(Ids(world.Inventory()), (std::vector<std::int32_t>{12}));
  EXPECT_FALSE(world.InInventory(11));
  world.RaiseMoveObject(10, kMe);
  world.RaiseMoveObject(15, 10);
  EXPECT_EQ(Ids(world.Inventory()), (std::vector<std::int32_t>{10, 11, 12, 15}));
  world.RemoveFromInventory(12);
  EXPECT_FALSE(world.InInventory(12));
  // A pack given as carried needs no object; containers holding each other are no one's.
  world.AddToInventory(13, 0x7000);
  world.RaiseMoveObject(14, 15);
  world.RaiseMoveObject(15, 14);
  EXPECT_EQ(Ids(world.Inventory()), (std::vector<std::int32_t>{10, 11, 13}));
  // The container property is the container: set as a property, the object is carried.
  world.AddObject(16, "Sword").SetLong(SimWorldObject::kContainerKey, kMe);
  EXPECT_TRUE(world.InInventory(16));
  EXPECT_EQ(Ids(world.InventoryOf(kMe)), (std::vector<std::int32_t>{10, 16}));
}

TEST_F(SimWorldTest, CollectionsAreSnapshotsAndFiltersNarrowThem) {
  auto byName = world.ObjectsByName("Mana Stone");
  EXPECT_EQ(Ids(byName), (std::vector<std::int32_t>{11, 12}));
  world.AddObject(16, "Mana Stone");
  EXPECT_EQ(byName->Count(), 2);  // taken before the new object

  auto all = world.AllObjects();
  all->NameFilter2("Mana");
  EXPECT_EQ(Ids(all), (std::vector<std::int32_t>{11, 12, 13, 16}));
  all->NameFilter("Great Mana Stone");
  EXPECT_EQ(Ids(all), (std::vector<std::int32_t>{13}));
  all->Reset();
  EXPECT_EQ(Ids(all), (std::vector<std::int32_t>{13}));
  std::shared_ptr<platform::WorldObject> end;
  EXPECT_FALSE(all->NextItem(end));
  EXPECT_EQ(end, nullptr);
}

TEST_F(SimWorldTest, EventsAndPropertyMapsAreSeparate) {
  std::vector<std::string> events;
  auto c1 = world.CreateObject.Connect([&](const auto& o) { events.push_back("create " + o->Name()); });
  auto c2 = world.ReleaseObject.Connect([&](const auto& o) { events.push_back("release " + o->Name()); });
  auto c3 = world.MoveObject.Connect([&](const auto& o) { events.push_back("move " + std::to_string(o->Container())); });
  world.AddObject(20, "Corpse of Drudge").SetLong(5, 7).SetDouble(5, 1.5).SetString(5, "five");
  world.RaiseMoveObject(20, kMe);
  world.RemoveObject(20);
  EXPECT_EQ(events, (std::vector<std::string>{"create Corpse of Drudge", "move 1342177281", "release Corpse of Drudge"}));
  EXPECT_EQ(world.ObjectById(20), nullptr);
  // What a container holds leaves the world with it, to the bottom of the chest.
  world.AddObject(30, "Chest");
  world.AddObject(31, "Pouch").SetContainer(30);
  world.AddObject(32, "Gem").SetContainer(31);
  events.clear();
  world.RemoveObject(30);
  EXPECT_EQ(events, (std::vector<std::string>{"release Chest", "release Pouch", "release Gem"}));
  EXPECT_EQ(world.AllObjects()->Count(), 6);

  auto& o = world.AddObject(21, "Sword");
  o.SetLong(5, 7).SetDouble(5, 1.5);
  std::int32_t l = 0;
  EXPECT_TRUE(o.HasLongProperty(5, l));
  EXPECT_EQ(l, 7);
  EXPECT_EQ(o.DoubleProperty(5), 1.5);
  EXPECT_FALSE(o.BoolProperty(5));
  EXPECT_EQ(o.StringProperty(1), "Sword");  // key 1 is the name unless set
  o.SetString(1, "Fine Sword");
  EXPECT_EQ(o.StringProperty(1), "Fine Sword");
  EXPECT_EQ(o.LongProperty(99, -3), -3);
}

TEST_F(SimWorldTest, ACharacterLeavesTheWorldWithWhatItCarriesAndBringsItBack) {
  world.AddObject(kMe, "Bob", 1);
  world.AddToInventory(15, 0x7000);  // a pack the world holds no object for
  std::vector<std::string> events;
  auto c1 = world.CreateObject.Connect([&](const auto& o) { events.push_back("create " + std::to_string(o->Id())); });
  auto c2 = world.ReleaseObject.Connect([&](const auto& o) { events.push_back("release " + std::to_string(o->Id())); });
  // The character first, each container before what it holds; the ground keeps its own.
  world.PutAway(kMe);
  const std::string bob = std::to_string(kMe);
  const std::vector<std::string> out{"release " + bob, "release 10", "release 12", "release 11", "release 15"};
  EXPECT_EQ(events, out);
  EXPECT_EQ(Ids(world.AllObjects()), (std::vector<std::int32_t>{13, 14}));
  EXPECT_EQ(world.Find(11), nullptr);
  ASSERT_NE(world.FindKept(11), nullptr);
  EXPECT_EQ(world.FindKept(11)->Name(), "Mana Stone");

  // Another character carries only its own; Bob's pack is no pack of hers.
  me = kMe + 1;
  world.AddObject(20, "Gem").SetContainer(0x7000);
  world.AddObject(21, "Sword").SetContainer(me);
  EXPECT_EQ(Ids(world.Inventory()), (std::vector<std::int32_t>{21}));
  EXPECT_EQ(Ids(world.Landscape()), (std::vector<std::int32_t>{13, 14, 20}));
  world.PutAway(me);
  EXPECT_EQ(Ids(world.AllObjects()), (std::vector<std::int32_t>{13, 14, 20}));

  // Bob again: the same objects come back in the order they left.
  me = kMe;
  events.clear();
  world.BringBack(kMe);
  world.BringBack(kMe);
  EXPECT_EQ(events, (std::vector<std::string>{"create " + bob, "create 10", "create 12", "create 11", "create 15"}));
  EXPECT_EQ(Ids(world.Inventory()), (std::vector<std::int32_t>{10, 11, 12, 15, 20}));
  EXPECT_EQ(world.FindKept(11), nullptr);
  EXPECT_NE(world.FindKept(21), nullptr);
}

TEST_F(SimWorldTest, VendorGoodsNarrowByName) {
  world.SetVendorGoods({11, 13, 12, 404});
  world.SetVendorBuyRate(0.8);
  auto vendor = world.Vendor();
  EXPECT_DOUBLE_EQ(vendor->BuyRate(), 0.8);
  vendor->ByName("Mana Stone");
  std::vector<std::int32_t> ids;
  std::shared_ptr<platform::WorldObject> o;
  while (vendor->Next(o)) ids.push_back(o->Id());
  EXPECT_EQ(ids, (std::vector<std::int32_t>{11, 12}));
}

}  // namespace
}  // namespace mellox::sim
