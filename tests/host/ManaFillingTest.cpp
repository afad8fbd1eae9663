// Mana filling: the choice of stone or charge, the bounded wait for the
// identify answers and the use loop.
#include <gtest/gtest.h>

#include <tuple>

#include "host/AutomationFixture.h"
#include "sim/SimIdentifier.h"

namespace mellox::test {
namespace {

constexpr std::int32_t kItem = 100;

class ManaFillingTest : public AutomationTest {
 protected:
  void Equip(std::int32_t id, std::int32_t cur, std::int32_t max, double rate) {
    Carry(id, "Robe").SetLong(10, 1).SetLong(107, cur).SetLong(108, max).SetDouble(5, rate);
  }
  void Stone(std::int32_t id, std::int32_t mana) { Carry(id, "Mana Stone").SetLong(107, mana); }
  void Answer(std::int32_t id) {
    host->World().Find(id)->SetLastIdentified(TimeModule::LocalToUnix(platform::Sys().Now()));
  }
  // A fill whose identify answer comes at once, up to its first use.
  void FillAnswered(bool onlyIfNeeded) {
    fh().Fill_Mana(onlyIfNeeded);
    Answer(kItem);
    host->Advance(2000);
  }
};

TEST_F(ManaFillingTest, TheStoneOrChargeClosestToTheNeedIsApplied) {
  struct Case {
    const char* what;
    std::int32_t cur, max;  // of the one equipped item (1 mana per second)
    bool onlyIfNeeded;
    std::vector<std::int32_t> stones;                // mana
    std::vector<std::pair<int, int>> charges;        // mana, value
    std::int32_t expected;                           // index into stones, then charges; -1 none
  };
  const std::vector<Case> cases = {
      {"a stone below the need is spent whole", 0, 500, false, {300, 450}, {{480, 1}}, 1},
      {"a charge fitting better replaces a larger stone", 0, 500, false, {600}, {{520, 100}}, 1},
      {"a charge worth the threshold or more is skipped", 0, 500, false, {600}, {{520, 50000}}, 0},
      {"a need far above any stone still takes the closest", 0, 100000, false, {1000, 2000}, {}, 1},
      {"empty stones are never taken", 0, 500, false, {0}, {}, -1},
      {"under two minutes of mana left: filled", 119, 500, true, {300}, {}, 0},
      {"two minutes left: no fill needed", 120, 500, true, {300}, {}, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    Login();
    Equip(kItem, c.cur, c.max, 1.0);
    std::int32_t id = 200;
    for (std::int32_t mana : c.stones) Stone(id++, mana);
    for (auto [mana, value] : c.charges) Carry(id++, "Mana Charge").SetLong(107, mana).SetLong(19, value);
    const auto mark = Mark();
    FillAnswered(c.onlyIfNeeded);
    EXPECT_EQ(Applied(mark), c.expected < 0 ? Lines{} : Apply(200 + c.expected));
    const bool filled = !c.onlyIfNeeded || c.expected >= 0;
    EXPECT_EQ(SaidSince(mark, "Needed mana: " + std::to_string(c.max - c.cur)), filled);
    EXPECT_EQ(SaidSince(mark, "Warning: Could not find anything to charge your items with!"), filled && c.expected < 0);
    EXPECT_TRUE(errors.empty()) << errors.front();
  }
}

TEST_F(ManaFillingTest, WaitsAndUsesAreBounded) {
  Login();
  host->Identifier().SetAnswering(false);  // answers come by hand, or never
  Equip(kItem, 0, 5000, 1.0);
  Equip(kItem + 1, 0, 5000, 1.0);
  Stone(200, 300);
  auto mark = Mark();
  fh().Fill_Mana(false);
  EXPECT_EQ(Actions(mark), (Lines{"item: identify 200", "item: identify 100", "item: identify 101"}));
  // Only the last equipped item's answer counts; a second fill meanwhile is dropped.
  Answer(kItem);
  fh().Fill_Mana(false);
  host->Advance(5000);
  EXPECT_EQ(Actions(mark).size(), 3u);
  // A busy character: the game takes no stone.
  host->Hooks().SetBusyState(1);
  Answer(kItem + 1);
  host->Advance(2000);
  EXPECT_EQ(Applied(mark), Apply(200));
  // Applied every second while it holds mana; the game never taking it ends that.
  host->Advance(30000);
  EXPECT_EQ(Applied(mark).size(), 10u);
  EXPECT_EQ(CountSince(mark, "Warning: The game did not use Mana Stone; mana filling stopped."), 1u);
  host->Hooks().SetBusyState(0);

  // An answer that never comes ends the scan with a warning; the next fill starts afresh.
  host->World().RemoveObject(200);
  mark = Mark();
  fh().Fill_Mana(false);
  host->Advance(29000);
  EXPECT_FALSE(SaidSince(mark, "not identified"));
  host->Advance(1000);
  EXPECT_EQ(CountSince(mark, "Warning: Your equipment was not identified in time; mana filling stopped."), 1u);
  mark = Mark();
  fh().Fill_Mana(false);
  EXPECT_EQ(CountSince(mark, "item: identify 101"), 1u);
  EXPECT_TRUE(errors.empty()) << errors.front();

  // Only uses after which nothing changed count: a game that takes every use
  // gets the whole stack of twelve 100-mana charges for a need of 5,000. Filled
  // equipment ends the loop silently: a need of 500 takes five of thirty, each
  // use followed by the item's new identification.
  for (auto [need, stack, uses] : {std::tuple{5000, 12, 12}, std::tuple{500, 30, 5}}) {
    SCOPED_TRACE("need " + std::to_string(need));
    SetUp();
    Login();
    Equip(kItem, 0, need, 1.0);
    Carry(300, "Mana Charge").SetLong(107, 100).SetLong(19, 1).SetLong(kStackKey, stack);
    mark = Mark();
    FillAnswered(false);
    host->Advance(40000);
    EXPECT_EQ(Applied(mark).size(), static_cast<std::size_t>(uses));
    auto* left = host->World().Find(300);
    EXPECT_EQ(left ? left->LongProperty(kStackKey) : 0, stack - uses);
    EXPECT_EQ(host->World().Find(kItem)->LongProperty(107), 100 * uses);
    EXPECT_EQ(CountSince(mark, "item: identify 100"), static_cast<std::size_t>(1 + uses));
    EXPECT_FALSE(SaidSince(mark, "Warning"));
    EXPECT_TRUE(errors.empty()) << errors.front();
  }

  // A logoff ends a filling under way; logged off, neither the low-mana line
  // nor the command starts one.
  SetUp();
  Login();
  Equip(kItem, 0, 5000, 1.0);
  Carry(301, "Mana Charge").SetLong(107, 100).SetLong(19, 1).SetLong(kStackKey, 12);
  mark = Mark();
  FillAnswered(false);
  host->Advance(2000);
  const std::size_t used = Applied(mark).size();
  ASSERT_GE(used, 2u);
  host->Character().RaiseLogoff();
  host->Advance(10000);
  EXPECT_EQ(Applied(mark).size(), used);
  ch().FillMana->CheckedLet(true);
  mark = Mark();
  host->IncomingChat("Your Robe is low on Mana.", 7, 1);
  fh().Fill_Mana(false);
  Answer(kItem);
  host->Advance(10000);
  EXPECT_EQ(Actions(mark), Lines{});
  EXPECT_FALSE(SaidSince(mark, "Needed mana"));
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(ManaFillingTest, LoginIdentifiesFoodKitsAndEquipment) {
  EditDefaults(R"(fillmana="False")", R"(fillmana="True")");
  Carry(50, "Apple", 6);
  Carry(51, "Healing Kit", 29);
  Equip(kItem, 5000, 5000, 1.0);
  const auto mark = Mark();
  Login();
  EXPECT_EQ(Actions(mark), (Lines{"item: identify 50", "item: identify 51", "item: identify 100"}));
}

}  // namespace
}  // namespace mellox::test
