// The incoming chat pipeline driven through the simulated host: what the
// game shows, what the plug-in writes, sounds, commands and the log.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "chat/ChatFixture.h"
#include "core/Hub.h"
#include "host/FilterHandler.h"

namespace mellox::test {
namespace {

using Lines = std::vector<std::string>;

TEST(ChatClassify, FirstTickedRowWins) {
  struct Case {
    const char* what;
    std::string text;
    std::int32_t type;
    std::vector<std::string> ticked;
    bool kill, expire, npc;
    const char* expected;  // nullptr: no classification
  };
  const std::vector<Case> cases = {
      {"own crit before enemy crit", "Critical hit! You hit the drudge", 22, {"Your Crits", "Enemy Crits", "Your Melee Combat"}, false, false, false, "Your Crits"},
      {"unticked crits fall through to melee", "Critical hit! You hit the drudge", 22, {"Your Melee Combat"}, false, false, false, "Your Melee Combat"},
      {"enemy crit of type 21", "Critical hit! The drudge hits you", 21, {"Your Crits", "Enemy Crits"}, false, false, false, "Enemy Crits"},
      {"zero damage before melee", "You hit the drudge for 0 points", 21, {"0 Damage Hits", "Enemy Melee Combat"}, false, false, false, "0 Damage Hits"},
      {"_KILL_ text needs type 0", "_KILL_", 0, {"Kill Message"}, false, false, false, "Kill Message"},
      {"_KILL_ text of another type", "_KILL_", 5, {"Kill Message"}, false, false, false, nullptr},
      {"kill flag whatever the type", "You killed the drudge!", 12, {"Kill Message", "Emotes"}, true, false, false, "Kill Message"},
      {"npc tell unticked falls to tells in", "Guard tells you, halt", 3, {"Tells In"}, false, false, true, "Tells In"},
      {"npc tell ticked", "Guard tells you, halt", 3, {"NPC Tell", "Tells In"}, false, false, true, "NPC Tell"},
      {"expiry flag", "Your Strength has expired.", 7, {"Spell Expiration", "Other Spells"}, false, true, false, "Spell Expiration"},
      {"spellwords by type", "You say, \"Zojak\"", 17, {"Spellwords", "Open Chat Out"}, false, false, false, "Spellwords"},
      {"open chat by type", "You say, hello", 2, {"Spellwords", "Open Chat Out"}, false, false, false, "Open Chat Out"},
      {"own lines", "<Mellox> hi", 32, {"Mellox"}, false, false, false, "Mellox"},
      {"nothing ticked", "Critical hit! You hit the drudge", 22, {}, false, false, false, nullptr},
  };
  ChatFixture f;
  for (const auto& c : cases) {
    f.TickAllColorRows(false);
    for (const auto& name : c.ticked) f.ColorRow(name, true);
    const auto found = f.chat().Classify(c.text, c.type, c.kill, c.expire, c.npc);
    if (c.expected == nullptr) {
      EXPECT_FALSE(found) << c.what;
    } else {
      ASSERT_TRUE(found) << c.what;
      EXPECT_EQ(f.chat().ChatTypeTable()[found->tableRow].ListID(), c.expected) << c.what;
    }
  }
}

TEST(ChatPipeline, ResultOfEveryPath) {
  struct Case {
    const char* what;
    std::function<void(ChatFixture&)> setup;
    std::string text;
    std::int32_t type;
    bool eaten;
    Lines output;
  };
  const std::vector<Case> cases = {
      {"inactive: zone entry hidden", [](ChatFixture&) { PluginActive = false; }, "You have entered Arwic.", 0, true, {}},
      {"inactive: other lines untouched", [](ChatFixture&) { PluginActive = false; }, "Hello", 2, false, {"game 2 1: Hello"}},
      {"plain line shown by the game", [](ChatFixture&) {}, "Hello", 2, false, {"game 2 1: Hello"}},
      {"colour row writes", [](ChatFixture& f) { f.ColorRow("Open Chat In", true, "2", "Red"); }, "Bob says, hi", 2, true, {"chat 21 3: Bob says, hi"}},
      {"colour row Default/D leaves it to the game", [](ChatFixture& f) { f.ColorRow("Open Chat In", true, "D", "Default"); }, "Bob says, hi", 2, false, {"game 2 1: Bob says, hi"}},
      {"colour row D routes", [](ChatFixture& f) { f.ColorRow("Open Chat In", true, "D", "Green"); f.Route(0, 2); f.Route(3, 2); }, "Bob says, hi", 2, true, {"chat 0 1: Bob says, hi", "chat 0 4: Bob says, hi"}},
      {"colour row blocks", [](ChatFixture& f) { f.ColorRow("Open Chat In", true, "B", "Red", "Ding.wav"); }, "Bob says, hi", 2, true, {}},
      {"custom rule writes, window M3", [](ChatFixture& f) { f.CustomRule("*hi*", "M3", "All", "Blue"); }, "Bob says, hi", 2, true, {"chat 7 1: Bob says, hi", "chat 7 4: Bob says, hi"}},
      {"custom rule D with no routing writes nothing", [](ChatFixture& f) { f.CustomRule("*", "D", "All", "Blue"); }, "Bob says, hi", 2, true, {}},
      {"custom rule blocks", [](ChatFixture& f) { f.CustomRule("*", "B", "All", "Default"); }, "Bob says, hi", 2, true, {}},
      {"plus line written despite a block", [](ChatFixture& f) { f.CustomRule("*", "B", "All", "Default"); }, "+Bob says, hi", 2, true, {"chat 2 1: +Bob says, hi"}},
      {"changed line written in its colour", [](ChatFixture& f) { f.FilterWord("darn", false, false); }, "darn it", 2, true, {"chat 2 1: #### it"}},
      {"filter block drops", [](ChatFixture& f) { f.FilterWord("darn", false, true); }, "darn it", 2, true, {}},
      {"kill line written by the pipeline", [](ChatFixture&) { KillMessageText = "You killed the drudge!"; }, "You killed the drudge!", 0, true, {"chat 0 1: You killed the drudge!"}},
  };
  for (const auto& c : cases) {
    ChatFixture f;
    c.setup(f);
    const std::size_t mark = f.host.Output().size();
    EXPECT_EQ(f.host.IncomingChat(c.text, c.type, 1), c.eaten) << c.what;
    EXPECT_EQ(f.Since(mark), c.output) << c.what;
    EXPECT_TRUE(f.host.UnhandledErrors().empty()) << c.what;
    KillMessageText = kInitialKillMessageText;
  }
}

TEST(ChatPipeline, OwnAndExternalLines) {
  ChatFixture f;
  f.LogView({"Mellox", "Other"});
  // No output box ticked: written nowhere, still logged in colour 5.
  std::size_t mark = f.host.Output().size();
  Hub::wtcw("quiet");
  EXPECT_TRUE(f.Since(mark).empty());
  ASSERT_EQ(f.log().Log().size(), 1u);
  EXPECT_EQ(f.log().Log().back().message(), "<Mellox> quiet");
  EXPECT_EQ(f.log().Log().back().msgcolor(), 5);
  EXPECT_EQ(f.log().Log().back().msgtag(), 18);

  f.Route(0, 32);
  f.Route(2, 32);
  mark = f.host.Output().size();
  Hub::wtcw("hi");
  EXPECT_EQ(f.Since(mark), (Lines{"chat 5 1: <Mellox> hi", "chat 5 3: <Mellox> hi"}));

  // Another plug-in's line: its own colour, the window it named, logged as 33.
  mark = f.host.Output().size();
  f.chat().IncomingText("from a friend", 5, 2, true, true);
  EXPECT_EQ(f.Since(mark), (Lines{"chat 5 2: from a friend"}));
  EXPECT_EQ(f.log().Log().back().msgtype(), 33);

  // "D" on such a line goes where the call said: there is no routing for it.
  f.CustomRule("*friend*", "D", "All", "Red");
  mark = f.host.Output().size();
  f.chat().IncomingText("from a friend", 5, 4, true, true);
  EXPECT_EQ(f.Since(mark), (Lines{"chat 21 4: from a friend"}));
  EXPECT_TRUE(f.ErrorsSince(0).empty());
}

TEST(ChatWordFilter, MaskAndBlock) {
  struct Row {
    const char* word;
    bool whole, block, enabled;
  };
  struct Case {
    const char* what;
    std::vector<Row> rows;
    std::string text;
    Lines output;
  };
  const std::vector<Case> cases = {
      {"whole word", {{"darn", true, false, true}}, "Darn it, darned thing", {"chat 2 1: #### it, darned thing"}},
      {"part word", {{"darn", false, false, true}}, "Darn it, darned thing", {"chat 2 1: #### it, ####ed thing"}},
      {"whole block passes part", {{"darn", true, true, true}}, "darned", {"game 2 1: darned"}},
      {"full stop is a boundary", {{"darn", true, true, true}}, "oh darn.", {}},
      {"matched row trims blanks", {{"darn", true, false, true}}, "  darned darn!  ", {"chat 2 1: darned ####!"}},
      {"plus line untouched", {{"darn", false, true, true}}, "+darn", {"chat 2 1: +darn"}},
      {"unticked row ignored", {{"darn", false, true, false}}, "darn", {"game 2 1: darn"}},
      {"empty word skipped", {{"   ", true, true, true}, {"", false, true, true}}, "anything", {"game 2 1: anything"}},
      {"rows chain", {{"foo", false, false, true}, {"bar", true, false, true}}, "foo bar", {"chat 2 1: ### ###"}},
  };
  for (const auto& c : cases) {
    ChatFixture f;
    for (const auto& r : c.rows) f.FilterWord(r.word, r.whole, r.block, r.enabled);
    EXPECT_EQ(f.Game(c.text, 2), c.output) << c.what;
  }
  // A masked line is logged masked.
  ChatFixture f;
  f.LogView({"Open Chat"});
  f.FilterWord("darn", true, false);
  f.Game("darn it", 2);
  ASSERT_EQ(f.log().Log().size(), 1u);
  EXPECT_EQ(f.log().Log().back().message(), "#### it");
}

TEST(ChatCustomRules, MatchingOrderAndTypes) {
  struct Case {
    const char* what;
    std::function<void(ChatFixture&)> rules;
    std::string text;
    std::int32_t type;
    Lines output;
  };
  const std::vector<Case> cases = {
      {"first writing rule stops the scan", [](ChatFixture& f) { f.CustomRule("*", "M", "All", "Red"); f.CustomRule("*", "1", "All", "Blue"); }, "x", 2, {"chat 21 1: x"}},
      {"a block lets later rules write", [](ChatFixture& f) { f.CustomRule("*", "B", "All", "Default"); f.CustomRule("*", "1", "All", "Blue"); }, "x", 2, {"chat 7 2: x"}},
      {"numeric type matches its type", [](ChatFixture& f) { f.CustomRule("*", "M", "7", "Red"); }, "x", 7, {"chat 21 1: x"}},
      {"numeric type skips others", [](ChatFixture& f) { f.CustomRule("*", "M", "7", "Red"); }, "x", 2, {"game 2 1: x"}},
      {"MX skips game lines", [](ChatFixture& f) { f.CustomRule("*", "M", "MX", "Red"); }, "x", 2, {"game 2 1: x"}},
      {"disabled rule skipped", [](ChatFixture& f) { f.CustomRule("*", "M", "All", "Red", "None", "", false); }, "x", 2, {"game 2 1: x"}},
      {"default colour keeps the type", [](ChatFixture& f) { f.CustomRule("*", "M", "All", "Default"); }, "x", 12, {"chat 12 1: x"}},
      {"malformed pattern [abc", [](ChatFixture& f) { f.CustomRule("[abc", "M", "All", "Red"); }, "[abc", 2, {"game 2 1: [abc"}},
      {"malformed pattern [z-a]", [](ChatFixture& f) { f.CustomRule("[z-a]", "M", "All", "Red"); }, "q", 2, {"game 2 1: q"}},
      {"pattern sees the filtered text", [](ChatFixture& f) { f.FilterWord("darn", false, false); f.CustomRule("[#][#]*", "M", "All", "Red"); }, "darn", 2, {"chat 21 1: ####"}},
      {"rule sound", [](ChatFixture& f) { f.CustomRule("*", "M", "All", "Red", "Ding.wav"); }, "x", 2, {"chat 21 1: x", "sound: play Ding.wav"}},
      {"blocking rule on a plus line is silent", [](ChatFixture& f) { f.CustomRule("*", "B", "All", "Default", "Ding.wav"); }, "+x", 2, {"chat 2 1: +x"}},
  };
  for (const auto& c : cases) {
    ChatFixture f;
    c.rules(f);
    EXPECT_EQ(f.Game(c.text, c.type), c.output) << c.what;
    EXPECT_TRUE(f.ErrorsSince(0).empty()) << c.what;
  }

  // MX matches the plug-in's own lines; Default on them writes colour 5.
  ChatFixture f;
  f.CustomRule("<Mellox>*", "2", "MX", "Default");
  const std::size_t mark = f.host.Output().size();
  Hub::wtcw("own");
  EXPECT_EQ(f.Since(mark), (Lines{"chat 5 3: <Mellox> own"}));
}

TEST(ChatCustomRules, Actions) {
  ChatFixture f;
  f.Route(0, 32);
  // Windows 0 to 4 are the main and the four floating ones; any other is the main.
  f.CustomRule("go*", "M", "All", "Red", "None", "[21,2]Hi;[5]Hi;[99,7]Own;[6,4]Four;[6,5]Five;/say hi;[] done");
  EXPECT_EQ(f.Game("go", 2), (Lines{"chat 21 1: go", "chat 21 3: Hi", "chat 5 1: Hi", "chat 5 1: Own",
                                     "chat 6 5: Four", "chat 6 1: Five", "parser: /say hi", "chat 5 1:  done"}));
  // A broken action ends the line with one report.
  ChatFixture g;
  g.CustomRule("go*", "M", "All", "Red", "None", "[21,2 no close");
  const auto out = g.Game("go", 2);
  EXPECT_EQ(out.front(), "chat 21 1: go");
  EXPECT_EQ(g.ErrorsSince(0).size(), 1u);

  // The kill and expiry flags of a line whose action broke end with it: the
  // next line is classified as itself.
  ChatFixture h;
  h.TickAllColorRows(false);
  h.ColorRow("Spell Expiration", true, "1", "Red");
  h.ColorRow("Kill Message", true, "1", "Red");
  h.CustomRule("*has expired.", "M", "All", "Red", "None", "[21,2 no close");
  h.CustomRule("*I own.", "M", "All", "Red", "None", "[21,2 no close");
  for (const std::string& broken :
       {std::string("Your Strength has expired."), "Bob says: " + std::string(kInitialKillMessageText)}) {
    Hub::TellRepeatedErrors();  // both breaks are one fault: each is to be reported
    const std::size_t mark = h.host.Output().size();
    h.Game(broken, 7);
    EXPECT_EQ(h.ErrorsSince(mark).size(), 1u) << broken;
    EXPECT_EQ(h.Game("Your Strength is low.", 7), (Lines{"game 7 1: Your Strength is low."})) << broken;
  }
}

TEST(ChatFaults, SelfInjectingRuleIsCutOnce) {
  ChatFixture f;
  f.Route(0, 32);
  f.CustomRule("*loop*", "M", "All", "Red", "None", "[]loop again");
  const auto out = f.Game("loop", 2);
  // The outer line plus a bounded chain of injected lines, one report.
  EXPECT_LE(out.size(), static_cast<std::size_t>(ChatTextHandler::kMaxLineNesting + 3));
  EXPECT_EQ(f.ErrorsSince(0).size(), 1u);
  // The next lines are cut too, not silently forever: told in full twice
  // more, then counted, and the count told with the first line a minute
  // after the last full report.
  f.Game("loop", 2);
  f.Game("loop", 2);
  f.Game("loop", 2);
  EXPECT_EQ(f.ErrorsSince(0).size(), 3u);
  f.host.Advance(30'000);
  f.Game("loop", 2);
  EXPECT_EQ(f.ErrorsSince(0).size(), 3u);
  f.host.Advance(30'000);
  f.Game("loop", 2);
  ASSERT_EQ(f.ErrorsSince(0).size(), 4u);
  EXPECT_NE(f.ErrorsSince(0).back().find(", repeated 3 times"), std::string::npos) << f.ErrorsSince(0).back();
}

TEST(ChatFaults, KillMessageAndTellMarkup) {
  ChatFixture f;
  KillMessageText = "";
  EXPECT_EQ(f.Game("anything", 2), (Lines{"game 2 1: anything"}));
  KillMessageText = kInitialKillMessageText;

  // A ">" before the link does not cut the plain text short.
  f.LogView({"Tells"});
  f.Game("a > b <Tell:IIDString:123:Bob>Bob<\\Tell> tells you, hi", 3);
  ASSERT_EQ(f.log().Log().size(), 1u);
  EXPECT_EQ(f.log().Log().back().message(), "a > b Bob tells you, hi");

  // With "No Clickable Names" the plain text is shown.
  f.ChatOption("No Clickable Names", true);
  EXPECT_EQ(f.Game("<Tell:IIDString:123:Bob>Bob<\\Tell> tells you, yo", 3), (Lines{"chat 3 1: Bob tells you, yo"}));
}

TEST(ChatPipeline, AwayAnswerAndLogging) {
  ChatFixture f;
  f.LogView({"Tells"});
  f.ch().ChatLogAFK->CheckedLet(true);
  f.ch().ChatLogAFKMessage->TextLet("brb");
  EXPECT_EQ(f.Game("<Tell:IIDString:9:Bob>Bob<\\Tell> tells you, you there?", 3),
            (Lines{"parser: /tell Bob, Auto Response: brb",
                   "game 3 1: <Tell:IIDString:9:Bob>Bob<\\Tell> tells you, you there?"}));
  EXPECT_EQ(f.log().Log().back().message(), "Bob tells you, you there?");

  // Answered even when a rule blocks the tell; not when the filter drops it.
  f.CustomRule("*secret*", "B", "All", "Default");
  EXPECT_EQ(f.Game("Al tells you, secret", 3), (Lines{"parser: /tell Al, Auto Response: brb"}));
  f.FilterWord("rude", true, true);
  EXPECT_EQ(f.Game("Al tells you, rude", 3), Lines{});
  // A tell without the marker has no sender to answer, and is no error.
  EXPECT_EQ(f.Game("The guard whispers", 3), (Lines{"game 3 1: The guard whispers"}));
  EXPECT_TRUE(f.ErrorsSince(0).empty());
}

TEST(ChatColorNames, Lookups) {
  EXPECT_EQ(ChatTextHandler::ConvertColor("Green"), 0);
  EXPECT_EQ(ChatTextHandler::ConvertColor("Default"), -1);
  EXPECT_EQ(ChatTextHandler::ConvertColor("green"), 2);
  EXPECT_EQ(ChatTextHandler::ConvertColor(""), 2);
  EXPECT_EQ(ChatTextHandler::GetIconFromColor("Orange"), 113);
  EXPECT_EQ(ChatTextHandler::GetIconFromColor("Black"), 101);
  EXPECT_EQ(ChatTextHandler::GetColorFromIcon(0), "Default");
  for (const char* name : {"White", "Grey", "Red", "Light Red", "Blue", "Light Blue", "Turquoise", "Green", "Yellow",
                           "Dark Yellow", "Purple", "Pink", "Orange", "Default"}) {
    EXPECT_EQ(ChatTextHandler::GetColorFromIcon(ChatTextHandler::GetIconFromColor(name)), name);
  }
  ChatFixture f;
  std::size_t mark = f.host.Output().size();
  f.chat().ColorsTest();
  const auto samples = f.Since(mark);
  ASSERT_EQ(samples.size(), 41u);
  EXPECT_EQ(samples.back(), "chat 40 0: This is color 40");
  // "chatcolors": one line per entry after the first, through the pipeline.
  f.CustomRule("This is the color*", "M", "All", "Default");
  mark = f.host.Output().size();
  f.chat().ChatColors();
  const auto lines = f.Since(mark);
  ASSERT_EQ(lines.size(), 13u);
  EXPECT_EQ(lines.front(), "chat 2 1: This is the color White");
}

TEST(ChatRouting, TargetList) {
  ChatFixture f;
  f.Route(1, 32);
  f.Route(0, 26);
  f.chat().ResetTargetList();
  EXPECT_EQ(f.chat().TargetListCount, 0);
  EXPECT_TRUE(f.chat().GetTargetList(1, 32));
  EXPECT_FALSE(f.chat().GetTargetList(0, 26));
  EXPECT_THROW(f.chat().SetTargetList(5, 0, true), VBError);
  EXPECT_THROW(f.chat().SetTargetList(0, 33, true), VBError);
  std::size_t mark = f.host.Output().size();
  f.chat().WriteError("status");
  EXPECT_TRUE(f.Since(mark).empty());
  f.Route(2, 26);
  f.chat().WriteError("status");
  EXPECT_EQ(f.Since(mark), (Lines{"chat 6 3: status"}));
}

}  // namespace
}  // namespace mellox::test
