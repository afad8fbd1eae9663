// The magic lines through the pipeline: bursts of item-spell lines combined
// after 300 ms, expiries of still-active spells hidden, burn lines with
// remaining counts and pea splitting, casts on items recorded.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chat/ChatStageFixture.h"

namespace mellox::test {
namespace {

using Lines = std::vector<std::string>;
constexpr std::int32_t kMagic = 7;

// One step of a timeline: time passes, then a line (if any) comes in; what the
// host recorded during the step is compared.
struct Step {
  std::int64_t advanceMs;
  std::string line;
  Lines expected;
};

void RunTimeline(ChatStageFixture& f, const char* what, const std::vector<Step>& steps) {
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const std::size_t mark = f.host.Output().size();
    f.host.Advance(steps[i].advanceMs);
    if (!steps[i].line.empty()) f.host.IncomingChat(steps[i].line, kMagic, 1);
    EXPECT_EQ(f.Since(mark), steps[i].expected) << what << ", step " << i;
  }
}

TEST(ChatSpellLines, BurstsOfItemSpellLinesBecomeOneLine) {
  const std::string bane = "The spell Blade Bane VI on Sword has expired.";
  const std::string ward = "The spell Impenetrability VI on Shield has expired.";
  const std::string combined = "chat 7 0: The spell Blade Bane VI on your armor has expired.";
  struct Case {
    const char* what;
    std::vector<Step> steps;
  };
  const std::vector<Case> cases = {
      {"three expiries within 300 ms",
       {{0, bane, {}}, {100, ward, {}}, {100, ward, {}}, {99, "", {}}, {1, "", {combined}}, {1000, "", {}}}},
      {"a single expiry is shown unchanged, 300 ms late",
       {{0, bane, {}}, {299, "", {}}, {1, "", {"chat 7 0: " + bane}}, {1000, "", {}}}},
      {"250 ms after the first joins, 350 ms after starts a new burst",
       {{0, bane, {}},
        {250, ward, {}},
        {50, "", {combined}},
        {50, ward, {}},
        {299, "", {}},
        {1, "", {"chat 7 0: " + ward}}}},
      {"casts on items",
       {{0, "You cast Stoneskin I on Sword", {}},
        {10, "You cast Swift Feet I on Shield", {}},
        {290, "", {"chat 7 0: You cast Stoneskin I on your armor."}}}},
      {"own casts and casts on the character are not collected",
       {{0, "You cast Stoneskin I on yourself", {"game 7 1: You cast Stoneskin I on yourself"}},
        {0, "You cast Heal Self I of your own", {"game 7 1: You cast Heal Self I of your own"}},
        {300, "", {}}}},
  };
  for (const Case& c : cases) {
    ChatStageFixture f;
    f.ChatOption("Combine Item Spell Cast and Expire", true);
    RunTimeline(f, c.what, c.steps);
    EXPECT_TRUE(f.errors.empty()) << c.what;
  }
}

TEST(ChatSpellLines, WithoutCombiningItemSpellLinesPassAtOnce) {
  ChatStageFixture f;
  RunTimeline(f, "not combined",
              {{0,
                "The spell Blade Bane VI on Sword has expired.",
                {"game 7 1: The spell Blade Bane VI on Sword has expired."}},
               {0, "You cast Stoneskin I on Sword", {"game 7 1: You cast Stoneskin I on Sword"}},
               {1000, "", {}}});
}

TEST(ChatSpellLines, ExpiriesAreClassifiedAndStillActiveSpellsHidden) {
  struct Case {
    const char* what;
    bool filterOption;
    bool active;
    bool combine;
    std::string line;
    Lines expected;  // the "Spell Expiration" colour row writes in red to the main window
  };
  const std::string own = "Stoneskin I has expired.";
  const std::string item = "The spell Stoneskin I on Sword has expired.";
  const std::vector<Case> cases = {
      {"filtered, still active: hidden", true, true, false, own, {}},
      {"filtered, not active: shown as an expiry", true, false, false, own, {"chat 21 1: " + own}},
      {"not filtered, still active: shown as an expiry", false, true, false, own, {"chat 21 1: " + own}},
      {"an item spell is never filtered", true, true, false, item, {"chat 21 1: " + item}},
      {"a vitae line is no expiry",
       true,
       false,
       false,
       "Vitae penalty has expired.",
       {"game 7 1: Vitae penalty has expired."}},
  };
  for (const Case& c : cases) {
    ChatStageFixture f;
    f.ColorRow("Spell Expiration", true, "M", "Red");
    f.ChatOption("Filter Nonexpired Spells", c.filterOption);
    if (c.active) f.host.Character().AddEnchantment(1, 101, 600);  // Stoneskin I
    EXPECT_EQ(f.Game(c.line, kMagic), c.expected) << c.what;
    EXPECT_EQ(f.log().Log().empty(), c.expected.empty()) << c.what;
  }
  // The line a burst ends with is an expiry too.
  ChatStageFixture f;
  f.ColorRow("Spell Expiration", true, "M", "Red");
  f.ChatOption("Combine Item Spell Cast and Expire", true);
  RunTimeline(f, "combined", {{0, item, {}}, {300, "", {"chat 21 1: " + item}}});
}

TEST(ChatSpellLines, CastsOnItemsAreRecordedWhileItemSpellsAreTracked) {
  struct Case {
    const char* what;
    bool tracked;
    bool combine;
    std::vector<std::string> lines;
    Lines recorded;
  };
  const std::vector<Case> cases = {
      {"a cast on a carried item",
       true,
       false,
       {"You cast Stoneskin I on Sword, surpassing Stoneskin"},
       {"Stoneskin I on Sword"}},
      {"a cast on an item named with your",
       true,
       false,
       {"You cast Stoneskin I on your Sword"},
       {"Stoneskin I on Sword"}},
      {"not tracked", false, false, {"You cast Stoneskin I on Sword"}, {}},
      {"a combined burst is recorded on the armour",
       true,
       true,
       {"You cast Stoneskin I on Sword", "You cast Swift Feet I on Shield"},
       {"Stoneskin I on your armor."}},
      {"a single collected cast is recorded on its item",
       true,
       true,
       {"You cast Stoneskin I on Sword"},
       {"Stoneskin I on Sword"}},
      {"a burst is combined even when not tracked",
       false,
       true,
       {"You cast Stoneskin I on Sword", "You cast Swift Feet I on Shield"},
       {}},
  };
  for (const Case& c : cases) {
    ChatStageFixture f;
    f.Carry(500, "Sword");
    f.Carry(501, "Shield");
    f.ch().SpellsItem->CheckedLet(c.tracked);
    f.ChatOption("Combine Item Spell Cast and Expire", c.combine);
    const std::size_t mark = f.host.Output().size();
    for (const auto& line : c.lines) f.host.IncomingChat(line, kMagic, 1);
    f.host.Advance(300);
    EXPECT_EQ(f.ItemSpells(), c.recorded) << c.what;
    if (c.combine && c.lines.size() > 1) {
      EXPECT_EQ(f.Since(mark), Lines{"chat 7 0: You cast Stoneskin I on your armor."}) << c.what;
    }
    EXPECT_TRUE(f.errors.empty()) << c.what;
  }
}

TEST(ChatSpellLines, AnotherCastersLineOnYourItemIsShownWithoutAnError) {
  ChatStageFixture f;
  f.ch().SpellsItem->CheckedLet(true);
  const std::string line = "Drudge casts Imperil Other on your Shield";
  EXPECT_EQ(f.Game(line, kMagic), Lines{"game 7 1: " + line});
  EXPECT_TRUE(f.errors.empty());
  ASSERT_EQ(f.log().Log().size(), 1u);
}

TEST(ChatSpellLines, BurnLinesShowCountsAndSplitPeasBelowTheThreshold) {
  const std::string burn = "The spell consumed the following components: Lead Scarab, Hyssop, Ashwood Sprig";
  struct Case {
    const char* what;
    bool split;
    std::string threshold;
    bool showCounts;
    Lines output;
    std::vector<std::int32_t> peasQueued;  // ids of the peas the splitting tool is queued for
  };
  const std::vector<Case> cases = {
      {"counts shown",
       false,
       "5",
       true,
       {"chat 7 1: The spell consumed the following components: Lead Scarab (3), Hyssop (10), Ashwood Sprig "
        "(0)"},
       {}},
      {"split below 5; no pea for an unknown component", true, "5", false, {"game 7 1: " + burn}, {601}},
      {"split below 11, in component order", true, "11", false, {"game 7 1: " + burn}, {601, 602}},
      {"nothing below 0", true, "0", false, {"game 7 1: " + burn}, {}},
      {"not splitting", false, "11", false, {"game 7 1: " + burn}, {}},
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
    // The plug-in's own lines (queue announcements, warnings) apart from the burn line.
    f.Route(0, 32);
    Lines output, own;
    for (const auto& line : f.Game(burn, kMagic)) {
      (line.find("<Mellox>") != std::string::npos ? own : output).push_back(line);
    }
    EXPECT_EQ(output, c.output) << c.what;
    for (const auto& line : own) EXPECT_EQ(line.find("Warning"), std::string::npos) << c.what << ": " << line;
    std::vector<std::int32_t> queued;
    for (const auto& e : EventQueueInstance->Events()) {
      EXPECT_EQ(e.eventtype, EVENT_USE_ITEM_ON_STACK) << c.what;
      EXPECT_EQ(e.arg1, 600) << c.what;
      queued.push_back(e.arg2);
    }
    EXPECT_EQ(queued, c.peasQueued) << c.what;
    EXPECT_TRUE(f.errors.empty()) << c.what;
  }
}

TEST(ChatSpellLines, ABadPeaThresholdIsToldOnceAndTheLineGoesOn) {
  ChatStageFixture f;
  f.Carry(500, "Lead Scarab", 3);
  f.ch().SplitPeas->CheckedLet(true);
  f.ch().PeaThreshold->TextLet("lots");
  f.ChatOption("Show Comp Count on Burn", true);
  const std::string burn = "The spell consumed the following components: Lead Scarab";
  const Lines shown{"chat 7 1: The spell consumed the following components: Lead Scarab (3)"};
  EXPECT_EQ(f.Game(burn, kMagic), shown);
  EXPECT_EQ(f.Game(burn, kMagic), shown);
  ASSERT_EQ(f.errors.size(), 1u);
  EXPECT_NE(f.errors[0].find("ChatTextHandler.IncomingText #13"), std::string::npos) << f.errors[0];
  EXPECT_EQ(f.log().Log().size(), 2u);
  EXPECT_TRUE(EventQueueInstance->Events().empty());
  // A number too large for the setting is told as well, once.
  f.ch().PeaThreshold->TextLet("40000");
  f.Game(burn, kMagic);
  f.Game(burn, kMagic);
  EXPECT_EQ(f.errors.size(), 2u);
}

}  // namespace
}  // namespace mellox::test
