// Game events announced in chat, through the pipeline: guardians' offers,
// rare discoveries, death and corpse lines, the friends answer, low mana,
// levels and experience, vitae and kills.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "chat/ChatStageFixture.h"
#include "host/FilterHandler.h"
#include "tracking/CorpseHandler.h"

namespace mellox::test {
namespace {

using Lines = std::vector<std::string>;

TEST(ChatEventLines, TempleGuardiansAreAskedUntilTheyOfferMalar) {
  const std::string forget = "Guardian of the Temple of Forgetfulness";
  const std::string enlighten = "Guardian of the Temple of Enlightenment";
  struct Case {
    const char* what;
    bool forgetPending, enlightenPending;
    std::string line;
    Lines actions;
    bool forgetAfter, enlightenAfter;
  };
  const std::vector<Case> cases = {
      {"other essence: use the guardian again",
       true,
       false,
       forget + " tells you, take the essence of Zojak.",
       {"item: use 900 0"},
       true,
       false},
      {"Malar: hand over Hyssop",
       true,
       false,
       forget + " tells you, take the essence of Malar.",
       {"item: give 500 900"},
       false,
       false},
      {"not waiting: nothing",
       false,
       false,
       forget + " tells you, take the essence of Malar.",
       {},
       false,
       false},
      {"the other temple",
       false,
       true,
       enlighten + " tells you, the essence of Malar is yours.",
       {"item: give 500 901"},
       false,
       false},
      {"one temple's offer leaves the other waiting",
       true,
       true,
       enlighten + " tells you, essence of Zojak.",
       {"item: use 901 0"},
       true,
       true},
  };
  for (const Case& c : cases) {
    ChatStageFixture f;
    f.Carry(500, "Hyssop");
    f.Nearby(900, forget);
    f.Nearby(901, enlighten);
    f.chat().TempleForgetPending = c.forgetPending;
    f.chat().TempleEnlightenPending = c.enlightenPending;
    Lines expected = c.actions;
    expected.push_back("game 3 1: " + c.line);
    EXPECT_EQ(f.Game(c.line, 3), expected) << c.what;
    EXPECT_EQ(f.chat().TempleForgetPending, c.forgetAfter) << c.what;
    EXPECT_EQ(f.chat().TempleEnlightenPending, c.enlightenAfter) << c.what;
  }
}

TEST(ChatEventLines, RareDiscoveriesGoToEveryWindow) {
  const std::string rare = "Bob has discovered the Staff of All Aphus!";
  ChatStageFixture f;
  EXPECT_EQ(f.Game(rare, 5), Lines{"game 5 1: " + rare});
  f.ChatOption("Send Rare Message to All Windows", true);
  EXPECT_EQ(f.Game(rare, 5), (Lines{"chat 5 1: " + rare, "chat 5 2: " + rare, "chat 5 3: " + rare,
                                    "chat 5 4: " + rare, "chat 5 5: " + rare, "chat 26 0: " + rare,
                                    "chat 26 0: " + rare, "chat 26 0: " + rare, "game 5 1: " + rare}));
  // Only the broadcast type.
  EXPECT_EQ(f.Game(rare, 2), Lines{"game 2 1: " + rare});
}

TEST(ChatEventLines, ADeathIsFollowedByItsLossAndPlace) {
  ChatStageFixture f;
  auto& corpses = *CorpseHandlerInstance;
  f.ch().CorpsesTrack->CheckedLet(true);
  f.Place(10, 20);
  // Before a death the corpse lines change nothing.
  f.Game("Your corpse is located at (12.3N, 45.6E).", 0);
  EXPECT_FALSE(corpses.HasDied());

  SpellHandlerInstance->RebuildList = false;
  EXPECT_EQ(f.Game("Ack! You killed yourself!", 0), Lines{"game 0 1: Ack! You killed yourself!"});
  EXPECT_TRUE(corpses.HasDied());
  EXPECT_TRUE(SpellHandlerInstance->RebuildList);
  f.Game("You've lost 250 Pyreals.", 0);
  f.Game("Your corpse is located at (12.3N, 45.6E).", 0);
  ASSERT_TRUE(corpses.PendingCorpse());
  EXPECT_EQ(corpses.PendingCorpse()->data, "You've lost 250 Pyreals.");
  EXPECT_EQ(corpses.PendingCorpse()->NS, 12.3);
  EXPECT_EQ(corpses.PendingCorpse()->EW, 45.6);
  EXPECT_FALSE(corpses.PendingCorpse()->Dungeon);
  // Of another type the lines are not the game's death messages.
  f.Game("You've lost everything.", 2);
  EXPECT_EQ(corpses.PendingCorpse()->data, "You've lost 250 Pyreals.");
  EXPECT_TRUE(f.errors.empty()) << f.errors.front();
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
      {"no friends online: hidden",
       {{"You have no friends that are online.", 0}, {"Hello", 0}},
       {"game 0 1: Hello"},
       false},
      {"empty list: hidden", {{"Your friends list is empty!", 0}}, {}, false},
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
  // Not asked: nothing is hidden.
  ChatStageFixture f;
  EXPECT_EQ(f.Game("Your friends:", 0), Lines{"game 0 1: Your friends:"});
}

TEST(ChatEventLines, LowManaStartsTheFillAndSaysSo) {
  const std::string low = "Your Sword of Lost Light is low on Mana.";
  ChatStageFixture f;
  EXPECT_EQ(f.Game(low, 7), Lines{"game 7 1: " + low});
  f.ch().FillMana->CheckedLet(true);
  const Lines out = f.Game(low, 7);
  ASSERT_FALSE(out.empty());
  ASSERT_FALSE(f.log().Log().empty());
  EXPECT_EQ(out.back(), "chat 7 1: " + low + " Preparing to autofill your items...");
  EXPECT_EQ(f.log().Log().back().message(), low + " Preparing to autofill your items...");
}

TEST(ChatEventLines, LevelAndExperienceLinesUpdateTheStatistics) {
  struct Case {
    const char* what;
    std::string line;
    std::int32_t type;
    bool xpTaken;
  };
  const std::vector<Case> cases = {
      {"skill raise", "Your Melee Defense is now 300!", 13, true},
      {"experience spent", "You've earned 1,000 experience in your Melee Defense.", 0, true},
      {"skill raise of the wrong type", "Your Melee Defense is now 300!", 0, false},
      {"experience line of the wrong type", "You've earned 1,000 experience in your Melee Defense.", 13,
       false},
  };
  for (const Case& c : cases) {
    ChatStageFixture f;
    TrackingPeers::SetNetXP(5000, 1000);
    f.Game(c.line, c.type);
    EXPECT_EQ(StatisticsInstance->CharTotalXP(), c.xpTaken ? 5000 : 0) << c.what;
    EXPECT_EQ(StatisticsInstance->CharUnXP(), c.xpTaken ? 1000 : 0) << c.what;
  }
  ChatStageFixture f;
  f.host.Character().SetLevel(11);
  f.Game("You are now level 11!", 13);
  EXPECT_EQ(f.ch().LevelNum->TextGet(), "11");
}

TEST(ChatEventLines, TheVitaeMessageTellsTheNewPenalty) {
  const std::string vitae = "Your experience has reduced your Vitae penalty!";
  ChatStageFixture f;
  f.host.Character().SetVitae(95);
  EXPECT_EQ(f.Game(vitae, 7), Lines{"game 7 1: " + vitae});
  f.ChatOption("Improved Vitae Message", true);
  EXPECT_EQ(f.Game(vitae, 7), Lines{"chat 7 1: Your experience has reduced your Vitae penalty to 95%!"});
}

TEST(ChatEventLines, KillLinesAreCountedAndTellWhatTheOptionsAsk) {
  const std::string kill = "You killed the drudge!";
  struct Case {
    const char* what;
    std::vector<std::string> options;
    std::function<void()> xp;
    std::string written;
  };
  const std::vector<Case> cases = {
      {"no option", {}, [] {}, kill},
      {"monster XP",
       {"Kill: Show Monster XP"},
       [] { TrackingPeers::SetNetXP(1500, 1500); },
       "You killed the drudge for 1,500 XP!"},
      {"labels",
       {"Kill: Show Unassigned XP", "Kill: Show XP to Level", "Kill: Show XP/Hr"},
       [] {},
       kill +
           " You have 1,234 XP unassigned. It will take 5,000 XP to level. You are making 600 XP per hour."},
      {"kills to level unknown",
       {"Kill: Show Kills to Level"},
       [] { TrackingPeers::SetNetXP(100, 0); },
       kill + " It will take Infinate similar kills to level."},
      {"time to level without a rate",
       {"Kill: Show Time to Level"},
       [] {},
       kill + " It will take Infinity to level."},
  };
  for (const Case& c : cases) {
    ChatStageFixture f;
    KillMessageText = kill;
    c.xp();
    StatisticsInstance->ChangeXP(false);
    f.ch().XPUn->TextLet("1,234");
    f.ch().XPNext->TextLet("5,000");
    f.ch().XPHour->TextLet("600");
    for (const auto& option : c.options) f.ChatOption(option, true);
    EXPECT_EQ(f.Game(kill, 0), Lines{"chat 0 1: " + c.written}) << c.what;
    EXPECT_EQ(StatisticsInstance->Kills(), 1) << c.what;
    EXPECT_TRUE(f.errors.empty()) << c.what;
    KillMessageText = kInitialKillMessageText;
  }
}

}  // namespace
}  // namespace mellox::test
