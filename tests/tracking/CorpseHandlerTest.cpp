#include <gtest/gtest.h>

#include <limits>
#include <tuple>

#include "tracking/CorpseHandler.h"
#include "tracking/TrackingFixture.h"

namespace mellox::test {
namespace {

// Logged in, standing at 10.0N, 20.0E, corpses tracked, none chosen.
struct CorpseFixture : TrackingFixture {
  CorpseFixture() : TrackingFixture(10) {
    Place(10.0, 20.0);
    ch().CorpsesTrack->CheckedLet(true);
    ch().SelectedCorpse = -1;
  }
  CorpseHandler& corpses() { return *CorpseHandlerInstance; }
  // Corpses at 1N, 2N, ... each with a guid and its own loss text.
  void Stored(int count) {
    for (int i = 1; i <= count; ++i)
      corpses().AddCorpsefromData(100 + i, i, 0, TrackingPeers::NowUnix() + 600, false, "lost " + std::to_string(i));
  }
  std::string Row(std::int32_t row) {
    return Cell("Corpses_List", 0, row) + " | " + Cell("Corpses_List", 1, row) + " | " + Cell("Corpses_List", 2, row);
  }
};

TEST(CorpseHandlerTest, DecayGrowsWithLevelFromAMinimumOfAMinute) {
  struct Case {
    std::int32_t level;
    std::int64_t seconds;
  };
  const Case cases[] = {{0, 60}, {1, 300}, {126, 37800}};
  for (const Case& c : cases) {
    CorpseFixture f;
    f.host.Character().SetLevel(c.level);
    f.corpses().CharDeath();
    ASSERT_TRUE(f.corpses().PendingCorpse()) << c.level;
    EXPECT_EQ(f.corpses().PendingCorpse()->time - TrackingPeers::NowUnix(), c.seconds) << c.level;
    EXPECT_EQ(f.corpses().PendingCorpse()->NS, 10.0);
    EXPECT_TRUE(f.corpses().PendingCorpse()->Dungeon);
    EXPECT_TRUE(f.spells().RebuildList);
  }
  // The highest level decays in its full time: moments are 64-bit, nothing overflows.
  CorpseFixture f;
  f.host.Character().SetLevel(std::numeric_limits<std::int32_t>::max());
  f.corpses().CharDeath();
  EXPECT_EQ(f.corpses().PendingCorpse()->time - TrackingPeers::NowUnix(),
            std::int64_t{std::numeric_limits<std::int32_t>::max()} * 300);
  EXPECT_TRUE(f.errors.empty());
}

TEST(CorpseHandlerTest, TheLocationLineGivesThePositionUnlessItIsMalformed) {
  struct Case {
    const char* text;
    bool ok;
    double ns, ew;
  };
  const Case cases[] = {
      {"12.3N, 45.6E", true, 12.3, 45.6}, {"12.3S, 45.6W", true, -12.3, -45.6},
      {"12.3n, 45.6E", true, -12.3, 45.6},  // the letter test is exact
      {"0.5N, 101.8E, x", true, 0.5, 101.8}, {"12.3N", false, 0, 0},
      {"12.3N, ", false, 0, 0},             {"", false, 0, 0},
  };
  for (const Case& c : cases) {
    CorpseFixture f;
    f.corpses().CharDeath();
    f.corpses().CorpseCoords(c.text);
    const CorpseInfo& p = *f.corpses().PendingCorpse();
    EXPECT_EQ(f.errors.empty(), c.ok) << c.text;
    // A malformed line leaves the corpse at the death's position, in a dungeon.
    EXPECT_EQ(p.NS, c.ok ? c.ns : 10.0) << c.text;
    EXPECT_EQ(p.EW, c.ok ? c.ew : 20.0) << c.text;
    EXPECT_EQ(p.Dungeon, !c.ok) << c.text;
  }
}

TEST(CorpseHandlerTest, ACorpseIsFormedRecordedAndListed) {
  CorpseFixture f;
  f.corpses().CharDeath();
  EXPECT_TRUE(f.corpses().HasDied());
  f.corpses().NewCorpse(777, 12.3, 45.6);
  f.corpses().CorpseData("You've lost 3 Pyreals.");
  f.corpses().CorpseCoords("12.0N, 45.0E");  // the world object's position stands
  f.corpses().AddCorpse();
  EXPECT_FALSE(f.corpses().HasDied());
  EXPECT_FALSE(f.corpses().PendingCorpse());
  ASSERT_EQ(f.corpses().Corpses.size(), 1u);
  EXPECT_EQ(f.corpses().Corpses[0].guid, 777);
  EXPECT_EQ(f.corpses().Corpses[0].data, "You've lost 3 Pyreals.");
  EXPECT_EQ(f.Row(0), "12.3N, 45.6E | 2.3N, 25.6E | 50:00");
  EXPECT_EQ(f.list("Corpses_List").DataGet(3, 0, 1).value, platform::Variant(CorpseHandler::kIconDelete).value);
  EXPECT_EQ(f.list("Corpses_List").ColorGet(0, 0), CorpseHandler::kTrackedColor);
  EXPECT_EQ(f.corpses().GetCorpse(), "12.3N, 45.6E");

  // Without a location line the corpse is in a dungeon; the offset is still shown.
  f.corpses().CharDeath();
  f.corpses().NewCorpse(778, 9.0, 18.5);
  f.corpses().AddCorpse();
  f.host.Advance(3065000);  // the first corpse decayed 65 s ago
  f.corpses().UpdateCorpseList();
  EXPECT_EQ(f.Row(0), "12.3N, 45.6E | 2.3N, 25.6E | -01:05");
  EXPECT_EQ(f.Row(1), "Dungeon | 1.0S, 1.5W | -01:05");

  // Tracking switched off between the death and leaving portal space: no corpse.
  f.corpses().CharDeath();
  f.corpses().NewCorpse(779, 5.0, 5.0);
  f.ch().CorpsesTrack->CheckedLet(false);
  f.corpses().AddCorpse();
  EXPECT_EQ(f.corpses().Corpses.size(), 2u);
  EXPECT_FALSE(f.corpses().PendingCorpse());
  EXPECT_FALSE(f.corpses().HasDied());
  EXPECT_EQ(f.list("Corpses_List").Count(), 2);
  EXPECT_TRUE(f.errors.empty());
}

TEST(CorpseHandlerTest, OnlyOpenedCorpsesAreForgottenWhenTheyLeaveTheWorld) {
  CorpseFixture f;
  f.corpses().AddCorpsefromData(0, 12.3, 45.6, 0, false, "a");  // its object was never seen
  f.corpses().AddCorpsefromData(55, 1.0, 1.0, 0, false, "b");
  f.corpses().OpenCorpse(12.30000001, 45.6, 99);
  f.corpses().CorpseDisappear(12.30000001, 45.6, 99);  // no tolerance: not that corpse
  EXPECT_EQ(f.corpses().Corpses.size(), 2u);
  EXPECT_TRUE(f.corpses().OpenedCorpses().empty());
  f.corpses().CorpseDisappear(1.0, 1.0, 55);  // never opened
  EXPECT_EQ(f.corpses().Corpses.size(), 2u);
  f.corpses().OpenCorpse(12.3, 45.6, 98);
  f.corpses().CorpseDisappear(12.3, 45.6, 98);
  ASSERT_EQ(f.corpses().Corpses.size(), 1u);
  EXPECT_EQ(f.corpses().Corpses[0].guid, 55);
  EXPECT_TRUE(f.errors.empty());
}

TEST(CorpseHandlerTest, TheChosenCorpseStaysChosenWhenOthersAreDeleted) {
  CorpseFixture f;
  f.Stored(4);
  const std::int32_t id = f.list("Corpses_List").Id();
  f.corpses().UpdateCorpseList();
  f.corpses().CorpsesList_Change(id, 0, 2);
  EXPECT_EQ(f.ch().SelectedCorpse, 2);
  f.corpses().CorpsesList_Change(id, 3, 0);  // delete the first
  EXPECT_EQ(f.ch().SelectedCorpse, 1);
  EXPECT_EQ(f.corpses().GetCorpse(), "3.0N, 0.0E");
  EXPECT_EQ(f.list("Corpses_List").ColorGet(0, 1), CorpseHandler::kTrackedColor);
  f.corpses().CorpsesList_Change(id, 3, 2);  // one below it
  EXPECT_EQ(f.ch().SelectedCorpse, 1);
  f.corpses().CorpsesList_Change(id, 3, 1);  // the chosen one
  EXPECT_EQ(f.ch().SelectedCorpse, -1);
  EXPECT_EQ(f.corpses().GetCorpse(), "2.0N, 0.0E");

  // A second click on the chosen row clears the choice.
  f.corpses().CorpsesList_Change(id, 0, 0);
  EXPECT_EQ(f.ch().SelectedCorpse, 0);
  f.corpses().CorpsesList_Change(id, 0, 0);
  EXPECT_EQ(f.ch().SelectedCorpse, -1);

  // What the death cost; clicks on rows that are not there do nothing.
  const auto mark = f.Mark();
  f.corpses().CorpsesList_Change(id, 2, 0);
  f.corpses().CorpsesList_Change(id, 0, 5);
  f.corpses().CorpsesList_Change(id, 3, -1);
  f.corpses().RemoveCorpsebyID(9);
  const auto said = f.OutputSince(mark);
  ASSERT_EQ(said.size(), 1u);
  EXPECT_NE(said[0].find("<Mellox> lost 2"), std::string::npos);
  EXPECT_EQ(f.ch().SelectedCorpse, -1);
  EXPECT_EQ(f.corpses().Corpses.size(), 1u);
  EXPECT_TRUE(f.errors.empty());
}

TEST(CorpseHandlerTest, TrackedCorpsesSurviveTheDataFile) {
  CorpseFixture f;
  f.ch().Data_Load(0);  // this login's file is read, so saves may write it
  f.corpses().CharDeath();
  f.corpses().CorpseData("You've lost \"everything\" & more.");
  f.corpses().CorpseCoords("12.3S, 45.6W");
  f.corpses().AddCorpse();  // saves
  const CorpseInfo saved = f.corpses().Corpses.at(0);
  f.corpses().Corpses.clear();
  f.ch().Data_Load(0);
  ASSERT_EQ(f.corpses().Corpses.size(), 1u);
  const CorpseInfo& l = f.corpses().Corpses[0];
  EXPECT_EQ(std::tie(l.guid, l.NS, l.EW, l.time, l.Dungeon, l.data),
            std::tie(saved.guid, saved.NS, saved.EW, saved.time, saved.Dungeon, saved.data));
  EXPECT_EQ(l.NS, -12.3);
  EXPECT_FALSE(l.Dungeon);
  EXPECT_TRUE(f.errors.empty());
}

TEST(CorpseHandlerTest, TheListStillShowsCorpsesWhileTheCharacterIsNotPlaced) {
  CorpseFixture f;
  f.host.World().RemoveObject(f.host.Character().Character());
  f.Stored(1);
  f.corpses().UpdateCorpseList();
  EXPECT_EQ(f.Row(0), "1.0N, 0.0E |  | 10:00");
  EXPECT_TRUE(f.errors.empty());
}

}  // namespace
}  // namespace mellox::test
