// The chat rule pages as the player uses them: colour rows, custom rules,
// word filters, aliases and the chat options, and what the chat pipeline
// then does with them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chat/ChatPageFixture.h"
#include "chat/ChatTextHandler.h"
#include "settings_view/OptionLists.h"
#include "support/SessionReference.h"

namespace mellox::test {
namespace {

using Lines = std::vector<std::string>;

class ChatRulePagesTest : public ChatPageTest {
 protected:
  std::int32_t Highlighted(const std::string& list) {
    auto& l = Get<sim::SimList>(list);
    std::int32_t found = -1;
    for (std::int32_t r = 0; r < l.Count(); ++r) {
      if (l.ColorGet(1, r) == OptionLists::kRowHighlightColor) {
        if (found != -1) return -2;  // more than one
        found = r;
      }
    }
    return found;
  }
  // Columns 0 to 6 of a custom rule, the colour as its name.
  Lines Rule(std::int32_t row) {
    return {Cell("Chat_Custom", 0, row), Cell("Chat_Custom", 1, row),
            Cell("Chat_Custom", 2, row), Cell("Chat_Custom", 3, row),
            ChatTextHandler::GetColorFromIcon(CellLong(Get<sim::SimList>("Chat_Custom").DataGet(4, row, 1))),
            Cell("Chat_Custom", 5, row), Cell("Chat_Custom", 6, row)};
  }
  void Editor(const std::string& text, const std::string& window, const std::string& type, const std::string& colour,
              const std::string& sound, const std::string& action) {
    Type("Chat_Custom_Text", text);
    Type("Chat_Custom_Window", window);
    Choose("Chat_Custom_Type", type);
    Choose("Chat_Custom_Color", colour);
    Choose("Chat_Custom_Sound", sound);
    Type("Chat_Custom_Action", action);
  }
};

TEST_F(ChatRulePagesTest, ColourRowFollowsTheChoicesAndTheNextLine) {
  const std::int32_t tells = C().FindName("Tells In", "ChatColor");
  Click("Chat_Color", 1, tells);
  EXPECT_EQ(Highlighted("Chat_Color"), tells);
  EXPECT_EQ((Lines{Chosen("Chat_Color_Color"), Chosen("Chat_Color_Sound"), Chosen("Chat_Color_Window")}),
            (Lines{"Default", "None", "D"}));

  auto mark = Mark();
  Choose("Chat_Color_Window", "M");
  EXPECT_EQ(Cell("Chat_Color", 0, tells), "True") << "choosing a window enables the row";
  Choose("Chat_Color_Color", "Red");
  Choose("Chat_Color_Sound", "Ding.wav");
  EXPECT_EQ(Since(mark), Lines{"sound: play Ding.wav"});
  EXPECT_EQ((Lines{Cell("Chat_Color", 2, tells), Cell("Chat_Color", 4, tells)}), (Lines{"M", "Ding.wav"}));
  EXPECT_EQ(Cell("Chat_Color", 3, tells, 1), std::to_string(ChatTextHandler::GetIconFromColor("Red")));
  EXPECT_TRUE(SavedHas(R"(<Chat_Color name="Tells In" enabled="True" window="M" color="Red" sound="Ding.wav"/>)"));

  // The sound column previews; a row without a sound plays nothing and
  // keeps the selection where it was.
  mark = Mark();
  Click("Chat_Color", 4, tells);
  Click("Chat_Color", 4, tells + 1);
  EXPECT_EQ(Since(mark), Lines{"sound: play Ding.wav"});
  Choose("Chat_Color_Window", "1");
  EXPECT_EQ(Cell("Chat_Color", 2, tells), "1");
  EXPECT_EQ(Cell("Chat_Color", 2, tells + 1), "D");

  // Another row shows its own values.
  Click("Chat_Color", 1, tells + 1);
  EXPECT_EQ(Chosen("Chat_Color_Color"), "Default");
  EXPECT_EQ(Chosen("Chat_Color_Window"), "D");

  // The pipeline reads the row with the very next line.
  mark = Mark();
  host->IncomingChat("Al tells you, \"hi\"", 3, 1);
  const Lines out = Since(mark);
  ASSERT_FALSE(out.empty());
  EXPECT_EQ(out.back(), "sound: play Ding.wav");
  EXPECT_EQ(out.front(), "chat " + std::to_string(ChatTextHandler::ConvertColor("Red")) + " 2: Al tells you, \"hi\"");
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(ChatRulePagesTest, CustomRulesAreAddedEditedMovedAndDeleted) {
  Editor("*loot*", "1", "3", "Green", "Chime.wav", "");
  Press("Chat_Custom_Add");
  Editor("*gold*", "M", "All", "Default", "None", "/x loc");
  Press("Chat_Custom_Add");
  Editor("*gems*", "", "MX", "Red", "None", "");
  Press("Chat_Custom_Add");
  ASSERT_EQ(Rows("Chat_Custom"), 3);
  EXPECT_EQ(Highlighted("Chat_Custom"), 2);
  EXPECT_EQ(Rule(0), (Lines{"True", "*loot*", "1", "3", "Green", "Chime.wav", ""}));
  EXPECT_TRUE(SavedHas(
      R"(<Chat_Custom text="*gold*" enabled="True" type="All" window="M" color="Default" sound="None" action="/x loc"/>)"));

  // Selecting a rule copies it into the editor; the moves carry every cell
  // and the selection follows the moved rule.
  Click("Chat_Custom", 0, 0);  // also unticks it
  EXPECT_EQ((Lines{Get<sim::SimEdit>("Chat_Custom_Text").TextGet(), Get<sim::SimEdit>("Chat_Custom_Window").TextGet(),
                   Chosen("Chat_Custom_Type"), Chosen("Chat_Custom_Color"), Chosen("Chat_Custom_Sound")}),
            (Lines{"*loot*", "1", "3", "Green", "Chime.wav"}));
  const Lines loot = {"False", "*loot*", "1", "3", "Green", "Chime.wav", ""};
  struct Move {
    const char* button;
    std::int32_t at;
  };
  for (const Move& m : {Move{"Chat_Custom_Down", 1}, Move{"Chat_Custom_Down", 2}, Move{"Chat_Custom_Down", 2},
                        Move{"Chat_Custom_Up", 1}}) {
    Press(m.button);
    EXPECT_EQ(Rule(m.at), loot) << m.button << " " << m.at;
    EXPECT_EQ(Highlighted("Chat_Custom"), m.at) << m.button;
  }
  EXPECT_EQ((Lines{Cell("Chat_Custom", 1, 0), Cell("Chat_Custom", 1, 2)}), (Lines{"*gold*", "*gems*"}));

  // Edit rewrites the texts and choices, not the tick.
  Type("Chat_Custom_Text", "*LOOT*");
  Choose("Chat_Custom_Color", "Blue");
  Press("Chat_Custom_Edit");
  EXPECT_EQ(Rule(1), (Lines{"False", "*LOOT*", "1", "3", "Blue", "Chime.wav", ""}));

  // The colour column writes the rule as the line that adds it, type before
  // window and the colour by name; typed back, it adds the same rule.
  auto mark = Mark();
  Click("Chat_Custom", 4, 1);
  EXPECT_EQ(Since(mark), Lines{"chat 5 1: <Mellox> /x chatcustom *LOOT*|3|1|Blue|Chime.wav|"});
  host->TypeText("/x chatcustom *LOOT*|3|1|Blue|Chime.wav|");
  ASSERT_EQ(Rows("Chat_Custom"), 4);
  const Lines typed = Rule(3), edited = Rule(1);
  EXPECT_EQ(Lines(typed.begin() + 1, typed.end()), Lines(edited.begin() + 1, edited.end()));
  mark = Mark();
  Click("Chat_Custom", 5, 1);
  EXPECT_EQ(Since(mark), Lines{"sound: play Chime.wav"});

  // Delete leaves no selection: Edit, Delete and the moves then do nothing.
  Click("Chat_Custom", 1, 1);
  Press("Chat_Custom_Delete");
  ASSERT_EQ(Rows("Chat_Custom"), 3);
  EXPECT_EQ(Highlighted("Chat_Custom"), -1);
  const Lines before = Rule(1);
  for (const char* button : {"Chat_Custom_Edit", "Chat_Custom_Delete", "Chat_Custom_Up", "Chat_Custom_Down"}) {
    Press(button);
    EXPECT_EQ(Rows("Chat_Custom"), 3) << button;
    EXPECT_EQ(Rule(1), before) << button;
  }
  // An empty pattern adds nothing.
  Type("Chat_Custom_Text", "");
  Press("Chat_Custom_Add");
  EXPECT_EQ(Rows("Chat_Custom"), 3);
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(ChatRulePagesTest, FiltersAndAliasesUpdateInPlaceByExactText) {
  struct FilterStep {
    std::string word;
    bool whole, replace;
    Lines rows;  // column 1, 2, 3 of every row
  };
  const std::vector<FilterStep> filters = {
      {"darn", true, false, {"darn", "Whole", "Block"}},
      {"darn", false, true, {"darn", "Part", "Replace"}},
      {"Darn", true, true, {"darn", "Part", "Replace", "Darn", "Whole", "Replace"}},
  };
  for (const auto& f : filters) {
    // The row unticked: updating it ticks it again.
    if (&f == &filters[1]) Click("Chat_Filter", 0, 0);
    Type("Filter_Box", f.word);
    Check("Chat_Filter_Matching", f.whole);
    Check("Chat_Filter_Action", f.replace);
    Press("Filter_Add");
    Lines rows;
    for (std::int32_t r = 0; r < Rows("Chat_Filter"); ++r) {
      EXPECT_EQ(Cell("Chat_Filter", 0, r), "True") << f.word;
      for (std::int32_t c = 1; c <= 3; ++c) rows.push_back(Cell("Chat_Filter", c, r));
    }
    EXPECT_EQ(rows, f.rows) << f.word;
  }
  Click("Chat_Filter", 2, 1);
  EXPECT_EQ(Get<sim::SimEdit>("Filter_Box").TextGet(), "Darn");
  EXPECT_TRUE(Get<sim::SimCheckBox>("Chat_Filter_Matching").CheckedGet());
  EXPECT_TRUE(Get<sim::SimCheckBox>("Chat_Filter_Action").CheckedGet());
  // The pipeline masks with the row at once.
  auto mark = Mark();
  host->IncomingChat("Al says, \"Darn it\"", 2, 1);
  ASSERT_FALSE(Since(mark).empty());
  EXPECT_EQ(Since(mark).back().find("Darn"), std::string::npos) << Since(mark).back();
  Click("Chat_Filter", 4, 0);
  EXPECT_EQ(Rows("Chat_Filter"), 1);
  EXPECT_TRUE(SavedHas(R"(<Chat_Filter name="Darn" enabled="True" matching="Whole" action="Replace"/>)"));

  struct AliasStep {
    std::string abbreviation, full;
    Lines rows;  // column 1, 2 of every row
  };
  const std::vector<AliasStep> aliases = {
      {"  hi ", "hello there", {"hi", "hello there"}},
      {"hi", "hey", {"hi", "hey"}},
      {"yo", "", {"hi", "hey"}},
      {" ", "x", {"hi", "hey"}},
      {"bye", "see you", {"hi", "hey", "bye", "see you"}},
  };
  for (const auto& a : aliases) {
    Type("Alias_Abbr", a.abbreviation);
    Type("Alias_Full", a.full);
    Press("Alias_Add");
    Lines rows;
    for (std::int32_t r = 0; r < Rows("Chat_Alias"); ++r) {
      for (std::int32_t c = 1; c <= 2; ++c) rows.push_back(Cell("Chat_Alias", c, r));
    }
    EXPECT_EQ(rows, a.rows) << a.abbreviation;
  }
  Click("Chat_Alias", 2, 0);
  EXPECT_EQ(Get<sim::SimEdit>("Alias_Full").TextGet(), "hey");
  Click("Chat_Alias", 3, 0);
  EXPECT_EQ(Rows("Chat_Alias"), 1);
  EXPECT_TRUE(SavedHas(R"(<Chat_Alias abbr="bye" full="see you" enabled="True"/>)"));
  EXPECT_FALSE(SavedHas(R"(abbr="hi")"));

  Click("Chat_Options", 0, 2);
  EXPECT_TRUE(SavedHas(R"(<Chat_Option name="Add XP/Hr" enabled="True"/>)"));
  EXPECT_TRUE(errors.empty()) << errors.front();
}


// The reference's colour table: each name at its index of both colour
// choices, and the colour a tell then comes out in when the Tells In row
// writes it to the main window (Default: the tell's own chat type, 3).
TEST_F(ChatRulePagesTest, TheSessionReferenceGivesEachColoursIndexAndChatColour) {
  const std::int32_t tells = C().FindName("Tells In", "ChatColor");
  Click("Chat_Color", 1, tells);
  Choose("Chat_Color_Window", "M");
  std::size_t count = 0;
  for (const Table& table : Tables(Section(SessionReference(), "### Colours"))) {
    if (table.header.empty() || table.header[0] != "colour") continue;
    for (const auto& row : table.rows) {
      ASSERT_EQ(row.size(), 3u);
      ++count;
      const std::string& name = row[0];
      const std::int32_t index = std::stoi(row[1]);
      const std::int32_t code = std::stoi(row[2]);
      for (const char* choice : {"Chat_Color_Color", "Chat_Custom_Color"}) {
        auto& entries = Get<sim::SimChoice>(choice);
        ASSERT_LT(index, entries.ChoiceCount()) << name;
        EXPECT_EQ(entries.TextGet(index), name) << choice;
      }
      EXPECT_EQ(ChatTextHandler::ConvertColor(name), code) << name;
      Get<sim::SimChoice>("Chat_Color_Color").UserChoose(index);
      const auto mark = Mark();
      host->IncomingChat("Al tells you, \"hi\"", 3, 1);
      EXPECT_EQ(Since(mark), Lines{"chat " + std::to_string(code == -1 ? 3 : code) + " 1: Al tells you, \"hi\""})
          << name;
    }
  }
  EXPECT_EQ(count, static_cast<std::size_t>(Get<sim::SimChoice>("Chat_Color_Color").ChoiceCount()));
  EXPECT_EQ(count, static_cast<std::size_t>(Get<sim::SimChoice>("Chat_Custom_Color").ChoiceCount()));
  EXPECT_TRUE(errors.empty()) << errors.front();
}

}  // namespace
}  // namespace mellox::test
