// The software rasteriser of the simulated render service: ARGB pixel
// buffers (alpha in the top byte, not premultiplied). Fill replaces pixels,
// text and images blend over them, and everything clips to the buffer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Geometry.h"

namespace mellox::sim {

class SimTypeface;

struct PixelBuffer {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint32_t> pixels;  // width x height, row-major

  PixelBuffer() = default;
  PixelBuffer(std::int32_t w, std::int32_t h, std::uint32_t argb = 0);
  std::uint32_t At(std::int32_t x, std::int32_t y) const;  // 0 outside
};

namespace raster {

// Source over destination, the source's alpha scaled by coverage (0..255).
std::uint32_t Blend(std::uint32_t dst, std::uint32_t src, std::uint32_t coverage = 255);

void Fill(PixelBuffer& buffer, const platform::Rect& rect, std::uint32_t argb);
// Text in a rectangle. Format: 1 centred, 4 vertically centred, 16 word
// wrap; otherwise left-aligned from the top. The glyphs may run past the
// rectangle (only the buffer clips them). Nothing is drawn without a typeface.
void Text(PixelBuffer& buffer, SimTypeface* typeface, std::int32_t size, const platform::Rect& rect,
          std::uint32_t argb, std::int32_t format, const std::string& text);
// A game icon stand-in: an opaque square whose colours and pattern are
// derived from the image id alone, so the same icon always looks the same.
void Icon(PixelBuffer& buffer, std::int32_t imageId, const platform::Rect& rect);
// Blends src over dst with src's top-left corner at (left, top).
void Compose(PixelBuffer& dst, const PixelBuffer& src, std::int32_t left, std::int32_t top);
// A one-pixel outline just inside the rectangle.
void Outline(PixelBuffer& buffer, const platform::Rect& rect, std::uint32_t argb);

}  // namespace raster

// Writes the buffer as an 8-bit RGBA PNG file; false when it cannot be written.
bool WritePng(const std::string& path, const PixelBuffer& buffer);
// The pixels of a PNG file's bytes (as WritePng writes them); nothing when they are no PNG.
std::optional<PixelBuffer> ReadPng(const std::string& bytes);

}  // namespace mellox::sim
