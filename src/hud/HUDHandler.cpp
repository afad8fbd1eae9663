#include "hud/HUDHandler.h"

#include <algorithm>
#include <cmath>

#include "core/Globals.h"
#include "core/Hub.h"
#include "core/Trap.h"
#include "core/VBError.h"

namespace mellox {

namespace {

constexpr std::int64_t kPortalImageBase = 0x06000000;

std::int32_t FloorHalf(std::int64_t base, std::int64_t difference) {
  return static_cast<std::int32_t>(std::floor(static_cast<double>(base) + static_cast<double>(difference) / 2.0));
}

// n / 2 to the nearest whole number, halves to the even one.
std::int32_t HalfToEven(std::int32_t n) {
  const std::int32_t down = static_cast<std::int32_t>(std::floor(n / 2.0));
  if (n % 2 == 0) return down;
  return down % 2 == 0 ? down : down + 1;
}

platform::Rect Union(const platform::Rect& a, const platform::Rect& b) {
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

}  // namespace

HUDHandler::HUDHandler() {
  backgroundColor_ = Hub::ConvertColor("Black", 5);
  const std::string module = Module();
  Trap("Initilize", module.c_str(), [&] {
    Debug("HUD Handler Init");
    ComputeDimensions();
    Clear();
    AcquireServices();
    spaceWidth_ = Measure(" ");
    CreateHUD();
  });
}

HUDHandler::~HUDHandler() { Debug("HUD Handler Terminate"); }

void HUDHandler::Clear() {
  entries_.clear();
  index_.clear();
  layoutDirty_ = false;
  width_ = 20;
}

const HUDItem* HUDHandler::Item(const std::string& key) const {
  const auto it = index_.find(key);
  return it == index_.end() ? nullptr : &entries_[it->second].item;
}

void HUDHandler::Add(const std::string& key, const std::string& data, const std::string& color, std::int32_t icon,
                     bool newline, std::int32_t alpha) {
  const std::string module = Module();
  Trap("add", module.c_str(), [&] {
    const auto it = index_.find(key);
    if (it == index_.end()) {
      Entry entry;
      entry.key = key;
      entry.item = HUDItem{data, color, alpha, icon, newline, Measure(data), true};
      entries_.push_back(std::move(entry));
      index_.emplace(key, entries_.size() - 1);
      return;
    }
    Entry& entry = entries_[it->second];
    HUDItem& item = entry.item;
    const bool textChanged = item.data != data;
    // A new colour, alpha or icon must reach the screen even when the text is
    // the same; a new row flag or an icon added or removed moves other cells.
    const bool layoutChanged = item.newline != newline || (item.icon == -1) != (icon == -1);
    const bool looksChanged = item.color != color || item.alpha != alpha || item.icon != icon;
    if (!textChanged && !layoutChanged && !looksChanged) return;
    if (textChanged) {
      const std::int32_t width = Measure(data);
      if (width != item.width) entry.widthChanged = true;
      item.width = width;
      item.data = data;
    }
    item.color = color;
    item.alpha = alpha;
    item.icon = icon;
    item.newline = newline;
    item.updated = true;
    if (layoutChanged) layoutDirty_ = true;
  });
}

bool HUDHandler::SetHeightbyData() {
  bool changed = false;
  const std::string module = Module();
  Trap("SetHeightbyData", module.c_str(), [&] {
    std::int64_t h = titleHeight_ + 2 * spacing_;
    bool rowOpen = false;
    for (const Entry& entry : entries_) {
      const HUDItem& item = entry.item;
      if (item.icon != -1 && item.newline) {
        h += std::max(fontSize_, iconSize_) + 2 * spacing_;
        rowOpen = false;
      } else if (item.icon != -1) {
        if (!rowOpen) h += iconSize_ + fontSize_ + 3 * spacing_;
        rowOpen = true;
      } else if (item.newline) {
        h += fontSize_ + spacing_;
        rowOpen = false;
      } else {
        if (!rowOpen) h += fontSize_ + spacing_;
        rowOpen = true;
      }
    }
    if (outline_) h += 1;
    h += borderWidth_;
    if (h > INT32_MAX) Raise(6);
    if (h != height_ && h != 0) {
      height_ = static_cast<std::int32_t>(h);
      changed = true;
    }
  });
  return changed;
}

bool HUDHandler::SetWidthbyData() {
  bool changed = false;
  const std::string module = Module();
  Trap("SetWidthbyData", module.c_str(), [&] {
    bool atStart = true;
    std::int64_t row = 0;
    std::int64_t widest = 0;
    for (const Entry& entry : entries_) {
      const HUDItem& item = entry.item;
      if (item.icon == -1 && item.newline) {
        row += item.width;
        widest = std::max(widest, row);
        row = 0;
        atStart = true;
      } else if (item.icon == -1) {
        row += item.width + 2 * std::int64_t{spaceWidth_};
        atStart = false;
      } else if (item.newline) {
        row = row + iconSize_ + spacing_ + item.width + 2;
        widest = std::max(widest, row);
        row = 0;
      } else {
        row += std::max<std::int64_t>(iconSize_, std::int64_t{item.width} + 4) + spacing_;
      }
    }
    if (!atStart) row -= 2 * std::int64_t{spaceWidth_};
    widest = std::max(widest, row);
    std::int64_t w = widest + 2 * borderWidth_ + 2 * spacing_;
    if (w < 20) w = 20;
    if (w > INT32_MAX) Raise(6);
    if (w != width_) {
      width_ = static_cast<std::int32_t>(w);
      changed = true;
    }
  });
  return changed;
}

void HUDHandler::DrawHUD(bool force) {
  if (HudCreateFailed || !enabled_) return;
  const std::string module = Module();
  Trap("DrawHUD", module.c_str(), [&] {
    const bool heightChanged = SetHeightbyData();
    const bool widthChanged = SetWidthbyData();
    if (heightChanged || widthChanged || force || layoutDirty_ || !myHud_) {
      Debug("Resize Done");
      ResizeHUD();
    } else {
      OutputHud(false);
    }
  });
}

void HUDHandler::CreateHUD() {
  if (HudCreateFailed) return;
  const std::string module = Module();
  Trap("CreateHUD", module.c_str(), [&] {
    Debug("CreateHUD " + title_);
    CreateSurface("CreateHUD Failure");
  });
}

void HUDHandler::ResizeHUD() {
  if (HudCreateFailed) return;
  const std::string module = Module();
  Trap("ResizeHUD", module.c_str(), [&] {
    Debug("ResizeHUD " + title_);
    layoutDirty_ = false;
    // A refused surface stops here: nothing is drawn on a surface that is not there.
    if (!ReplaceSurface("CreateHUD Failure")) return;
    OutputHud(true);
  });
}

void HUDHandler::MoveHUD() {
  if (HudCreateFailed) return;
  const std::string module = Module();
  Trap("MoveHUD", module.c_str(), [&] {
    Debug("MoveHUD " + title_);
    MoveSurface();
  });
}

std::int32_t HUDHandler::ClickHUD(std::int32_t x, std::int32_t y) {
  if (DebugMode) Debug("ClickHUD " + title_);
  return ClickZone(x, y);
}

void HUDHandler::OnFadeTimeout() {
  Trap("FadeTimer_Timeout", "HUDHandler", [&] {
    StepFade();
    if (drawTitle_) DrawHUD(false);
  });
}

void HUDHandler::OnDeviceLost() {
  if (HudCreateFailed) return;
  const std::string module = Module();
  Trap("myService_DeviceLost", module.c_str(), [&] {
    Debug("DeviceLost " + title_);
    SetHeightbyData();
    SetWidthbyData();
    ResizeHUD();
  });
}

void HUDHandler::WriteText(const platform::Rect& cell, double colour, std::uint32_t outlineColour, std::int32_t flags,
                           const std::string& text) {
  Trap("WriteText", "HUDHandler", [&] { DrawItemText(cell, colour, outlineColour, flags, text); });
}

// --- Painting ------------------------------------------------------------------------

void HUDHandler::LayOut() {
  layout_.resize(entries_.size());
  std::int32_t rowTop = titleHeight_ + 2 * spacing_ + (outline_ ? 1 : 0);
  std::int32_t column = borderWidth_ + spacing_;
  std::int32_t row = 0;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const HUDItem& item = entries_[i].item;
    Cells& cells = layout_[i];
    cells.row = row;
    cells.hasIcon = item.icon != -1;
    if (item.icon != -1 && item.newline) {
      // One row: the icon, then the text.
      const std::int32_t rowHeight = std::max(fontSize_, iconSize_);
      const std::int32_t iconTop = FloorHalf(rowTop, rowHeight - iconSize_);
      cells.icon = {column, iconTop, column + iconSize_, iconTop + iconSize_};
      column = cells.icon.right + 3 * spacing_;
      const std::int32_t textTop = FloorHalf(rowTop, rowHeight - fontSize_);
      cells.text = {column, textTop, width_ - borderWidth_, textTop + fontSize_};
      cells.flags = 0;
      column = borderWidth_ + spacing_;
      rowTop += rowHeight + 2 * spacing_;
      ++row;
    } else if (item.icon != -1) {
      // A column: the icon above its text; the next item goes to the right.
      const std::int32_t cellWidth = std::max(iconSize_, item.width + 4);
      const std::int32_t rowHeight = iconSize_ + 2 * spacing_;
      const std::int32_t iconTop = rowTop + 1 + (rowHeight - iconSize_) / 2;
      const std::int32_t iconLeft = column + HalfToEven(cellWidth - iconSize_);
      cells.icon = {iconLeft, iconTop, iconLeft + iconSize_, iconTop + iconSize_};
      const std::int32_t textTop = cells.icon.bottom + spacing_;
      cells.text = {column, textTop, column + cellWidth, textTop + fontSize_};
      cells.flags = 1;
      column += cellWidth + spacing_;
    } else if (item.newline) {
      cells.text = {column, rowTop, width_ - borderWidth_, rowTop + fontSize_ + spacing_};
      cells.flags = 0;
      rowTop += fontSize_ + spacing_;
      column = borderWidth_ + spacing_;
      ++row;
    } else {
      cells.text = {column, rowTop, column + item.width, rowTop + fontSize_ + spacing_};
      cells.flags = 0;
      column += item.width + 2 * spaceWidth_;
    }
  }
}

void HUDHandler::PaintItem(const Entry& entry, const Cells& cells, platform::Rect& lastCell, std::int64_t& lastImage) {
  platform::HudView& canvas = *myHud_;
  const HUDItem& item = entry.item;
  const std::uint32_t background = ToArgb(backgroundColor_);
  if (cells.hasIcon) {
    lastCell = cells.icon;
    lastImage = kPortalImageBase + item.icon;
    if (lastImage < INT32_MIN || lastImage > INT32_MAX) Raise(6);
    canvas.Clear(cells.icon);
    canvas.Fill(cells.icon, background);
    canvas.DrawPortalImage(static_cast<std::int32_t>(lastImage), cells.icon);
  }
  lastCell = cells.text;
  canvas.Clear(cells.text);
  canvas.Fill(cells.text, background);
  WriteText(cells.text, Hub::ConvertColor(item.color, item.alpha), ToArgb(Hub::GetHUDOutlineColor(item.color)),
            cells.flags, item.data);
}

void HUDHandler::OutputHud(bool force) {
  if (!myHud_) return;
  platform::HudView& canvas = *myHud_;
  platform::Rect lastCell{};
  std::int64_t lastImage = 0;
  try {
    RenderPass pass(canvas);
    const bool barShown = mouse_.withinCanvas && drawTitle_;
    std::uint32_t frame = 0;
    if (barShown && mouse_.fadeStep == 10) {
      frame = ToArgb(Hub::ConvertColor("Black", 10));
    } else if (!entries_.empty()) {
      frame = ToArgb(backgroundColor_);
    } else {
      frame = ToArgb(Hub::ConvertColor("Black", 0));
    }
    {
      TextPass text(canvas, "Arial", 14, 700);
      const platform::Rect titleArea{0, 0, width_, titleHeight_};
      canvas.Clear(titleArea);
      canvas.Fill(titleArea, 0);
      for (const platform::Rect& border : {platform::Rect{0, titleHeight_, borderWidth_, height_},
                                           platform::Rect{width_ - borderWidth_, titleHeight_, width_, height_},
                                           platform::Rect{0, height_ - borderWidth_, width_, height_}}) {
        canvas.Clear(border);
        canvas.Fill(border, frame);
      }
      if (barShown) {
        canvas.Clear(titleArea);
        canvas.Fill(titleArea, ToArgb(Hub::ConvertColor("Black", mouse_.fadeStep)));
        const double white = Hub::ConvertColor("White", mouse_.fadeStep);
        // The outline fades with the bar, so a half-faded title has no hard edge.
        const std::uint32_t edge = ToArgb(Hub::ConvertColor("Black", mouse_.fadeStep));
        if (titleWidth_ < width_ - 30) WriteText({0, 0, width_ - 20, titleHeight_}, white, edge, 1, title_);
        WriteText({width_ - 18, 0, width_ - 10, titleHeight_}, white, edge, 0, "O");
        WriteText({width_ - 8, 0, width_, titleHeight_}, white, edge, 0, "X");
      }
    }

    TextPass text(canvas, fontFace_, fontSize_, fontWeight_);
    LayOut();
    const std::uint32_t background = ToArgb(backgroundColor_);
    for (std::size_t first = 0; first < entries_.size();) {
      // One row at a time: an item whose width changed moves the cells after
      // it, so its whole row is repainted and nothing stale or overlapping stays.
      std::size_t end = first;
      bool rowMoved = false;
      platform::Rect band = layout_[first].text;
      while (end < entries_.size() && layout_[end].row == layout_[first].row) {
        rowMoved = rowMoved || entries_[end].widthChanged;
        band = Union(band, layout_[end].text);
        if (layout_[end].hasIcon) band = Union(band, layout_[end].icon);
        ++end;
      }
      if (rowMoved && !force) {
        band.left = borderWidth_;
        band.right = width_ - borderWidth_;
        lastCell = band;
        canvas.Clear(band);
        canvas.Fill(band, background);
      }
      for (std::size_t i = first; i < end; ++i) {
        if (force || rowMoved || entries_[i].item.updated) PaintItem(entries_[i], layout_[i], lastCell, lastImage);
        // Painted or not; an error above leaves the rest flagged for the next paint.
        entries_[i].item.updated = false;
        entries_[i].widthChanged = false;
      }
      first = end;
    }
  } catch (...) {
    const std::string name = "OutputHud " + std::to_string(0) + " | Drawrect: " + std::to_string(lastCell.top) + " " +
                             std::to_string(lastCell.left) + " " + std::to_string(lastCell.bottom) + " " +
                             std::to_string(lastCell.right) + " icon:" + std::to_string(lastImage) +
                             " myWidth: " + std::to_string(width_) + " myHeight:" + std::to_string(height_);
    const std::string module = Module();
    detail::ReportCurrentException(name.c_str(), module.c_str(), false);
  }
}

}  // namespace mellox
