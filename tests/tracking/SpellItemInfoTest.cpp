#include "tracking/SpellItemInfo.h"

#include <gtest/gtest.h>

namespace mellox {
namespace {

SpellInfoRef Spell(std::int32_t id, std::int32_t family, std::int32_t difficulty) {
  auto s = std::make_shared<SpellInfo>();
  s->id = id;
  s->family = family;
  s->difficulty = difficulty;
  return s;
}

TEST(SpellItemInfoTest, StrongerOrEqualDifficultyReplaces) {
  struct Case {
    std::int32_t first;
    std::int32_t second;
    std::int32_t keptId;
  };
  const Case cases[] = {{250, 300, 2}, {300, 250, 1}, {300, 300, 2}};
  for (const Case& c : cases) {
    SpellItemInfo item;
    item.AddSpell(7, Spell(1, 7, c.first));
    item.AddSpell(7, Spell(2, 7, c.second));
    ASSERT_EQ(item.Count(), 1u);
    EXPECT_EQ(item.GetSpell(7)->id, c.keptId) << c.first << " then " << c.second;
  }
}

TEST(SpellItemInfoTest, ReplacementKeepsInsertionPlace) {
  SpellItemInfo item;
  item.AddSpell(5, Spell(1, 5, 10));
  item.AddSpell(3, Spell(2, 3, 10));
  item.AddSpell(5, Spell(3, 5, 20));
  ASSERT_EQ(item.Count(), 2u);
  EXPECT_EQ(item.Spells()[0].first, "5");
  EXPECT_EQ(item.Spells()[0].second->id, 3);
  EXPECT_EQ(item.Spells()[1].first, "3");
}

TEST(SpellItemInfoTest, MissingFamilyChangesNothing) {
  SpellItemInfo item;
  item.AddSpell(5, Spell(1, 5, 10));
  item.RemoveSpell(6);
  EXPECT_EQ(item.Count(), 1u);
  EXPECT_EQ(item.GetSpell(6), nullptr);
}

}  // namespace
}  // namespace mellox
