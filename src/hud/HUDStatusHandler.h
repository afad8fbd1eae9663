// Owner of the status HUD: the game's recent status-bar texts, newest on
// top, each shown for a few seconds after it last came.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/ObjRef.h"
#include "hud/HUDHandler.h"

namespace mellox {

class HUDStatusHandler {
 public:
  HUDStatusHandler();
  ~HUDStatusHandler();
  HUDStatusHandler(const HUDStatusHandler&) = delete;
  HUDStatusHandler& operator=(const HUDStatusHandler&) = delete;

  // The engine, titled "Status", for the whole run.
  ObjRef<HUDHandler> StatusHud;

  // Seconds a text stays after it last came (it goes at the first update
  // in a later second).
  static constexpr std::int32_t kShowSeconds = 4;

  struct Message {
    std::string text;
    std::int64_t expiry = 0;  // Unix second until which it is shown
  };

  // A status text: a new one is appended (the oldest dropped once when the
  // line limit is exceeded) and the HUD re-created; the same text as the
  // newest only renews that one's expiry.
  void AddMessage(const std::string& msg);
  // A login's start: hidden, every text dropped (the last character's lines
  // are not this one's); the login draws it once its own settings are in.
  void ResetForLogin();
  // The core tick: drops expired texts (none while the HUD is dragged).
  void Update();
  // Clears the lines, adds them again and draws.
  void CreateHUD();
  // Adds the lines without clearing and draws.
  void UpdateHUD();
  // A click at a point: the close glyph switches the HUD off, the hide glyph
  // hides the title bar (with a tip in chat); anything else does nothing.
  void ClickHUD(std::int32_t x, std::int32_t y);
  // True on the title bar off its glyphs.
  bool WithinTitle(std::int32_t x, std::int32_t y);

  // The texts shown, oldest first.
  const std::vector<Message>& Messages() const { return messages_; }

 private:
  void AddData();

  std::vector<Message> messages_;
};

}  // namespace mellox
