#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "chat/ChatTextHandler.h"
#include "core/APluginCore.h"
#include "core/Globals.h"
#include "core/Trap.h"
#include "core/VBError.h"
#include "host/FilterHandler.h"
#include "settings_view/ControlHandler.h"
#include "sim/SimCharacter.h"
#include "sim/SimHooks.h"
#include "sim/SimHost.h"
#include "sim/SimSpell.h"
#include "sim/SimSpells.h"
#include "sim/SimWorld.h"
#include "sim/SimWorldObject.h"
#include "support/TempHome.h"

namespace mellox::test {
namespace {

constexpr std::int32_t kIcon = 0x0D000001;
constexpr std::int32_t kContainer = 0x0D000002;
constexpr std::int32_t kStack = 0x0D000006;
constexpr std::int32_t kMana = 107;
constexpr std::int32_t kPack = 0x60000001;
constexpr std::int32_t kExcludedPack = 0x60000002;

class FilterHandlerQueriesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host.LoadPlugin(std::make_unique<APluginCore>());
    ASSERT_NE(FilterHandlerInstance, nullptr);
    ControlHandlerInstance->Init_Lists({"1", "0"});
    PluginActive = true;
    ChatTextHandlerInstance->SetTargetList(0, 32, true);
    SetErrorSink([this](int number, const std::string&, const std::string& proc, const std::string& owner, bool) {
      errors.push_back(owner + "." + proc + " #" + std::to_string(number));
    });
  }
  void TearDown() override {
    SetErrorSink({});
    PluginActive = false;
    DebugMode = false;
    host.UnloadPlugin();
  }

  FilterHandler& fh() { return *FilterHandlerInstance; }
  std::size_t Mark() const { return host.Output().size(); }
  // What the host recorded since mark, with the chat framing cut to the text.
  std::vector<std::string> Said(std::size_t mark) const {
    std::vector<std::string> out;
    for (std::size_t i = mark; i < host.Output().size(); ++i) {
      const std::string& line = host.Output()[i];
      const auto prefix = line.find("<Mellox");
      out.push_back(prefix == std::string::npos ? line : line.substr(line.find("> ", prefix) + 2));
    }
    return out;
  }
  sim::SimWorldObject& Carried(std::int32_t id, const std::string& name, std::int32_t pack) {
    auto& obj = host.World().AddObject(id, name).SetLong(kContainer, pack);
    host.World().AddToInventory(id, pack);
    return obj;
  }
  void Spell(std::int32_t id, const std::string& name, std::int32_t difficulty) {
    sim::SpellRow row;
    row.id = id;
    row.name = name;
    row.diff = difficulty;
    host.Spells().Add(row);
  }

  TempHome home;
  sim::SimHost host{{home.path(), MELLOX_DATA_DIR}};
  std::vector<std::string> errors;
};

TEST_F(FilterHandlerQueriesTest, CoordinateTextsRoundToOneFixedDecimal) {
  const struct {
    double value;
    const char* text;
  } formats[] = {{0, "0.0"},       {0.04, "0.0"},     {0.25, "0.2"},    {0.5, "0.5"},    {0.75, "0.8"},
                 {0.95, "1.0"},    {0.96, "1.0"},     {0.999, "1.0"},   {7, "7.0"},      {12.34, "12.3"},
                 {12.96, "13.0"},  {101.75, "101.8"}, {1e-9, "0.0"},    {99.95, "100.0"}};
  for (const auto& c : formats) EXPECT_EQ(fh().FormatCoord(c.value), c.text) << c.value;

  EXPECT_EQ(fh().ConvCoords(12.34, -45.66), "12.3N, 45.7W");
  EXPECT_EQ(fh().ConvCoords(0, 0), "0.0N, 0.0E");
  EXPECT_EQ(fh().ConvCoords(-0.04, 0.04), "0.0S, 0.0E");  // the sign picks the letter before rounding
  EXPECT_EQ(fh().ConvCoords(33.25, -101.75), "33.2N, 101.8W");
}

TEST_F(FilterHandlerQueriesTest, OwnAndObjectPositions) {
  host.World().AddObject(host.Character().Character(), "Tester").SetCoordinates(12.25, -0.25);
  host.World().AddObject(77, "Lamp").SetCoordinates(-3.96, 40.04);
  // Text rounds ties to even; the raw values round halves away from zero.
  EXPECT_EQ(fh().GetCharCoords(), "12.2N, 0.2W");
  EXPECT_DOUBLE_EQ(fh().GetRawNS(), 12.3);
  EXPECT_DOUBLE_EQ(fh().GetRawEW(), -0.3);
  EXPECT_EQ(fh().GetItemCoords(77), "4.0S, 40.0E");
  try {
    fh().GetItemCoords(78);
    ADD_FAILURE() << "an absent object must fail to the caller";
  } catch (const VBError& e) {
    EXPECT_EQ(e.Number(), 91);
  }
}

TEST_F(FilterHandlerQueriesTest, InventoryCountsSkipTheExcludedContainer) {
  Carried(10, "Mana Stone", kPack).SetLong(kStack, 20);
  Carried(11, "Mana Stone", kPack).SetLong(kStack, 5);
  Carried(12, "Mana Stone", kPack);
  Carried(13, "Mana Stone", kExcludedPack).SetLong(kStack, 100);
  Carried(14, "Heal Kit", kExcludedPack);
  host.Hooks().SetExcludedContainer(kExcludedPack);

  EXPECT_EQ(fh().GetItemCount("Mana Stone"), 26);
  EXPECT_EQ(fh().GetIDinInv("Mana Stone"), 10);
  EXPECT_EQ(fh().GetItemCount("Heal Kit"), 0);
  EXPECT_EQ(fh().GetIDinInv("Heal Kit"), -1);
  EXPECT_EQ(fh().GetItemCount("Pea"), 0);
  EXPECT_EQ(fh().GetIDinInv("Pea"), -1);
  EXPECT_TRUE(errors.empty());
}

TEST_F(FilterHandlerQueriesTest, ObjectQueries) {
  host.World().AddObject(20, "Sword").SetLong(kIcon, 0x06001234).SetLong(kStack, 3).SetLong(kMana, 450);
  host.World().AddObject(21, "Guard", 37);
  host.World().AddObject(22, "guard", 37);
  host.World().AddObject(23, "Statue", 1);

  EXPECT_TRUE(fh().ItemExists(20));
  EXPECT_FALSE(fh().ItemExists(99));
  EXPECT_EQ(fh().GetName(20), "Sword");
  EXPECT_THROW(fh().GetName(99), VBError);
  EXPECT_EQ(fh().GetID("Sword"), 20);
  EXPECT_EQ(fh().GetID("Axe"), -1);
  EXPECT_EQ(fh().GetIcon("Sword"), 0x06001234);
  EXPECT_EQ(fh().GetIcon("Axe"), -1);
  EXPECT_EQ(fh().GetItemStackCount(20), 3);
  EXPECT_EQ(fh().GetItemMana(20), 450);
  EXPECT_EQ(fh().GetItemStackCount(99), -1);
  EXPECT_EQ(fh().GetItemMana(99), -1);
  EXPECT_TRUE(fh().IsNPC("Guard"));
  EXPECT_FALSE(fh().IsNPC("Statue"));
  EXPECT_FALSE(fh().IsNPC("GUARD"));
  EXPECT_TRUE(errors.empty());
}

TEST_F(FilterHandlerQueriesTest, ItemActionsOnlyForIdsTheHooksKnow) {
  host.World().AddObject(30, "Kit");
  host.World().AddObject(31, "Friend");
  const auto mark = Mark();
  fh().UseItem(30, 1);
  fh().UseItem(99, 1);
  fh().GiveItem(30, 99);
  fh().GiveItem(99, 31);
  fh().GiveItem(30, 31);
  fh().ApplyItem(99, 31);
  fh().ApplyItem(30, 31);
  EXPECT_EQ(Said(mark), (std::vector<std::string>{"item: use 30 1", "item: give 30 31", "item: apply 30 31"}));
}

TEST_F(FilterHandlerQueriesTest, EnchantmentQueries) {
  auto& ch = host.Character();
  Spell(9001, "Strength Self VI", 300);
  Spell(9002, "Strength Self VII", 300);
  Spell(9003, "Strength Other VII", 250);
  Spell(9004, "Quickness Self I", 50);
  ch.AddEnchantment(9001, 1, 100);
  ch.AddEnchantment(9002, 1, 200);
  ch.AddEnchantment(9004, 2, 0);
  ch.SetAllegianceFollowers(1);

  EXPECT_EQ(fh().GetActiveSpell(1)->SpellId(), 9002);  // equal difficulty, more time
  EXPECT_EQ(fh().GetActiveSpell(3), nullptr);
  ch.RemoveEnchantment(9002);
  ch.AddEnchantment(9003, 1, 500);
  EXPECT_EQ(fh().GetActiveSpell(1)->SpellId(), 9001);  // weaker spell with more time does not win

  EXPECT_EQ(fh().GetActiveSpellFamily("Strength Self VI"), 1);
  EXPECT_EQ(fh().GetActiveSpellFamily("strength self vi"), -1);
  EXPECT_TRUE(fh().IsSpellActive("Strength Self VI"));
  EXPECT_FALSE(fh().IsSpellActive("Quickness Self I"));  // present with no time left
  EXPECT_FALSE(fh().IsSpellActive("No Such Spell"));
  EXPECT_EQ(fh().GetAllegFollowers(), 0);
  EXPECT_THROW(fh().GetMyEnchantment(fh().GetMyEnchantmentCount()), VBError);
  EXPECT_TRUE(errors.empty());

  DebugMode = true;
  auto mark = Mark();
  fh().ExportEnchantments();
  EXPECT_EQ(Said(mark), (std::vector<std::string>{"9001 1 100", "9004 2 0", "9003 1 500"}));
  ch.RemoveEnchantment(9001);
  ch.RemoveEnchantment(9003);
  ch.RemoveEnchantment(9004);
  mark = Mark();
  fh().ExportEnchantments();
  EXPECT_TRUE(Said(mark).empty());
}

TEST_F(FilterHandlerQueriesTest, FindReportsAndSelectsEveryMatch) {
  host.World().AddObject(40, "Drudge Skulker").SetCoordinates(1.04, -2.06);
  host.World().AddObject(41, "Tusker").SetCoordinates(0, 0);
  host.World().AddObject(42, "drudge prowler").SetCoordinates(-10.25, 5);
  host.World().AddObject(43, "Old DRUDGE").SetCoordinates(3, 3);
  auto mark = Mark();
  fh().Find("DrUdGe");
  EXPECT_EQ(Said(mark), (std::vector<std::string>{"(1.0N, 2.1W) Drudge Skulker", "item: select 40",
                                                  "(10.2S, 5.0E) drudge prowler", "item: select 42",
                                                  "(3.0N, 3.0E) Old DRUDGE", "item: select 43"}));
  EXPECT_EQ(host.Hooks().GetCurrentSelection(), 43);

  mark = Mark();
  fh().Find("");  // would match every name
  EXPECT_TRUE(Said(mark).empty());
  EXPECT_TRUE(errors.empty());
}

TEST_F(FilterHandlerQueriesTest, FindInPackReportsTheSearchedName) {
  Carried(50, "Plentiful Healing Kit", kPack);
  auto mark = Mark();
  fh().Find_in_Pack("Healing Kit");
  EXPECT_EQ(Said(mark), (std::vector<std::string>{"item: select 50", "Found Healing Kit, GUID: 50"}));
  mark = Mark();
  fh().Find_in_Pack("Pea");
  EXPECT_EQ(Said(mark), (std::vector<std::string>{"Failed to find Pea"}));
}

TEST_F(FilterHandlerQueriesTest, OwnCorpseNameComparesLiterally) {
  const char* names[] = {"Tester", "A*", "Bob?", "#1 Mage", "[Guild] Lee", "Lee [!"};
  for (const char* name : names) {
    host.Character().SetName(name);
    EXPECT_TRUE(fh().IsMyCorpse(std::string("Corpse of ") + name)) << name;
    EXPECT_FALSE(fh().IsMyCorpse(std::string("corpse of ") + name)) << name;
  }
  host.Character().SetName("A*");
  EXPECT_FALSE(fh().IsMyCorpse("Corpse of Abe"));
}

}  // namespace
}  // namespace mellox::test
