#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/VBError.h"
#include "sim/SimCheckBox.h"
#include "sim/SimChoice.h"
#include "sim/SimEdit.h"
#include "sim/SimList.h"
#include "sim/SimNotebook.h"
#include "sim/SimProgress.h"
#include "sim/SimPushButton.h"
#include "sim/SimSlider.h"
#include "sim/SimStaticText.h"
#include "sim/SimView.h"

namespace mellox::sim {
namespace {

// One line on purpose: the reader must not depend on line breaks.
const char* kView =
    R"(<view title="Mellox" left="10" top="20" width="230" height="260"><control type="notebook" name="nbMain">)"
    R"(<page label="XP"><control type="checkbox" name="XP_Show" text="Show XP" checked="true"/>)"
    R"(<control type="choice" name="HUD_Font" selected="1"><option text="Arial" data="Arial"/>)"
    R"(<option text="Ten" data="10"/><option text="Hex" data="0x1F"/><option text="Half" data="0.5"/></control>)"
    R"(<control type="edit" name="Chat_Log_Max" text="100" left="5" top="6" width="70" height="16"/></page>)"
    R"(<page label="HUD"><control type="list" name="HUD_General"><column kind="text" width="80"/>)"
    R"(<column kind="check" width="20"/><column kind="icon" width="20"/></control>)"
    R"(<control type="pushbutton" name="Reset_Session" text="Reset"/>)"
    R"(<control type="static" name="XP_Total" text="0"/>)"
    R"(<control type="slider" name="HUD_Alpha" min="0" max="10" position="5"/>)"
    R"(<control type="progress" name="XP_Bar" value="40"/></page></control>)"
    R"(<control type="checkbox" name="Outside"/></view>)";

TEST(SimViewTest, BuildsEveryControlTypeWithIdsInDocumentOrder) {
  auto view = SimView::Parse(kView);
  EXPECT_EQ(view->Title(), "Mellox");
  EXPECT_EQ(view->PositionGet(), (platform::Rect{10, 20, 240, 280}));
  const std::vector<std::string> names{"nbMain",      "XP_Show",       "HUD_Font", "Chat_Log_Max", "HUD_General",
                                       "Reset_Session", "XP_Total",    "HUD_Alpha", "XP_Bar",      "Outside"};
  EXPECT_EQ(view->Names(), names);
  for (std::size_t i = 0; i < names.size(); ++i)
    EXPECT_EQ(view->Control(names[i])->Id(), 1000 + static_cast<std::int32_t>(i)) << names[i];
  EXPECT_EQ(view->Control("missing"), nullptr);

  EXPECT_EQ(view->Get<SimNotebook>("nbMain").Pages(), (std::vector<std::string>{"XP", "HUD"}));
  EXPECT_TRUE(view->Get<SimCheckBox>("XP_Show").CheckedGet());
  EXPECT_FALSE(view->Get<SimCheckBox>("Outside").CheckedGet());
  auto& font = view->Get<SimChoice>("HUD_Font");
  EXPECT_EQ(font.ChoiceCount(), 4);
  EXPECT_EQ(font.SelectedGet(), 1);
  EXPECT_EQ(std::get<std::string>(font.DataGet(0).value), "Arial");
  EXPECT_EQ(std::get<std::int64_t>(font.DataGet(1).value), 10);
  EXPECT_EQ(std::get<std::int64_t>(font.DataGet(2).value), 31);
  EXPECT_EQ(std::get<double>(font.DataGet(3).value), 0.5);
  EXPECT_EQ(view->Get<SimEdit>("Chat_Log_Max").TextGet(), "100");
  EXPECT_EQ(view->Placement("Chat_Log_Max").width, 70);
  EXPECT_EQ(view->Placement("XP_Show").width, -1);
  EXPECT_EQ(view->Get<SimList>("HUD_General").Columns().size(), 3u);
  EXPECT_EQ(view->Get<SimPushButton>("Reset_Session").TextGet(), "Reset");
  EXPECT_EQ(view->Get<SimStaticText>("XP_Total").TextGet(), "0");
  EXPECT_EQ(view->Get<SimSlider>("HUD_Alpha").SliderPositionGet(), 5);
  EXPECT_EQ(view->Get<SimProgress>("XP_Bar").ValueGet(), 40);
  EXPECT_THROW(view->Get<SimEdit>("XP_Show"), std::invalid_argument);
}

TEST(SimViewTest, BadDescriptionsRaise) {
  const std::vector<std::string> bad{
      "",
      "<view><control type='edit' name='a'>",                                       // not closed
      "<panel/>",                                                                    // wrong root
      "<view><control type='edit' name='a'/><control type='static' name='a'/></view>",  // duplicate
      "<view><control type='gauge' name='a'/></view>",                               // unknown type
      "<view><control type='edit'/></view>",                                         // no name
      "<view><page label='x'/></view>",                                              // page outside notebook
      "<view><control type='notebook' name='n'><control type='edit' name='a'/></control></view>",
      "<view><control type='slider' name='s' max='ten'/></view>",                    // not a number
      "<view><control type='checkbox' name='c' checked='maybe'/></view>",
      "<view><control type='list' name='l'><column kind='graph'/></control></view>",
      "<view><control type='choice' name='c' selected='2'><option text='x'/></control></view>",
  };
  for (const auto& text : bad) EXPECT_THROW(SimView::Parse(text), VBError) << text;
}

// Code sets values silently; the user's action raises the framework's event.
TEST(SimViewTest, CodeChangesRaiseNothingWhileUserActionsRaiseTheirEvent) {
  auto view = SimView::Parse(kView);
  std::vector<std::string> events;
  auto& check = view->Get<SimCheckBox>("XP_Show");
  auto& choice = view->Get<SimChoice>("HUD_Font");
  auto& edit = view->Get<SimEdit>("Chat_Log_Max");
  auto& button = view->Get<SimPushButton>("Reset_Session");
  auto& slider = view->Get<SimSlider>("HUD_Alpha");
  auto& list = view->Get<SimList>("HUD_General");
  auto n = [](auto v) { return std::to_string(v); };
  auto c1 = check.Change.Connect([&](std::int32_t id, bool on) { events.push_back("check " + n(id) + " " + n(on)); });
  auto c2 = choice.Change.Connect([&](std::int32_t id, std::int32_t i) { events.push_back("choice " + n(id) + " " + n(i)); });
  auto c3 = edit.Change.Connect([&](std::int32_t id, const std::string& t) { events.push_back("edit " + n(id) + " " + t); });
  auto c4 = edit.End.Connect([&](std::int32_t id, bool ok) { events.push_back("end " + n(id) + " " + n(ok)); });
  auto c5 = button.Accepted.Connect([&](std::int32_t id) { events.push_back("press " + n(id)); });
  auto c6 = slider.Change.Connect([&](std::int32_t id, std::int32_t p) { events.push_back("slide " + n(id) + " " + n(p)); });
  auto c7 = list.Change.Connect([&](std::int32_t id, std::int32_t col, std::int32_t row) {
    events.push_back("list " + n(id) + " " + n(col) + " " + n(row));
  });

  check.CheckedLet(false);
  choice.SelectedLet(2);
  edit.TextLet("50");
  button.TextLet("Go");
  slider.SliderPositionLet(99);  // kept within range
  list.AddRow();
  list.DataLet(1, 0, 0, platform::Variant(true));
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(slider.SliderPositionGet(), 10);

  check.UserCheck(true);
  choice.UserChoose(3);
  edit.UserEdit("75");
  button.UserPress();
  slider.UserSlide(2);
  list.UserClick(0, 0);
  EXPECT_EQ(events, (std::vector<std::string>{"check 1001 1", "choice 1002 3", "edit 1003 75", "end 1003 1",
                                              "press 1005", "slide 1007 2", "list 1004 0 0"}));
  EXPECT_TRUE(check.CheckedGet());
  EXPECT_EQ(choice.SelectedGet(), 3);
  EXPECT_EQ(edit.TextGet(), "75");
  EXPECT_EQ(slider.SliderPositionGet(), 2);
  EXPECT_THROW(choice.UserChoose(4), VBError);
  EXPECT_THROW(slider.UserSlide(11), VBError);
  EXPECT_EQ(events.size(), 7u);
}

TEST(SimViewTest, ListCheckColumnTogglesBeforeTheChangeEventAndCellsAreBoundsChecked) {
  auto view = SimView::Parse(kView);
  auto& list = view->Get<SimList>("HUD_General");
  std::vector<bool> seen;
  auto c = list.Change.Connect([&](std::int32_t, std::int32_t col, std::int32_t row) {
    const auto v = list.DataGet(col, row, 0);
    seen.push_back(std::holds_alternative<bool>(v.value) && std::get<bool>(v.value));
  });
  const std::uint64_t v0 = list.RowsVersion();
  EXPECT_EQ(list.AddRow(), 0);
  EXPECT_EQ(list.AddRow(), 1);
  list.DataLet(0, 1, 0, platform::Variant("second"));
  list.UserClick(1, 1);  // unset counts as unchecked
  list.UserClick(1, 1);
  list.UserClick(0, 1);  // a text column is not toggled
  EXPECT_EQ(seen, (std::vector<bool>{true, false, false}));
  EXPECT_EQ(std::get<std::string>(list.DataGet(0, 1, 0).value), "second");

  list.InsertRow(0);  // rows shift down
  EXPECT_EQ(std::get<std::string>(list.DataGet(0, 2, 0).value), "second");
  EXPECT_TRUE(list.DataGet(0, 0, 0).IsEmpty());
  list.ColorLet(2, 2, 0xFF00FF);
  EXPECT_EQ(list.ColorGet(2, 2), 0xFF00FF);
  list.DeleteRow(0);
  EXPECT_EQ(list.RowsVersion(), v0 + 4);

  EXPECT_THROW(list.DataGet(0, 5, 0), VBError);
  EXPECT_THROW(list.DataGet(3, 0, 0), VBError);
  EXPECT_THROW(list.DataLet(0, -1, 0, platform::Variant(1)), VBError);
  EXPECT_THROW(list.DeleteRow(2), VBError);
  EXPECT_THROW(list.UserClick(1, 9), VBError);
  try {
    list.DataGet(0, 7, 0);
  } catch (const VBError& e) {
    EXPECT_EQ(e.Number(), 9);
  }
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

}  // namespace
}  // namespace mellox::sim
