// The chat stages keep what they parsed from the option lists between lines;
// every change of a list, made by the plug-in or by the user on the host's
// control, shows on the next line, and a cell that cannot be read fails on
// every line as it would unparsed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chat/ChatFixture.h"
#include "sim/SimList.h"
#include "sim/SimView.h"

namespace mellox::test {
namespace {

using Lines = std::vector<std::string>;

sim::SimList& HostList(ChatFixture& f, const std::string& name) { return f.host.View()->Get<sim::SimList>(name); }

TEST(ChatListCache, CustomRuleFollowsEveryCellWrite) {
  ChatFixture f;
  f.CustomRule("*hello*", "M", "All", "Red");
  auto& list = *f.ch().ChatCustom;
  EXPECT_EQ(f.Game("hello there", 2), (Lines{"chat 21 1: hello there"}));

  list.DataLet(4, 0, 1, ChatTextHandler::GetIconFromColor("Blue"));
  EXPECT_EQ(f.Game("hello there", 2), (Lines{"chat 7 1: hello there"}));
  list.DataLet(2, 0, 0, "2");
  EXPECT_EQ(f.Game("hello there", 2), (Lines{"chat 7 3: hello there"}));
  list.DataLet(5, 0, 0, "Ding.wav");
  EXPECT_EQ(f.Game("hello there", 2), (Lines{"chat 7 3: hello there", "sound: play Ding.wav"}));
  list.DataLet(1, 0, 0, "*bye*");
  EXPECT_EQ(f.Game("hello there", 2), (Lines{"game 2 1: hello there"}));
  EXPECT_EQ(f.Game("bye now", 2), (Lines{"chat 7 3: bye now", "sound: play Ding.wav"}));
  list.DataLet(3, 0, 0, "7");
  EXPECT_EQ(f.Game("bye now", 2), (Lines{"game 2 1: bye now"}));
  list.DataLet(3, 0, 0, "All");
  HostList(f, "Chat_Custom").UserClick(0, 0);  // the user unticks it
  EXPECT_EQ(f.Game("bye now", 2), (Lines{"game 2 1: bye now"}));
  HostList(f, "Chat_Custom").UserClick(0, 0);
  EXPECT_EQ(f.Game("bye now", 2), (Lines{"chat 7 3: bye now", "sound: play Ding.wav"}));

  // A rule entered above takes over; a deleted one is gone.
  list.InsertRow(0);
  list.DataLet(0, 0, 0, true);
  list.DataLet(1, 0, 0, "bye*");
  list.DataLet(2, 0, 0, "M");
  list.DataLet(3, 0, 0, "All");
  list.DataLet(4, 0, 1, ChatTextHandler::GetIconFromColor("Green"));
  list.DataLet(5, 0, 0, "None");
  EXPECT_EQ(f.Game("bye now", 2), (Lines{"chat 0 1: bye now"}));
  list.DeleteRow(0);
  list.DeleteRow(0);
  EXPECT_EQ(f.Game("bye now", 2), (Lines{"game 2 1: bye now"}));
  EXPECT_TRUE(f.ErrorsSince(0).empty());
}

TEST(ChatListCache, FilterColourAndLogBoxesFollowTheUser) {
  ChatFixture f;
  f.FilterWord("darn", false, false);
  f.LogView({"Open Chat"});
  EXPECT_EQ(f.Game("darn it", 2), (Lines{"chat 2 1: #### it"}));
  auto& filter = *f.ch().ChatFilter;
  filter.DataLet(1, 0, 0, "  IT ");
  EXPECT_EQ(f.Game("darn it", 2), (Lines{"chat 2 1: darn ##"}));
  filter.DataLet(3, 0, 0, "Block");
  EXPECT_EQ(f.Game("darn it", 2), Lines{});
  HostList(f, "Chat_Filter").UserClick(0, 0);
  EXPECT_EQ(f.Game("darn it", 2), (Lines{"game 2 1: darn it"}));
  ASSERT_EQ(f.log().Log().size(), 3u);

  // The user unticks the log category on the host's own list.
  const std::int32_t openChat = f.ch().FindName("Open Chat", "ChatLog");
  HostList(f, "Chat_Log_Options").UserClick(2, openChat);
  f.Game("more", 2);
  EXPECT_EQ(f.log().Log().size(), 3u);
  HostList(f, "Chat_Log_Options").UserClick(2, openChat);
  f.Game("more", 2);
  EXPECT_EQ(f.log().Log().size(), 4u);

  // A colour row ticked by the user on the host's list recolours the next line.
  f.TickAllColorRows(false);
  f.ColorRow("Open Chat In", false, "M", "Red");
  EXPECT_EQ(f.Game("Bob says, hi", 2), (Lines{"game 2 1: Bob says, hi"}));
  const std::int32_t openChatIn = f.ch().FindName("Open Chat In", "ChatColor");
  HostList(f, "Chat_Color").UserClick(0, openChatIn);
  EXPECT_EQ(f.Game("Bob says, hi", 2), (Lines{"chat 21 1: Bob says, hi"}));
  EXPECT_TRUE(f.ErrorsSince(0).empty());

  // Renaming the row loses it (a reported error), naming it back finds it.
  f.ch().ChatColor->DataLet(1, openChatIn, 0, "Open Chat Elsewhere");
  f.Game("Bob says, hi", 2);
  EXPECT_EQ(f.ErrorsSince(0).size(), 1u);
  f.ch().ChatColor->DataLet(1, openChatIn, 0, "Open Chat In");
  EXPECT_EQ(f.Game("Bob says, hi", 2), (Lines{"chat 21 1: Bob says, hi"}));
  EXPECT_EQ(f.ErrorsSince(0).size(), 1u);
}

TEST(ChatListCache, UnreadableCellFailsOnEveryLine) {
  ChatFixture f;
  f.CustomRule("*", "M", "All", "Red");
  f.ch().ChatCustom->DataLet(0, 0, 0, "maybe");  // not a truth value: error 13
  f.Game("one", 2);
  EXPECT_EQ(f.ErrorsSince(0).size(), 1u);
  // The same fault is told in full twice more, then counted, and the count
  // told with a line a minute after the last full report.
  f.Game("two", 2);
  f.Game("two again", 2);
  EXPECT_EQ(f.ErrorsSince(0).size(), 3u);
  f.Game("counted", 2);
  f.host.Advance(30'000);
  f.Game("counted too", 2);
  EXPECT_EQ(f.ErrorsSince(0).size(), 3u);
  f.host.Advance(30'000);
  f.Game("told", 2);
  ASSERT_EQ(f.ErrorsSince(0).size(), 4u);
  EXPECT_NE(f.ErrorsSince(0).back().find(", repeated 3 times"), std::string::npos) << f.ErrorsSince(0).back();
  f.ch().ChatCustom->DataLet(0, 0, 0, "True");
  EXPECT_EQ(f.Game("three", 2), (Lines{"chat 21 1: three"}));
  EXPECT_EQ(f.ErrorsSince(0).size(), 4u);
}

}  // namespace
}  // namespace mellox::test
