#include <gtest/gtest.h>

#include "hud/HUDHandler.h"
#include "hud/HUDMainHandler.h"
#include "tracking/TrackingFixture.h"

namespace mellox::test {
namespace {

using Lines = std::vector<std::string>;

struct BuffFixture : TrackingFixture {
  BuffFixture() {
    host.Advance(1000);
    stats().UpdateTime();  // the buff list waits for the clock's first second
  }
  void Enchant(std::int32_t spell, std::int32_t family, std::int32_t seconds) {
    host.Character().AddEnchantment(spell, family, seconds);
    spells().RebuildList = true;
  }
};

TEST(SpellHandlerTest, OneSpellPerFamilySortedByTimeLeft) {
  struct Case {
    const char* what;
    std::int32_t aSpell, aFamily, aSeconds;
    std::int32_t bSpell, bFamily, bSeconds;
    Lines expected;
  };
  const Case cases[] = {
      // Warding Veil II (difficulty 300) beats I (250) even with less time.
      {"stronger wins", 14, 110, 600, 13, 110, 3600, {"Warding Veil II"}},
      {"stronger wins, other order", 13, 110, 3600, 14, 110, 600, {"Warding Veil II"}},
      // Stoneskin I and Swift Feet I both have difficulty 10.
      {"equal: more time wins", 1, 999, 100, 3, 999, 200, {"Swift Feet I"}},
      {"equal and same time: first met", 1, 999, 100, 3, 999, 100, {"Stoneskin I"}},
      {"sorted by time", 13, 110, 3600, 1, 101, 60, {"Stoneskin I", "Warding Veil I"}},
      {"no duration last", 30, 112, 0, 13, 110, 3600, {"Warding Veil I", "Eternal Ward"}},
  };
  for (const Case& c : cases) {
    BuffFixture f;
    f.Enchant(c.aSpell, c.aFamily, c.aSeconds);
    f.Enchant(c.bSpell, c.bFamily, c.bSeconds);
    f.Tick();
    EXPECT_EQ(f.Names("Buff_List"), c.expected) << c.what;
    EXPECT_TRUE(f.errors.empty()) << c.what;
  }
}

TEST(SpellHandlerTest, RowsTimesDebuffsAndCooldowns) {
  BuffFixture f;
  f.Enchant(30, 112, 0);     // permanent
  f.Enchant(20, 410, 120);   // debuff
  f.Enchant(14, 110, 3909);  // 1:05:09 after a second
  f.Enchant(-32765, 0, 500);  // an item cooldown
  f.Tick();
  EXPECT_EQ(f.Names("Buff_List"), (Lines{"Warding Veil II", "Eternal Ward"}));
  EXPECT_EQ(f.Cell("Buff_List", 2, 0), "1:05:08");
  EXPECT_EQ(f.Cell("Buff_List", 2, 1), "");
  EXPECT_EQ(f.Names("Debuff_List"), (Lines{"Creeping Rot"}));
  EXPECT_EQ(f.Cell("Debuff_List", 2, 0), "01:59");
  EXPECT_EQ(f.spells().CooldownTimers.count(-32765), 1u);
  EXPECT_EQ(f.spells().NextBuffText, "Warding Veil II");
  // The times run on with each tick without a rebuild.
  f.Tick(10000);
  EXPECT_EQ(f.Cell("Buff_List", 2, 0), "1:04:58");
}

TEST(SpellHandlerTest, UnsetSelectionFallsBackToTheFirstBuff) {
  for (const char* selected : {"", "-1"}) {
    BuffFixture f;
    f.ch().SelectedSpell = selected;
    f.Enchant(20, 410, 50);  // a debuff is never the default
    f.Enchant(13, 110, 3601);
    f.Enchant(1, 101, 7201);
    f.Tick();
    EXPECT_EQ(f.list("Buff_List").ColorGet(1, 0), SpellHandler::kTrackedColor) << selected;
    EXPECT_NE(f.list("Buff_List").ColorGet(1, 1), SpellHandler::kTrackedColor) << selected;
    EXPECT_EQ(f.ch().SpellsTracked->TextGet(), "1:00:00") << selected;
  }
}

TEST(SpellHandlerTest, ClickingABuffTracksItsFamilyAndASecondClickClears) {
  BuffFixture f;
  f.Enchant(13, 110, 3601);
  f.Enchant(1, 101, 7201);
  f.Tick();
  f.spells().BuffList_Change(f.list("Buff_List").Id(), 1, 1);  // Stoneskin I, family 101
  EXPECT_EQ(f.ch().SelectedSpell, "101");
  f.Tick();
  EXPECT_EQ(f.ch().SpellsTracked->TextGet(), "1:59:59");
  f.spells().BuffList_Change(f.list("Buff_List").Id(), 2, 1);
  EXPECT_EQ(f.ch().SelectedSpell, "");
  f.Tick();
  EXPECT_EQ(f.ch().SpellsTracked->TextGet(), "59:58");
}

// When the last spell leaves, dispelled or run out, nothing of it stays on
// screen: no row to click, and the tracked time and the main HUD's Next Buff
// line, drink suffix included, read as with no buff, also minutes later.
TEST(SpellHandlerTest, TheLastSpellLeavingLeavesNothingOnScreen) {
  for (const bool dispelled : {true, false}) {
    const char* how = dispelled ? "dispelled" : "run out";
    BuffFixture f;
    f.ch().BeerFocus->CheckedLet(true);
    f.ch().BeerUseTimer->TextLet("120");
    f.ch().SpellsBeers->CheckedLet(true);
    f.ch().HudOn->CheckedLet(true);
    const auto nextBuff = [&] {
      HUDMainHandlerInstance->CreateHUD();
      const HUDItem* item = HUDMainHandlerInstance->MainHud->Item("NxB");
      return item ? item->data : std::string("<none>");
    };
    f.Enchant(13, 110, 71);    // Warding Veil I
    f.Enchant(3530, 601, 61);  // a drink's buff
    f.Enchant(20, 410, 51);    // Creeping Rot, a debuff
    f.Tick();
    ASSERT_EQ(f.list("Buff_List").Count(), 2) << how;
    ASSERT_EQ(f.Names("Debuff_List"), (Lines{"Creeping Rot"})) << how;
    EXPECT_EQ(f.spells().LowBeer, 60) << how;
    EXPECT_EQ(nextBuff(), "Next Buff: " + f.ch().SpellsTracked->TextGet() + " (1)") << how;
    EXPECT_NE(f.ch().SpellsTracked->TextGet(), "N/A") << how;
    if (dispelled) {
      for (const std::int32_t spell : {13, 3530, 20}) f.host.Character().RemoveEnchantment(spell);
      f.spells().RebuildList = true;
      f.Tick();
    } else {
      for (int second = 0; second < 72; ++second) f.Tick();
    }
    EXPECT_EQ(f.list("Buff_List").Count(), 0) << how;
    EXPECT_EQ(f.list("Debuff_List").Count(), 0) << how;
    EXPECT_EQ(f.ch().SpellsTracked->TextGet(), "N/A") << how;
    EXPECT_EQ(f.spells().LowBeer, 99999) << how;
    EXPECT_EQ(nextBuff(), "Next Buff: N/A (x)") << how;
    f.Tick(300000);
    EXPECT_EQ(f.list("Buff_List").Count(), 0) << how;
    EXPECT_EQ(nextBuff(), "Next Buff: N/A (x)") << how;
    EXPECT_TRUE(f.errors.empty()) << how;
  }
}

TEST(SpellHandlerTest, ExpiryWarningsFireOnCrossing) {
  struct Case {
    std::optional<std::int64_t> previous;
    std::int64_t current;
    const char* expected;
  };
  const Case cases[] = {
      {301, 300, "Your buffs will expire in 5 minutes!"},
      {302, 299, "Your buffs will expire in 5 minutes!"},  // a skipped tick
      {300, 300, nullptr},                                 // a doubled tick
      {300, 299, nullptr},
      {181, 180, "Your buffs will expire in 3 minutes!"},
      {62, 59, "Your buffs will expire in 1 minute!"},
      {400, 50, "Your buffs will expire in 1 minute!"},  // most urgent only
      {50, 400, nullptr},                                // recast
      {61, 0, nullptr},                                  // gone
      {std::nullopt, 300, "Your buffs will expire in 5 minutes!"},
      {std::nullopt, 299, nullptr},
  };
  for (const Case& c : cases) {
    const char* got = SpellHandler::ExpiryWarning(c.previous, c.current);
    EXPECT_EQ(got ? std::string(got) : "", c.expected ? std::string(c.expected) : "")
        << c.previous.value_or(-1) << " -> " << c.current;
  }
}

TEST(SpellHandlerTest, WarningsWithAnOffsetInTheRunningList) {
  BuffFixture f;
  f.SetOption("Buffs Expiration Warning", true);
  f.ch().SpellsOffset->TextLet("-60");
  f.Enchant(13, 110, 372);
  f.Tick();  // 371 left, tracked 311
  Lines warnings;
  std::vector<std::int32_t> at;
  for (int i = 0; i < 320; ++i) {
    const auto mark = f.Mark();
    // Every tenth second the tick comes twice; every 7th is skipped.
    if (i % 7 == 3) {
      f.host.Advance(1000);
      continue;
    }
    f.Tick();
    if (i % 10 == 5) f.Tick(0);
    for (const auto& line : f.OutputSince(mark)) {
      if (line.find("will expire") != std::string::npos) {
        warnings.push_back(line.substr(line.find("<Mellox> ") + 9));
        at.push_back(f.spells().AllSpells.empty() ? -1 : f.spells().AllSpells[0]->timeRemaining);
      }
    }
  }
  EXPECT_EQ(warnings, (Lines{"Your buffs will expire in 5 minutes!", "Your buffs will expire in 3 minutes!",
                             "Your buffs will expire in 1 minute!"}));
  ASSERT_EQ(at.size(), 3u);
  EXPECT_LE(at[0], 360);
  EXPECT_GE(at[0], 359);
  EXPECT_TRUE(f.errors.empty());
}

TEST(SpellHandlerTest, OffsetOutOfRangeIsNotANumber) {
  BuffFixture f;
  f.Enchant(13, 110, 601);
  for (const char* text : {"99999999999", "-3000000000", "1e300", "abc"}) {
    f.ch().SpellsOffset->TextLet(text);
    f.Tick();
    EXPECT_EQ(f.ch().SpellsTracked->TextGet(), f.Cell("Buff_List", 2, 0)) << text;
    f.spells().SpellsOffset_End(0, true);
    EXPECT_EQ(f.ch().SpellsOffset->TextGet(), "0") << text;
  }
  f.ch().SpellsOffset->TextLet("-30");
  f.spells().SpellsOffset_End(0, true);
  EXPECT_EQ(f.ch().SpellsOffset->TextGet(), "-30");
  EXPECT_TRUE(f.errors.empty());
  EXPECT_EQ(SpellHandler::WholeNumber("2147483647"), 2147483647);
  EXPECT_EQ(SpellHandler::WholeNumber("2147483648"), std::nullopt);
}

TEST(SpellHandlerTest, ExpiredItemSpellsAreRemovedWhileLiveOnesAreListed) {
  BuffFixture f;
  f.ch().SpellsItem->CheckedLet(true);
  const std::int64_t now = TrackingPeers::NowUnix();
  auto item = std::make_shared<SpellItemInfo>();
  auto add = [&](std::int32_t id, std::int32_t family, std::int32_t finishIn) {
    auto s = std::make_shared<SpellInfo>();
    s->id = id;
    s->family = family;
    s->name = "Spell " + std::to_string(id);
    s->sTarget = "your armor.";
    s->finish = now + finishIn;
    item->AddSpell(family, s);
  };
  add(101, 1, -5);
  add(102, 2, 100);
  add(103, 3, 0);
  add(104, 4, 50);
  f.spells().ItemSpells.emplace_back("your armor.", item);
  f.Enchant(1, 101, 100);
  f.Tick();
  // Equal times keep collection order: enchantments before item spells.
  EXPECT_EQ(f.Names("Buff_List"), (Lines{"Spell 104 on your armor.", "Stoneskin I", "Spell 102 on your armor."}));
  EXPECT_EQ(item->Count(), 2u);
  EXPECT_TRUE(f.errors.empty());
}

TEST(SpellHandlerTest, SavedItemSpellTimesComeFromTheFinishTime) {
  BuffFixture f;
  f.ch().SpellsItem->CheckedLet(false);  // the list does not refresh item spells now
  auto item = std::make_shared<SpellItemInfo>();
  auto s = std::make_shared<SpellInfo>();
  s->id = 13;
  s->family = 110;
  s->sTarget = "Sword";
  s->finish = TrackingPeers::NowUnix() + 600;
  s->timeRemaining = 600;
  auto gone = std::make_shared<SpellInfo>(*s);
  gone->family = 111;
  gone->finish = TrackingPeers::NowUnix() + 60;
  item->AddSpell(110, s);
  item->AddSpell(111, gone);
  f.spells().ItemSpells.emplace_back("Sword", item);
  f.host.Advance(100000);
  f.Tick();
  const auto saved = f.spells().ItemSpellsToSave();
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved[0].remaining, 499);
  EXPECT_EQ(saved[0].target, "Sword");
}

}  // namespace
}  // namespace mellox::test
