// Selling peas for trade notes at an open vendor, tick by tick of the
// selling timer.
#include <gtest/gtest.h>

#include <functional>

#include "host/AutomationFixture.h"
#include "sim/SimWorld.h"
#include "sim/SimWorldObject.h"

namespace mellox::test {
namespace {

constexpr std::int32_t kCoins = 400;
constexpr const char* kNote = "Trade Note (250,000)";

class PeaSellingTest : public AutomationTest {
 protected:
  void SetUp() override {
    AutomationTest::SetUp();
    Login();
    host->Hooks().SetVendorId(0x7000);
    host->World().AddObject(900, kNote);
    host->World().SetVendorGoods({900});
    Carry(kCoins, "Pyreal").SetLong(kStackKey, 100000);
    host->Hooks().SetSelectedStackSizeValue(1000);
  }
  void Coins(std::int32_t count) { host->World().Find(kCoins)->SetLong(kStackKey, count); }
  void Peas(std::int32_t id, const std::string& kind, std::int32_t count) {
    Carry(id, kind + " Pea").SetLong(kStackKey, count);
  }
  Lines Ticks(int n) {
    const auto mark = Mark();
    for (int i = 0; i < n; ++i) host->Advance(500);
    return Actions(mark);
  }
};

TEST_F(PeaSellingTest, SellsWhatIsNeededBuysANoteAndStacksIt) {
  Peas(500, "Pyreal", 3);
  Peas(501, "Pyreal", 10);
  Carry(940, kNote).SetLong(kStackKey, 5).SetLong(0x0D000007, 100);
  const auto mark = Mark();
  fh().StartPeas();
  // 187500 pyreals short: 4 peas, from the first stack holding more than that; the
  // game splits them off into a new object, which is sold.
  const std::int32_t piece = sim::SimWorld::kFirstNewId;
  EXPECT_EQ(Ticks(4), (Lines{"item: select 501", "item: split 4", "vendor: sell-add " + std::to_string(piece),
                             "vendor: sell-all"}));
  Coins(300000);
  // The bought note is a new object of the character's, moved onto the stack,
  // which the game joins to it.
  const std::string move = "item: move " + std::to_string(piece + 1) + " 940";
  EXPECT_EQ(Ticks(3), (Lines{"vendor: buy-add 900 1", "vendor: buy-all", move}));
  EXPECT_EQ(host->World().Find(940)->LongProperty(kStackKey), 6);
  EXPECT_EQ(host->World().Find(piece + 1), nullptr);
  for (std::int32_t id : {500, 501}) host->World().RemoveObject(id);
  // Landed; each kind is then found used up, and selling ends.
  EXPECT_TRUE(Ticks(8).empty());
  EXPECT_EQ(CountSince(mark, "<Mellox> Done Selling Peas! MMD's Purchased: 1"), 1u);
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(PeaSellingTest, SellingStopsWithItsReason) {
  struct Case {
    const char* message;
    std::function<void()> setup;
    int ticks;
  };
  const std::vector<Case> cases = {
      {"No vendor is open.  Please open a vendor window.", [this] { host->Hooks().SetVendorId(0); }, 1},
      {"No MMD Notes Found in Vendor!", [this] { host->World().SetVendorGoods({}); }, 5},
      {"Unable to sell due to being encumbered.",
       [this] { host->StatusText("You are too encumbered to sell that!"); }, 0},
      // A kind too small for the need is left; six kinds later all are done.
      {"Done Selling Peas! MMD's Purchased: 0",
       [this] {
         host->World().RemoveObject(500);
         host->Hooks().SetSelectedStackSizeValue(2);
       },
       8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    SetUp();
    Peas(500, "Pyreal", 1000);
    Peas(510, "Gold", 2);
    const auto mark = Mark();
    fh().StartPeas();
    c.setup();
    Ticks(c.ticks);
    EXPECT_EQ(CountSince(mark, "<Mellox> " + std::string(c.message)), 1u);
    const auto after = Mark();
    Ticks(20);
    EXPECT_TRUE(Since(after).empty());
    EXPECT_TRUE(errors.empty()) << errors.front();
  }

  // A logoff ends selling under way: the next login neither sells nor takes
  // a note the character comes by for one bought by the selling.
  SetUp();
  Peas(500, "Pyreal", 10);
  Coins(300000);
  DebugMode = true;
  fh().StartPeas();
  ASSERT_EQ(Ticks(2), (Lines{"item: select 500", "item: split 1"}));
  host->Character().RaiseLogoff();
  Login();
  const auto relogged = Mark();
  auto note = std::make_shared<sim::SimWorldObject>(960, kNote);
  note->SetOwner(Me());
  host->World().Insert(note);
  EXPECT_TRUE(Ticks(20).empty());
  EXPECT_EQ(CountSince(relogged, "New Trade Note created while Selling Peas"), 0u);
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(PeaSellingTest, AVendorRateOfZeroIsAnErrorOfTheStepWhichIsRetried) {
  Peas(500, "Pyreal", 1000);
  host->World().SetVendorBuyRate(0);
  fh().StartPeas();
  EXPECT_TRUE(Ticks(3).empty());
  EXPECT_EQ(errors, (std::vector<std::string>(3, "FilterHandler.SellPeas #11")));
  // The same step runs again once the rate is known.
  host->World().SetVendorBuyRate(1);
  EXPECT_EQ(Ticks(1), (Lines{"item: select 500"}));
  // A rate that stays 0 is given up after a bounded number of tries, with one message.
  host->World().SetVendorBuyRate(0);
  errors.clear();
  const auto mark = Mark();
  EXPECT_TRUE(Ticks(10).empty());  // the split needs the rate too
  EXPECT_EQ(CountSince(mark, "<Mellox> Selling peas stopped: the vendor step kept failing."), 1u);
  EXPECT_EQ(errors.size(), 10u);
  const auto after = Mark();
  Ticks(20);
  EXPECT_TRUE(Since(after).empty());
  EXPECT_EQ(errors.size(), 10u);
}

TEST_F(PeaSellingTest, NeverSplitsBelowOnePeaNorWaitsForeverForTheNote) {
  Peas(500, "Pyreal", 10);
  for (std::int32_t coins : {287500, 300000}) {
    Coins(coins);
    fh().StartPeas();
    EXPECT_EQ(Ticks(2), (Lines{"item: select 500", "item: split 1"}));
    fh().StopPeas();
  }
  // The game refuses a note the pyreals do not pay for, so it never shows up:
  // selling goes on after a while.
  host->World().Find(900)->SetLong(19, 400000);
  fh().StartPeas();
  EXPECT_EQ(Ticks(6).back(), "vendor: buy-all");
  EXPECT_TRUE(Ticks(21).empty());
  EXPECT_EQ(Ticks(1), (Lines{"item: select 500"}));
  EXPECT_TRUE(errors.empty()) << errors.front();
}

}  // namespace
}  // namespace mellox::test
