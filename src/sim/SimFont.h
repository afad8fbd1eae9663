// A font that measures text with the same font files and metrics the
// rasteriser draws with. Flag 1 asks for the bold weight (the HUDs measure
// with the weight they paint with). Without the font file installed the
// width falls back to round(length x height x 0.5).
#pragma once

#include <cstdint>
#include <string>

#include "platform/RenderService.h"

namespace mellox::sim {

class SimFont : public platform::HostFont {
 public:
  SimFont(std::string face, std::int32_t height, std::int32_t flags)
      : face_(std::move(face)), height_(height), flags_(flags) {}
  std::int32_t MeasureText(const std::string& text) override;

  const std::string& Face() const { return face_; }
  std::int32_t Height() const { return height_; }
  std::int32_t Flags() const { return flags_; }

 private:
  std::string face_;
  std::int32_t height_;
  std::int32_t flags_;
};

}  // namespace mellox::sim
