// The chat-log page as the player uses it: the view with its search, filter,
// sort, clear and detail clicks, the line limit, the logging boxes and the
// away box.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "chat/ChatPageFixture.h"
#include "core/Globals.h"

namespace mellox::test {
namespace {

using Lines = std::vector<std::string>;

class ChatLogPageTest : public ChatPageTest {
 protected:
  Lines ViewRows() {
    Lines rows;
    for (std::int32_t r = 0; r < Rows("Chat_Log_View"); ++r) rows.push_back(Cell("Chat_Log_View", 0, r));
    return rows;
  }
  void Tell(const std::string& text) { host->IncomingChat("Al tells you, \"" + text + "\"", 3, 1); }
};

TEST_F(ChatLogPageTest, ViewControlsOnlyActAndNeverSave) {
  Check("Chat_Log_Enable", true);
  EXPECT_TRUE(SavedHas(R"(<Chat_Log enabled="True")"));
  Tell("fire");
  Tell("ice");
  host->IncomingChat("Al says, \"fire and ice\"", 2, 1);
  // "Open Chat" is not kept until its view box is ticked; the box is saved.
  EXPECT_EQ(ViewRows(), (Lines{"Al tells you, \"ice\"", "Al tells you, \"fire\""}));
  Click("Chat_Log_Options", 2, 0);
  EXPECT_TRUE(SavedHas(R"(<Chat_Log_Option name="Open Chat" view="True")"));
  host->IncomingChat("Al says, \"fire and ice\"", 2, 1);

  const std::string saved = SavedSettings();
  struct Step {
    const char* action;
    std::function<void()> act;
    Lines shown;
  };
  const std::vector<Step> steps = {
      {"sort up", [&] { Press("Chat_Log_Dir"); },
       {"Al tells you, \"fire\"", "Al tells you, \"ice\"", "Al says, \"fire and ice\""}},
      {"sort down", [&] { Press("Chat_Log_Dir"); },
       {"Al says, \"fire and ice\"", "Al tells you, \"ice\"", "Al tells you, \"fire\""}},
      {"search", [&] { Type("Chat_Log_Search", "FIRE"); }, {"Al says, \"fire and ice\"", "Al tells you, \"fire\""}},
      {"tells only", [&] { Choose("Chat_Log_Filter", "Tells"); }, {"Al tells you, \"fire\""}},
      {"no search", [&] { Type("Chat_Log_Search", ""); }, {"Al tells you, \"ice\"", "Al tells you, \"fire\""}},
      {"all lines", [&] { Choose("Chat_Log_Filter", "All lines"); },
       {"Al says, \"fire and ice\"", "Al tells you, \"ice\"", "Al tells you, \"fire\""}},
  };
  std::string caption = "D";
  for (const auto& s : steps) {
    s.act();
    EXPECT_EQ(ViewRows(), s.shown) << s.action;
    if (std::string(s.action).rfind("sort", 0) == 0) {
      caption = caption == "D" ? "A" : "D";
      EXPECT_EQ(Get<sim::SimPushButton>("Chat_Log_Dir").TextGet(), caption);
      EXPECT_EQ(L().SortAsc(), caption == "A");
    }
  }

  // A click in column 0 writes the line's details in its own colour; column 1 does nothing.
  auto mark = Mark();
  Click("Chat_Log_View", 1, 1);
  EXPECT_TRUE(Since(mark).empty());
  Click("Chat_Log_View", 0, 1);
  ASSERT_EQ(Since(mark).size(), 1u);
  EXPECT_EQ(Since(mark)[0], "chat 3 1: ---<12/8/2026 7:00:00 PM> Al tells you, \"ice\"");

  Press("Chat_Log_Clear");
  EXPECT_TRUE(ViewRows().empty());
  EXPECT_TRUE(L().Log().empty());
  EXPECT_EQ(SavedSettings(), saved);
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(ChatLogPageTest, LineLimitTakesOnlyNumbersThatFit) {
  struct Case {
    std::string typed;
    std::int32_t limit;
    std::string shown;
  };
  const std::vector<Case> cases = {
      {"10", 10, "10"}, {"abc", 10, "10"}, {"99999999999", 10, "10"}, {"2.5", 2, "2.5"}, {" 7 ", 7, " 7 "},
      {"-5", 7, "7"},
  };
  for (const auto& c : cases) {
    Type("Chat_Log_Max", c.typed);
    EXPECT_EQ(L().MaxLines(), c.limit) << c.typed;
    EXPECT_EQ(Get<sim::SimEdit>("Chat_Log_Max").TextGet(), c.shown) << c.typed;
    EXPECT_TRUE(SavedHas("max=\"" + c.shown + "\"")) << c.typed;
  }
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(ChatLogPageTest, LoggingBoxesStartAndRenameTheFileLogAndAreSaved) {
  // A log started by the chat command keeps its name when the box is ticked.
  host->TypeText("/x log Hunt");
  Check("Chat_Log_Auto", true);
  EXPECT_EQ(L().logfile(), "Hunt");
  host->TypeText("/x log");
  Check("Chat_Log_Auto", false);
  Check("Chat_Log_Auto", true);
  EXPECT_TRUE(L().FileLogging());
  EXPECT_EQ(L().logfile(), "Alpha_Bob");
  Check("Chat_Log_By_Date", true);
  Check("Chat_Log_Timestamp", true);
  EXPECT_EQ(L().logfile(), "Alpha_Bob_2026-12-08");
  EXPECT_TRUE(L().FileLogging());
  EXPECT_TRUE(SavedHas(R"(auto="True" timestamp="True" xml="False" bydate="True")"));
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(ChatLogPageTest, AwayBoxTellsTheGameOnlyWhenTickedAndSavesNothing) {
  const std::string saved = SavedSettings();
  auto mark = Mark();
  Check("Chat_Log_AFK", true);
  EXPECT_EQ(Since(mark), Lines{"parser: *afk*"});
  mark = Mark();
  Check("Chat_Log_AFK", false);
  EXPECT_TRUE(Since(mark).empty());
  EXPECT_EQ(SavedSettings(), saved);
}

TEST_F(ChatLogPageTest, NothingActsWhileThePluginIsInactive) {
  Check("Chat_Log_Enable", true);
  Tell("kept");
  const std::string saved = SavedSettings();
  const auto mark = Mark();
  PluginActive = false;
  Check("Chat_Log_AFK", true);
  Check("Chat_Log_Auto", true);
  Type("Chat_Log_Max", "1");
  Press("Chat_Log_Dir");
  Press("Chat_Log_Clear");
  Click("Chat_Color", 1, 3);
  PluginActive = true;
  EXPECT_TRUE(Since(mark).empty());
  EXPECT_EQ(SavedSettings(), saved);
  EXPECT_EQ(L().Log().size(), 1u);
  EXPECT_FALSE(L().FileLogging());
}

}  // namespace
}  // namespace mellox::test
