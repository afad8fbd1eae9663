// Reads the game's network messages: experience totals, identify results,
// target health and effects, kill messages and the chat-window options.
// Messages are read from creation on, also before login.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/ObjRef.h"
#include "platform/EchoFilter.h"

namespace mellox {

class NetEchoHandler {
  // The identified target's health and spells, in one value replaced whole
  // at each selection; a login starts with nothing selected, so it never
  // reads the last login's.
  struct Health {
    std::int32_t IDHealth = 0;
    std::int32_t IDHealthMax = 0;
    double IDHealthPer = 1.0;
    std::string IDSpells;
  };
  Health health_;

 public:
  // Message types and events read.
  static constexpr std::int32_t kXPUpdate = 0x02CF;
  static constexpr std::int32_t kEffect = 0xF755;
  static constexpr std::int32_t kGameEvent = 0xF7B0;
  static constexpr std::int32_t kGameAction = 0xF7B1;
  static constexpr std::int32_t kLoginEvent = 0x0013;
  static constexpr std::int32_t kKillEvent = 0x01AD;
  static constexpr std::int32_t kIdentifyEvent = 0x00C9;
  static constexpr std::int32_t kHealthEvent = 0x01C0;
  static constexpr std::int32_t kOptionsAction = 0x01A1;

  NetEchoHandler();
  ~NetEchoHandler();
  NetEchoHandler(const NetEchoHandler&) = delete;
  NetEchoHandler& operator=(const NetEchoHandler&) = delete;

  // The character's experience as the server last sent it.
  double TotalXP = 0;
  double UnassXP = 0;
  // The identified target: health, maximum, fraction (1.0 after a reset)
  // and its spells' names, each followed by ";".
  std::int32_t& IDHealth = health_.IDHealth;
  std::int32_t& IDHealthMax = health_.IDHealthMax;
  double& IDHealthPer = health_.IDHealthPer;
  std::string& IDSpells = health_.IDSpells;

  // Drops a half-received XP update (the chat side has just taken the change).
  void ResetXPBools();
  // Health 0 of 0, fraction 1.0, no spells (a selection, a login's start).
  void ResetHealth();
  // Bytes 0..7 as an unsigned little-endian number; fewer than 8 bytes raise 9.
  static double DoubleFromQword(const std::string& bytes);

  void NetEcho_EchoServer(const std::shared_ptr<platform::NetworkMessage>& msg);
  void NetEcho_EchoClient(const std::shared_ptr<platform::NetworkMessage>& msg);
  // Rebuilds the chat routing table from the message's options block; the
  // default routes apply when no window routed anything.
  void HandleOptions(platform::NetworkMessage& msg);

 private:
  void XPUpdate(platform::NetworkMessage& msg);
  void LoginDescription(platform::NetworkMessage& msg);
  void IdentifyResult(platform::NetworkMessage& msg);
  void HealthUpdate(platform::NetworkMessage& msg);

  bool TotalXPSeen = false;
  bool UnassXPSeen = false;
  ObjRef<platform::EchoFilter2> NetEcho;
  platform::Connection serverEvent_;
  platform::Connection clientEvent_;
};

}  // namespace mellox
