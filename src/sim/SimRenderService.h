// The render service: hands out HUD surfaces and records their life.
#pragma once

#include <memory>
#include <vector>

#include "platform/RenderService.h"
#include "sim/SimRaster.h"

namespace mellox::sim {

class SimHudView;
class SimRecorder;

class SimRenderService : public platform::RenderService {
 public:
  explicit SimRenderService(SimRecorder& recorder) : recorder_(recorder) {}

  std::shared_ptr<platform::HudView> CreateHUD(const platform::Rect& rect) override;
  void RemoveHUD(const std::shared_ptr<platform::HudView>& hud) override;

  void RefuseSurfaces(bool refuse) { refuse_ = refuse; }
  // Every surface made so far loses its drawing and is no longer shown; only
  // the ones the plug-in makes again appear in the game window.
  void RaiseDeviceLost();
  // Surfaces created and not yet removed, oldest first.
  const std::vector<std::shared_ptr<SimHudView>>& Surfaces() const { return surfaces_; }
  // Off: new surfaces only record their calls (the plug-in's drawing cost alone).
  void SetRasterise(bool on) { rasterise_ = on; }

  // The game window as the player would see it: a backdrop, the 3D view
  // outlined, and every shown surface not lost with the device blended on
  // top in creation order.
  PixelBuffer ComposeFrame(std::int32_t width, std::int32_t height, const platform::Rect& view) const;
  static constexpr std::uint32_t kBackdrop = 0xFF1C2430;
  static constexpr std::uint32_t kViewFill = 0xFF2E3B4C;
  static constexpr std::uint32_t kViewEdge = 0xFFC8B040;

 private:
  SimRecorder& recorder_;
  bool refuse_ = false;
  bool rasterise_ = true;
  std::vector<std::shared_ptr<SimHudView>> surfaces_;
};

}  // namespace mellox::sim
