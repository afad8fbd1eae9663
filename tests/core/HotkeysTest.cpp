// The plug-in's hotkeys in the simulated host's hotkey system: registration
// at login and the actions the named hotkeys run.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/DHSHandler.h"
#include "core/EventQueue.h"
#include "host/HostTestFixture.h"
#include "settings_view/ControlHandler.h"
#include "sim/SimHostCore.h"
#include "sim/SimHotkeySystem.h"
#include "sim/SimWorld.h"
#include "support/SessionReference.h"

namespace mellox::test {
namespace {

using HotkeysTest = HostTest;

TEST_F(HotkeysTest, LoginRegistersTheFourteenHotkeysInOrderUnderThePluginsName) {
  const auto mark = Mark();
  Login();
  ASSERT_NE(DHSHandlerInstance, nullptr);
  EXPECT_TRUE(DHSHandlerInstance->IsEnabled);
  std::vector<std::string> added;
  for (const std::string& l : Since(mark))
    if (l.rfind("hotkey: add ", 0) == 0) added.push_back(l.substr(12));
  ASSERT_EQ(added.size(), 14u);
  for (std::size_t i = 0; i < added.size(); ++i) {
    EXPECT_EQ(added[i], DHSHandler::kHotkeys[i].name);
    EXPECT_EQ(host->Hotkeys().Entry(added[i])->DescriptionGet(), DHSHandler::kHotkeys[i].description);
  }
  EXPECT_EQ(host->Hotkeys().Entry("MX:OneKeySmartHeal")->DescriptionGet(),
            "Mellox: One key heal self, but falls back to food if health is too low");

  // The script writer's reference names the same keys in the same order.
  std::vector<std::string> written;
  for (const Table& table : Tables(Section(SessionReference(), "## Hotkeys")))
    if (!table.header.empty() && table.header[0] == "hotkey")
      for (const auto& row : table.rows) written.push_back(Unquoted(row[0]));
  EXPECT_EQ(written, added);
}

TEST_F(HotkeysTest, ANameTheSystemKnowsIsLeftAsItIs) {
  auto mine = platform::Sys().CreateHotkeyEntry();
  mine->NameLet("MX:RunEvents");
  mine->DescriptionLet("bound by the user");
  host->Hotkeys().AddHotkey("Mellox", mine);
  const auto mark = Mark();
  Login();
  EXPECT_FALSE(SaidSince(mark, "hotkey: add MX:RunEvents"));
  EXPECT_EQ(CountSince(mark, "hotkey: add "), 13u);
  EXPECT_EQ(host->Hotkeys().Entry("MX:RunEvents")->DescriptionGet(), "bound by the user");

  // A second login finds them all and adds nothing.
  const auto again = Mark();
  Login();
  EXPECT_EQ(CountSince(again, "hotkey: add "), 0u);
  EXPECT_EQ(host->Hotkeys().Size(), 14u);
}

TEST_F(HotkeysTest, AHotkeyRunsItsActionAndIsHandled) {
  RouteOwnLinesToMain();
  Login();
  ControlHandler& c = *ControlHandlerInstance;

  c.UseBeers->CheckedLet(false);
  // Names match exactly; any other name is left to other plug-ins.
  EXPECT_FALSE(host->Hotkeys().Trigger("mx:toggleusebeers"));
  EXPECT_FALSE(host->Hotkeys().Trigger("MX:Unknown"));
  EXPECT_FALSE(c.UseBeers->CheckedGet());
  auto mark = Mark();
  EXPECT_TRUE(host->Hotkeys().Trigger("MX:ToggleUseBeers"));
  EXPECT_TRUE(c.UseBeers->CheckedGet());
  EXPECT_TRUE(SaidSince(mark, "Ready to keep em' coming!"));

  c.ChatLogAFK->CheckedLet(false);
  mark = Mark();
  EXPECT_TRUE(host->Hotkeys().Trigger("MX:ToggleAFK"));
  EXPECT_EQ(CountSince(mark, "parser: *afk*"), 1u);

  c.SessionTime->TextLet("01:02:03");
  EXPECT_TRUE(host->Hotkeys().Trigger("MX:ResetSession"));
  EXPECT_EQ(c.SessionTime->TextGet(), "00:00:00");

  EXPECT_TRUE(host->Hotkeys().Trigger("MX:RunEvents"));
  EXPECT_TRUE(EventQueueInstance->running());
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(HotkeysTest, TheEatingKeysAreHandledExactlyWhenSomethingWasEaten) {
  Login();
  ControlHandler& c = *ControlHandlerInstance;
  const std::int32_t me = host->Character().Character();
  host->Character().SetMaximum(2, 200);
  host->Character().SetHealth(50);
  host->World().AddObject(400, "Apple").SetContainer(me).SetLong(89, 2).SetLong(90, 100);

  c.VitalsEnabled->CheckedLet(false);
  for (const char* key : {"MX:OneKeyHealth", "MX:OneKeyStamina", "MX:OneKeyMana", "MX:OneKeyHeal",
                          "MX:OneKeySmartHeal"})
    EXPECT_FALSE(host->Hotkeys().Trigger(key)) << key;

  c.VitalsEnabled->CheckedLet(true);
  c.VitalsBlock->TextLet("100%");
  const auto mark = Mark();
  EXPECT_TRUE(host->Hotkeys().Trigger("MX:OneKeyHealth"));
  EXPECT_EQ(CountSince(mark, "item: apply 400 " + std::to_string(me)), 1u);
  EXPECT_FALSE(host->Hotkeys().Trigger("MX:OneKeyMana"));  // no mana food carried
}

TEST_F(HotkeysTest, AFailingActionIsReportedAndLeavesTheKeyUnhandled) {
  Login();
  Statistics* stats = StatisticsInstance;
  StatisticsInstance = nullptr;
  const bool handled = host->Hotkeys().Trigger("MX:ResetSession");
  StatisticsInstance = stats;
  EXPECT_FALSE(handled);
  EXPECT_TRUE(Reported("DHSHandler.HotkeyEvent #91"));
}

TEST_F(HotkeysTest, DrinkingTheBeersQueuesEachTickedBeerAndRunsTheQueue) {
  RouteOwnLinesToMain();
  Login();
  ControlHandler& c = *ControlHandlerInstance;
  for (auto* box : {&c.BeerStr, &c.BeerEnd, &c.BeerCoord, &c.BeerQuick, &c.BeerFocus, &c.BeerSelf})
    (*box)->CheckedLet(false);
  c.BeerFocus->CheckedLet(true);
  constexpr std::int32_t kPack = 0x7000;
  host->World().AddObject(300, "Tusker Spit Ale").SetLong(0x0D000002, kPack).SetLong(0x0D000006, 2);
  host->World().AddToInventory(300, kPack);

  const auto mark = Mark();
  EXPECT_TRUE(host->Hotkeys().Trigger("MX:DrinkBeersNow"));
  EXPECT_TRUE(SaidSince(mark, "Adding Tusker Spit Ale to the event queue."));
  EXPECT_TRUE(EventQueueInstance->running());
  host->Advance(EventQueue::kHandleIntervalMs);
  EXPECT_TRUE(SaidSince(mark, "item: apply 300 " + std::to_string(host->Character().Character())));
}

}  // namespace
}  // namespace mellox::test
