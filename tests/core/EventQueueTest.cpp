// The event queue in the simulated host: queued item uses announced with the
// chat link, performed one at a time on the timer when the character is ready.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/EventQueue.h"
#include "host/HostTestFixture.h"
#include "sim/SimHooks.h"

namespace mellox::test {
namespace {

constexpr std::int32_t kStack = 0x0D000006;
constexpr std::int32_t kAle = 100;
constexpr std::int32_t kStout = 101;
constexpr std::int32_t kTool = 102;

class EventQueueTest : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    RouteOwnLinesToMain();
    Login();
    me = host->Character().Character();
    host->World().AddObject(kAle, "Amber Ale").SetLong(kStack, 5);
    host->World().AddObject(kStout, "Bobo's Stout").SetLong(kStack, 3);
    host->World().AddObject(kTool, "Splitting Tool");
  }

  EventQueue& Queue() { return *EventQueueInstance; }
  std::string Apply(std::int32_t item, std::int32_t target) {
    return "item: apply " + std::to_string(item) + " " + std::to_string(target);
  }
  // One queue tick; the game uses up one of every stack applied in it.
  void Tick() {
    const auto mark = Mark();
    host->Advance(EventQueue::kHandleIntervalMs);
    for (const std::string& line : Since(mark)) {
      if (line.rfind("item: apply ", 0) != 0) continue;
      const std::int32_t id = std::stoi(line.substr(12));
      auto* obj = host->World().Find(id);
      obj->SetLong(kStack, obj->LongProperty(kStack) - 1);
    }
  }
  std::vector<std::string> Applied(std::size_t mark) const {
    std::vector<std::string> out;
    for (const std::string& l : Since(mark))
      if (l.rfind("item: apply ", 0) == 0) out.push_back(l);
    return out;
  }

  std::int32_t me = 0;
};

TEST_F(EventQueueTest, TheLinkRunsTheQueuedUsesInOrderEachAfterTheCharacterIsReadyAgain) {
  const auto mark = Mark();
  Queue().Add(EVENT_USE_STACK_ON_ITEM, kAle, me, 5);
  Queue().Add(EVENT_USE_STACK_ON_ITEM, kStout, me, 3);
  Queue().Add(EVENT_USE_STACK_ON_ITEM, kStout, me, 2);  // the same use, whatever the count
  EXPECT_EQ(Queue().Events().size(), 2u);
  EXPECT_EQ(CountSince(mark, "Adding Amber Ale to the event queue. <Tell:IIDString:463072:[Mellox]>Run queued "
                             "events.<\\Tell>"),
            1u);
  EXPECT_EQ(CountSince(mark, "Adding Bobo's Stout to the event queue."), 1u);

  // Pending, not running: nothing happens until the link is clicked.
  EXPECT_EQ(Queue().State(), 1);
  host->Advance(2000);
  EXPECT_TRUE(Applied(mark).empty());

  EXPECT_TRUE(host->ClickChatLink(EventQueue::kLinkId, EventQueue::kLinkText));
  EXPECT_TRUE(Queue().running());
  for (int i = 0; i < 8; ++i) Tick();
  EXPECT_EQ(Applied(mark), (std::vector<std::string>{Apply(kAle, me), Apply(kStout, me)}));
  EXPECT_TRUE(Queue().Events().empty());
  EXPECT_FALSE(Queue().running());
  EXPECT_EQ(Queue().State(), 0);
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(EventQueueTest, AStackThatChangedBeforeItsTurnIsDroppedUnused) {
  const auto mark = Mark();
  Queue().Add(EVENT_USE_STACK_ON_ITEM, kAle, me, 5);
  host->World().Find(kAle)->SetLong(kStack, 4);
  Queue().Run();
  for (int i = 0; i < 3; ++i) Tick();
  EXPECT_TRUE(Applied(mark).empty());
  EXPECT_TRUE(Queue().Events().empty());
}

// The game never answers this tool on the ale: it is used a bounded number of
// times, then the event is dropped with a warning naming the stack, and the next runs.
TEST_F(EventQueueTest, AUseOnAStackThatNeverChangesIsDroppedAndTheNextOneRuns) {
  host->World().Find(kTool)->SetName("Worn Tool");
  const auto mark = Mark();
  Queue().Add(EVENT_USE_ITEM_ON_STACK, kTool, kAle, 5);
  Queue().Add(EVENT_USE_STACK_ON_ITEM, kStout, me, 3);
  Queue().Run();
  // Each use is followed by a tick that waits for the character to be ready;
  // the tick after the last wait drops the event.
  host->Advance(EventQueue::kHandleIntervalMs * (2 * EventQueue::kUnchangedPassLimit + 1));
  std::vector<std::string> expected(EventQueue::kUnchangedPassLimit, Apply(kTool, kAle));
  EXPECT_EQ(Applied(mark), expected);
  EXPECT_EQ(CountSince(mark, "Warning: The game did not take the queued use of Amber Ale; it was dropped from the "
                             "event queue."),
            1u);
  Tick();
  expected.push_back(Apply(kStout, me));
  EXPECT_EQ(Applied(mark), expected);
  for (int i = 0; i < 4; ++i) Tick();
  EXPECT_TRUE(Queue().Events().empty());
  EXPECT_TRUE(errors.empty()) << errors.front();
}

// Logged off, nothing is used; the character's next login finds the queue as
// the logoff left it: running again, or waiting for the link. Another
// character finds it empty.
TEST_F(EventQueueTest, ALogoffHoldsTheQueuedEventsForTheCharactersNextLogin) {
  const auto mark = Mark();
  Queue().Add(EVENT_USE_STACK_ON_ITEM, kAle, me, 5);
  Queue().Run();
  host->Character().RaiseLogoff();
  host->Advance(60000);
  EXPECT_TRUE(Applied(mark).empty());
  EXPECT_EQ(Queue().State(), 1);
  Login();
  Tick();
  EXPECT_EQ(Applied(mark), std::vector<std::string>{Apply(kAle, me)});
  for (int i = 0; i < 3; ++i) Tick();
  ASSERT_EQ(Queue().State(), 0);

  Queue().Add(EVENT_USE_STACK_ON_ITEM, kStout, me, 3);
  host->Character().RaiseLogoff();
  Login();
  host->Advance(2000);
  EXPECT_EQ(Applied(mark).size(), 1u);
  EXPECT_TRUE(host->ClickChatLink(EventQueue::kLinkId, EventQueue::kLinkText));
  Tick();
  EXPECT_EQ(Applied(mark), (std::vector<std::string>{Apply(kAle, me), Apply(kStout, me)}));

  Queue().Add(EVENT_USE_STACK_ON_ITEM, kStout, me, 2);
  Queue().Run();
  host->Character().RaiseLogoff();
  // A login whose settings cannot load (no file of Cid's, no defaults file)
  // never takes the queue up: it still waits for Bob after Cid's logoff.
  const std::filesystem::path defaults = DefaultsFile();
  std::filesystem::rename(defaults, defaults.string() + ".aside");
  Login("Cid");
  ASSERT_FALSE(PluginActive);
  host->Character().RaiseLogoff();
  std::filesystem::rename(defaults.string() + ".aside", defaults);
  Login("Ann");
  host->Advance(2000);
  EXPECT_TRUE(Queue().Events().empty());
  EXPECT_EQ(Applied(mark).size(), 2u);
  // Bob on another server is another character too; Bob's queue waits for Bob.
  host->Character().RaiseLogoff();
  Login("Bob", "Beta");
  host->Advance(2000);
  EXPECT_EQ(Applied(mark).size(), 2u);
  host->Character().RaiseLogoff();
  EXPECT_TRUE(Queue().Events().empty());
  host->Character().RaiseLogoff();
  Login();
  ASSERT_EQ(Queue().Events().size(), 1u);
  EXPECT_EQ(Queue().Events().front().arg1, kStout);
  EXPECT_TRUE(Queue().running());
}

TEST_F(EventQueueTest, OutOfPeaceModeTheHeadWaitsAndTheWarningIsWrittenOncePerStretch) {
  const std::string warning = "Please enter peace mode to continue handling the queued events.";
  host->Hooks().SetCombatMode(2);
  const auto mark = Mark();
  Queue().Add(EVENT_USE_STACK_ON_ITEM, kAle, me, 5);
  Queue().Add(EVENT_USE_STACK_ON_ITEM, kStout, me, 3);
  Queue().Run();
  for (int i = 0; i < 5; ++i) Tick();
  EXPECT_TRUE(Applied(mark).empty());
  EXPECT_EQ(CountSince(mark, warning), 1u);

  // Ready once: the ale is drunk and dropped; busy again before the stout.
  host->Hooks().SetCombatMode(1);
  for (int i = 0; i < 3; ++i) Tick();
  host->Hooks().SetBusyState(1);
  for (int i = 0; i < 3; ++i) Tick();
  EXPECT_EQ(Applied(mark), std::vector<std::string>{Apply(kAle, me)});
  EXPECT_EQ(CountSince(mark, warning), 2u);

  host->Hooks().SetBusyState(0);
  for (int i = 0; i < 4; ++i) Tick();
  EXPECT_EQ(Applied(mark), (std::vector<std::string>{Apply(kAle, me), Apply(kStout, me)}));
}

TEST_F(EventQueueTest, AnEmptiedQueueChecksEveryThreeSecondsUntilTheCharacterIsReady) {
  host->Hooks().SetCombatMode(2);
  Queue().Run();
  Tick();  // empty and not ready: the timer slows down
  EXPECT_TRUE(Queue().running());
  host->Hooks().SetCombatMode(1);
  host->Advance(EventQueue::kIdleCheckIntervalMs - 100);
  EXPECT_TRUE(Queue().running());
  host->Advance(100);
  EXPECT_FALSE(Queue().running());
  EXPECT_EQ(Queue().State(), 0);
}

TEST_F(EventQueueTest, NamesAreResolvedAndAMissingOneIsNamedAndQueuesNothing) {
  const auto mark = Mark();
  Queue().AddByName(EVENT_USE_ITEM_ON_STACK, "Splitting Tool", "Mana Stone");
  EXPECT_EQ(CountSince(mark, "Warning: You have no Mana Stone"), 1u);
  EXPECT_TRUE(Queue().Events().empty());

  Queue().AddByName(EVENT_USE_ITEM_ON_STACK, "Splitting Tool", "Bobo's Stout");
  ASSERT_EQ(Queue().Events().size(), 1u);
  const EventItem& e = Queue().Events().front();
  EXPECT_EQ(e.arg1, kTool);
  EXPECT_EQ(e.arg2, kStout);
  EXPECT_EQ(e.arg3, 3);
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(EventQueueTest, AnEventOfNoKnownTypeDoesNotHoldUpTheOnesBehindIt) {
  const auto mark = Mark();
  Queue().Add(7, kAle, me, 0);
  Queue().Add(EVENT_USE_STACK_ON_ITEM, kStout, me, 3);
  Queue().Run();
  for (int i = 0; i < 3; ++i) Tick();
  EXPECT_EQ(Applied(mark), std::vector<std::string>{Apply(kStout, me)});
}

}  // namespace
}  // namespace mellox::test
