// Owner of the item-count HUD: for each watched item of the settings view's
// item list, its icon and how many the character carries, coloured by how
// low the stock is, with chat warnings when a watched item runs low or out.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "core/ObjRef.h"
#include "hud/HUDHandler.h"
#include "platform/Event.h"
#include "platform/HostTimer.h"

namespace mellox {

class HUDItemHandler {
 public:
  HUDItemHandler();
  ~HUDItemHandler();
  HUDItemHandler(const HUDItemHandler&) = delete;
  HUDItemHandler& operator=(const HUDItemHandler&) = delete;

  // The engine, titled "Item", for the whole run.
  ObjRef<HUDHandler> ItemHUD;

  // Clears the lines, counts, adds them again and draws at once.
  void CreateHUD();
  // An inventory change of a watched item: one refresh 50 ms after the
  // first request, however many follow within that time.
  void UpdateHUD();
  // A login's start: hidden and emptied until a login's settings show it;
  // the counts forgotten, so its first refresh warns of what this character
  // carries, whatever the last one did.
  void ResetForLogin();
  // A click at a point: the close glyph switches the HUD off, the hide glyph
  // hides the title bar (with a tip in chat); anything else does nothing.
  void ClickHUD(std::int32_t x, std::int32_t y);
  // True on the title bar off its glyphs.
  bool WithinTitle(std::int32_t x, std::int32_t y);

  // The icon drawn for an item whose own icon is not known yet.
  static constexpr std::int32_t kUnknownItemIcon = 4600;
  static constexpr std::int32_t kRefreshDelayMs = 50;

 private:
  // Stock of a watched item at one refresh; the strongest applicable only.
  enum class Stock { Unchanged, Changed, GettingLow, NearlyOut, Out };

  void UpdateTimerTimeout();
  void RefreshAndDraw();
  void AddData();

  // The login's: replaced whole at its start.
  struct LoginState {
    // Each watched item's count at the previous refresh, by item name, so
    // moving or deleting rows does not make the others look changed.
    std::unordered_map<std::string, std::int32_t> itemCounts;
  };
  LoginState login_;
  ObjRef<platform::HostTimer> updateTimer_;
  platform::Connection timeout_;
};

}  // namespace mellox
