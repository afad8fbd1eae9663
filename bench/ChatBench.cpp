// One incoming chat line through the whole pipeline (trackers' stages, word
// filter, custom rules, classification, colour rule, log) as the game hook
// hands it over. The loaded case runs with a full log of 100 and of 5,000
// lines: the two should cost the same per line.
#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "chat/ChatTextHandler.h"
#include "chat/LogHandler.h"
#include "core/APluginCore.h"
#include "core/Globals.h"
#include "settings_view/ControlHandler.h"
#include "sim/SimCharacter.h"
#include "sim/SimHost.h"
#include "sim/SimWorld.h"
#include "sim/SimWorldObject.h"

namespace {

using namespace mellox;

const std::string kLine = "Bob says, \"the quick brown fox jumps over the lazy dog\"";
constexpr std::int32_t kOpenChat = 2;

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
  }
  ~Plugin() {
    PluginActive = false;
    host->UnloadPlugin();
    host.reset();
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
  }

  // 50 custom rules, 20 filter words (whole and part), none matching the line,
  // so every row is read and tried; the line's category logged to the view.
  void Load(std::int32_t logLines) {
    auto& ch = *ControlHandlerInstance;
    bench::AddUnmatchedChatRules(ch);
    ch.ChatLogEnable->CheckedLet(true);
    ch.ChatLogOptions->DataLet(2, ch.FindName("Open Chat", "ChatLog"), 0, true);
    LogHandlerInstance->MaxLines(logLines);
    for (std::int32_t i = 0; i < logLines; ++i) ChatTextHandlerInstance->IncomingText(kLine, kOpenChat, 1, false, false);
  }
};

void BM_ChatIncomingLine_Default(benchmark::State& state) {
  Plugin plugin;
  for (auto _ : state) {
    benchmark::DoNotOptimize(ChatTextHandlerInstance->IncomingText(kLine, kOpenChat, 1, false, false));
  }
}
BENCHMARK(BM_ChatIncomingLine_Default);

void BM_ChatIncomingLine_RulesFilterLog(benchmark::State& state) {
  Plugin plugin;
  plugin.Load(static_cast<std::int32_t>(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(ChatTextHandlerInstance->IncomingText(kLine, kOpenChat, 1, false, false));
  }
  state.counters["log_lines"] = static_cast<double>(LogHandlerInstance->Log().size());
}
BENCHMARK(BM_ChatIncomingLine_RulesFilterLog)->Arg(100)->Arg(5000);

// One of the game lines the event and spell stages act on, with their
// options ticked: 0 a kill with its sentences, 1 a burn with remaining
// counts, 2 an expiry checked against the active spells, 3 a skill raise,
// 4 a tell.
void BM_ChatIncomingLine_EventAndSpellLine(benchmark::State& state) {
  Plugin plugin;
  plugin.Load(100);
  auto& ch = *ControlHandlerInstance;
  for (const char* option : {"Kill: Show Monster XP", "Kill: Show Kills to Level", "Kill: Show Time to Level",
                             "Show Comp Count on Burn", "Filter Nonexpired Spells"}) {
    ch.ChatOptions->DataLet(0, ch.FindName(option, "ChatOptions"), 0, true);
  }
  KillMessageText = "You killed the drudge!";
  // The character in the world (the main HUD shows its position on an XP
  // change) carrying the burnt components.
  auto& world = plugin.host->World();
  world.AddObject(plugin.host->Character().Character(), "Tester").SetCoordinates(10, 20);
  constexpr std::int32_t kPack = 0x7000;
  world.AddObject(500, "Lead Scarab").SetLong(0x0D000002, kPack).SetLong(0x0D000006, 3);
  world.AddToInventory(500, kPack);
  world.AddObject(501, "Hyssop").SetLong(0x0D000002, kPack).SetLong(0x0D000006, 10);
  world.AddToInventory(501, kPack);
  struct GameLine {
    std::string text;
    std::int32_t type;
  };
  const GameLine kLines[] = {
      {"You killed the drudge!", 0},
      {"The spell consumed the following components: Lead Scarab, Hyssop", 7},
      {"Stoneskin I has expired.", 7},
      {"Your Melee Defense is now 300!", 13},
      {"Bob tells you, \"meet me at the portal\"", 3},
  };
  const GameLine& line = kLines[state.range(0)];
  for (auto _ : state) {
    benchmark::DoNotOptimize(ChatTextHandlerInstance->IncomingText(line.text, line.type, 1, false, false));
  }
  KillMessageText = kInitialKillMessageText;
}
BENCHMARK(BM_ChatIncomingLine_EventAndSpellLine)->DenseRange(0, 4);

}  // namespace
