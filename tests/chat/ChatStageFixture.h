// The chat fixture with what the event and spell stages need on top: the
// statistics started, errors recorded, items carried and objects nearby.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "chat/ChatFixture.h"
#include "core/EventQueue.h"
#include "core/Trap.h"
#include "sim/SimCharacter.h"
#include "sim/SimWorld.h"
#include "sim/SimWorldObject.h"
#include "tracking/SpellFilterHandler.h"
#include "tracking/SpellHandler.h"
#include "tracking/Statistics.h"
#include "tracking/TrackingPeers.h"

namespace mellox::test {

struct ChatStageFixture : ChatFixture {
  std::vector<std::string> errors;

  ChatStageFixture() {
    SetErrorSink([this](int number, const std::string& description, const std::string& proc,
                        const std::string& owner, bool) {
      errors.push_back(owner + "." + proc + " #" + std::to_string(number) + " " + description);
    });
    StatisticsInstance->InitStatistics();
    // Every category kept in the log, so a test can tell a logged line from a dropped one.
    auto& logOptions = *ch().ChatLogOptions;
    for (std::int32_t r = 0; r < logOptions.Count(); ++r) logOptions.DataLet(2, r, 0, true);
  }
  ~ChatStageFixture() {
    SetErrorSink({});
    TrackingPeers::SetNetXP(0, 0);
  }

  // An item in the character's pack.
  void Carry(std::int32_t id, const std::string& name, std::int32_t stack = 1) {
    constexpr std::int32_t kPack = 0x7000;
    host.World().AddObject(id, name).SetLong(0x0D000002, kPack).SetLong(0x0D000006, stack);
    host.World().AddToInventory(id, kPack);
  }
  // The character's own object at a position.
  void Place(double ns, double ew) {
    host.World().AddObject(host.Character().Character(), "Tester").SetCoordinates(ns, ew);
  }
  // An object in the world, not carried.
  void Nearby(std::int32_t id, const std::string& name) { host.World().AddObject(id, name); }

  // The lines of the item-spell list: target -> spell names.
  std::vector<std::string> ItemSpells() {
    std::vector<std::string> out;
    for (const auto& [target, info] : SpellHandlerInstance->ItemSpells) {
      for (const auto& entry : info->Spells()) out.push_back(entry.second->name + " on " + target);
    }
    return out;
  }
};

}  // namespace mellox::test
