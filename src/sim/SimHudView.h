// A HUD surface that records every canvas call, checks that drawing passes
// are properly opened and closed, and rasterises the calls into its own ARGB
// buffer (Clear makes pixels transparent, Fill replaces them, text and icons
// blend; everything clips to the surface).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/RenderService.h"
#include "sim/SimRaster.h"

namespace mellox::sim {

class SimTypeface;

struct HudCall {
  enum class Kind { SetRect, BeginRender, EndRender, Clear, Fill, BeginText, EndText, WriteText, DrawImage, Enabled };
  Kind kind = Kind::SetRect;
  platform::Rect rect{};
  std::uint32_t colour = 0;
  std::string text;          // WriteText: the text; BeginText: the face
  std::int32_t flags = 0;    // BeginRender flags, WriteText format, BeginText size, Enabled 0/1
  std::int32_t image = 0;    // DrawPortalImage: the image id
  std::int32_t weight = 0;   // BeginText
  std::int32_t italic = 0;   // BeginText
};

class SimHudView : public platform::HudView {
 public:
  explicit SimHudView(const platform::Rect& rect, bool rasterise = true);

  void SetRect(const platform::Rect& rect) override;
  void BeginRender(std::int32_t flags) override;
  void EndRender() override;
  void Clear(const platform::Rect& rect) override;
  void Fill(const platform::Rect& rect, std::uint32_t argb) override;
  void BeginText(const std::string& face, std::int32_t size, std::int32_t weight, std::int32_t italic) override;
  void EndText() override;
  void WriteText(const platform::Rect& rect, std::uint32_t argb, std::int32_t format, const std::string& text) override;
  void DrawPortalImage(std::int32_t imageId, const platform::Rect& rect) override;
  void EnabledLet(bool enabled) override;
  bool EnabledGet() override { return enabled_; }

  // Sim inspection: the calls of the current drawing. What a Clear or Fill of
  // a later pass covers is no longer part of it, so its calls (and passes left
  // empty) are dropped.
  const std::vector<HudCall>& Calls() const;
  void ClearCalls();
  // The calls held now: about the current drawing even when Calls() is never read.
  std::size_t Held() const { return calls_.size(); }
  const platform::Rect& Rect() const { return rect_; }
  bool RenderOpen() const { return renderOpen_; }
  bool TextOpen() const { return textOpen_; }
  // Calls made out of order: a pass opened twice, closed when not open,
  // drawing outside a render pass or text outside a text pass.
  std::int32_t NestingErrors() const { return nestingErrors_; }
  bool Removed() const { return removed_; }
  void MarkRemoved() { removed_ = true; }
  // The render device was lost: what was drawn is gone, and the surface is
  // never shown again; the plug-in has to make a new one.
  void MarkLost();
  bool Lost() const { return lost_; }
  std::int32_t Width() const { return rect_.right - rect_.left; }
  std::int32_t Height() const { return rect_.bottom - rect_.top; }
  std::vector<std::uint32_t>& Pixels() { return pixels_.pixels; }  // Width x Height ARGB, row-major
  const PixelBuffer& Buffer() const { return pixels_; }
  std::uint32_t Pixel(std::int32_t x, std::int32_t y) const { return pixels_.At(x, y); }  // 0 outside
  // Off: calls are only recorded and the surface keeps no pixels (for
  // measuring the plug-in's own drawing cost).
  void SetRasterise(bool on);

 private:
  void Record(HudCall&& call) {
    calls_.push_back(std::move(call));
    if (calls_.size() >= settleAt_) SettleForRoom();
  }
  // Before recording a Clear or Fill: whether it covers what earlier passes drew.
  void NoteCover();
  void RequireRender();
  void Resize();
  // Drops what the Clear and Fill calls recorded since the last time cover.
  // Run when the calls are read, and when the log has doubled, so a surface
  // drawn for hours holds about its current drawing and each call costs the
  // same however many came before.
  void Settle() const;
  void SettleForRoom();
  platform::Rect rect_;
  bool enabled_ = true;
  bool renderOpen_ = false;
  bool textOpen_ = false;
  bool removed_ = false;
  bool lost_ = false;
  std::int32_t nestingErrors_ = 0;
  mutable std::vector<HudCall> calls_;
  // Calls from here on have not been settled; a Clear or Fill among them
  // covers, unless it was made outside a pass (an error, and rare).
  mutable std::size_t unsettled_ = 0;
  mutable bool covers_ = false;
  mutable std::vector<std::size_t> outsidePass_;
  std::size_t settleAt_ = 0;  // the log size that makes Record settle
  PixelBuffer pixels_;
  bool rasterise_ = true;
  // The font of the open text pass.
  SimTypeface* typeface_ = nullptr;
  std::int32_t textSize_ = 0;
};

}  // namespace mellox::sim
