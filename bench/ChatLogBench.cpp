// One core tick writing 10 queued lines to the XML chat log, against logs of
// 1,000 and of 100,000 lines already in the file. Only the new lines are
// written, so the two should cost the same.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "chat/LogHandler.h"
#include "core/APluginCore.h"
#include "core/AtomicFile.h"
#include "core/Globals.h"
#include "settings_view/ControlHandler.h"
#include "sim/SimHost.h"

namespace {

using namespace mellox;

constexpr std::int32_t kOpenChat = 2;
constexpr int kLinesPerTick = 10;

void Queue(int count, int& next) {
  for (int i = 0; i < count; ++i, ++next) {
    LogHandlerInstance->AddToLog("Bob says, \"a line of chat & more, number " + std::to_string(next) + "\"", kOpenChat, 1);
  }
}

void BM_XmlChatLogTick(benchmark::State& state) {
  const auto lines = static_cast<int>(state.range(0));
  std::string pattern = (std::filesystem::temp_directory_path() / "mellox-bench-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  const std::filesystem::path home = pattern;
  auto host = std::make_unique<sim::SimHost>(sim::SimOptions{home, MELLOX_DATA_DIR});
  host->LoadPlugin(std::make_unique<APluginCore>());
  ControlHandlerInstance->Init_Lists({"1", "0"});
  PluginActive = true;
  LogHandler& log = *LogHandlerInstance;
  ControlHandlerInstance->ChatLogXML->CheckedLet(true);
  log.logfile("Bench");
  log.FileLogging(true);
  int next = 0;
  Queue(lines, next);
  log.WriteFileLog();
  const std::filesystem::path file = log.LogFilePath(".xml");
  std::string base;
  if (!ReadWholeFile(file, base)) std::abort();

  // The file is set back to its lines whenever it has grown by a tenth.
  int added = 0;
  for (auto _ : state) {
    state.PauseTiming();
    if (added >= lines / 10) {
      WriteFileAtomic(file, base);
      log.logfile("Bench");
      added = 0;
    }
    Queue(kLinesPerTick, next);
    added += kLinesPerTick;
    state.ResumeTiming();
    log.WriteFileLog();
  }
  state.counters["log_lines"] = lines;

  PluginActive = false;
  host->UnloadPlugin();
  host.reset();
  std::error_code ec;
  std::filesystem::remove_all(home, ec);
}
BENCHMARK(BM_XmlChatLogTick)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace
