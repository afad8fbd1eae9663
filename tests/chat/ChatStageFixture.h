// The chat fixture with what the event and spell stages need on top: the
// statistics started, errors recorded, every log category kept, items carried.
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
#include "tracking/Statistics.h"
#include "tracking/TrackingPeers.h"

namespace mellox::test {

struct ChatStageFixture : ChatFixture {
  std::vector<std::string> errors;

  ChatStageFixture() {
    SetErrorSink([this](int number, const std::string&, const std::string& proc, const std::string& owner,
                        bool) { errors.push_back(owner + "." + proc + " #" + std::to_string(number)); });
    StatisticsInstance->InitStatistics();
    auto& logOptions = *ch().ChatLogOptions;
    for (std::int32_t r = 0; r < logOptions.Count(); ++r) logOptions.DataLet(2, r, 0, true);
  }
  ~ChatStageFixture() {
    SetErrorSink({});
    TrackingPeers::SetNetXP(0, 0);
    KillMessageText = kInitialKillMessageText;
  }

  void Carry(std::int32_t id, const std::string& name, std::int32_t stack = 1) {
    constexpr std::int32_t kPack = 0x7000;
    host.World().AddObject(id, name).SetLong(0x0D000002, kPack).SetLong(0x0D000006, stack);
    host.World().AddToInventory(id, kPack);
  }
};

}  // namespace mellox::test
