#include <gtest/gtest.h>

#include <limits>

#include "tracking/TrackingFixture.h"

namespace mellox::test {
namespace {

using Lines = std::vector<std::string>;

struct ItemFixture : TrackingFixture {
  ItemFixture() {
    host.Advance(1000);
    stats().UpdateTime();
    ch().SpellsItem->CheckedLet(true);
  }
  // The record of a target's family, or null.
  SpellInfoRef Record(const std::string& target, std::int32_t family) {
    for (const auto& [key, info] : spells().ItemSpells)
      if (key == target) return info->GetSpell(family);
    return nullptr;
  }
};

TEST(ItemSpellTest, EachAugmentationLengthensTheSpellByAFifth) {
  struct Case {
    std::int32_t augs;
    std::int64_t seconds;
  };
  const Case cases[] = {{0, 3600}, {1, 4320}, {2, 5040}, {5, 7200}};
  for (const Case& c : cases) {
    ItemFixture f;
    f.spells().Augs = c.augs;
    const std::int64_t now = TrackingPeers::NowUnix();
    f.spells().AddItemSpell("Warding Veil I", "your armor.");
    auto s = f.Record("your armor.", 110);
    ASSERT_NE(s, nullptr) << c.augs;
    EXPECT_EQ(s->finish - now, c.seconds) << c.augs;
    EXPECT_EQ(s->timeRemaining, c.seconds) << c.augs;
    EXPECT_EQ(s->name, "Warding Veil I");
    f.Tick();
    EXPECT_EQ(f.Names("Buff_List"), Lines{"Warding Veil I on your armor."}) << c.augs;
  }
  // A count too large lasts the longest time a spell can show.
  ItemFixture f;
  f.spells().Augs = std::numeric_limits<std::int32_t>::max();
  f.spells().AddItemSpell("Warding Veil I", "your armor.");
  ASSERT_NE(f.Record("your armor.", 110), nullptr);
  EXPECT_EQ(f.Record("your armor.", 110)->finish - TrackingPeers::NowUnix(), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(f.Record("your armor.", 110)->timeRemaining, std::numeric_limits<std::int32_t>::max());
  EXPECT_TRUE(f.errors.empty());
}

TEST(ItemSpellTest, OnlyTheArmourAndCarriedItemsAreTargets) {
  struct Case {
    const char* target;
    const char* carried;
    bool recorded;
  };
  const Case cases[] = {
      {"your armor.", nullptr, true}, {"your armor", nullptr, false}, {"Sword", "Sword", true},
      {"Sword", nullptr, false},      {"sword", "Sword", false},
  };
  for (const Case& c : cases) {
    ItemFixture f;
    if (c.carried) f.Carry(500, c.carried);
    f.spells().AddItemSpell("Stoneskin I", c.target);
    EXPECT_EQ(f.Record(c.target, 101) != nullptr, c.recorded) << c.target;
    EXPECT_EQ(f.spells().ItemSpells.size(), c.recorded ? 1u : 0u) << c.target;
  }
}

TEST(ItemSpellTest, TheStrongerSpellOfAFamilyIsKeptAndARecastRestarts) {
  ItemFixture f;
  f.Carry(500, "Sword");
  f.spells().AddItemSpell("Warding Veil II", "Sword");  // difficulty 300, 600 s
  f.spells().AddItemSpell("Warding Veil I", "Sword");   // 250: ignored
  EXPECT_EQ(f.Record("Sword", 110)->name, "Warding Veil II");
  f.host.Advance(100000);
  f.spells().AddItemSpell("Warding Veil II", "Sword");
  EXPECT_EQ(f.Record("Sword", 110)->finish - TrackingPeers::NowUnix(), 600);
  f.spells().AddItemSpell("Stoneskin I", "Sword");
  f.Tick();
  EXPECT_EQ(f.Names("Buff_List"), (Lines{"Warding Veil II on Sword", "Stoneskin I on Sword"}));

  // An unknown spell has no duration: the build it starts drops it at once.
  f.spells().AddItemSpell("No Such Spell", "your armor.");
  ASSERT_EQ(f.spells().ItemSpells.size(), 2u);
  EXPECT_EQ(f.spells().ItemSpells[1].second->Count(), 0u);

  EXPECT_TRUE(f.errors.empty());
}

TEST(ItemSpellTest, SavedSpellsComeBackWithTheirTimeLeftForCarriedItemsOnly) {
  ItemFixture f;
  f.ch().Data_Load(0);  // this login's file is read, so saves may write it
  f.Carry(500, "Sword");
  f.spells().AddItemSpell("Warding Veil I", "your armor.");
  f.spells().AddItemSpell("Stoneskin I", "Sword");
  f.host.Advance(600000);
  ASSERT_TRUE(f.ch().Data_Save());

  f.spells().ItemSpells.clear();
  f.host.World().RemoveFromInventory(500);
  f.host.Advance(3600000);  // time logged out does not count
  f.ch().Data_Load(0);
  ASSERT_EQ(f.spells().ItemSpells.size(), 1u);
  auto s = f.Record("your armor.", 110);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->finish - TrackingPeers::NowUnix(), 3000);
  EXPECT_EQ(s->timeRemaining, 3000);
  EXPECT_EQ(s->name, "Warding Veil I");
  EXPECT_EQ(s->sTarget, "your armor.");
  EXPECT_TRUE(f.errors.empty());
}

}  // namespace
}  // namespace mellox::test
