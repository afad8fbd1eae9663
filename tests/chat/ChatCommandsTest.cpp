// The plug-in's chat commands typed into the simulated host: which lines are
// commands, what each command writes and what it changes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "chat/CellValue.h"
#include "chat/ChatCommands.h"
#include "chat/CommandFixture.h"
#include "core/EventQueue.h"
#include "host/FilterHandler.h"
#include "support/SessionReference.h"
#include "tracking/Statistics.h"

namespace mellox::test {
namespace {

using Lines = std::vector<std::string>;

const Lines kHelp = {
    Own("Mellox Version: 1.1.0.1 by Quarnel of Dunmorrow."),
    Own("Location: \"/x \" + loc, floc, aloc, ploc, vloc, cloc, rloc, oloc"),
    Own("Corpse: \"/x \" + corpse, fcorpse, acorpse, vcorpse, ccorpse, rcorpse, ocorpse "),
    Own("XP Report: \"/x \" + xp, fxp, axp, pxp, vxp, cxp, rxp, oxp"),
    Own("Level Report: \"/x \" + level, flevel, alevel, plevel, vlevel, clevel, rlevel, olevel"),
    Own("Misc: \"/x \" + resetxp, resethuds, chatcolors, chattypes, guid, find <search name>, runevents, clearevents"),
};

TEST(ChatCommands, RecognitionAndHelp) {
  struct Case {
    std::string typed;
    bool eaten;
    Lines output;
  };
  const std::vector<Case> cases = {
      {"/x help", true, kHelp},
      {"@X HELP", true, kHelp},
      {"  /x help  ", true, kHelp},          // the host adapter trims the typed line
      {"/x find whelp", true, kHelp},        // "*help*" is tried first
      {"/x foo", true, {}},                  // unknown: nothing written, kept from the game
      {"/x", false, {"typed: /x"}},          // no blank after the x
      {"/xhelp", false, {"typed: /xhelp"}},
      {"hello there", false, {"typed: hello there"}},
  };
  CommandFixture f;
  for (const auto& c : cases) {
    const auto typed = f.Type(c.typed);
    EXPECT_EQ(typed.eaten, c.eaten) << c.typed;
    EXPECT_EQ(typed.output, c.output) << c.typed;
  }
  PluginActive = false;  // before login every line reaches the game
  EXPECT_EQ(f.Type("/x help").output, Lines{"typed: /x help"});
}

TEST(ChatCommands, SwitchesFlipAndReport) {
  struct Step {
    std::string typed;
    std::string written;
    bool debugMode, debugSilent, chatTypes, dev;
  };
  const std::vector<Step> steps = {
      {"/x debugsilent", "Debug mode toggled! True", true, true, false, false},
      {"/x debugsilent", "Debug mode toggled! False", false, false, false, false},
      {"/x debug", "Debug mode toggled! True", true, false, false, false},
      {"/x debug", "Debug mode toggled! False", false, false, false, false},
      // While on, the pipeline shows every line's chat type, this one's too.
      {"/x chattypes", "Chat Types: True [32]", false, false, true, false},
      {"/x chattypes", "Chat Types: False", false, false, false, false},
      {"@x dev", "Devmode toggled! True", false, false, false, true},
      {"@x dev", "Devmode toggled! False", false, false, false, false},
  };
  CommandFixture f;
  for (const auto& s : steps) {
    const auto typed = f.Type(s.typed);
    EXPECT_TRUE(typed.eaten) << s.typed;
    // In debug mode other debug lines may come first; the toggle line is the last.
    ASSERT_FALSE(typed.output.empty()) << s.typed;
    EXPECT_EQ(typed.output.back(), Own(s.written)) << s.typed;
    EXPECT_EQ(DebugMode, s.debugMode) << s.typed;
    EXPECT_EQ(DebugSilent, s.debugSilent) << s.typed;
    EXPECT_EQ(f.chat().ShowChatTypes, s.chatTypes) << s.typed;
    EXPECT_EQ(FilterHandlerInstance->Dev, s.dev) << s.typed;
  }
}

TEST(ChatCommands, ChatCustomAddsRuleRows) {
  struct Case {
    std::string typed;
    bool added;
    // trigger, window, type, colour icon, sound, action
    std::vector<std::string> cells;
    std::int64_t icon;
  };
  const std::vector<Case> cases = {
      {"/x chatcustom a|b|c|d|e", false, {}, 0},
      {"/x chatcustom *hi*|All|m3|Red|Ding.wav|[]seen", true, {"*hi*", "m3", "All", "Ding.wav", "[]seen"}, 103},
      {"/x chatcustom a|All|m|Red|None|", true, {"a", "m", "All", "None", ""}, 103},
      {"/x chatcustom a|5|1|Blue|None|x|extra|more", true, {"a", "1", "5", "None", "x"}, 105},
      {"/x chatcustom  x y |MX| |Mauve|None| /f hi ", true, {"x y ", " ", "MX", "None", " /f hi"}, 101},
  };
  CommandFixture f;
  auto& list = *f.ch().ChatCustom;
  for (const auto& c : cases) {
    const std::int32_t before = list.Count();
    const auto typed = f.Type(c.typed);
    EXPECT_TRUE(typed.eaten) << c.typed;
    if (!c.added) {
      EXPECT_EQ(list.Count(), before) << c.typed;
      EXPECT_EQ(typed.output, Lines{Own("Invalid Custom Chat Entry")}) << c.typed;
      continue;
    }
    ASSERT_EQ(list.Count(), before + 1) << c.typed;
    EXPECT_TRUE(typed.output.empty()) << c.typed;
    const std::int32_t row = before;
    auto text = [&](std::int32_t column) { return std::get<std::string>(list.DataGet(column, row, 0).value); };
    EXPECT_EQ((std::vector<std::string>{text(1), text(2), text(3), text(5), text(6)}), c.cells) << c.typed;
    EXPECT_EQ(std::get<std::int64_t>(list.DataGet(4, row, 1).value), c.icon) << c.typed;
    EXPECT_EQ(std::get<std::int64_t>(list.DataGet(4, row, 0).value), PluginModuleHandle) << c.typed;
    EXPECT_FALSE(CellBool(list.DataGet(0, row, 0))) << "a typed rule starts disabled: " << c.typed;
  }
}

TEST(ChatCommands, LogOpensAndClosesTheLogFile) {
  struct Step {
    std::string typed;
    std::string written;
    bool logging;
    std::string file;
  };
  CommandFixture f;
  const std::string logs = (f.host.DocumentsDir() / "Logs").string() + "/";
  f.log().LogPath(logs);
  const std::vector<Step> steps = {
      {"/x log", "Closing log file", false, ""},
      {"/x log  My Hunt.txt ", "Now logging to " + logs + "My Hunt", true, "My Hunt"},
      {"/x log other", "Logging is currently in progress, close the current file before opening a new one", true,
       "My Hunt"},
      {"/x LOG", "Closing log file", false, "My Hunt"},
      {"/x login", "Now logging to " + logs + "in", true, "in"},
  };
  for (const auto& s : steps) {
    const auto typed = f.Type(s.typed);
    EXPECT_TRUE(typed.eaten) << s.typed;
    EXPECT_EQ(typed.output, Lines{Own(s.written)}) << s.typed;
    EXPECT_EQ(f.log().FileLogging(), s.logging) << s.typed;
    EXPECT_EQ(f.log().logfile(), s.file) << s.typed;
    // The named text file is there as soon as logging starts.
    if (!s.file.empty()) {
      EXPECT_TRUE(std::filesystem::is_regular_file(logs + s.file + ".txt")) << s.typed;
    }
  }
}

TEST(ChatCommands, TempleCommandsSetTheFlagAndUseTheGuardian) {
  CommandFixture f;
  // No guardian around: the flag is set all the same and nothing is used.
  auto typed = f.Type("/x templeforget now");
  EXPECT_TRUE(typed.eaten);
  EXPECT_TRUE(typed.output.empty());
  EXPECT_TRUE(f.chat().TempleForgetPending);
  EXPECT_FALSE(f.chat().TempleEnlightenPending);

  f.host.World().AddObject(5001, "Guardian of the Temple of Enlightenment");
  typed = f.Type("/x templeenlightenment");
  EXPECT_TRUE(f.chat().TempleEnlightenPending);
  EXPECT_EQ(typed.output, Lines{"item: use 5001 0"});
}

TEST(ChatCommands, GuidAndAFailingCommand) {
  CommandFixture f;
  f.host.World().AddObject(7002, "Mosswart");
  f.host.Hooks().SetCurrentSelection(7002);
  EXPECT_EQ(f.Type("/x guid").output, Lines{Own("Mosswart, GUID: 7002")});
  // A failing command is reported and the game receives the typed line.
  f.host.Hooks().SetCurrentSelection(424242);
  const auto typed = f.Type("/x guid");
  EXPECT_FALSE(typed.eaten);
  EXPECT_EQ(typed.output,
            (Lines{OwnError("Error #91 occured in 'OutgoingText' of class 'ChatTextHandler'"), "typed: /x guid"}));
}

TEST(ChatCommands, CommandsOfNeighbours) {
  CommandFixture f;
  f.host.World().AddObject(9001, "Pyreal Mote");
  f.host.World().AddObject(9002, "Smithing Kit");
  EventQueueInstance->Add(EVENT_USE_ITEM, 9001, 9002, 0);
  EXPECT_TRUE(f.Type("/x runevents").eaten);
  EXPECT_EQ(EventQueueInstance->State(), 2);
  EXPECT_EQ(f.Type("/x clearevents").output, Lines{Own("Event Queue Cleared")});
  EXPECT_TRUE(EventQueueInstance->Events().empty());

  f.ch().XPSession->TextLet("12,345");
  f.Type("/x resetxp");
  EXPECT_EQ(f.ch().XPSession->TextGet(), "0");

  // Selling starts (and finds no vendor on its first tick); stopping ends it.
  f.Type("/x sellpeas");
  std::size_t mark = f.host.Output().size();
  f.host.Advance(600);
  EXPECT_EQ(f.Since(mark), Lines{Own("No vendor is open.  Please open a vendor window.")});
  f.Type("/x sellpeas");
  f.Type("/x stopsellpeas");
  mark = f.host.Output().size();
  f.host.Advance(600);
  EXPECT_TRUE(f.Since(mark).empty());
}


// The script writer's reference lists every command word in the order the
// commands are tried: a command added, renamed, dropped or moved without it
// fails here.
TEST(ChatCommands, TheSessionReferenceListsEveryCommandInItsOrder) {
  std::vector<std::string> written;
  for (const Table& table : Tables(Section(SessionReference(), "### Chat commands"))) {
    if (table.header.empty() || table.header[0] != "command") continue;
    for (const auto& row : table.rows) {
      // Each "`/x WORD ...`" of the first cell names one command word.
      for (std::size_t at = row[0].find("`/x "); at != std::string::npos; at = row[0].find("`/x ", at + 1)) {
        const std::size_t from = at + 4;
        written.push_back(row[0].substr(from, row[0].find_first_of(" `", from) - from));
      }
    }
  }
  std::vector<std::string> words;
  for (std::string pattern : ChatCommands::Patterns()) {
    std::erase(pattern, '*');
    if (words.empty() || words.back() != pattern) words.push_back(pattern);
  }
  // "/x log NAME" and "/x log" are one command, written twice.
  written.erase(std::unique(written.begin(), written.end()), written.end());
  EXPECT_EQ(written, words);
  EXPECT_GE(words.size(), 58u);
}

}  // namespace
}  // namespace mellox::test
