// Recognising and taking apart the game's event and spell lines.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "chat/ChatLineText.h"

namespace mellox::test {
namespace {

using namespace ChatLineText;

TEST(ChatLineText, RecognisesTheGameLines) {
  struct Case {
    const char* text;
    bool (*test)(std::string_view);
    bool expected;
  };
  const Case cases[] = {
      {"Your Melee Defense is now 300!", IsSkillRaise, true},
      {"Your  is now 5", IsSkillRaise, true},
      {"Your Melee Defense is now", IsSkillRaise, false},  // needs the blank after "now"
      {"Your is now 5", IsSkillRaise, false},              // "Your " and " is now " may not share the blank
      {"You are now level 11!", IsSkillRaise, false},
      {"You've earned 1,000 experience in your Melee Defense.", IsExperienceEarned, true},
      {"You've earned experience in your Melee Defense.", IsExperienceEarned, false},
      {"You cast Stoneskin I on Sword", IsItemSpellCast, true},
      // "on your" is in "on yourself": taken, and the tracker knows no item "yourself".
      {"You cast Stoneskin I on yourself", IsItemSpellCast, true},
      {"You cast Stoneskin I at the drudge", IsItemSpellCast, false},
      {"You cast Stoneskin I", IsItemSpellCast, false},
      {"Bob cast Stoneskin I on your Sword", IsItemSpellCast, true},
      {"Drudge casts Imperil Other on your Shield", IsItemSpellCast, true},
      {"on your Sword Bob cast", IsItemSpellCast, false},  // "on your" must follow "cast"
  };
  for (const Case& c : cases) EXPECT_EQ(c.test(c.text), c.expected) << c.text;

  const std::string guardian = "Guardian of the Temple of Forgetfulness";
  EXPECT_TRUE(IsEssenceOffer(guardian + " tells you, I offer the essence of Malar.", guardian));
  EXPECT_TRUE(IsEssenceOffer(guardian + " tells you,essence of", guardian));
  EXPECT_FALSE(IsEssenceOffer(guardian + " tells you, go away.", guardian));
  EXPECT_FALSE(IsEssenceOffer(guardian + " says, the essence of Malar.", guardian));
  EXPECT_FALSE(IsEssenceOffer("Bob tells you, " + guardian + " tells you, essence of", guardian));
}

TEST(ChatLineText, TakesItemSpellCastsApart) {
  struct Case {
    const char* text;
    std::optional<std::pair<std::string, std::string>> expected;
  };
  const Case cases[] = {
      {"You cast Blade Bane VI on Sword, surpassing Blade Bane V", {{"Blade Bane VI", "Sword"}}},
      {"You cast Stoneskin I on your Shield", {{"Stoneskin I", "Shield"}}},
      {"You cast Stoneskin I on your armor.", {{"Stoneskin I", "your armor."}}},
      {"Bob cast Stoneskin I on your Sword", {{"Stoneskin I", "Sword"}}},
      {"You cast Aura of Defense on Ring on a Chain", {{"Aura of Defense", "Ring on a Chain"}}},
      {"Drudge casts Imperil Other on your Shield", std::nullopt},  // another caster's spell
      {"You cast Stoneskin I", std::nullopt},
  };
  for (const Case& c : cases) {
    const auto cast = ParseItemSpellCast(c.text);
    ASSERT_EQ(cast.has_value(), c.expected.has_value()) << c.text;
    if (!cast) continue;
    EXPECT_EQ(cast->spell, c.expected->first) << c.text;
    EXPECT_EQ(cast->target, c.expected->second) << c.text;
  }
}

TEST(ChatLineText, BurnLinesBurstsAndCorpsePositions) {
  const auto components = BurnComponents(std::string(kBurnPrefix) + "Lead Scarab,  Hyssop ,Prismatic Taper");
  EXPECT_EQ(components, (std::vector<std::string>{"Lead Scarab", "Hyssop", "Prismatic Taper"}));
  EXPECT_EQ(BurnLineWithCounts(components, {3, 0, 12}),
            std::string(kBurnPrefix) + "Lead Scarab (3), Hyssop (0), Prismatic Taper (12)");

  EXPECT_EQ(ExpiredSpellName("Stoneskin I has expired."), "Stoneskin I");
  EXPECT_EQ(CombinedBurstLine("The spell Stoneskin I on Sword has expired.", " on your armor has expired."),
            "The spell Stoneskin I on your armor has expired.");
  EXPECT_EQ(CombinedBurstLine("You cast Stoneskin I", " on your armor."),
            "You cast Stoneskin I on your armor.");
  EXPECT_EQ(CorpseCoordsText("Your corpse is located at (12.3N, 45.6E)."), "12.3N, 45.6E");
  EXPECT_EQ(DropLastChar("You killed the drudge!"), "You killed the drudge");
  EXPECT_EQ(DropLastChar(""), "");
}

}  // namespace
}  // namespace mellox::test
