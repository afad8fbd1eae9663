#include "sim/SimHudView.h"

#include <algorithm>
#include <iterator>

#include "sim/SimTypeface.h"

namespace mellox::sim {

namespace {
HudCall Call(HudCall::Kind kind, const platform::Rect& rect = {}, std::uint32_t colour = 0) {
  HudCall c;
  c.kind = kind;
  c.rect = rect;
  c.colour = colour;
  return c;
}

// A sane cap keeps a bogus rectangle from allocating gigabytes.
constexpr std::int64_t kMaxSide = 8192;
}

SimHudView::SimHudView(const platform::Rect& rect, bool rasterise) : rasterise_(rasterise) { SetRect(rect); }

void SimHudView::SetRect(const platform::Rect& rect) {
  rect_ = rect;
  const auto w = static_cast<std::int32_t>(std::clamp<std::int64_t>(std::int64_t{rect.right} - rect.left, 0, kMaxSide));
  const auto h = static_cast<std::int32_t>(std::clamp<std::int64_t>(std::int64_t{rect.bottom} - rect.top, 0, kMaxSide));
  // A move keeps what was drawn; a new size keeps the part that still fits.
  if (rasterise_ && (w != pixels_.width || h != pixels_.height)) {
    PixelBuffer resized(w, h);
    for (std::int32_t y = 0; y < std::min(h, pixels_.height); ++y) {
      for (std::int32_t x = 0; x < std::min(w, pixels_.width); ++x) {
        resized.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)] =
            pixels_.At(x, y);
      }
    }
    pixels_ = std::move(resized);
  }
  Record(Call(HudCall::Kind::SetRect, rect));
}

void SimHudView::SetRasterise(bool on) {
  if (on == rasterise_) return;
  rasterise_ = on;
  if (!on) {
    pixels_ = PixelBuffer();
  } else {
    SetRect(rect_);
    calls_.pop_back();  // not a call of the plug-in
  }
}

void SimHudView::Forget(const platform::Rect& rect) {
  // Only earlier passes: the open one is still being drawn and may paint over itself.
  const std::size_t end = std::min(passStart_, calls_.size());
  if (!renderOpen_ || end == 0) return;
  auto covered = [&rect](const HudCall& c) {
    const bool drawing = c.kind == HudCall::Kind::Clear || c.kind == HudCall::Kind::Fill ||
                         c.kind == HudCall::Kind::WriteText || c.kind == HudCall::Kind::DrawImage;
    return drawing && c.rect.left >= rect.left && c.rect.top >= rect.top && c.rect.right <= rect.right &&
           c.rect.bottom <= rect.bottom;
  };
  // Passes left with nothing drawn in them go too.
  std::vector<HudCall> kept;
  for (std::size_t i = 0; i < end; ++i) {
    HudCall& c = calls_[i];
    if (covered(c)) continue;
    const bool emptyText = c.kind == HudCall::Kind::EndText && !kept.empty() && kept.back().kind == HudCall::Kind::BeginText;
    const bool emptyPass =
        c.kind == HudCall::Kind::EndRender && !kept.empty() && kept.back().kind == HudCall::Kind::BeginRender;
    if (emptyText || emptyPass) {
      kept.pop_back();
      continue;
    }
    kept.push_back(std::move(c));
  }
  calls_.erase(calls_.begin(), calls_.begin() + static_cast<std::ptrdiff_t>(end));
  calls_.insert(calls_.begin(), std::make_move_iterator(kept.begin()), std::make_move_iterator(kept.end()));
  passStart_ = kept.size();
}

void SimHudView::RequireRender() {
  if (!renderOpen_) ++nestingErrors_;
}

void SimHudView::BeginRender(std::int32_t flags) {
  if (renderOpen_) ++nestingErrors_;
  renderOpen_ = true;
  passStart_ = calls_.size();
  HudCall c = Call(HudCall::Kind::BeginRender);
  c.flags = flags;
  Record(c);
}

void SimHudView::EndRender() {
  if (!renderOpen_ || textOpen_) ++nestingErrors_;
  renderOpen_ = false;
  textOpen_ = false;
  Record(Call(HudCall::Kind::EndRender));
}

void SimHudView::Clear(const platform::Rect& rect) {
  RequireRender();
  Forget(rect);
  Record(Call(HudCall::Kind::Clear, rect));
  if (rasterise_) raster::Fill(pixels_, rect, 0);
}

void SimHudView::Fill(const platform::Rect& rect, std::uint32_t argb) {
  RequireRender();
  Forget(rect);
  Record(Call(HudCall::Kind::Fill, rect, argb));
  if (rasterise_) raster::Fill(pixels_, rect, argb);
}

void SimHudView::BeginText(const std::string& face, std::int32_t size, std::int32_t weight, std::int32_t italic) {
  RequireRender();
  if (textOpen_) ++nestingErrors_;
  textOpen_ = true;
  HudCall c = Call(HudCall::Kind::BeginText);
  c.text = face;
  c.flags = size;
  c.weight = weight;
  c.italic = italic;
  Record(c);
  typeface_ = rasterise_ ? SimTypeface::Find(face, weight >= 600) : nullptr;
  textSize_ = size;
}

void SimHudView::EndText() {
  if (!textOpen_) ++nestingErrors_;
  textOpen_ = false;
  typeface_ = nullptr;
  Record(Call(HudCall::Kind::EndText));
}

void SimHudView::WriteText(const platform::Rect& rect, std::uint32_t argb, std::int32_t format,
                           const std::string& text) {
  if (!textOpen_) ++nestingErrors_;
  HudCall c = Call(HudCall::Kind::WriteText, rect, argb);
  c.text = text;
  c.flags = format;
  Record(c);
  // Text outside a text pass has no font and draws nothing.
  if (rasterise_ && textOpen_) raster::Text(pixels_, typeface_, textSize_, rect, argb, format, text);
}

void SimHudView::DrawPortalImage(std::int32_t imageId, const platform::Rect& rect) {
  RequireRender();
  HudCall c = Call(HudCall::Kind::DrawImage, rect);
  c.image = imageId;
  Record(c);
  if (rasterise_) raster::Icon(pixels_, imageId, rect);
}

void SimHudView::EnabledLet(bool enabled) {
  enabled_ = enabled;
  HudCall c = Call(HudCall::Kind::Enabled);
  c.flags = enabled ? 1 : 0;
  Record(c);
}

}  // namespace mellox::sim
