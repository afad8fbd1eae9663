#include "sim/SimHudView.h"

#include <algorithm>

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

bool Draws(const HudCall& c) {
  return c.kind == HudCall::Kind::Clear || c.kind == HudCall::Kind::Fill ||
         c.kind == HudCall::Kind::WriteText || c.kind == HudCall::Kind::DrawImage;
}

bool Inside(const platform::Rect& inner, const platform::Rect& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

// A sane cap keeps a bogus rectangle from allocating gigabytes.
constexpr std::int64_t kMaxSide = 8192;
// Calls recorded beyond twice the settled log before it is settled again.
constexpr std::size_t kSettleSlack = 256;
}  // namespace

SimHudView::SimHudView(const platform::Rect& rect, bool rasterise) : rasterise_(rasterise) { SetRect(rect); }

void SimHudView::SetRect(const platform::Rect& rect) {
  rect_ = rect;
  Resize();
  Record(Call(HudCall::Kind::SetRect, rect));
}

void SimHudView::Resize() {
  const auto w = static_cast<std::int32_t>(
      std::clamp<std::int64_t>(std::int64_t{rect_.right} - rect_.left, 0, kMaxSide));
  const auto h = static_cast<std::int32_t>(
      std::clamp<std::int64_t>(std::int64_t{rect_.bottom} - rect_.top, 0, kMaxSide));
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
}

void SimHudView::SetRasterise(bool on) {
  if (on == rasterise_) return;
  rasterise_ = on;
  if (!on) {
    pixels_ = PixelBuffer();
  } else {
    Resize();
  }
}

void SimHudView::MarkLost() {
  lost_ = true;
  ClearCalls();
  std::fill(pixels_.pixels.begin(), pixels_.pixels.end(), 0u);
}

const std::vector<HudCall>& SimHudView::Calls() const {
  Settle();
  return calls_;
}

void SimHudView::ClearCalls() {
  calls_.clear();
  unsettled_ = 0;
  covers_ = false;
  outsidePass_.clear();
  settleAt_ = 0;
}

void SimHudView::NoteCover() {
  if (renderOpen_) {
    covers_ = true;
  } else {
    outsidePass_.push_back(calls_.size());
  }
}

void SimHudView::SettleForRoom() {
  Settle();
  settleAt_ = 2 * calls_.size() + kSettleSlack;
}

void SimHudView::Settle() const {
  const std::size_t n = calls_.size();
  if (!covers_) {
    unsettled_ = n;
    outsidePass_.clear();
    return;
  }
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::vector<bool> keep(n, true);
  // Walking back: a Clear or Fill covers the calls of earlier passes only (its
  // own pass may paint over itself), so it starts covering once the walk is
  // past the start of its pass.
  std::vector<platform::Rect> inPass;
  std::vector<platform::Rect> covers;
  auto outside = outsidePass_.rbegin();
  // Passes left with nothing drawn are dropped before the pass of the latest covering call.
  std::size_t tidyEnd = kNone;
  bool covering = false;
  for (std::size_t i = n; i-- > 0;) {
    const HudCall& c = calls_[i];
    if (Draws(c) &&
        std::any_of(covers.begin(), covers.end(), [&c](const auto& r) { return Inside(c.rect, r); })) {
      keep[i] = false;
    }
    if (i >= unsettled_ && (c.kind == HudCall::Kind::Clear || c.kind == HudCall::Kind::Fill)) {
      if (outside != outsidePass_.rend() && *outside == i) {
        ++outside;
      } else {
        inPass.push_back(c.rect);
        covering = true;
      }
    } else if (c.kind == HudCall::Kind::BeginRender) {
      if (tidyEnd == kNone && covering) tidyEnd = i;
      for (const auto& r : inPass) {
        if (std::none_of(covers.begin(), covers.end(), [&r](const auto& o) { return Inside(r, o); })) {
          covers.push_back(r);
        }
      }
      inPass.clear();
    }
  }
  if (tidyEnd == kNone) tidyEnd = 0;
  std::size_t w = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (!keep[i]) continue;
    const HudCall::Kind kind = calls_[i].kind;
    const HudCall::Kind opener = w > 0 ? calls_[w - 1].kind : kind;
    if (i < tidyEnd && ((kind == HudCall::Kind::EndText && opener == HudCall::Kind::BeginText) ||
                        (kind == HudCall::Kind::EndRender && opener == HudCall::Kind::BeginRender))) {
      --w;
      continue;
    }
    if (w != i) calls_[w] = std::move(calls_[i]);
    ++w;
  }
  calls_.resize(w);
  unsettled_ = w;
  covers_ = false;
  outsidePass_.clear();
}

void SimHudView::RequireRender() {
  if (!renderOpen_) ++nestingErrors_;
}

void SimHudView::BeginRender(std::int32_t flags) {
  if (renderOpen_) ++nestingErrors_;
  renderOpen_ = true;
  HudCall c = Call(HudCall::Kind::BeginRender);
  c.flags = flags;
  Record(std::move(c));
}

void SimHudView::EndRender() {
  if (!renderOpen_ || textOpen_) ++nestingErrors_;
  renderOpen_ = false;
  textOpen_ = false;
  Record(Call(HudCall::Kind::EndRender));
}

void SimHudView::Clear(const platform::Rect& rect) {
  RequireRender();
  NoteCover();
  Record(Call(HudCall::Kind::Clear, rect));
  if (rasterise_) raster::Fill(pixels_, rect, 0);
}

void SimHudView::Fill(const platform::Rect& rect, std::uint32_t argb) {
  RequireRender();
  NoteCover();
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
  Record(std::move(c));
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
  Record(std::move(c));
  // Text outside a text pass has no font and draws nothing.
  if (rasterise_ && textOpen_) raster::Text(pixels_, typeface_, textSize_, rect, argb, format, text);
}

void SimHudView::DrawPortalImage(std::int32_t imageId, const platform::Rect& rect) {
  RequireRender();
  HudCall c = Call(HudCall::Kind::DrawImage, rect);
  c.image = imageId;
  Record(std::move(c));
  if (rasterise_) raster::Icon(pixels_, imageId, rect);
}

void SimHudView::EnabledLet(bool enabled) {
  enabled_ = enabled;
  HudCall c = Call(HudCall::Kind::Enabled);
  c.flags = enabled ? 1 : 0;
  Record(std::move(c));
}

}  // namespace mellox::sim
