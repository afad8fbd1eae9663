// The target HUD as the game drives it after login: selection, identify
// results, debuff effects, the core tick and object releases.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <set>

#include "host/HostTestFixture.h"
#include "hud/TargetHudFixture.h"
#include "sim/SimEchoFilter.h"
#include "sim/SimHooks.h"
#include "sim/SimIdentifier.h"
#include "sim/SimNetworkMessage.h"
#include "sim/SimSpells.h"
#include "support/SessionReference.h"

namespace mellox::test {
namespace {

class HudTargetFlowTest : public HostTest {
 protected:
  sim::SimHudView& canvas() { return HudFixture::Canvas(*HUDTargetHandlerInstance->TargetHud); }
  std::vector<std::string> Written() {
    std::vector<std::string> out;
    for (const auto& c : canvas().Calls()) {
      if (c.kind == sim::HudCall::Kind::WriteText) out.push_back(c.text);
    }
    canvas().ClearCalls();
    return out;
  }
  void Select(std::int32_t id) {
    host->Hooks().SetCurrentSelection(id);
    host->Hooks().ObjectSelected.Emit(id);
  }
  void Server(std::int32_t type, std::initializer_list<std::pair<const char*, std::int64_t>> fields) {
    auto m = std::make_shared<sim::SimNetworkMessage>(type);
    for (const auto& [name, value] : fields) m->Set(name, value);
    host->Echo().Server(m);
  }
};

TEST_F(HudTargetFlowTest, SelectionIdentificationDebuffsAndRelease) {
  Login();
  host->Identifier().SetAnswering(false);  // the identify answer is sent by hand below
  sim::SpellRow row;
  // A short spell in place of the shipped one, so the countdown changes within the test.
  auto shipped = host->Spells().SpellByName("Gossamer Flesh");
  row.id = shipped ? shipped->ID() : 9007;
  row.name = "Gossamer Flesh";  // the defaults choose level VII
  row.duration = 61;
  row.effect = 116;
  host->Spells().Add(row);
  HudHandlerT& hud = *HUDTargetHandlerInstance->TargetHud;
  hud.SetEnabled(true);

  auto& drudge = host->World().AddObject(1000, "Drudge Slinker", 5);
  Select(1000);
  EXPECT_EQ(Written(), (std::vector<std::string>{"Drudge Slinker", "[Waiting for ID]"}));
  drudge.SetHasIdentifyData(true);
  Server(NetEchoHandler::kGameEvent, {{"event", NetEchoHandler::kIdentifyEvent},
                                      {"success", 1},
                                      {"object", 1000},
                                      {"flags", 0x100},
                                      {"health", 40},
                                      {"healthMax", 80},
                                      {"spellCount", 0}});
  EXPECT_EQ(Written(), (std::vector<std::string>{"40 / 80"}));

  Server(NetEchoHandler::kEffect, {{"object", 1000}, {"effect", 56}, {"speed", 1}});
  EXPECT_EQ(hud.Debuffs(1000)->GetSpell(116)->name, "Gossamer Flesh");
  Written();
  host->Advance(1000);  // the core tick counts down
  EXPECT_EQ(Written(), (std::vector<std::string>{"1"}));

  // Another selection keeps the first target's debuffs until the game releases it.
  host->World().AddObject(1001, "Apple", 7).SetHasIdentifyData(true);
  Select(1001);
  EXPECT_EQ(Written().front(), "Apple");
  host->World().RemoveObject(1000);
  EXPECT_EQ(hud.Debuffs(1000), nullptr);
  host->World().RemoveObject(1001);
  std::shared_ptr<platform::WorldObject> shown;
  EXPECT_FALSE(HUDTargetHandlerInstance->GetObject(shown));
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(HudTargetFlowTest, TheShippedSpellTableHoldsEveryDebuffAtEveryLevelInItsOwnSlot) {
  const std::int32_t effects[] = {23, 44, 46, 48, 50, 52, 54, 56};
  std::set<std::int32_t> slotsUsed;
  for (const std::int32_t effect : effects) {
    std::set<std::int32_t> families;
    for (const char* level : {"I", "II", "III", "IV", "V", "VI", "VII"}) {
      const std::string name = HUDTargetHandler::DebuffSpellName(effect, level);
      auto spell = host->Spells().SpellByName(name);
      ASSERT_TRUE(spell) << name;
      families.insert(spell->Effect());
    }
    ASSERT_EQ(families.size(), 1u) << "effect " << effect;
    const std::int32_t family = *families.begin();
    EXPECT_NE(std::find(std::begin(HudHandlerT::kDebuffSlots), std::end(HudHandlerT::kDebuffSlots), family),
              std::end(HudHandlerT::kDebuffSlots))
        << "effect " << effect;
    slotsUsed.insert(family);
  }
  EXPECT_EQ(slotsUsed.size(), 8u);

  // The script writer's reference gives each effect's spells and each level's seconds.
  using Names = std::pair<std::string, std::string>;
  std::map<std::int32_t, Names> writtenSpells, spells;
  std::map<std::string, std::string> writtenSeconds, seconds;
  for (const Table& table : Tables(Section(SessionReference(), "### Debuffs on the target"))) {
    for (const auto& row : table.rows) {
      if (table.header[0] == "effect") writtenSpells[std::stoi(row[0])] = {row[1], row[2]};
      if (table.header[0] != "level") continue;
      for (std::size_t i = 1; i < row.size(); ++i) writtenSeconds[table.header[i]] = row[i];
    }
  }
  const char* const levels[] = {"I", "II", "III", "IV", "V", "VI", "VII"};
  for (std::int32_t effect = 0; effect < 256; ++effect) {
    const std::string first = HUDTargetHandler::DebuffSpellName(effect, "I");
    if (first.empty()) continue;
    spells[effect] = {first.substr(0, first.size() - 2) + " I to VI", HUDTargetHandler::DebuffSpellName(effect, "VII")};
    for (const char* level : levels) {
      const auto spell = host->Spells().SpellByName(HUDTargetHandler::DebuffSpellName(effect, level));
      ASSERT_TRUE(spell) << effect << " " << level;
      const std::string duration = std::to_string(static_cast<std::int64_t>(spell->Duration()));
      const auto [at, added] = seconds.emplace(std::string("Level ") + level, duration);
      EXPECT_EQ(at->second, duration) << "effect " << effect << " at level " << level;
    }
  }
  ExpectReferenceHolds(writtenSpells, spells, "debuff effect");
  ExpectReferenceHolds(writtenSeconds, seconds, "debuff level");
}

}  // namespace
}  // namespace mellox::test
