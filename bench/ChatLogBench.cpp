// The XML chat log: one core tick writing 10 queued lines against logs of
// 1,000 and of 100,000 lines already in the file, and opening a log of the
// plug-in's own of 10,000 and of 1,000,000 lines (as at login). Only the new
// lines are written and only the head and end of a log are read, so neither
// should grow with the file.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <new>
#include <string>

#include <pugixml.hpp>

#include "chat/LogHandler.h"
#include "core/APluginCore.h"
#include "core/AtomicFile.h"
#include "core/Globals.h"
#include "settings_view/ControlHandler.h"
#include "sim/SimHost.h"

// Heap in use by this process and its high-water mark, counted for every
// operator new and every pugixml allocation (the two ways the code allocates)
// only while a benchmark that reports them runs: the other benchmarks in this
// binary get plain malloc and free.
namespace heap {
bool counting = false;
std::int64_t live = 0;
std::int64_t peak = 0;

void* Counted(void* p) {
  if (p != nullptr && counting) {
    live += static_cast<std::int64_t>(malloc_usable_size(p));
    peak = std::max(peak, live);
  }
  return p;
}
void Release(void* p) {
  if (p != nullptr && counting) live -= static_cast<std::int64_t>(malloc_usable_size(p));
  std::free(p);
}
void* Allocate(std::size_t n) {
  void* p = Counted(std::malloc(n == 0 ? 1 : n));
  if (p == nullptr) throw std::bad_alloc();
  return p;
}
void* PugiAllocate(std::size_t n) { return Counted(std::malloc(n)); }

// Counts from its making to its end; pugixml's own functions (malloc and
// free too) come back afterwards.
class Counting {
 public:
  Counting()
      : allocate_(pugi::get_memory_allocation_function()),
        deallocate_(pugi::get_memory_deallocation_function()) {
    pugi::set_memory_management_functions(PugiAllocate, Release);
    live = 0;
    peak = 0;
    counting = true;
  }
  ~Counting() {
    counting = false;
    pugi::set_memory_management_functions(allocate_, deallocate_);
  }
  Counting(const Counting&) = delete;
  Counting& operator=(const Counting&) = delete;

 private:
  pugi::allocation_function allocate_;
  pugi::deallocation_function deallocate_;
};
}  // namespace heap

void* operator new(std::size_t n) { return heap::Allocate(n); }
void* operator new[](std::size_t n) { return heap::Allocate(n); }
void operator delete(void* p) noexcept { heap::Release(p); }
void operator delete[](void* p) noexcept { heap::Release(p); }
void operator delete(void* p, std::size_t) noexcept { heap::Release(p); }
void operator delete[](void* p, std::size_t) noexcept { heap::Release(p); }

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

// The folder the opened logs live in, made once per run and removed at exit:
// writing the 140 MB log takes a moment, and the runs of a benchmark reuse it.
struct OpenLogs {
  std::filesystem::path home;
  std::map<int, std::string> names;
  OpenLogs() {
    std::string pattern = (std::filesystem::temp_directory_path() / "mellox-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    home = pattern;
  }
  ~OpenLogs() {
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
  }
};
OpenLogs& Logs() {
  static OpenLogs logs;
  return logs;
}

// A log of that many lines as the plug-in writes it: one line is written by
// the log handler, and its bytes repeated.
const std::string& OwnLog(LogHandler& log, int lines) {
  std::string& name = Logs().names[lines];
  if (!name.empty()) return name;
  log.logfile("Seed");
  log.FileLogging(true);
  log.AddToLog("Bob says, \"a line of chat that is about as long as most of them & more, number 12345\"", kOpenChat, 1);
  log.WriteFileLog();
  log.FileLogging(false);
  std::string seed;
  if (!ReadWholeFile(log.LogFilePath(".xml"), seed)) std::abort();
  const std::string head = "<Log>\r";
  const std::size_t body = seed.find(head) + head.size();
  const std::string end = "</Log>";
  const std::string line = seed.substr(body, seed.size() - end.size() - body);
  std::string block;
  for (int i = 0; i < 4096; ++i) block += line;

  name = "Open" + std::to_string(lines);
  std::ofstream out(std::filesystem::path(log.LogPath()) / (name + ".xml"), std::ios::binary);
  out << seed.substr(0, body);
  int left = lines;
  for (; left >= 4096; left -= 4096) out.write(block.data(), static_cast<std::streamsize>(block.size()));
  for (; left > 0; --left) out << line;
  out << end;
  if (!out.flush()) std::abort();
  return name;
}

// Opening (naming) an XML log of the plug-in's own, as at every login; the
// counter peak_heap is the most heap one open had in use beyond what it found.
void BM_XmlChatLogOpen(benchmark::State& state) {
  const auto lines = static_cast<int>(state.range(0));
  auto host = std::make_unique<sim::SimHost>(sim::SimOptions{Logs().home, MELLOX_DATA_DIR});
  host->LoadPlugin(std::make_unique<APluginCore>());
  ControlHandlerInstance->Init_Lists({"1", "0"});
  PluginActive = true;
  LogHandler& log = *LogHandlerInstance;
  ControlHandlerInstance->ChatLogXML->CheckedLet(true);
  const std::string name = OwnLog(log, lines);

  std::int64_t peak = 0;
  {
    const heap::Counting counting;
    for (auto _ : state) {
      const std::int64_t before = heap::live;
      heap::peak = before;
      log.logfile(name);
      peak = std::max(peak, heap::peak - before);
    }
  }
  state.counters["log_lines"] = lines;
  state.counters["peak_heap"] = benchmark::Counter(static_cast<double>(peak), benchmark::Counter::kDefaults,
                                                   benchmark::Counter::OneK::kIs1024);

  PluginActive = false;
  host->UnloadPlugin();
}
BENCHMARK(BM_XmlChatLogOpen)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

}  // namespace
