// A loaded plug-in in the simulated host, logged in as far as character
// tracking needs: option lists filled, plug-in active, statistics started
// with the clock one second on.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "chat/ChatTextHandler.h"
#include "core/APluginCore.h"
#include "core/Globals.h"
#include "core/Trap.h"
#include "settings_view/ControlHandler.h"
#include "sim/SimCharacter.h"
#include "sim/SimHost.h"
#include "sim/SimList.h"
#include "sim/SimView.h"
#include "sim/SimWorld.h"
#include "sim/SimWorldObject.h"
#include "support/TempHome.h"
#include "tracking/SpellFilterHandler.h"
#include "tracking/SpellHandler.h"
#include "tracking/Statistics.h"
#include "tracking/TrackingPeers.h"

namespace mellox::test {

struct TrackingFixture {
  TempHome home;
  sim::SimHost host{{home.path(), MELLOX_DATA_DIR}};
  std::vector<std::string> errors;

  explicit TrackingFixture(std::int32_t level = 10, double totalXP = 0, double unassignedXP = 0) {
    host.LoadPlugin(std::make_unique<APluginCore>());
    ControlHandlerInstance->Init_Lists({"1", "0"});
    host.Character().SetLevel(level);
    TrackingPeers::SetNetXP(totalXP, unassignedXP);
    PluginActive = true;
    // The plug-in's own messages go to the main chat window.
    ChatTextHandlerInstance->SetTargetList(0, 32, true);
    // Every trapped error is recorded so tests can require none.
    SetErrorSink([this](int number, const std::string&, const std::string& proc, const std::string& owner, bool) {
      errors.push_back(owner + "." + proc + " #" + std::to_string(number));
    });
    stats().InitStatistics();
  }
  ~TrackingFixture() {
    PluginActive = false;
    TrackingPeers::SetNetXP(0, 0);
    host.UnloadPlugin();
  }

  ControlHandler& ch() { return *ControlHandlerInstance; }
  Statistics& stats() { return *StatisticsInstance; }
  SpellHandler& spells() { return *SpellHandlerInstance; }
  SpellFilterHandler& table() { return *SpellFilterHandlerInstance; }
  sim::SimList& list(const std::string& name) { return host.View()->Get<sim::SimList>(name); }

  void SetOption(const std::string& row, bool ticked) {
    const auto r = ch().FindName(row, "ChatOptions");
    ch().ChatOptions->DataLet(0, r, 0, ticked);
  }
  // New totals from the server, then the statistics' update.
  void Xp(double total, double unassigned, bool show = true) {
    TrackingPeers::SetNetXP(total, unassigned);
    stats().ChangeXP(show);
  }
  // One core tick's tracking work, after ms of time.
  void Tick(std::int64_t ms = 1000) {
    host.Advance(ms);
    stats().UpdateTime();
    spells().UpdateSpellList();
  }
  std::string Cell(const std::string& listName, std::int32_t column, std::int32_t row) {
    const auto v = list(listName).DataGet(column, row, 0);
    if (const auto* s = std::get_if<std::string>(&v.value)) return *s;
    return {};
  }
  // The rows' name cells of a list, top to bottom.
  std::vector<std::string> Names(const std::string& listName) {
    std::vector<std::string> out;
    for (std::int32_t r = 0; r < list(listName).Count(); ++r) out.push_back(Cell(listName, 1, r));
    return out;
  }
  std::vector<std::string> OutputSince(std::size_t mark) const {
    const auto& out = host.Output();
    return {out.begin() + static_cast<std::ptrdiff_t>(mark), out.end()};
  }
  std::size_t Mark() const { return host.Output().size(); }

  // An item in the character's pack (a pack the inventory look-ups count).
  void Carry(std::int32_t id, const std::string& name, std::int32_t stack = 1) {
    constexpr std::int32_t kPack = 0x7000;
    host.World().AddObject(id, name).SetLong(0x0D000002, kPack).SetLong(0x0D000006, stack);
    host.World().AddToInventory(id, kPack);
  }
  // The character's own object at a position.
  void Place(double ns, double ew) {
    host.World().AddObject(host.Character().Character(), "Tester").SetCoordinates(ns, ew);
  }
};

}  // namespace mellox::test
