// Game events announced in chat, through the pipeline: guardians' offers,
// death and corpse lines, the friends answer, lines the options extend (low
// mana, vitae, kills) and XP lines.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "chat/ChatStageFixture.h"
#include "host/FilterHandler.h"
#include "tracking/CorpseHandler.h"
#include "tracking/SpellHandler.h"

namespace mellox::test {
namespace {

using Lines = std::vector<std::string>;

TEST(ChatEventLines, TempleGuardiansAreAskedUntilTheyOfferMalar) {
  const std::string forget = "Guardian of the Temple of Forgetfulness tells you, take the essence of ";
  const std::string enlighten = "Guardian of the Temple of Enlightenment tells you, take the essence of ";
  struct Case {
    const char* what;
    bool forgetPending, enlightenPending;
    std::string line;
    Lines actions;
    bool forgetAfter, enlightenAfter;
  };
  const std::vector<Case> cases = {
      {"another essence: ask again", true, false, forget + "Zojak.", {"item: use 900 0"}, true, false},
      {"Malar: hand over Hyssop", true, false, forget + "Malar.", {"item: give 500 900"}, false, false},
      {"not waiting", false, false, forget + "Malar.", {}, false, false},
      {"each temple on its own", true, true, enlighten + "Malar.", {"item: give 500 901"}, true, false},
  };
  for (const Case& c : cases) {
    ChatStageFixture f;
    f.Carry(500, "Hyssop");
    f.host.World().AddObject(900, "Guardian of the Temple of Forgetfulness");
    f.host.World().AddObject(901, "Guardian of the Temple of Enlightenment");
    f.chat().TempleForgetPending = c.forgetPending;
    f.chat().TempleEnlightenPending = c.enlightenPending;
    Lines expected = c.actions;
    expected.push_back("game 3 1: " + c.line);
    EXPECT_EQ(f.Game(c.line, 3), expected) << c.what;
    EXPECT_EQ(f.chat().TempleForgetPending, c.forgetAfter) << c.what;
    EXPECT_EQ(f.chat().TempleEnlightenPending, c.enlightenAfter) << c.what;
  }
}

TEST(ChatEventLines, ADeathIsFollowedByItsLossAndPlace) {
  ChatStageFixture f;
  auto& corpses = *CorpseHandlerInstance;
  f.ch().CorpsesTrack->CheckedLet(true);
  f.host.World().AddObject(f.host.Character().Character(), "Tester").SetCoordinates(10, 20);
  SpellHandlerInstance->RebuildList = false;
  EXPECT_EQ(f.Game("Ack! You killed yourself!", 0), Lines{"game 0 1: Ack! You killed yourself!"});
  EXPECT_TRUE(corpses.HasDied());
  EXPECT_TRUE(SpellHandlerInstance->RebuildList);
  f.Game("You've lost 250 Pyreals.", 0);
  f.Game("Your corpse is located at (12.3N, 45.6E).", 0);
  f.Game("You've lost everything.", 2);  // not the game's message
  ASSERT_TRUE(corpses.PendingCorpse());
  EXPECT_EQ(corpses.PendingCorpse()->data, "You've lost 250 Pyreals.");
  EXPECT_EQ(corpses.PendingCorpse()->NS, 12.3);
  EXPECT_EQ(corpses.PendingCorpse()->EW, 45.6);
  EXPECT_TRUE(f.errors.empty());
}

TEST(ChatEventLines, TheFriendsAnswerIsIntroducedOnce) {
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::int32_t>> lines;
    Lines output;
    bool waitingAfter;
  };
  const std::vector<Case> cases = {
      {"header hidden, the list introduced",
       {{"Your friends:", 0}, {"Bob, Alice", 0}, {"Carol", 0}},
       {"chat 0 0: Your friends: ", "game 0 1: Bob, Alice", "game 0 1: Carol"},
       false},
      {"none online: hidden",
       {{"You have no friends that are online.", 0}, {"Hi", 0}},
       {"game 0 1: Hi"},
       false},
      {"other types wait", {{"Bob says, hi", 2}}, {"game 2 1: Bob says, hi"}, true},
  };
  for (const Case& c : cases) {
    ChatStageFixture f;
    FilterHandlerInstance->doneFriends = true;
    const std::size_t mark = f.host.Output().size();
    for (const auto& [text, type] : c.lines) f.host.IncomingChat(text, type, 1);
    EXPECT_EQ(f.Since(mark), c.output) << c.what;
    EXPECT_EQ(FilterHandlerInstance->doneFriends, c.waitingAfter) << c.what;
  }
}

TEST(ChatEventLines, OptionsExtendLowManaVitaeAndKillLines) {
  const std::string kill = "You killed the drudge!";
  struct Case {
    Lines options;  // chat option rows, or the "Fill_Mana" box
    double netTotal, netUnassigned;
    std::string line;
    std::int32_t type;
    std::string written;  // by the pipeline, the game's copy dropped
  };
  // clang-format off
  const std::vector<Case> cases = {
      {{"Fill_Mana"}, 0, 0, "Your Sword is low on Mana.", 7, "Your Sword is low on Mana. Preparing to autofill your items..."},
      {{"Improved Vitae Message"}, 0, 0, "Your experience has reduced your Vitae penalty!", 7, "Your experience has reduced your Vitae penalty to 95%!"},
      {{}, 0, 0, kill, 0, kill},
      {{"Kill: Show Monster XP"}, 1500, 1500, kill, 0, "You killed the drudge for 1,500 XP!"},
      {{"Kill: Show Unassigned XP", "Kill: Show XP to Level", "Kill: Show XP/Hr"}, 0, 0, kill, 5,
       kill + " You have 1,234 XP unassigned. It will take 5,000 XP to level. You are making 600 XP per hour."},
      {{"Kill: Show Kills to Level", "Kill: Show Time to Level"}, 100, 0, kill, 0,
       kill + " It will take Infinate similar kills to level. It will take Infinity to level."},
  };
  // clang-format on
  for (const Case& c : cases) {
    ChatStageFixture f;
    KillMessageText = kill;
    f.host.Character().SetVitae(95);
    for (const auto& option : c.options) {
      if (option == "Fill_Mana") {
        f.ch().FillMana->CheckedLet(true);
      } else {
        f.ChatOption(option, true);
      }
    }
    TrackingPeers::SetNetXP(c.netTotal, c.netUnassigned);
    StatisticsInstance->ChangeXP(false);
    f.ch().XPUn->TextLet("1,234");
    f.ch().XPNext->TextLet("5,000");
    f.ch().XPHour->TextLet("600");
    EXPECT_EQ(f.Game(c.line, c.type), Lines{"chat " + std::to_string(c.type) + " 1: " + c.written})
        << c.written;
    EXPECT_EQ(StatisticsInstance->Kills(), c.line == kill ? 1 : 0) << c.written;
    EXPECT_TRUE(f.errors.empty()) << c.written;
  }
}

TEST(ChatEventLines, SkillAndExperienceLinesOfTheirOwnTypesTakeTheXP) {
  const std::string raise = "Your Melee Defense is now 300!";
  const std::string earned = "You've earned 1,000 experience in your Melee Defense.";
  const std::tuple<std::string, std::int32_t, bool> cases[] = {
      {raise, 13, true}, {raise, 0, false}, {earned, 0, true}, {earned, 13, false}};
  for (const auto& [line, type, taken] : cases) {
    ChatStageFixture f;
    TrackingPeers::SetNetXP(5000, 1000);
    f.Game(line, type);
    EXPECT_EQ(StatisticsInstance->CharTotalXP(), taken ? 5000 : 0) << line << " " << type;
  }
}

}  // namespace
}  // namespace mellox::test
