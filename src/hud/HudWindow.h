// What every HUD window engine shares: placement and docking to the 3D view,
// the title bar fade, hit testing, the fonts, the render-service surface and
// its life (create, move, re-create on a size change or a lost device), and
// text output with the optional outline. An engine adds its content and its
// painter: HUDHandler (keyed text items) and the target HUD's engine.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Event.h"
#include "platform/Geometry.h"
#include "platform/HostTimer.h"
#include "platform/RenderService.h"

namespace mellox {

// Font and icon sizes outside these ranges (a damaged settings file, a bogus
// choice) would make unusable or enormous surfaces; they are clamped.
inline constexpr std::int32_t kHudMinFontSize = 6;
inline constexpr std::int32_t kHudMaxFontSize = 64;
inline constexpr std::int32_t kHudMinIconSize = 8;
inline constexpr std::int32_t kHudMaxIconSize = 64;
// Face used when the settings name one no HUD font list offers.
inline constexpr const char* kHudDefaultFace = "Arial";
// Where a HUD window starts before any settings place it.
inline constexpr platform::Point kHudFirstPlace{5, 100};

class HudWindow {
 public:
  virtual ~HudWindow();
  HudWindow(const HudWindow&) = delete;
  HudWindow& operator=(const HudWindow&) = delete;

  // --- Placement (game-window client pixels) ---------------------------------
  std::int32_t X() const { return x_; }
  std::int32_t Y() const { return y_; }
  // Store, then move the surface (a docked axis snaps back to the 3D view).
  void SetX(std::int32_t x);
  void SetY(std::int32_t y);
  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }
  // A different value is stored and the surface re-created; an equal one does nothing.
  void SetWidth(std::int32_t width);
  void SetHeight(std::int32_t height);
  const platform::Rect& ScreenRect() const { return rect_; }
  const platform::Rect& LocalRect() const { return localRect_; }
  // With checkDock, docks each edge that ends within 2 pixels of the 3D
  // view's docking line and undocks it otherwise; then stores and moves.
  void SetPos(std::int32_t x, std::int32_t y, bool checkDock);
  // Re-applies the position (the 3D view changed); only while on.
  void UpdatePos();
  bool DockVert() const { return dockVert_; }
  bool DockHorz() const { return dockHorz_; }
  void SetDockVert(bool docked) { dockVert_ = docked; }
  void SetDockHorz(bool docked) { dockHorz_ = docked; }
  // A login's start: the place, docking and title bar as a new window has
  // them, so a settings file without this HUD's element does not take them
  // from the last login. Nothing moves: the HUD is off until loaded.
  void ForgetPlacement();

  // --- On and off --------------------------------------------------------------
  bool Enabled() const { return enabled_; }
  // Stores, shows or hides the surface, redraws.
  void SetEnabled(bool enabled);
  void HudOn();
  void HUDOff();

  // --- Title bar ---------------------------------------------------------------
  const std::string& Title() const { return title_; }
  // Stores and measures the title with the current font.
  void SetTitle(const std::string& title);
  std::int32_t TitleWidth() const { return titleWidth_; }
  std::int32_t TitleHeight() const { return titleHeight_; }
  std::int32_t BorderWidth() const { return borderWidth_; }
  bool DrawTitle() const { return drawTitle_; }
  void SetDrawTitle(bool draw) { drawTitle_ = draw; }
  std::int32_t FadeStep() const { return mouse_.fadeStep; }
  bool FadeIn() const { return mouse_.fadeIn; }
  // True while the title bar shows (until a fade-out reaches step 0).
  bool WithinCanvas() const { return mouse_.withinCanvas; }
  // The pointer is over the HUD or not: starts a fade when that changes,
  // ignored while the HUD is dragged.
  void SetWithinCanvas(bool within);
  bool OnCanvas() const { return mouse_.onCanvas; }
  void SetOnCanvas(bool dragged) { mouse_.onCanvas = dragged; }
  // The login ended: no drag, no title bar shown or fading.
  void EndMouse();
  // Where the pointer held this HUD when its drag started (pointer minus the
  // top-left corner), so HUDs dragged together keep their own offsets.
  const platform::Point& DragOffset() const { return mouse_.dragOffset; }
  void SetDragOffset(const platform::Point& offset) { mouse_.dragOffset = offset; }

  // --- Look ----------------------------------------------------------------------
  const std::string& FontFace() const { return fontFace_; }
  // An empty face or one no HUD font list offers becomes "Arial". Re-creates
  // the font and measures the width of a blank again.
  void SetFontFace(const std::string& face);
  std::int32_t FontSize() const { return fontSize_; }
  // Clamped to kHudMinFontSize .. kHudMaxFontSize; re-creates the font.
  void SetFontSize(std::int32_t size);
  std::int32_t FontWeight() const { return fontWeight_; }
  std::int32_t IconSize() const { return iconSize_; }
  // Clamped to kHudMinIconSize .. kHudMaxIconSize.
  void SetIconSize(std::int32_t size);
  std::int32_t Spacing() const { return spacing_; }
  std::int32_t SpaceWidth() const { return spaceWidth_; }
  double BackgroundColor() const { return backgroundColor_; }
  void SetBackgroundColor(double argb) { backgroundColor_ = argb; }
  bool Outline() const { return outline_; }
  void SetOutline(bool outline) { outline_ = outline; }

  // --- Hit tests -------------------------------------------------------------------
  // Strictly inside the rectangle of a HUD that is on.
  bool WithinHUD(std::int32_t x, std::int32_t y) const {
    return enabled_ && rect_.left < x && x < rect_.right && rect_.top < y && y < rect_.bottom;
  }
  // -1 outside or below the title bar (or any point while the bar is not
  // drawn), 0 the title bar, 1 the "X" glyph, 2 the "O" glyph.
  std::int32_t ClickZone(std::int32_t x, std::int32_t y) const;

  // The repaint the mouse handling asks for after a click.
  virtual void Redraw() = 0;

  // The surface (null before creation and after a refusal).
  platform::HudView* Surface() const { return myHud_.get(); }

  // ARGB colour as the canvas takes it, from the signed value kept in a double.
  static std::uint32_t ToArgb(double colour);

 protected:
  HudWindow() = default;

  // The render service (with its device-lost event), the font and the fade
  // timer (with its timeout), in that order.
  void AcquireServices();
  // Docked axes snap to the 3D view; rect and LocalRect follow x, y, width, height.
  void ComputeDimensions();
  // Asks for a surface at rect. A refusal (or no render service) is reported
  // once with failurePrefix and the rectangle, sets HudCreateFailed and gives false.
  bool CreateSurface(const std::string& failurePrefix);
  // Size change, forced draw, lost device: hide and remove the old surface,
  // create a new one at the recomputed rect, fill it with the background and
  // show it by Enabled. False (nothing drawn) when the surface was refused.
  bool ReplaceSurface(const std::string& failurePrefix);
  // Puts the surface at the recomputed rect.
  void MoveSurface();
  // One tick of the title fade; stops the timer at either end.
  void StepFade();
  // One text in a cell: with Outline, first eight times in the outline colour
  // shifted by one pixel (up, down, left, right, then the diagonals).
  void DrawItemText(const platform::Rect& cell, double colour, std::uint32_t outlineColour, std::int32_t flags,
                    const std::string& text);
  std::int32_t Measure(const std::string& text);
  // Debug lines cost nothing unless debug mode is on.
  static void Debug(const std::string& text);

  // Re-create the surface and repaint everything.
  virtual void Resize() = 0;
  // Move the surface to the recomputed rect.
  virtual void Move() = 0;
  virtual void OnFadeTimeout() = 0;
  virtual void OnDeviceLost() = 0;
  // After the font changed (face or size).
  virtual void OnFontChanged() {}
  // Owner text of error reports.
  virtual std::string Module() const = 0;
  // Owner text of the report of a refused surface.
  virtual std::string SurfaceModule() const { return Module(); }

  // A drawing pass that is closed however the painter leaves it.
  class RenderPass {
   public:
    explicit RenderPass(platform::HudCanvas& canvas) : canvas_(canvas) { canvas_.BeginRender(0); }
    ~RenderPass();
    RenderPass(const RenderPass&) = delete;
    RenderPass& operator=(const RenderPass&) = delete;

   private:
    platform::HudCanvas& canvas_;
  };
  // Text output in one font, closed however the painter leaves it.
  class TextPass {
   public:
    TextPass(platform::HudCanvas& canvas, const std::string& face, std::int32_t size, std::int32_t weight)
        : canvas_(canvas) {
      canvas_.BeginText(face, size, weight, 0);
    }
    ~TextPass();
    TextPass(const TextPass&) = delete;
    TextPass& operator=(const TextPass&) = delete;

   private:
    platform::HudCanvas& canvas_;
  };

  std::shared_ptr<platform::RenderService> myService_;
  std::shared_ptr<platform::HostFont> myFont_;
  std::shared_ptr<platform::HudView> myHud_;
  std::shared_ptr<platform::HostTimer> fadeTimer_;

  std::string title_;
  std::int32_t titleWidth_ = 0;
  bool drawTitle_ = true;
  std::int32_t titleHeight_ = 14;
  std::int32_t borderWidth_ = 2;
  bool enabled_ = false;
  platform::Rect rect_{};
  platform::Rect localRect_{};
  std::int32_t x_ = kHudFirstPlace.x;
  std::int32_t y_ = kHudFirstPlace.y;
  std::int32_t width_ = 200;
  std::int32_t height_ = 200;
  std::int32_t fontSize_ = 16;
  std::string fontFace_ = kHudDefaultFace;
  std::int32_t fontWeight_ = 900;
  std::int32_t iconSize_ = 16;
  std::int32_t spacing_ = 1;
  double backgroundColor_ = 0;
  bool outline_ = false;
  bool dockVert_ = false;
  bool dockHorz_ = false;
  // Whether a new window of this kind is docked on both axes.
  bool firstDocked_ = false;
  std::int32_t spaceWidth_ = 0;
  // What the mouse does to this HUD: the title bar's fade and a drag. A
  // login's end drops it whole: the next login's HUD starts unpointed.
  struct MouseState {
    std::int32_t fadeStep = 0;
    bool fadeIn = false;
    bool onCanvas = false;
    bool withinCanvas = false;
    platform::Point dragOffset{};
  };
  MouseState mouse_;

 private:
  void CreateFontNow();

  // Last: they go first, so no tick or device-lost event reaches a
  // half-destroyed engine.
  platform::Connection fadeConnection_;
  platform::Connection deviceLostConnection_;
};

}  // namespace mellox
