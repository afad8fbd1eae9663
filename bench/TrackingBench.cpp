// The buff list's per-second work with 60 active spells, and the rebuild an
// enchantment change triggers.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "core/APluginCore.h"
#include "core/Globals.h"
#include "settings_view/ControlHandler.h"
#include "sim/SimCharacter.h"
#include "sim/SimHost.h"
#include "sim/SimSpell.h"
#include "sim/SimSpells.h"
#include "tracking/SpellHandler.h"
#include "tracking/Statistics.h"

namespace {

using namespace mellox;

constexpr int kSpells = 60;

struct Plugin {
  std::filesystem::path home;
  std::unique_ptr<sim::SimHost> host;

  Plugin() {
    std::string pattern = (std::filesystem::temp_directory_path() / "mellox-bench-XXXXXX").string();
    if (mkdtemp(pattern.data())) home = pattern;
    host = std::make_unique<sim::SimHost>(sim::SimOptions{home, MELLOX_DATA_DIR});
    host->LoadPlugin(std::make_unique<APluginCore>());
    ControlHandlerInstance->Init_Lists({"1", "0"});
    PluginActive = true;
    StatisticsInstance->InitStatistics();
    host->Advance(1000);
    StatisticsInstance->UpdateTime();
    // 60 spells of their own families, every tenth a debuff, two without duration;
    // the tracked buff is chosen by family and the expiry warning is on.
    for (int i = 0; i < kSpells; ++i) {
      sim::SpellRow row;
      row.id = 6000 + i;
      row.name = "Bench Spell " + std::to_string(i);
      row.diff = 100 + i;
      row.icon = 100700 + i;
      row.duration = 3600;
      row.effect = 700 + i;
      row.flags = i % 10 == 0 ? 17 : 4;
      host->Spells().Add(row);
      host->Character().AddEnchantment(row.id, row.effect, i < 2 ? 0 : 300 + 53 * i);
    }
    auto& ch = *ControlHandlerInstance;
    ch.SelectedSpell = "730";
    ch.SpellsOffset->TextLet("-30");
    ch.ChatOptions->DataLet(0, ch.FindName("Buffs Expiration Warning", "ChatOptions"), 0, true);
    SpellHandlerInstance->BuildSpellList();
  }
  ~Plugin() {
    PluginActive = false;
    host->UnloadPlugin();
    host.reset();
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
  }
};

void BM_UpdateSpellList60(benchmark::State& state) {
  Plugin p;
  auto& spells = *SpellHandlerInstance;
  for (auto _ : state) {
    spells.UpdateSpellList();
    benchmark::DoNotOptimize(spells.AllSpells.data());
  }
  if (spells.AllSpells.size() != kSpells) state.SkipWithError("list not built");
}
BENCHMARK(BM_UpdateSpellList60);

void BM_BuildSpellList60(benchmark::State& state) {
  Plugin p;
  auto& spells = *SpellHandlerInstance;
  for (auto _ : state) {
    spells.BuildSpellList();
    benchmark::DoNotOptimize(spells.AllSpells.data());
  }
  if (spells.AllSpells.size() != kSpells) state.SkipWithError("list not built");
}
BENCHMARK(BM_BuildSpellList60);

// The tick that follows an enchantment change: rebuild, then the update.
void BM_TickAfterEnchantmentChange60(benchmark::State& state) {
  Plugin p;
  auto& spells = *SpellHandlerInstance;
  for (auto _ : state) {
    spells.RebuildList = true;
    spells.UpdateSpellList();
    benchmark::DoNotOptimize(spells.AllSpells.data());
  }
}
BENCHMARK(BM_TickAfterEnchantmentChange60);

}  // namespace
