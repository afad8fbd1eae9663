// The report commands and the experience table, typed into the simulated host.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chat/CommandFixture.h"

namespace mellox::test {
namespace {

using Lines = std::vector<std::string>;

TEST(ReportCommands, ChannelLetters) {
  const std::string loc = "My Location: 12.3N, 45.7W";
  struct Case {
    std::string typed;
    std::string output;
  };
  const std::vector<Case> cases = {
      {"/x loc", Own(loc)},
      {"/x floc", "parser: /f " + loc},
      {"/x vloc", "parser: /v " + loc},
      {"/x oloc", "parser: " + loc},
      {"@X FLOC", "parser: /f " + loc},
      {"/x corpse", Own("My Corpse Location: None")},
      {"/x pcorpse", "parser: /p My Corpse Location: None"},  // works though the help leaves it out
      {"/x ocorpse", "parser: My Corpse Location: None"},
  };
  CommandFixture f;
  for (const auto& c : cases) {
    const auto typed = f.Type(c.typed);
    EXPECT_TRUE(typed.eaten) << c.typed;
    EXPECT_EQ(typed.output, Lines{c.output}) << c.typed;
  }
  // Nothing else may follow the report word.
  EXPECT_TRUE(f.Type("/x locate").output.empty());
  EXPECT_TRUE(f.Type("/x xloc").output.empty());
}

TEST(ReportCommands, ExperienceAndLevelLines) {
  CommandFixture f;
  f.ch().XPSession->TextLet("1,234,567");
  f.ch().XPHour->TextLet("89,000");
  f.ch().Kills->TextLet("321");
  f.ch().XPNext->TextLet("5,000");
  // A fresh session is 0 seconds long: its time text is empty.
  const std::string xp =
      "Bob has made 1,234,567 XP in  for an average of 89,000 XP/Hr while killing 321 creatures.";
  const std::string level = "Bob needs 5,000 XP to reach level 11 (0% Complete). It will take Infinity at the current rate.";
  struct Case {
    std::string typed;
    std::string output;
  };
  const std::vector<Case> cases = {
      {"/x xp", Own(xp)},           {"/x exp", Own(xp)},           {"/x fxp", "parser: /f " + xp},
      {"/x fexp", "parser: /f " + xp}, {"/x oexp", "parser: " + xp}, {"/x level", Own(level)},
      {"/x clevel", "parser: /c " + level}, {"/x olevel", "parser: " + level},
  };
  for (const auto& c : cases) EXPECT_EQ(f.Type(c.typed).output, Lines{c.output}) << c.typed;

  f.host.Character().SetLevel(275);
  EXPECT_EQ(f.Type("/x level").output,
            Lines{Own("Bob needs 5,000 XP to reach level 276 (0% Complete). It will take Infinity at the current rate.")});
}

TEST(ReportCommands, ExperienceTable) {
  struct Case {
    std::string typed;
    Lines output;
  };
  const std::vector<Case> cases = {
      {"/x listxp 3", {Own("3: 2,777 (1,777)")}},           // previous total from the level curve
      {"/x listxp 2", {Own("2: 1,004 (1,004)")}},           // level 2 by the formula
      {"/x listxp 10, 12,99", {Own("10: 83,511 (24,616)"), Own("11: 115,645 (32,134)"), Own("12: 156,898 (41,253)")}},
      // T(125) ends in 7/9 and is rounded up; T(126) ends in 2/9 and is rounded down.
      {"/x listxp 126", {Own("126: 4,286,609,097 (161,132,183)")}},
      {"/x listxp 10, 5", {}},
      {"/x listxp1", {Own("1: 0 (516)")}},  // the formula gives level 0 a negative total
  };
  CommandFixture f;
  for (const auto& c : cases) {
    const auto typed = f.Type(c.typed);
    EXPECT_TRUE(typed.eaten) << c.typed;
    EXPECT_EQ(typed.output, c.output) << c.typed;
  }
}

TEST(ReportCommands, ExperienceTableDefaultRangeAndBadArguments) {
  CommandFixture f;
  auto typed = f.Type("/x listxp");
  ASSERT_EQ(typed.output.size(), 273u);
  EXPECT_EQ(typed.output.front(), Own("3: 2,777 (1,777)"));
  EXPECT_EQ(typed.output.back().rfind(Own("275: "), 0), 0u) << typed.output.back();

  // Not a number: reported, and the game receives the typed line.
  typed = f.Type("/x listxp ten");
  EXPECT_FALSE(typed.eaten);
  EXPECT_EQ(typed.output,
            (Lines{OwnError("Error #13 occured in 'OutgoingText' of class 'ChatTextHandler'"), "typed: /x listxp ten"}));

  // A range that would write for hours is refused before the first line.
  typed = f.Type("/x listxp 1, 2147483647");
  EXPECT_TRUE(typed.eaten);
  EXPECT_EQ(typed.output, Lines{OwnError("Error #5 occured in 'XPList' of class 'ChatTextHandler'")});
  // The longest range allowed is written in full.
  EXPECT_EQ(f.Type("/x listxp 1, 1000").output.size(), 1000u);
}

}  // namespace
}  // namespace mellox::test
