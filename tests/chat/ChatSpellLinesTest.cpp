// The magic lines through the pipeline: bursts of item-spell lines combined
// after 300 ms, expiries of still-active spells hidden, burn lines with
// remaining counts and pea splitting, casts on items recorded.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chat/ChatStageFixture.h"
#include "tracking/SpellHandler.h"

namespace mellox::test {
namespace {

using Lines = std::vector<std::string>;

// Time passes, then a line (if any) comes in; the step's recording is compared.
struct Step {
  std::int64_t advanceMs;
  std::string line;
  Lines expected;
};

TEST(ChatSpellLines, BurstsOfItemSpellLinesBecomeOneLine) {
  const std::string bane = "The spell Blade Bane VI on Sword has expired.";
  const std::string ward = "The spell Impenetrability VI on Shield has expired.";
  const std::string combined = "chat 7 0: The spell Blade Bane VI on your armor has expired.";
  struct Case {
    const char* what;
    std::vector<Step> steps;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"three expiries within 300 ms",
       {{0, bane, {}}, {100, ward, {}}, {100, ward, {}}, {99, "", {}}, {1, "", {combined}}, {1000, "", {}}}},
      {"a single expiry, unchanged and 300 ms late", {{0, bane, {}}, {299, "", {}}, {1, "", {"chat 7 0: " + bane}}}},
      {"250 ms after joins, 350 ms after starts a new burst",
       {{0, bane, {}}, {250, ward, {}}, {50, "", {combined}}, {50, ward, {}}, {300, "", {"chat 7 0: " + ward}}}},
      {"casts on items", {{0, "You cast Stoneskin I on Sword", {}}, {10, "You cast Swift Feet I on Shield", {}},
                          {290, "", {"chat 7 0: You cast Stoneskin I on your armor."}}}},
      {"casts on the character pass", {{0, "You cast Heal Self I of your own", {"game 7 1: You cast Heal Self I of your own"}}}},
  };
  // clang-format on
  for (const Case& c : cases) {
    ChatStageFixture f;
    f.ChatOption("Combine Item Spell Cast and Expire", true);
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
      const std::size_t mark = f.host.Output().size();
      f.host.Advance(c.steps[i].advanceMs);
      if (!c.steps[i].line.empty()) f.host.IncomingChat(c.steps[i].line, 7, 1);
      EXPECT_EQ(f.Since(mark), c.steps[i].expected) << c.what << ", step " << i;
    }
    EXPECT_TRUE(f.errors.empty()) << c.what;
  }
}

TEST(ChatSpellLines, ExpiriesAreClassifiedAndStillActiveSpellsHidden) {
  const std::string own = "Stoneskin I has expired.";
  const std::string item = "The spell Stoneskin I on Sword has expired.";
  struct Case {
    const char* what;
    bool filter, active;
    std::string line;
    Lines expected;  // the "Spell Expiration" colour row writes in red to the main window
  };
  const std::vector<Case> cases = {
      {"filtered, still active: hidden", true, true, own, {}},
      {"filtered, not active", true, false, own, {"chat 21 1: " + own}},
      {"not filtered, still active", false, true, own, {"chat 21 1: " + own}},
      {"an item spell is never filtered", true, true, item, {"chat 21 1: " + item}},
  };
  for (const Case& c : cases) {
    ChatStageFixture f;
    f.ColorRow("Spell Expiration", true, "M", "Red");
    f.ChatOption("Filter Nonexpired Spells", c.filter);
    if (c.active) f.host.Character().AddEnchantment(1, 101, 600);  // Stoneskin I
    EXPECT_EQ(f.Game(c.line, 7), c.expected) << c.what;
    EXPECT_EQ(f.log().Log().empty(), c.expected.empty()) << c.what;
  }
}

TEST(ChatSpellLines, CastsOnItemsAreRecordedWhileItemSpellsAreTracked) {
  struct Case {
    const char* what;
    bool tracked, combine;
    Lines lines, recorded;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"a cast on a carried item", true, false, {"You cast Stoneskin I on your Sword, surpassing Stoneskin"}, {"Stoneskin I on Sword"}},
      {"not tracked", false, false, {"You cast Stoneskin I on Sword"}, {}},
      {"an item named with \" on \"", true, false, {"You cast Stoneskin I on Ring on a Chain"}, {"Stoneskin I on Ring on a Chain"}},
      {"another caster's line", true, false, {"Drudge casts Imperil Other on your Sword"}, {}},
      {"a burst on the armour", true, true, {"You cast Stoneskin I on Sword", "You cast Swift Feet I on Shield"}, {"Stoneskin I on your armor."}},
      {"a single collected cast on its item", true, true, {"You cast Stoneskin I on Sword"}, {"Stoneskin I on Sword"}},
  };
  // clang-format on
  for (const Case& c : cases) {
    ChatStageFixture f;
    f.Carry(500, "Sword");
    f.Carry(501, "Ring on a Chain");
    f.ch().SpellsItem->CheckedLet(c.tracked);
    f.ChatOption("Combine Item Spell Cast and Expire", c.combine);
    for (const auto& line : c.lines) f.host.IncomingChat(line, 7, 1);
    f.host.Advance(300);
    Lines recorded;
    for (const auto& [target, info] : SpellHandlerInstance->ItemSpells) {
      for (const auto& entry : info->Spells()) recorded.push_back(entry.second->name + " on " + target);
    }
    EXPECT_EQ(recorded, c.recorded) << c.what;
    EXPECT_TRUE(f.errors.empty()) << c.what;
    EXPECT_EQ(f.log().Log().size(), c.combine ? 1u : c.lines.size()) << c.what;
  }
}

TEST(ChatSpellLines, BurnLinesShowCountsAndSplitPeasBelowTheThreshold) {
  const std::string burn = "The spell consumed the following components: Lead Scarab, Hyssop, Ashwood Sprig";
  const std::string counted = "chat 7 1: " + std::string(ChatLineText::kBurnPrefix) +
                              "Lead Scarab (3), Hyssop (10), Ashwood Sprig (0)";
  const std::string kNoUnknownPea = "chat 5 1: <Mellox> Warning: You have no Unknown Pea";
  struct Case {
    const char* what;
    bool split, showCounts;
    std::string threshold;
    Lines output;
    std::vector<std::int32_t> peas;  // the peas the splitting tool is queued for
    std::size_t errors;
    Lines own = {};  // the plug-in's own lines for one burn
  };
  const std::vector<Case> cases = {
      {"counts shown", false, true, "5", {counted}, {}, 0},
      // A component without a pea asks for the "Unknown Pea", which the player lacks.
      {"below 5", true, false, "5", {"game 7 1: " + burn}, {601}, 0, {kNoUnknownPea}},
      {"below 11, in component order", true, false, "11", {"game 7 1: " + burn}, {601, 602}, 0, {kNoUnknownPea}},
      {"a count equal to the threshold is not below it", true, false, "10", {"game 7 1: " + burn}, {601}, 0,
       {kNoUnknownPea}},
      {"a bad threshold is told once; the line goes on", true, true, "lots", {counted}, {}, 1},
      {"so is one too large", true, true, "40000", {counted}, {}, 1},
  };
  for (const Case& c : cases) {
    ChatStageFixture f;
    f.Carry(500, "Lead Scarab", 3);
    f.Carry(501, "Hyssop", 10);
    f.Carry(600, "Splitting Tool");
    f.Carry(601, "Lead Pea", 20);
    f.Carry(602, "Hyssop Pea", 20);
    f.ch().SplitPeas->CheckedLet(c.split);
    f.ch().PeaThreshold->TextLet(c.threshold);
    f.ChatOption("Show Comp Count on Burn", c.showCounts);
    f.Route(0, 32);  // own lines (queue notices, warnings) shown apart
    for (int twice = 0; twice < 2; ++twice) {
      Lines output;
      Lines own;
      for (const auto& line : f.Game(burn, 7)) {
        if (line.find("<Mellox>") == std::string::npos) {
          output.push_back(line);
        } else if (line.find("Warning") != std::string::npos) {
          own.push_back(line);
        }
      }
      EXPECT_EQ(output, c.output) << c.what;
      EXPECT_EQ(own, c.own) << c.what;
    }
    std::vector<std::int32_t> peas;
    for (const auto& e : EventQueueInstance->Events()) {
      if (e.eventtype == EVENT_USE_ITEM_ON_STACK && e.arg1 == 600) peas.push_back(e.arg2);
    }
    EXPECT_EQ(peas, c.peas) << c.what;
    EXPECT_EQ(f.errors.size(), c.errors) << c.what;
    std::size_t logged = 0;
    for (const auto& item : f.log().Log())
      logged += item.message() == burn || "chat 7 1: " + item.message() == counted;
    EXPECT_EQ(logged, 2u) << c.what;
  }
}

}  // namespace
}  // namespace mellox::test
