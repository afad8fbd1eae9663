#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/VB.h"
#include "platform/PluginSite.h"
#include "sim/SimSpell.h"
#include "sim/SimSpells.h"
#include "support/SessionReference.h"
#include "tracking/TrackingFixture.h"

namespace mellox::test {
namespace {

TEST(SpellFilterHandlerTest, LookupsOfKnownAndUnknownSpells) {
  TrackingFixture f;
  auto& t = f.table();
  EXPECT_TRUE(t.SpellFilterAvailable());
  EXPECT_EQ(t.GetID("warding veil ii"), 14);
  EXPECT_EQ(t.GetID("No Such Spell"), -1);
  EXPECT_EQ(t.GetName(21), "Hunter's Mark");
  EXPECT_EQ(t.GetName(0), "Unknown 0");
  EXPECT_EQ(t.GetFamily(14), 110);
  EXPECT_EQ(t.GetDifficulty(13), 250);
  EXPECT_EQ(t.GetDuration(30), -1);  // the permanent spell's table duration
  EXPECT_EQ(t.GetIcon(5210), 100718);
  EXPECT_TRUE(t.IsADebuff(20));
  EXPECT_FALSE(t.IsADebuff(14));
  // Unknown id: the default icon, -1 for the other numbers.
  EXPECT_EQ(t.GetIcon(4999), 100667896);
  EXPECT_EQ(t.GetFamily(4999), -1);
  EXPECT_EQ(t.GetDifficulty(4999), -1);
  EXPECT_EQ(t.GetDuration(4999), -1);
  EXPECT_FALSE(t.IsADebuff(4999));
  EXPECT_TRUE(f.errors.empty());
}

TEST(SpellFilterHandlerTest, DurationRoundsHalfToEvenAndDebuffFlags) {
  TrackingFixture f;
  sim::SpellRow row;
  const struct {
    double duration;
    std::int32_t seconds;
  } durations[] = {{2.5, 2}, {3.5, 4}, {1799.6, 1800}};
  for (const auto& d : durations) {
    row.id = 900;
    row.duration = d.duration;
    f.host.Spells().Add(row);
    EXPECT_EQ(f.table().GetDuration(900), d.seconds) << d.duration;
  }
  for (std::int32_t flags : {17, 19, 24, 26, 8337, 8346, 9361, 1169, 128, 130, 131, 144, 145, 146, 147, 152, 153,
                             154, 155, 158}) {
    EXPECT_TRUE(SpellFilterHandler::IsDebuffFlags(flags)) << flags;
  }
  for (std::int32_t flags : {0, 4, 8, 16, 129, 8336}) EXPECT_FALSE(SpellFilterHandler::IsDebuffFlags(flags)) << flags;
}

TEST(SpellFilterHandlerTest, ExportKeepsTheTableTextAndSkipsIdsAbove5000) {
  TrackingFixture f;
  const auto mark = f.Mark();
  f.table().SpellExport();
  const auto out = f.OutputSince(mark);
  ASSERT_FALSE(out.empty());
  EXPECT_NE(out.front().find(SpellFilterHandler::kExportHeader), std::string::npos);
  bool sawTypographic = false;
  for (const auto& line : out) {
    EXPECT_EQ(line.find("Radiant Aegis"), std::string::npos);  // id 5210
    if (line.find("21|Hunter\x92s Mark|") != std::string::npos) sawTypographic = true;
  }
  EXPECT_TRUE(sawTypographic);
  // 27 spells up to id 5000, plus the header.
  EXPECT_EQ(out.size(), static_cast<std::size_t>(f.host.Spells().Size()));
}

TEST(SpellFilterHandlerTest, ExportRecordFormat) {
  sim::SpellRow row;
  row.id = 77;
  row.name = "A|B";
  row.description = "desc";
  row.diff = 5;
  row.icon = 100;
  row.duration = 1800.5;
  row.effect = 9;
  row.speed = 0.1f;
  row.flags = 17;
  row.rangeBase = 2.5f;
  row.researchable = true;
  sim::SimSpell spell(row);
  EXPECT_EQ(SpellFilterHandler::ExportRecord(spell), "77|A|B|desc|5|100|0|0|1800.5|9|0|0|0.1|0|17|0|0|0|0|2.5|0|True");
}

// A site without the spell filter.
class NoSpellsSite : public platform::PluginSite {
 public:
  explicit NoSpellsSite(platform::PluginSite& inner) : inner_(inner) {}
  std::shared_ptr<void> GetServiceByPath(const std::string& path) override {
    return path == platform::kSpellsServicePath ? nullptr : inner_.GetServiceByPath(path);
  }
  platform::ACHooks& GetHooks() override { return inner_.GetHooks(); }
  platform::HostCore& GetHostCore() override { return inner_.GetHostCore(); }
  void SetPluginObject(platform::IPlugin2* p) override { inner_.SetPluginObject(p); }
  std::shared_ptr<platform::HostWindow> GetGameWindow() override { return inner_.GetGameWindow(); }

 private:
  platform::PluginSite& inner_;
};

TEST(SpellFilterHandlerTest, MissingTableGivesUnknownAnswersQuietlyWithOneWarning) {
  TrackingFixture f;
  NoSpellsSite site(*Site);
  platform::PluginSite* saved = Site;
  Site = &site;
  SpellFilterHandler handler;
  Site = saved;
  EXPECT_FALSE(handler.SpellFilterAvailable());
  const auto mark = f.Mark();
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(handler.GetID("Stoneskin I"), -1);
    EXPECT_EQ(handler.GetName(1), "Unknown 1");
    EXPECT_EQ(handler.GetFamily(1), -1);
    EXPECT_EQ(handler.GetIcon(1), 100667896);
    EXPECT_EQ(handler.GetDifficulty(1), -1);
    EXPECT_EQ(handler.GetDuration(1), -1);
    EXPECT_FALSE(handler.IsADebuff(1));
    handler.SpellInfo(1);
  }
  EXPECT_TRUE(f.errors.empty());
  const auto out = f.OutputSince(mark);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_NE(out[0].find("spell table is not available"), std::string::npos);
}


// The reference's debuffs: the flag values that make a spell one, and the
// spells of the shipped table that are.
TEST(SpellFilterHandlerTest, TheSessionReferenceNamesTheDebuffFlagsAndTheShippedDebuffs) {
  TrackingFixture f;
  std::set<std::int32_t> writtenFlags, writtenIds;
  for (const Table& table : Tables(Section(SessionReference(), "## Spells and enchantments"))) {
    for (const auto& row : table.rows) {
      if (table.header[0] == "flags") {
        for (const std::string& value : vb::Split(row[0], ", ")) writtenFlags.insert(std::stoi(value));
      }
      if (table.header[0] != "ids") continue;
      // "20" or "4101 to 4107".
      const std::size_t to = row[0].find(" to ");
      const std::int32_t first = std::stoi(row[0]);
      const std::int32_t last = to == std::string::npos ? first : std::stoi(row[0].substr(to + 4));
      for (std::int32_t id = first; id <= last; ++id) writtenIds.insert(id);
    }
  }
  std::set<std::int32_t> flags;
  for (std::int32_t value = 0; value <= 0xFFFF; ++value)
    if (SpellFilterHandler::IsDebuffFlags(value)) flags.insert(value);
  EXPECT_EQ(writtenFlags, flags);

  std::set<std::int32_t> ids;
  const std::vector<std::string> spells = Lines(ReadSourceFile("data/Spells.txt"));
  ASSERT_GT(spells.size(), 1u);
  for (std::size_t i = 1; i < spells.size(); ++i) {
    if (spells[i].empty()) continue;
    const std::int32_t id = std::stoi(spells[i]);
    if (f.table().IsADebuff(id)) ids.insert(id);
  }
  EXPECT_EQ(writtenIds, ids);
  EXPECT_TRUE(f.errors.empty());
}

}  // namespace
}  // namespace mellox::test
