#include "hud/HudWindow.h"

#include <algorithm>

#include "core/Globals.h"
#include "core/Hub.h"
#include "core/Trap.h"
#include "core/VBError.h"
#include "hud/HudPeers.h"
#include "platform/PluginSite.h"
#include "platform/System.h"

namespace mellox {

namespace {

// 32-bit arithmetic as the geometry is specified: an overflow is error 6,
// never a wrapped rectangle.
std::int32_t Add32(std::int64_t a, std::int64_t b) {
  const std::int64_t sum = a + b;
  if (sum < INT32_MIN || sum > INT32_MAX) Raise(6);
  return static_cast<std::int32_t>(sum);
}

std::string SaneFace(const std::string& face) {
  if (face.empty()) return kHudDefaultFace;
  // Before the font table is filled there is nothing to check against.
  if (FontNames.empty()) return face;
  for (const auto& entry : FontNames) {
    if (entry.second == face) return face;
  }
  return kHudDefaultFace;
}

}  // namespace

HudWindow::~HudWindow() {
  Trap("Class_Terminate", "HUDHandler", [&] {
    fadeConnection_.Disconnect();
    deviceLostConnection_.Disconnect();
    if (fadeTimer_) fadeTimer_->Stop();
    // A HUD whose surface was refused has nothing to remove.
    if (myHud_ && myService_) myService_->RemoveHUD(myHud_);
    myHud_.reset();
  });
}

HudWindow::RenderPass::~RenderPass() {
  try {
    canvas_.EndRender();
  } catch (...) {
    // The painter's own error is the one reported; closing is best effort.
  }
}

HudWindow::TextPass::~TextPass() {
  try {
    canvas_.EndText();
  } catch (...) {
  }
}

std::uint32_t HudWindow::ToArgb(double colour) {
  if (!(colour >= -2147483648.0 && colour <= 4294967295.0)) return 0;
  return static_cast<std::uint32_t>(static_cast<std::int64_t>(colour) & 0xFFFFFFFF);
}

void HudWindow::Debug(const std::string& text) {
  if (DebugMode) Hub::wtcw_debug(text);
}

void HudWindow::AcquireServices() {
  if (!Site) Raise(91);
  myService_ = std::static_pointer_cast<platform::RenderService>(Site->GetServiceByPath(platform::kRenderServicePath));
  if (myService_) deviceLostConnection_ = myService_->DeviceLost.Connect([this] { OnDeviceLost(); });
  CreateFontNow();
  fadeTimer_ = platform::Sys().CreateTimer();
  if (fadeTimer_) fadeConnection_ = fadeTimer_->Timeout.Connect([this] { OnFadeTimeout(); });
}

void HudWindow::CreateFontNow() {
  if (!HostCore) Raise(91);
  myFont_ = HostCore->CreateFont(fontFace_, fontSize_, 1);
}

std::int32_t HudWindow::Measure(const std::string& text) {
  if (!myFont_) Raise(91);
  return myFont_->MeasureText(text);
}

// --- Placement -------------------------------------------------------------------

void HudWindow::ComputeDimensions() {
  const std::string module = Module();
  Trap("ComputeDimensions", module.c_str(), [&] {
    if (dockVert_ || dockHorz_) {
      const platform::Rect view = HudPeers::Get3DRegion();
      if (dockVert_) y_ = Add32(Add32(view.bottom, -std::int64_t{height_}), 28);
      if (dockHorz_) x_ = Add32(view.right, -std::int64_t{width_});
    }
    rect_ = {x_, y_, Add32(x_, width_), Add32(y_, height_)};
    localRect_ = {0, 0, width_, height_};
    if (DebugMode) {
      Debug("ComputeDimensions: " + std::to_string(rect_.top) + "," + std::to_string(rect_.left) + "," +
            std::to_string(rect_.bottom) + "," + std::to_string(rect_.right) + "|" + std::to_string(height_) + "," +
            std::to_string(width_));
    }
  });
}

void HudWindow::SetX(std::int32_t x) {
  x_ = x;
  Move();
}

void HudWindow::SetY(std::int32_t y) {
  y_ = y;
  Move();
}

void HudWindow::SetWidth(std::int32_t width) {
  if (width == width_) return;
  width_ = width;
  Resize();
}

void HudWindow::SetHeight(std::int32_t height) {
  if (height == height_) return;
  height_ = height;
  Resize();
}

void HudWindow::SetPos(std::int32_t x, std::int32_t y, bool checkDock) {
  Trap("SetPos", "HUDHandler", [&] {
    if (checkDock) {
      // The docking line lies 28 pixels below the 3D view; within 2 pixels docks.
      const platform::Rect line = HudPeers::Get3DRect();
      const std::int64_t bottom = std::int64_t{y} + height_;
      const std::int64_t right = std::int64_t{x} + width_;
      dockVert_ = line.bottom - 3 < bottom && bottom < std::int64_t{line.bottom} + 3;
      dockHorz_ = line.right - 3 < right && right < std::int64_t{line.right} + 3;
    }
    x_ = x;
    y_ = y;
    Move();
  });
}

void HudWindow::UpdatePos() {
  if (HudCreateFailed || !enabled_) return;
  Move();
}

void HudWindow::MoveSurface() {
  ComputeDimensions();
  if (myHud_) myHud_->SetRect(rect_);
}

// --- On and off --------------------------------------------------------------------

void HudWindow::SetEnabled(bool enabled) {
  enabled_ = enabled;
  if (!HudCreateFailed && myHud_) myHud_->EnabledLet(enabled);
  Redraw();
}

void HudWindow::HudOn() {
  if (HudCreateFailed) return;
  enabled_ = true;
  if (myHud_) myHud_->EnabledLet(true);
  Redraw();
}

void HudWindow::ForgetPlacement() {
  x_ = kHudFirstPlace.x;
  y_ = kHudFirstPlace.y;
  dockVert_ = dockHorz_ = firstDocked_;
  drawTitle_ = true;
}

void HudWindow::HUDOff() {
  if (HudCreateFailed) return;
  enabled_ = false;
  if (myHud_) myHud_->EnabledLet(false);
}

// --- Title bar and fade ----------------------------------------------------------------

void HudWindow::SetTitle(const std::string& title) {
  title_ = title;
  titleWidth_ = Measure(title);
}

void HudWindow::SetWithinCanvas(bool within) {
  // A dragged HUD keeps its title bar as it is; an unchanged state costs nothing.
  if (mouse_.onCanvas || within == mouse_.withinCanvas) return;
  if (within) {
    mouse_.withinCanvas = true;
    mouse_.fadeIn = true;
  } else {
    // The bar keeps showing until the fade-out has run to its end.
    mouse_.fadeIn = false;
  }
  if (fadeTimer_ && !fadeTimer_->Running()) fadeTimer_->Start(25);
}

void HudWindow::EndMouse() {
  mouse_ = {};
  if (fadeTimer_) fadeTimer_->Stop();
}

void HudWindow::StepFade() {
  if (mouse_.fadeIn && mouse_.fadeStep < 10) ++mouse_.fadeStep;
  if (!mouse_.fadeIn && mouse_.fadeStep > 0) --mouse_.fadeStep;
  if (mouse_.fadeStep == 10 && fadeTimer_) fadeTimer_->Stop();
  if (mouse_.fadeStep == 0) {
    if (fadeTimer_) fadeTimer_->Stop();
    mouse_.withinCanvas = false;
  }
}

std::int32_t HudWindow::ClickZone(std::int32_t x, std::int32_t y) const {
  if (!WithinHUD(x, y)) return -1;
  const std::int64_t dx = std::int64_t{x} - x_;
  const std::int64_t dy = std::int64_t{y} - y_;
  if (!(0 < dy && dy < titleHeight_ && drawTitle_)) return -1;
  if (width_ - 20 < dx && dx < width_ - 12) return 2;
  if (width_ - 8 < dx && dx < width_) return 1;
  return 0;
}

// --- Look -----------------------------------------------------------------------------

void HudWindow::SetFontFace(const std::string& face) {
  fontFace_ = SaneFace(face);
  CreateFontNow();
  spaceWidth_ = Measure(" ");
  OnFontChanged();
}

void HudWindow::SetFontSize(std::int32_t size) {
  fontSize_ = std::clamp(size, kHudMinFontSize, kHudMaxFontSize);
  CreateFontNow();
  spaceWidth_ = Measure(" ");
  OnFontChanged();
}

void HudWindow::SetIconSize(std::int32_t size) { iconSize_ = std::clamp(size, kHudMinIconSize, kHudMaxIconSize); }

// --- Surface ----------------------------------------------------------------------------

bool HudWindow::CreateSurface(const std::string& failurePrefix) {
  if (HudCreateFailed) return false;
  myHud_.reset();
  if (myService_) myHud_ = myService_->CreateHUD(rect_);
  if (myHud_) return true;
  // Reported once: from here on no HUD creates, moves or draws anything.
  ReportTrapped(0, "", failurePrefix + std::to_string(rect_.top) + " " + std::to_string(rect_.left) + " " +
                          std::to_string(rect_.bottom) + " " + std::to_string(rect_.right),
                SurfaceModule(), false);
  HudCreateFailed = true;
  return false;
}

bool HudWindow::ReplaceSurface(const std::string& failurePrefix) {
  ComputeDimensions();
  if (myHud_) {
    myHud_->EnabledLet(false);
    if (myService_) myService_->RemoveHUD(myHud_);
    myHud_.reset();
  }
  if (!CreateSurface(failurePrefix)) return false;
  {
    RenderPass pass(*myHud_);
    myHud_->Clear(localRect_);
    myHud_->Fill(localRect_, ToArgb(backgroundColor_));
  }
  myHud_->EnabledLet(enabled_);
  return true;
}

void HudWindow::DrawItemText(const platform::Rect& cell, double colour, std::uint32_t outlineColour,
                             std::int32_t flags, const std::string& text) {
  platform::HudView* canvas = myHud_.get();
  if (!canvas) return;
  if (outline_) {
    static constexpr std::int32_t kDx[8] = {0, 0, -1, 1, -1, 1, -1, 1};
    static constexpr std::int32_t kDy[8] = {-1, 1, 0, 0, -1, -1, 1, 1};
    for (int i = 0; i < 8; ++i) {
      const platform::Rect shifted{cell.left + kDx[i], cell.top + kDy[i], cell.right + kDx[i], cell.bottom + kDy[i]};
      canvas->WriteText(shifted, outlineColour, flags, text);
    }
  }
  canvas->WriteText(cell, ToArgb(colour), flags, text);
}

}  // namespace mellox
