// The main HUD's painting and the mouse handling's per-move cost, against the
// simulated render service with rasterising off (the surfaces only record the
// calls), so the figures are the plug-in's own time.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/APluginCore.h"
#include "core/Globals.h"
#include "hud/HUDHandler.h"
#include "hud/HUDMainHandler.h"
#include "hud/HudMouse.h"
#include "settings_view/ControlHandler.h"
#include "sim/SimCharacter.h"
#include "sim/SimHost.h"
#include "sim/SimHudView.h"
#include "sim/SimRenderService.h"
#include "sim/SimSystem.h"
#include "sim/SimWorld.h"
#include "sim/SimWorldObject.h"

namespace {

using namespace mellox;

struct Plugin {
  std::filesystem::path home;
  std::unique_ptr<sim::SimHost> host;

  Plugin() {
    std::string pattern = (std::filesystem::temp_directory_path() / "mellox-bench-XXXXXX").string();
    if (mkdtemp(pattern.data())) home = pattern;
    host = std::make_unique<sim::SimHost>(sim::SimOptions{home, MELLOX_DATA_DIR});
    host->Render().SetRasterise(false);
    host->LoadPlugin(std::make_unique<APluginCore>());
    auto& ch = *ControlHandlerInstance;
    ch.Init_Lists({"1", "0"});
    ch.HudOn->CheckedLet(true);
    PluginActive = true;
    // All 15 lines with texts of a running session; one corpse for the corpse line.
    ch.SessionTime->TextLet("1:02:03");
    ch.XPSession->TextLet("1,234,567");
    ch.XPHour->TextLet("2,345,678");
    ch.TotalTime->TextLet("12:34:56");
    ch.TotalXP->TextLet("98,765,432");
    ch.TotalXPHour->TextLet("3,456,789");
    ch.XP5Min->TextLet("4,567,890");
    ch.XPNext->TextLet("1,111,111");
    ch.XPUn->TextLet("222,222");
    ch.LevelNum->TextLet("126");
    ch.Kills->TextLet("321");
    ch.SpellsTracked->TextLet("Strength Self VII 42:10");
    ch.XPChange->TextLet("12,345");
    host->World().AddObject(host->Character().Character(), "Bob", 1).SetCoordinates(12.3, -45.6);
    const std::int32_t row = ch.CorpsesList->AddRow();
    ch.CorpsesList->DataLet(0, row, 0, "12.3N, 45.6W");
    ch.CorpsesList->DataLet(1, row, 0, "0.5N, 0.2E");
    HUDMainHandlerInstance->CreateHUD();
    HUDMainHandlerInstance->MainHud->SetEnabled(true);
  }
  ~Plugin() {
    PluginActive = false;
    host.reset();
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
  }
  HUDHandler& Main() { return *HUDMainHandlerInstance->MainHud; }
  sim::SimHudView& Canvas() { return *dynamic_cast<sim::SimHudView*>(Main().Surface()); }
};

// Forced draw: a new surface, filled, and every cell painted (the repaint
// after a size change or a lost device).
void BM_MainHudForcedRepaint(benchmark::State& state) {
  Plugin p;
  if (p.Main().count() != 15) state.SkipWithError("the main HUD does not have 15 lines");
  for (auto _ : state) {
    p.Main().DrawHUD(true);
    p.Canvas().ClearCalls();
  }
}
BENCHMARK(BM_MainHudForcedRepaint);

// CreateHUD: the lines cleared, read again from the view and drawn (a new
// surface, since the cleared width differs).
void BM_MainHudCreate(benchmark::State& state) {
  Plugin p;
  for (auto _ : state) {
    HUDMainHandlerInstance->CreateHUD();
    p.Canvas().ClearCalls();
  }
}
BENCHMARK(BM_MainHudCreate);

// The periodic refresh with one changed line: frame, title and that line.
void BM_MainHudRefreshOneLine(benchmark::State& state) {
  Plugin p;
  auto& ch = *ControlHandlerInstance;
  int tick = 0;
  for (auto _ : state) {
    ch.SessionTime->TextLet((++tick & 1) ? "1:02:04" : "1:02:05");
    HUDMainHandlerInstance->UpdateHUD();
    p.Canvas().ClearCalls();
  }
}
BENCHMARK(BM_MainHudRefreshOneLine);

// Five HUD engines and a pointer moving without a drag, as the handler visits them.
struct Owner {
  HUDHandler* hud;
  bool WithinTitle(std::int32_t x, std::int32_t y) { return hud->ClickHUD(x, y) == 0; }
  void ClickHUD(std::int32_t, std::int32_t) {}
};
void NoSave() {}

void BM_MouseMoveFiveHuds(benchmark::State& state) {
  Plugin p;
  std::vector<std::unique_ptr<HUDHandler>> extra;
  for (int i = 0; i < 4; ++i) {
    extra.push_back(std::make_unique<HUDHandler>());
    extra.back()->Add("a", "a line of text", "White", -1, true);
    extra.back()->SetEnabled(true);
    extra.back()->SetPos(250 + 150 * i, 100, false);
  }
  std::array<Owner, 5> owners{Owner{&p.Main()}, Owner{extra[0].get()}, Owner{extra[1].get()}, Owner{extra[2].get()},
                              Owner{extra[3].get()}};
  std::array<HudSlot, 5> slots{};
  for (std::size_t i = 0; i < owners.size(); ++i) slots[i] = MakeHudSlot(&owners[i], owners[i].hud);
  HudMouse::Input in;
  in.buttonHeld = false;
  int step = 0;
  for (auto _ : state) {
    // Over the main HUD's items: the hover state does not change.
    in.pos = {20 + (step++ & 7), 150};
    HudMouse::Handle(HudMouse::kMouseMove, in, slots, &NoSave);
  }
  benchmark::DoNotOptimize(MousePos);
}
BENCHMARK(BM_MouseMoveFiveHuds);

// The whole window-message path of the plug-in for a move: gates, pointer
// position from the system, the five owners (the main HUD with its engine).
void BM_WindowMessageMove(benchmark::State& state) {
  Plugin p;
  auto* sink = dynamic_cast<platform::IWindowsMessageSink*>(p.host->Plugin());
  int step = 0;
  for (auto _ : state) {
    p.host->System().SetCursorPos(120 + (step & 7), 200);
    ++step;
    bool eat = false;
    sink->WindowMessage(0, HudMouse::kMouseMove, 0, 0, eat);
  }
}
BENCHMARK(BM_WindowMessageMove);

}  // namespace
