// The chat log in memory: categories, the line limit, the view with its
// search and filter, details and the coalesced data save.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chat/ChatFixture.h"
#include "sim/SimList.h"

namespace mellox::test {
namespace {

using Lines = std::vector<std::string>;

// The rows of the log view: column 0 of every row.
Lines ViewRows(ChatFixture& f) {
  Lines rows;
  auto& view = *f.ch().ChatLogView;
  for (std::int32_t r = 0; r < view.Count(); ++r) rows.push_back(std::get<std::string>(view.DataGet(0, r, 0).value));
  return rows;
}

TEST(ChatLogCategories, TriedInOrderWithTheirBoxes) {
  struct Case {
    std::int32_t type;
    std::string text;
    std::vector<std::string> ticked;
    std::int32_t tag;  // 0: not kept
  };
  const std::string vitae = "Your experience has reduced your Vitae penalty!";
  const std::vector<Case> cases = {
      {7, vitae, {"Vitae", "Magic"}, 17},
      {7, vitae, {"Magic"}, 8},
      {7, vitae, {"Other"}, 19},
      {13, "Your base Strength is now 100!", {"Stat Raises", "Level"}, 15},
      {13, "Your base Strength is now 100!", {"Level"}, 16},
      {10, "[Co-Vassals] Al says, hi", {"Patron/Covassal"}, 4},
      {11, "You say to your Vassals, hi", {"Vassal"}, 5},
      {11, "You say to your Vassals, hi", {"Patron/Covassal"}, 0},
      {5, "Al has discovered the Ring!", {"Rares"}, 14},
      {32, "<Mellox> x", {"Mellox"}, 18},
      {0, "anything", {}, 0},
  };
  for (const auto& c : cases) {
    ChatFixture f;
    f.LogView(c.ticked);
    f.log().AddToLog(c.text, c.type, 7);
    if (c.tag == 0) {
      EXPECT_TRUE(f.log().Log().empty()) << c.text;
    } else {
      ASSERT_EQ(f.log().Log().size(), 1u) << c.text;
      EXPECT_EQ(f.log().Log().back().msgtag(), c.tag) << c.text;
    }
  }
}

TEST(ChatLogView, LimitAndIncrementalViewMatchAFullRefill) {
  for (const bool asc : {false, true}) {
    ChatFixture f;
    f.LogView({"Tells", "Open Chat"});
    f.log().SortAsc(asc);
    f.log().MaxLines(5);
    f.log().SearchString("keep");
    for (int i = 0; i < 12; ++i) {
      f.log().AddToLog((i % 3 ? "keep " : "drop ") + std::to_string(i), i % 2 ? 3 : 2, 3);
      const Lines incremental = ViewRows(f);
      f.log().DisplayLog();
      EXPECT_EQ(incremental, ViewRows(f)) << "asc " << asc << " line " << i;
    }
    EXPECT_EQ(f.log().Log().size(), 5u);
    EXPECT_EQ(f.log().Log().front().message(), "keep 7");
    EXPECT_EQ(ViewRows(f).front(), asc ? "keep 7" : "keep 11");
  }
}

TEST(ChatLogView, LimitScrollAndDataSave) {
  ChatFixture f;
  f.LogView({"Other"});
  EXPECT_FALSE(f.log().TakeDataSaveRequest());
  for (int i = 0; i < 101; ++i) f.log().AddToLog("line " + std::to_string(i), 0, 0);
  EXPECT_EQ(f.log().Log().size(), 100u);
  EXPECT_EQ(f.log().Log().front().message(), "line 1");
  // Logged lines only mark the data file; nothing is written per line.
  EXPECT_TRUE(f.log().TakeDataSaveRequest());
  EXPECT_FALSE(f.log().TakeDataSaveRequest());

  f.ch().ChatLogView->ScrollPositionLet(40);
  f.log().AddToLog("one more", 0, 0);
  EXPECT_EQ(f.ch().ChatLogView->ScrollPositionGet(), 40);
  f.log().MaxLines(10);
  EXPECT_EQ(f.log().Log().size(), 10u);
  EXPECT_EQ(f.ch().ChatLogView->ScrollPositionGet(), 0);
  EXPECT_EQ(ViewRows(f).size(), 10u);

  f.log().MaxLines(0);
  f.log().AddToLog("gone", 0, 0);
  EXPECT_TRUE(f.log().Log().empty());
  EXPECT_TRUE(ViewRows(f).empty());

  // A line that is not shown does not touch the view.
  f.log().MaxLines(100);
  f.log().FilterMode(2);
  const auto version = f.ch().ChatLogView->RowsVersion();
  f.log().AddToLog("system", 0, 0);
  EXPECT_EQ(f.ch().ChatLogView->RowsVersion(), version);
}

TEST(ChatLogView, SearchAndFilter) {
  struct Case {
    std::string search;
    std::int32_t filter;
    Lines shown;  // newest first
  };
  const std::vector<Case> cases = {
      {"fire+ice", 0, {"Ice and FIRE"}},
      {"fire|ice", 0, {"Ice and FIRE", "ice cold", "fire bolt"}},
      {"fire OR ice", 0, {"Ice and FIRE", "ice cold", "fire bolt"}},
      {"fire or ice", 0, {}},
      {"STORM", 0, {"storm tell"}},
      {"x+", 0, {}},
      {"ORC", 0, {"storm tell", "Ice and FIRE", "ice cold", "fire bolt"}},
      {"", 2, {"storm tell"}},
      {"ice", 2, {}},
      {"", 8, {}},
  };
  ChatFixture f;
  f.LogView({"Open Chat", "Tells"});
  f.log().AddToLog("fire bolt", 2, 2);
  f.log().AddToLog("ice cold", 2, 2);
  f.log().AddToLog("Ice and FIRE", 2, 2);
  f.log().AddToLog("storm tell", 3, 3);
  for (const auto& c : cases) {
    f.log().FilterMode(c.filter);
    f.log().SearchString(c.search);
    EXPECT_EQ(ViewRows(f), c.shown) << c.search << " / " << c.filter;
  }
}

TEST(ChatLogView, DetailsColoursAndClear) {
  ChatFixture f;
  f.LogView({"Other", "Mellox"});
  f.log().AddToLog("own line", 32, 32);
  f.log().AddToLog("odd colour", 0, 40);
  // Codes outside the colour table show in the own lines' colour.
  auto* view = dynamic_cast<sim::SimList*>(f.ch().ChatLogView.get());
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->ColorGet(0, 0), ChatColors[5]);
  EXPECT_EQ(view->ColorGet(0, 1), ChatColors[5]);
  ASSERT_EQ(f.log().Log().size(), 2u);
  const auto id = f.log().Log().front().MsgID();
  const std::size_t mark = f.host.Output().size();
  f.log().PrintDetails(id);
  const auto out = f.Since(mark);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].rfind("chat 32 1: ---<", 0), 0u) << out[0];
  EXPECT_NE(out[0].find("> own line"), std::string::npos);

  f.log().Clear();
  EXPECT_TRUE(ViewRows(f).empty());
  const std::size_t after = f.host.Output().size();
  f.log().PrintDetails(id);
  EXPECT_EQ(f.host.Output().size(), after);
  f.log().AddToLog("new", 0, 0);
  EXPECT_GT(f.log().Log().back().MsgID(), id + 1);
  EXPECT_TRUE(f.ErrorsSince(0).empty());
}

TEST(ChatLogView, LineLimitText) {
  EXPECT_EQ(LogHandler::MaxLinesFromText("250"), 250);
  EXPECT_EQ(LogHandler::MaxLinesFromText("99999999999"), std::nullopt);
  EXPECT_EQ(LogHandler::MaxLinesFromText("abc"), std::nullopt);
  EXPECT_EQ(LogHandler::MaxLinesFromText(""), std::nullopt);
  EXPECT_EQ(LogHandler::MaxLinesFromText("-5"), std::nullopt);
  EXPECT_EQ(LogHandler::MaxLinesFromText("0"), 0);
}

}  // namespace
}  // namespace mellox::test
