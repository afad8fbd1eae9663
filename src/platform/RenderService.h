// HUD surfaces drawn through the framework's render service.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Event.h"
#include "platform/Geometry.h"

namespace mellox::platform {

class HostFont {
 public:
  virtual ~HostFont() = default;
  virtual std::int32_t MeasureText(const std::string& text) = 0;  // pixel width
};

// Colours are 32-bit ARGB (alpha in the top byte).
class HudCanvas {
 public:
  virtual ~HudCanvas() = default;
  virtual void SetRect(const Rect& rect) = 0;
  virtual void BeginRender(std::int32_t flags) = 0;
  virtual void EndRender() = 0;
  virtual void Clear(const Rect& rect) = 0;
  virtual void Fill(const Rect& rect, std::uint32_t argb) = 0;
  virtual void BeginText(const std::string& face, std::int32_t size, std::int32_t weight, std::int32_t italic) = 0;
  virtual void EndText() = 0;
  // Format flags: 0 left, 1 centred, 4 vertically centred, 16 word wrap, 32 single line.
  virtual void WriteText(const Rect& rect, std::uint32_t argb, std::int32_t format, const std::string& text) = 0;
  virtual void DrawPortalImage(std::int32_t imageId, const Rect& rect) = 0;
};

class HudView : public HudCanvas {
 public:
  virtual void EnabledLet(bool enabled) = 0;
  virtual bool EnabledGet() = 0;
};

class RenderService {
 public:
  virtual ~RenderService() = default;
  // A surface for a screen rectangle, or null when the service refuses it.
  virtual std::shared_ptr<HudView> CreateHUD(const Rect& rect) = 0;
  virtual void RemoveHUD(const std::shared_ptr<HudView>& hud) = 0;
  Event<> DeviceLost;
};

}  // namespace mellox::platform
