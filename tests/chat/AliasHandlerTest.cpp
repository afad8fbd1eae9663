// Typed-text aliases: the two passes on their own, and their outcome typed
// into the simulated host.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chat/AliasHandler.h"
#include "chat/CommandFixture.h"

namespace mellox::test {
namespace {

using Lines = std::vector<std::string>;
using Alias = AliasHandler::Alias;

TEST(AliasExpand, Passes) {
  struct Case {
    const char* what;
    std::vector<Alias> aliases;
    std::string typed;
    std::string line;
    bool changed;
    bool typedOnly;
  };
  const Alias hi{true, "/hi", "/tell Ann, hi there"};
  const Alias guild{true, "/g", "/tell Guild, _"};
  const Alias u{true, "u", "you"};
  const std::vector<Case> cases = {
      {"slash alias", {hi}, "/hi", "/tell Ann, hi there", true, false},
      {"other mark and case", {hi}, "@HI", "@tell Ann, hi there", true, false},
      {"digit after the abbreviation", {hi}, "/hi5", "/tell Ann, hi there5", true, false},
      {"letter after the abbreviation", {hi}, "/high", "", false, false},
      {"slash alias only at the start", {hi}, "say /hi", "", false, false},
      {"first matching slash alias only", {hi, {true, "/hi", "/tell Bob, yo"}}, "/hi", "/tell Ann, hi there", true, false},
      {"disabled slash alias skipped", {{false, "/hi", "/tell Bob, yo"}, hi}, "/hi", "/tell Ann, hi there", true, false},
      {"typed only", {guild}, "/g", "/tell Guild,", true, true},
      {"typed only, text kept", {guild}, "/g hello", "/tell Guild,  hello", true, true},
      {"typed only with the other mark", {guild}, "@g hello", "@g hello", true, true},
      {"word alias", {u}, "see u later", "see you later", true, false},
      {"word alias inside a word", {u}, "umbrella", "", false, false},
      {"digit is a word boundary", {u}, "u2x", "you2x", true, false},
      {"any case", {{true, "LOL", "laughing"}}, "lol and Lol", "laughing and laughing", true, false},
      {"expansion holding its abbreviation", {{true, "ty", "thank you ty"}}, "ty all", "thank you ty all", true, false},
      {"every whole-word occurrence", {{true, "abc", "x"}}, "abc abc", "x x", true, false},
      {"later row expands an earlier one's text", {{true, "brb", "be right back u"}, u}, "brb", "be right back you", true, false},
      {"earlier row does not see a later one's text", {u, {true, "brb", "be right back u"}}, "brb", "be right back u", true, false},
      {"word alias after a slash alias", {hi, u}, "/hi u", "/tell Ann, hi there you", true, false},
      {"disabled word alias", {{false, "u", "you"}}, "see u", "", false, false},
      {"empty abbreviation never applies", {{true, "", "x"}}, "a b", "", false, false},
      {"malformed pattern applies nowhere", {{true, "q[z-a]", "x"}, u}, "a q[z-a] u", "a q[z-a] you", true, false},
      {"malformed slash pattern applies nowhere", {{true, "/[z-a]", "x"}, hi}, "/hi", "/tell Ann, hi there", true, false},
      {"wildcards in the test, literal in the replacing", {{true, "a?c", "x"}}, "abc a?c", "abc x", true, false},
  };
  for (const auto& c : cases) {
    const auto out = AliasHandler::Expand(c.typed, c.aliases);
    if (c.changed) {
      EXPECT_EQ(out.line, c.line) << c.what;
    }
    EXPECT_EQ(out.changed, c.changed) << c.what;
    EXPECT_EQ(out.typedOnly, c.typedOnly) << c.what;
  }
}

TEST(AliasHandler, Outcomes) {
  struct Case {
    const char* what;
    std::string typed;
    bool eaten;
    Lines output;
    std::string keyboard;  // queued to type into the chat bar
  };
  CommandFixture f;
  f.Alias("/hi", "/tell Ann, hi there");
  f.Alias("/g", "/tell Guild, _");
  f.Alias("/where", "/x loc");
  f.Alias("/shout", "/X loc");
  f.Alias("u", "you");
  f.Alias("/off", "/tell Off, x", false);
  const std::vector<Case> cases = {
      {"sent to the parser", "/hi", true, {"parser: /tell Ann, hi there"}, ""},
      {"typed into the chat bar", "/g", true, {}, "{Chat}/tell Guild,"},
      {"run as a command", "/where", true, {Own("My Location: 12.3N, 45.7W")}, ""},
      {"capital X is no command", "/shout", true, {"parser: /X loc"}, ""},
      {"word alias", "see u later", true, {"parser: see you later"}, ""},
      {"no alias: the game takes it", "/tell Ann, hello", false, {"typed: /tell Ann, hello"}, ""},
      {"disabled alias", "/off", false, {"typed: /off"}, ""},
  };
  for (const auto& c : cases) {
    const auto typed = f.Type(c.typed);
    EXPECT_EQ(typed.eaten, c.eaten) << c.what;
    EXPECT_EQ(typed.output, c.output) << c.what;
    EXPECT_EQ(f.KeyboardQueue(), c.keyboard) << c.what;
    // Typing happens later, on the keyboard's timer: let it drain.
    f.host.Hooks().SetChatState(true);
    f.host.Advance(2000);
    f.host.Hooks().SetChatState(false);
  }
}

// Should the host hand the plug-in's own sent lines back through the
// typed-text event, an expansion holding its own abbreviation must reach the
// game once, not be expanded again without end.
TEST(AliasHandler, HostEchoingSentLinesDoesNotLoop) {
  CommandFixture f;
  f.Alias("ty", "thank you ty");
  int echoes = 0;
  f.host.SetOutputSink([&](const std::string& line) {
    if (line.rfind("parser: ", 0) != 0 || ++echoes > 5) return;
    f.host.TypeText(line.substr(8));
  });
  const auto typed = f.Type("ty all");
  f.host.SetOutputSink({});
  EXPECT_TRUE(typed.eaten);
  EXPECT_EQ(typed.output, (Lines{"parser: thank you ty all", "typed: thank you ty all"}));
  EXPECT_EQ(echoes, 1);
}

}  // namespace
}  // namespace mellox::test
