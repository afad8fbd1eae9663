// Cost of rewriting the settings and data files: the settings are saved after
// nearly every control change, the data file on every logged chat line.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "chat/LogHandler.h"
#include "core/APluginCore.h"
#include "core/AtomicFile.h"
#include "core/Globals.h"
#include "persistence/DataFile.h"
#include "persistence/PersistenceLinks.h"
#include "persistence/SettingsFile.h"
#include "settings_view/ControlHandler.h"
#include "sim/SimHost.h"

namespace {

using namespace mellox;
namespace fs = std::filesystem;

// One plug-in in a simulated host with a typical settings file applied.
struct World {
  fs::path home;
  std::unique_ptr<sim::SimHost> host;
  ControlHandler* ch = nullptr;

  World() {
    std::string pattern = (fs::temp_directory_path() / "mellox-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    home = pattern;
    host = std::make_unique<sim::SimHost>(sim::SimOptions{home, MELLOX_DATA_DIR});
    host->LoadPlugin(std::make_unique<APluginCore>());
    ch = ControlHandlerInstance;
    Links().GetMyServer = [] { return std::string("Alpha"); };
    Links().GetMyCharName = [] { return std::string("Bob"); };
    SettingsFile::PlaceDefaults(fs::path(MELLOX_DATA_DIR) / SettingsFile::kDefaultFileName, host->ProgramDataDir());
    SettingsFile::Load(*ch, 0);
    for (int i = 0; i < 10; ++i) {
      const std::string n = std::to_string(i);
      std::int32_t row = ch->ChatFilter->AddRow();
      ch->ChatFilter->DataLet(1, row, 0, "filtered phrase " + n);
      row = ch->ChatAlias->AddRow();
      ch->ChatAlias->DataLet(1, row, 0, "ab" + n);
      ch->ChatAlias->DataLet(2, row, 0, "a longer replacement text " + n);
      row = ch->ChatCustom->AddRow();
      ch->ChatCustom->DataLet(1, row, 0, "*pattern " + n + "*");
      row = ch->VitalsExceptions->AddRow();
      ch->VitalsExceptions->DataLet(0, row, 0, "Exception " + n);
    }
    SettingsFile::Save(*ch, 0);
    DataFile::Load(*ch, 0);
  }
  ~World() {
    host->UnloadPlugin();
    Links() = PersistenceLinks{};
    std::error_code ec;
    fs::remove_all(home, ec);
  }

  void FillLog(std::int32_t lines) {
    LogHandler& log = *LogHandlerInstance;
    log.Clear();
    log.MaxLines(lines);
    for (std::int32_t i = 0; i < lines; ++i) {
      log.AddToLogFromData("[Tells] Someone tells you, \"a line of chat number " + std::to_string(i) + " & more\"",
                           4, 2, 2, 1700000000 + i);
    }
  }
};

World& TheWorld() {
  static World world;
  return world;
}

void BM_SettingsSave(benchmark::State& state) {
  World& w = TheWorld();
  for (auto _ : state) benchmark::DoNotOptimize(SettingsFile::Save(*w.ch, 0));
}
BENCHMARK(BM_SettingsSave)->Unit(benchmark::kMicrosecond);

void BM_SettingsLoad(benchmark::State& state) {
  World& w = TheWorld();
  // A load applies the file and saves it straight back.
  for (auto _ : state) SettingsFile::Load(*w.ch, 0);
}
BENCHMARK(BM_SettingsLoad)->Unit(benchmark::kMicrosecond);

void BM_DataSave(benchmark::State& state) {
  World& w = TheWorld();
  w.FillLog(static_cast<std::int32_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(DataFile::Save(*w.ch));
}
BENCHMARK(BM_DataSave)->Arg(100)->Arg(5000)->Unit(benchmark::kMicrosecond);

// The core tick at the minute with an item spell tracked: its seconds left
// changed, and storing them should cost the same whatever the chat log keeps.
void BM_MinuteSaveWithItemSpell(benchmark::State& state) {
  World& w = TheWorld();
  w.FillLog(static_cast<std::int32_t>(state.range(0)));
  if (!DataFile::Save(*w.ch)) std::abort();
  std::int32_t remaining = 1000000000;
  for (auto _ : state) {
    Links().ClearItemSpells();
    Links().AddItemSpellfromData(1234, remaining -= 60, "your armor.");
    benchmark::DoNotOptimize(DataFile::SaveNewLines(*w.ch, true));
  }
  state.counters["log_lines"] = static_cast<double>(state.range(0));
  Links().ClearItemSpells();
}
BENCHMARK(BM_MinuteSaveWithItemSpell)->Arg(100)->Arg(20000)->Unit(benchmark::kMicrosecond);

// A login beside a companion written after another data file (a crash before
// it was removed): N alike lines (a second of spam) and a newest one the data
// file lacks, checked against a data file of the same N lines, then kept aside.
void BM_LoginBesideSpamCompanion(benchmark::State& state) {
  World& w = TheWorld();
  const auto lines = static_cast<std::int32_t>(state.range(0));
  LogHandler& log = *LogHandlerInstance;
  log.Clear();
  log.MaxLines(lines);
  for (std::int32_t i = 0; i < lines; ++i) log.AddToLogFromData("[Tells] Spammer tells you, \"buy\"", 4, 2, 2, 1700000000);
  const std::string data = DataFile::Build(*w.ch);
  std::string companion = "<Base size=\"1\" digest=\"0000000000000000\"/>\n";
  for (std::int32_t i = 0; i < lines; ++i)
    companion += "<Log message=\"[Tells] Spammer tells you, &quot;buy&quot;\" type=\"4\" color=\"2\" tag=\"2\" date=\"1700000000\"/>\n";
  companion += "<Log message=\"the crash\" type=\"4\" color=\"2\" tag=\"2\" date=\"1700000001\"/>\n";
  fs::path aside = DataFile::LinesPath();
  aside += ".damaged";
  for (auto _ : state) {
    state.PauseTiming();
    std::error_code ec;
    fs::remove(aside, ec);
    WriteFileAtomic(DataFile::Path(), data);
    WriteFileAtomic(DataFile::LinesPath(), companion);
    state.ResumeTiming();
    DataFile::Load(*w.ch, 0);
  }
  state.counters["log_lines"] = static_cast<double>(lines);
  if (!fs::exists(aside)) std::abort();
}
BENCHMARK(BM_LoginBesideSpamCompanion)->Arg(40000)->Unit(benchmark::kMillisecond);

}  // namespace
