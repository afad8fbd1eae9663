// Session-level costs, driven only through the host's entry points: a burst of
// 1,000 chat lines, the core tick of a busy character (60 buffs, 20 corpses,
// HUDs on), a tick with one logged line against chat logs of growing length,
// and starting the plug-in plus logging in.
#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "chat/ChatTextHandler.h"
#include "chat/LogHandler.h"
#include "core/APluginCore.h"
#include "core/AtomicFile.h"
#include "core/Globals.h"
#include "core/VB.h"
#include "persistence/DataFile.h"
#include "persistence/PersistenceLinks.h"
#include "persistence/SettingsFile.h"
#include "settings_view/ControlHandler.h"
#include "sim/SimCharacter.h"
#include "sim/SimCheckBox.h"
#include "sim/SimHooks.h"
#include "sim/SimHost.h"
#include "sim/SimRenderService.h"
#include "sim/SimSpell.h"
#include "sim/SimSpells.h"
#include "sim/SimView.h"
#include "sim/SimWorld.h"

namespace {

using namespace mellox;
namespace fs = std::filesystem;

// A plug-in in a simulated host with its own home folder, logged in.
class Session {
 public:
  Session() {
    std::string pattern = (fs::temp_directory_path() / "mellox-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    home_ = pattern;
    host_ = std::make_unique<sim::SimHost>(sim::SimOptions{home_, MELLOX_DATA_DIR});
    SettingsFile::PlaceDefaults(fs::path(MELLOX_DATA_DIR) / SettingsFile::kDefaultFileName, host_->ProgramDataDir());
  }
  ~Session() {
    host_->UnloadPlugin();
    Links() = PersistenceLinks{};
    host_.reset();
    std::error_code ec;
    fs::remove_all(home_, ec);
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  sim::SimHost& Host() { return *host_; }

  void Load() {
    host_->LoadPlugin(std::make_unique<APluginCore>());
  }

  // The files are named after the character, who is named before any file is written.
  void Name() {
    host_->Character().SetServer("Benchserver");
    host_->Character().SetName("Bencher");
  }

  // The character, whose own object the world holds, logs in.
  void Login() {
    auto& me = host_->Character();
    Name();
    if (!host_->World().Find(me.Character())) host_->World().AddObject(me.Character(), me.Name(), 1);
    me.RaiseLoginComplete();
  }

  // An incoming line as the game hands it over, through the chat hook.
  void Chat(const std::string& text, std::int32_t color, std::int32_t window) {
    benchmark::DoNotOptimize(host_->IncomingChat(text, color, window));
  }

  // 50 custom rules and 20 filter words that the lines never match, so every
  // row is tried, and the chat log keeping every category.
  static void HeavyChatSettings(ControlHandler& ch) {
    bench::AddUnmatchedChatRules(ch);
    ch.ChatLogEnable->CheckedLet(true);
    for (std::int32_t row = 0, n = ch.ChatLogOptions->Count(); row < n; ++row) ch.ChatLogOptions->DataLet(2, row, 0, true);
  }

 private:
  fs::path home_;
  std::unique_ptr<sim::SimHost> host_;
};

struct Line {
  std::string text;
  std::int32_t color;
};

// A mix of what a busy evening brings: talk, tells, combat, spells, system lines.
std::vector<Line> BurstLines() {
  const Line kinds[] = {
      {"Bob says, \"anyone up for a run to the dungeon tonight?\"", 2},
      {"Alice tells you, \"meet me at the portal in five\"", 4},
      {"[Allegiance] Carol says, \"welcome back everyone\"", 18},
      {"[Fellowship] Dave says, \"pulling now\"", 18},
      {"You hit the Drudge Slinker for 42 points of slashing damage!", 21},
      {"The Drudge Slinker hits you for 7 points of bludgeoning damage.", 22},
      {"You evaded the Drudge Slinker!", 21},
      {"You cast Strength Self VI on yourself", 17},
      {"The spell Strength Self VI on you has expired.", 7},
      {"The spell consumed the following components: Lead Scarab, Hyssop", 7},
      {"You've earned 1,234 experience in your Melee Defense", 0},
      {"Your Run is now 200!", 13},
      {"Erin is online.", 0},
      {"You killed the Drudge Slinker!", 0},
  };
  std::vector<Line> lines;
  lines.reserve(1000);
  for (int i = 0; i < 1000; ++i) {
    const Line& kind = kinds[i % std::size(kinds)];
    lines.push_back({kind.text + " #" + std::to_string(i), kind.color});
  }
  return lines;
}

// 1,000 lines arrive at once; the core tick that follows writes what they queued.
void BM_Burst1000Lines(benchmark::State& state) {
  Session session;
  session.Load();
  session.Login();
  if (state.range(0) == 1) Session::HeavyChatSettings(*ControlHandlerInstance);
  const std::vector<Line> lines = BurstLines();
  for (auto _ : state) {
    for (const Line& line : lines) session.Chat(line.text, line.color, 0);
    session.Host().Advance(1000);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(lines.size()));
  state.SetLabel(state.range(0) == 1 ? "50 rules, 20 filter words, log on" : "default settings");
}
BENCHMARK(BM_Burst1000Lines)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Writes a data file holding 20 tracked corpses, as an earlier session left it.
void WriteCorpses(int count) {
  std::string xml = "<Mellox>\r\t<Global enabled=\"False\"/>";
  for (int i = 0; i < count; ++i) {
    xml += "\r\t<Corpse ns=\"" + std::to_string(10 + i) + ".5\" ew=\"-" + std::to_string(20 + i) +
           ".25\" time=\"2000000000\" dungeon=\"False\" guid=\"" + std::to_string(0x7000000 + i) +
           "\" data=\"You lost your Pyreal Mote and " + std::to_string(i) + " other items.\"/>";
  }
  xml += "\r</Mellox>";
  fs::create_directories(DataFile::Folder());
  WriteFileAtomic(DataFile::Path(), xml);
}

// One core tick (one virtual second) of a logged-in character with 60 active
// buffs and debuffs, 20 tracked corpses and the HUDs on.
void BM_CoreTick(benchmark::State& state) {
  Session session;
  session.Load();
  sim::SimHost& host = session.Host();
  session.Name();
  WriteCorpses(20);
  // Long-lasting spells, so none runs out however long the benchmark runs;
  // every tenth a debuff, two without a duration.
  for (int i = 0; i < 60; ++i) {
    sim::SpellRow row;
    row.id = 6000 + i;
    row.name = "Bench Spell " + std::to_string(i);
    row.diff = 100 + i;
    row.icon = 100700 + i;
    row.duration = 3600;
    row.effect = 700 + i;
    row.flags = i % 10 == 0 ? 17 : 4;
    host.Spells().Add(row);
  }
  session.Login();
  for (int i = 0; i < 60; ++i) host.Character().AddEnchantment(6000 + i, 700 + i, i < 2 ? 0 : 30 * 86400 + 53 * i);
  ControlHandler& ch = *ControlHandlerInstance;
  ch.SelectedSpell = "730";
  ch.ChatOptions->DataLet(0, ch.FindName("Buffs Expiration Warning", "ChatOptions"), 0, true);
  if (host.View()) host.View()->Get<sim::SimCheckBox>("HUD_On").UserCheck(true);
  host.Advance(1000);

  const std::size_t outputBefore = host.Output().size();
  for (auto _ : state) host.Advance(1000);
  state.counters["plugin_active"] = PluginActive ? 1 : 0;
  int corpses = 0;
  if (Links().ForEachCorpse) Links().ForEachCorpse([&](const CorpseRecord&) { ++corpses; });
  state.counters["corpses"] = corpses;
  state.counters["hud_surfaces"] = static_cast<double>(host.Render().Surfaces().size());
  state.counters["output_lines_per_tick"] =
      static_cast<double>(host.Output().size() - outputBefore) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_CoreTick)->Unit(benchmark::kMicrosecond);

// One core tick in which one chat line is logged while the chat log keeps
// that many lines: the whole cost on the game's thread (pipeline, log view,
// data file). It should not grow with the lines kept.
void BM_LoggedLineTick(benchmark::State& state) {
  const auto kept = static_cast<std::int32_t>(state.range(0));
  Session session;
  session.Load();
  session.Login();
  ControlHandler& ch = *ControlHandlerInstance;
  ch.ChatLogEnable->CheckedLet(true);
  LogHandler& log = *LogHandlerInstance;
  log.MaxLines(kept);
  sim::SimHost& host = session.Host();
  int next = 0;
  auto tell = [&] {
    session.Chat(
        "Alice tells you, \"we pull the next group on my mark, line " + std::to_string(next++) + "\"", 4, 0);
  };
  for (std::int32_t i = 0; i < kept; ++i) tell();
  host.Advance(1000);
  for (auto _ : state) {
    tell();
    host.Advance(1000);
  }
  state.counters["log_lines"] = static_cast<double>(log.Log().size());
}
BENCHMARK(BM_LoggedLineTick)->Arg(100)->Arg(5000)->Arg(20000)->Unit(benchmark::kMicrosecond);

// The plug-in starts (Initialize: handlers, view, sound lists) and the
// character logs in with settings and data files from an earlier session.
void BM_InitialiseAndLogin(benchmark::State& state) {
  Session session;
  session.Load();
  session.Login();
  // An earlier session's chat log in the data file.
  ControlHandler& ch = *ControlHandlerInstance;
  ch.ChatLogEnable->CheckedLet(true);
  for (int i = 0; i < 100; ++i) session.Chat("Alice tells you, \"line " + std::to_string(i) + "\"", 4, 0);
  ch.Settings_Save(0);
  ch.Data_Save();

  for (auto _ : state) {
    state.PauseTiming();
    session.Host().UnloadPlugin();
    state.ResumeTiming();
    session.Load();
    session.Login();
  }
  state.counters["plugin_active"] = PluginActive ? 1 : 0;
}
BENCHMARK(BM_InitialiseAndLogin)->Unit(benchmark::kMicrosecond);

}  // namespace
