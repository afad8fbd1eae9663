// The window engine of the main, clock, item and status HUDs: a keyed,
// ordered list of items (coloured text, optionally with an icon) under a
// fading title bar, sized to its items and repainted item by item.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "hud/HUDItem.h"
#include "hud/HudWindow.h"

namespace mellox {

class HUDHandler : public HudWindow {
 public:
  // Creates the surface at once (off until an owner or the settings turn it on).
  HUDHandler();
  ~HUDHandler() override;

  std::int32_t count() const { return static_cast<std::int32_t>(entries_.size()); }
  // Removes every item; the stored width becomes 20 so the next draw re-creates the surface.
  void Clear();
  // A new key appends an item. An existing key takes the new values when any
  // of text, colour, alpha, icon or row flag differs, and is repainted; a
  // changed layout (row flag, icon added or removed) re-creates the surface
  // at the next draw. Equal values leave it untouched.
  void Add(const std::string& key, const std::string& data, const std::string& color, std::int32_t icon,
           bool newline, std::int32_t alpha = 10);
  // The item of a key, or null.
  const HUDItem* Item(const std::string& key) const;

  // While drawing works and the HUD is on: re-creates the surface when the
  // items need another size, the layout changed or force is set, else repaints
  // the changed items.
  void DrawHUD(bool force);
  void Redraw() override { DrawHUD(false); }
  void CreateHUD();
  std::int32_t ClickHUD(std::int32_t x, std::int32_t y);

  // The size the items need; true when it differs from the stored one (which
  // then takes it, without re-creating the surface).
  bool SetHeightbyData();
  bool SetWidthbyData();

 protected:
  void Resize() override { ResizeHUD(); }
  void Move() override { MoveHUD(); }
  void OnFadeTimeout() override;
  void OnDeviceLost() override;
  std::string Module() const override { return "HudHandler" + title_; }

 private:
  struct Entry {
    std::string key;
    HUDItem item;
    bool widthChanged = false;  // its cells moved or resized since the last paint
  };
  // Where one item's cells fall in the current layout.
  struct Cells {
    platform::Rect icon{};
    platform::Rect text{};
    std::int32_t flags = 0;
    std::int32_t row = 0;
    bool hasIcon = false;
  };

  void ResizeHUD();
  void MoveHUD();
  void OutputHud(bool force);
  void LayOut();
  void PaintItem(const Entry& entry, const Cells& cells, platform::Rect& lastCell, std::int64_t& lastImage);
  void WriteText(const platform::Rect& cell, double colour, std::uint32_t outlineColour, std::int32_t flags,
                 const std::string& text);

  std::vector<Entry> entries_;
  std::unordered_map<std::string, std::size_t> index_;
  std::vector<Cells> layout_;  // kept between paints so painting does not allocate
  bool layoutDirty_ = false;
};

}  // namespace mellox
