// The render service: hands out HUD surfaces and records their life.
#pragma once

#include <memory>
#include <vector>

#include "platform/RenderService.h"

namespace mellox::sim {

class SimHudView;
class SimRecorder;

class SimRenderService : public platform::RenderService {
 public:
  explicit SimRenderService(SimRecorder& recorder) : recorder_(recorder) {}

  std::shared_ptr<platform::HudView> CreateHUD(const platform::Rect& rect) override;
  void RemoveHUD(const std::shared_ptr<platform::HudView>& hud) override;

  void RefuseSurfaces(bool refuse) { refuse_ = refuse; }
  void RaiseDeviceLost() { DeviceLost.Emit(); }
  // Surfaces created and not yet removed, oldest first.
  const std::vector<std::shared_ptr<SimHudView>>& Surfaces() const { return surfaces_; }

 private:
  SimRecorder& recorder_;
  bool refuse_ = false;
  std::vector<std::shared_ptr<SimHudView>> surfaces_;
};

}  // namespace mellox::sim
