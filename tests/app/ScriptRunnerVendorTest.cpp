// The script verbs for the vendor and the chat bar.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ScriptRunnerFixture.h"
#include "sim/SimHooks.h"
#include "sim/SimWorld.h"

namespace mellox::app {
namespace {

class ScriptRunnerVendorTest : public ScriptRunnerTest {
 protected:
  std::vector<std::int32_t> Offered() {
    std::vector<std::int32_t> ids;
    auto goods = host.World().Vendor();
    std::shared_ptr<platform::WorldObject> item;
    while (goods->Next(item)) ids.push_back(item->Id());
    return ids;
  }
};

TEST_F(ScriptRunnerVendorTest, VendorOpensOffersAndCloses) {
  // A vendor trades with a character in the world.
  EXPECT_TRUE(Run("login\nobject 900 0 Trade Note (250,000)\nobject 901 0 Lead Pea\n"
                  "vendor open 7000 0.75\nvendor sells 900\nvendor sells 901\nvendor sells 900\n"));
  EXPECT_EQ(host.Hooks().VendorId(), 7000);
  EXPECT_DOUBLE_EQ(host.World().Vendor()->BuyRate(), 0.75);
  EXPECT_EQ(Offered(), (std::vector<std::int32_t>{900, 901}));
  // Another vendor offers its own goods.
  EXPECT_TRUE(Run("vendor open 7001 1\nvendor sells 901\n"));
  EXPECT_EQ(Offered(), (std::vector<std::int32_t>{901}));
  EXPECT_TRUE(Run("vendor close\n"));
  EXPECT_EQ(host.Hooks().VendorId(), 0);
  EXPECT_TRUE(Offered().empty());
}

TEST_F(ScriptRunnerVendorTest, VendorMisuseFailsWithItsReason) {
  EXPECT_TRUE(Run("login\nobject 900 0 Note\n"));
  Fails("vendor sells 900", "no vendor is open");
  Fails("vendor open 0 1", "above 0");
  Fails("vendor open 7000 -1", "negative");
  // A rate must be a number the sim can pay out.
  for (const char* rate : {"nan", "inf", "infinity"}) Fails(std::string("vendor open 7000 ") + rate, "finite");
  EXPECT_EQ(host.Hooks().VendorId(), 0);
  Fails("vendor open 7000", "malformed rate");
  Fails("vendor open 7000 1 2", "usage: vendor open ID RATE");
  Fails("vendor haggle", "vendor open ID RATE, vendor sells ID, or vendor close");
  Fails("vendor close now", "usage: vendor close");
  EXPECT_TRUE(runner.RunLine("vendor open 7000 1"));
  Fails("vendor sells 12345", "no object 12345");
}

TEST_F(ScriptRunnerVendorTest, ExpectChatbarWantsAnOpenBarHoldingTheText) {
  Fails("expect-chatbar", "not open");
  host.Hooks().ChatBarKey(13, 0);
  EXPECT_TRUE(runner.RunLine("expect-chatbar"));
  for (char c : std::string("/tell Guild,")) host.Hooks().ChatBarKey(0, c);
  EXPECT_TRUE(runner.RunLine("expect-chatbar /tell Guild,"));
  Fails("expect-chatbar /tell Guild", "holds '/tell Guild,'");
  // The bar's text compares as the player reads it.
  for (char c : std::string(" caf\xE9?")) host.Hooks().ChatBarKey(0, c);
  EXPECT_TRUE(runner.RunLine("expect-chatbar /tell Guild, caf\xC3\xA9?"));
  Fails("expect-chatbar /tell Guild, caf\xC3\xA9\xE2\x98\x83", "holds '/tell Guild, caf\xC3\xA9?'");
}

}  // namespace
}  // namespace mellox::app
