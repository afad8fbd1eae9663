// The status HUD: the game's status texts, newest on top, until they expire.
#include <gtest/gtest.h>

#include "hud/HUDStatusHandler.h"
#include "hud/HudOwnerFixture.h"

namespace mellox::test {
namespace {

struct StatusFixture : HudOwnerFixture {
  StatusFixture() { hud().SetEnabled(true); }
  HUDStatusHandler& owner() { return *HUDStatusHandlerInstance; }
  HUDHandler& hud() { return *owner().StatusHud; }
  void Say(const std::string& text) { host.StatusText(text); }
  void Limit(std::int32_t lines) { ch().HudStatusLines->SelectedLet(lines - 1); }
  std::vector<std::string> Texts() const {
    std::vector<std::string> out;
    for (const auto& m : HUDStatusHandlerInstance->Messages()) out.push_back(m.text);
    return out;
  }
};

using Lines = std::vector<std::string>;

TEST(HUDStatusHandlerTest, NewestOnTopWithinTheLineLimit) {
  StatusFixture f;
  f.ch().HudStatusColor->SelectedLet(3);
  f.Limit(3);
  for (const char* text : {"You are too busy!", "Out of range", "You are too busy!"}) f.Say(text);
  // Only the newest counts as a repeat: an older text comes again as a new line.
  EXPECT_EQ(f.Painted(f.hud()), (Lines{"You are too busy!", "Out of range", "You are too busy!"}));
  EXPECT_EQ(f.hud().Item("1")->color, "Red");
  f.Say("Missed");
  EXPECT_EQ(f.Painted(f.hud()), (Lines{"Missed", "You are too busy!", "Out of range"}));

  // Lowering the limit drops one old text per new one; the rest go as they expire.
  f.Limit(5);
  for (const char* text : {"a", "b"}) f.Say(text);
  EXPECT_EQ(f.Texts().size(), 5u);
  f.Limit(2);
  f.Say("c");
  EXPECT_EQ(f.Texts(), (Lines{"You are too busy!", "Missed", "a", "b", "c"}));
  f.Say("C");  // case matters
  EXPECT_EQ(f.Texts(), (Lines{"Missed", "a", "b", "c", "C"}));
  EXPECT_TRUE(f.errors.empty());
}

TEST(HUDStatusHandlerTest, TextsExpireOnTheCoreTickUnlessTheyKeepComing) {
  StatusFixture f;
  f.StartCoreTick();
  f.Say("Out of range");
  f.Seconds(4);
  EXPECT_EQ(f.Texts(), Lines{"Out of range"});
  f.Seconds(1);
  EXPECT_EQ(f.Texts(), Lines{});
  EXPECT_EQ(f.hud().count(), 0);

  // Repeated every second: one line that does not expire.
  for (int i = 0; i < 10; ++i) {
    f.Say("You are too busy!");
    f.Seconds(1);
  }
  EXPECT_EQ(f.Painted(f.hud()), Lines{"You are too busy!"});
  f.Seconds(3);
  EXPECT_EQ(f.Texts(), Lines{"You are too busy!"});
  f.Seconds(1);
  EXPECT_EQ(f.Texts(), Lines{});
  for (const auto& e : f.errors) ADD_FAILURE() << e;
}

TEST(HUDStatusHandlerTest, NothingExpiresWhileTheHudIsDragged) {
  StatusFixture f;
  f.StartCoreTick();
  f.Limit(2);
  f.Say("one");
  f.Seconds(2);
  f.Say("two");
  f.hud().SetOnCanvas(true);
  f.Seconds(30);
  EXPECT_EQ(f.Texts(), (Lines{"one", "two"}));
  f.hud().SetOnCanvas(false);
  f.Seconds(1);
  EXPECT_EQ(f.Texts(), Lines{});
}

}  // namespace
}  // namespace mellox::test
