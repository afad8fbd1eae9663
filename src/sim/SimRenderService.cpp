#include "sim/SimRenderService.h"

#include <algorithm>
#include <string>

#include "sim/SimHudView.h"
#include "sim/SimRecorder.h"

namespace mellox::sim {

std::shared_ptr<platform::HudView> SimRenderService::CreateHUD(const platform::Rect& rect) {
  if (refuse_) return nullptr;
  auto hud = std::make_shared<SimHudView>(rect, rasterise_);
  hud->ClearCalls();  // the log starts with the owner's calls
  surfaces_.push_back(hud);
  recorder_.Emit("hud: create " + std::to_string(rect.left) + " " + std::to_string(rect.top) + " " +
                 std::to_string(rect.right) + " " + std::to_string(rect.bottom));
  return hud;
}

void SimRenderService::RemoveHUD(const std::shared_ptr<platform::HudView>& hud) {
  if (!hud) return;
  auto it = std::find_if(surfaces_.begin(), surfaces_.end(),
                         [&](const auto& s) { return static_cast<platform::HudView*>(s.get()) == hud.get(); });
  if (it != surfaces_.end()) {
    (*it)->MarkRemoved();
    surfaces_.erase(it);
  }
  recorder_.Emit("hud: remove");
}

void SimRenderService::RaiseDeviceLost() {
  for (const auto& surface : surfaces_) surface->MarkLost();
  DeviceLost.Emit();
}

PixelBuffer SimRenderService::ComposeFrame(std::int32_t width, std::int32_t height, const platform::Rect& view) const {
  PixelBuffer frame(width, height, kBackdrop);
  raster::Fill(frame, view, kViewFill);
  raster::Outline(frame, view, kViewEdge);
  for (const auto& surface : surfaces_) {
    if (!surface->EnabledGet() || surface->Lost()) continue;
    raster::Compose(frame, surface->Buffer(), surface->Rect().left, surface->Rect().top);
  }
  return frame;
}

}  // namespace mellox::sim
