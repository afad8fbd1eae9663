// The game's chat bar as synthesised keys work it: Enter opens it, keys type
// their characters, Enter hands the text to the typed-text intercept.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/SimHooks.h"
#include "sim/SimHost.h"
#include "sim/SimSystem.h"
#include "sim/SimTestDir.h"

namespace mellox::sim {
namespace {

constexpr std::uint8_t kEnter = 13;
constexpr std::uint8_t kShift = 0x10;

class SimChatBarTest : public ::testing::Test {
 protected:
  void Press(std::uint8_t vk) {
    host.System().keybd_event(vk, 0, 0, 0);
    host.System().keybd_event(vk, 0, 2, 0);
  }
  void PressShifted(std::uint8_t vk) {
    host.System().keybd_event(kShift, 0, 0, 0);
    Press(vk);
    host.System().keybd_event(kShift, 0, 2, 0);
  }
  std::vector<std::string> Typed() const {
    std::vector<std::string> out;
    for (const auto& line : host.Output())
      if (line.rfind("typed: ", 0) == 0) out.push_back(line);
    return out;
  }

  testing::TempDir dir;
  SimHost host{{dir.path(), {}}};
};

TEST_F(SimChatBarTest, EnterOpensKeysTypeAndEnterSubmits) {
  auto& hooks = host.Hooks();
  Press('H');  // a closed bar takes no letters
  EXPECT_FALSE(hooks.ChatState());
  Press(kEnter);
  EXPECT_TRUE(hooks.ChatState());
  PressShifted('H');
  Press('I');
  PressShifted('1');
  Press(' ');
  Press(0xBF);
  PressShifted(0xBF);
  EXPECT_EQ(hooks.ChatBarText(), "Hi! /?");
  Press(kEnter);
  EXPECT_FALSE(hooks.ChatState());
  EXPECT_EQ(hooks.ChatBarText(), "");
  EXPECT_EQ(Typed(), (std::vector<std::string>{"typed: Hi! /?"}));
  // An empty bar only closes.
  Press(kEnter);
  Press(kEnter);
  EXPECT_FALSE(hooks.ChatState());
  EXPECT_EQ(Typed().size(), 1u);
}

TEST_F(SimChatBarTest, TheInterceptCanEatTheTextAndClosingClearsIt) {
  auto& hooks = host.Hooks();
  std::vector<std::string> seen;
  auto typed = hooks.ChatParserIntercept.Connect([&](const std::string& text, bool& eat) {
    seen.push_back(text);
    eat = true;
  });
  Press(kEnter);
  Press('A');
  hooks.SetChatState(false);
  EXPECT_EQ(hooks.ChatBarText(), "");
  Press(kEnter);
  Press('B');
  Press(kEnter);
  EXPECT_EQ(seen, (std::vector<std::string>{"b"}));
  EXPECT_TRUE(Typed().empty());
  // The typed-text path of a script goes the same way.
  EXPECT_TRUE(host.TypeText("/x help"));
  EXPECT_EQ(seen.back(), "/x help");
}

}  // namespace
}  // namespace mellox::sim
