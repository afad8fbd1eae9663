// Keyboard automation in the simulated host: the key presses a queued text
// becomes, the pacing, and the wait for the chat bar.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/KeyboardAC.h"
#include "core/TimerHandler.h"
#include "host/HostTestFixture.h"
#include "settings_view/ControlHandler.h"
#include "sim/SimHooks.h"
#include "sim/SimHostCore.h"
#include "sim/SimSystem.h"

namespace mellox::test {
namespace {

class KeyboardACTest : public HostTest {
 protected:
  KeyboardAC& Keys() { return *KeyboardACInstance; }
  std::vector<std::string> KeysSince(std::size_t mark) const {
    std::vector<std::string> out;
    for (const std::string& l : Since(mark))
      if (l.rfind("key: ", 0) == 0) out.push_back(l.substr(5));
    return out;
  }
  static std::vector<std::string> Press(std::int32_t vk) {
    return {"down " + std::to_string(vk), "up " + std::to_string(vk)};
  }
  static std::vector<std::string> Shifted(std::int32_t vk) {
    return {"down 16", "down " + std::to_string(vk), "up " + std::to_string(vk), "up 16"};
  }
};

TEST_F(KeyboardACTest, EachCharacterIsTypedWithTheModifiersItsKeyNeeds) {
  struct Case {
    std::string text;
    std::vector<std::string> keys;
  };
  const Case cases[] = {
      {"a", Press('A')},
      {"A", Shifted('A')},
      {"7", Press('7')},
      {"/", Press(0xBF)},
      {"?", Shifted(0xBF)},
      {"@", Shifted('2')},
      {" ", Press(0x20)},
      // A token's name inside a text is typed as its letters.
      {"{Enter}", [] {
         std::vector<std::string> k = Shifted(0xDB);
         for (auto v : {Shifted('E'), Press('N'), Press('T'), Press('E'), Press('R'), Shifted(0xDD)})
           k.insert(k.end(), v.begin(), v.end());
         return k;
       }()},
  };
  for (const Case& c : cases) {
    const auto mark = Mark();
    Keys().SendString(c.text, false);
    Keys().Run();
    host->Advance(200);
    EXPECT_EQ(KeysSince(mark), c.keys) << c.text;
  }
}

TEST_F(KeyboardACTest, OneEntryIsTypedEveryTwentyMilliseconds) {
  const auto mark = Mark();
  Keys().SendString("ab", true);
  Keys().SendEnter();
  Keys().Run();
  host->Advance(19);
  EXPECT_TRUE(KeysSince(mark).empty());
  host->Advance(1);
  EXPECT_EQ(KeysSince(mark), Press('A'));
  host->Advance(40);
  std::vector<std::string> all = Press('A');
  for (const auto& k : Press('B')) all.push_back(k);
  for (const auto& k : Press(13)) all.push_back(k);
  EXPECT_EQ(KeysSince(mark), all);
  // The next tick finds the buffer empty and stops; a later text waits for the next Run.
  host->Advance(20);
  Keys().SendString("c", false);
  host->Advance(100);
  EXPECT_EQ(KeysSince(mark), all);
}

TEST_F(KeyboardACTest, TypingWaitsForTheChatBarAndPressesEnterUntilItOpens) {
  const auto mark = Mark();
  Keys().AddWaitforChat();
  Keys().SendString("hi", true);
  Keys().Run();
  host->Advance(20);  // the Enter that opens the bar
  EXPECT_EQ(KeysSince(mark), Press(13));
  host->Hooks().SetChatState(false);  // the game closes it again at once
  host->Advance(50);  // not open yet: Enter again, no letter
  EXPECT_EQ(KeysSince(mark).size(), 4u);
  host->Hooks().SetChatState(true);
  host->Advance(50);  // seen open
  host->Advance(40);
  std::vector<std::string> expected = Press(13);
  for (const auto& k : Press(13)) expected.push_back(k);
  for (const auto& k : Press('H')) expected.push_back(k);
  for (const auto& k : Press('I')) expected.push_back(k);
  EXPECT_EQ(KeysSince(mark), expected);
}

TEST_F(KeyboardACTest, AChatBarThatNeverOpensEndsTheWaitAndDropsTheText) {
  RouteOwnLinesToMain();
  Login();
  host->System().SetKeyDownSink(nullptr);  // the game window takes no keys
  const auto mark = Mark();
  Keys().AddWaitforChat();
  Keys().SendString("wave", true);
  Keys().Run();
  host->Advance(KeyboardAC::kChatWaitLimitMs + 1000);
  const auto keys = KeysSince(mark);
  for (const auto& k : keys) EXPECT_TRUE(k == "down 13" || k == "up 13") << k;
  EXPECT_LE(keys.size(), 2u * (KeyboardAC::kChatWaitLimitMs / KeyboardAC::kChatPollIntervalMs));
  EXPECT_TRUE(Keys().Buffer().empty());
  EXPECT_FALSE(Keys().WaitingForChatBar());
  EXPECT_TRUE(SaidSince(mark, "The chat bar did not open; the queued text was not typed."));
  // Nothing keeps pressing keys afterwards.
  const auto after = Mark();
  host->Advance(5000);
  EXPECT_TRUE(KeysSince(after).empty());
}

TEST_F(KeyboardACTest, BadKeysAreReportedAndTypingGoesOn) {
  const auto mark = Mark();
  Keys().SendKey(256);
  EXPECT_TRUE(Reported("KeyboardAC.SendKey #6"));
  EXPECT_TRUE(KeysSince(mark).empty());

  // A byte no key of the layout types is skipped; the next one is typed.
  Keys().SendString(std::string("\x80") + "b", false);
  Keys().Run();
  host->Advance(100);
  EXPECT_EQ(KeysSince(mark), Press('B'));
}

TEST_F(KeyboardACTest, TheLevelUpScreenshotPressesTheKeyBoundToTheCommand) {
  Login();
  host->Core().SetCommandKey("CaptureScreenshot", "44");
  host->Character().SetLevel(20);
  ControlHandlerInstance->LevelSS->CheckedLet(true);
  ControlHandlerInstance->StartLevel->TextLet("10");
  const auto mark = Mark();
  TimerHandlerInstance->StartTakeSS();
  host->Advance(5000);
  EXPECT_EQ(KeysSince(mark), Press(44));
}

}  // namespace
}  // namespace mellox::test
