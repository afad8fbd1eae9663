#include "sim/SimRaster.h"

#include <algorithm>
#include <cmath>

#include "sim/SimTypeface.h"

namespace mellox::sim {

namespace {

struct Clipped {
  std::int32_t left, top, right, bottom;
  bool Empty() const { return left >= right || top >= bottom; }
};

Clipped Clip(const PixelBuffer& b, const platform::Rect& r) {
  return {std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, b.width), std::min(r.bottom, b.height)};
}

std::uint32_t Channel(std::uint32_t argb, int shift) { return (argb >> shift) & 0xFF; }

std::uint32_t Scale(std::uint32_t c, std::uint32_t factor) { return (c * factor + 127) / 255; }

std::uint32_t Lighter(std::uint32_t rgb, std::uint32_t amount) {
  std::uint32_t out = 0;
  for (int shift : {0, 8, 16}) out |= std::min<std::uint32_t>(255, Channel(rgb, shift) + amount) << shift;
  return out;
}

std::uint32_t Darker(std::uint32_t rgb) {
  std::uint32_t out = 0;
  for (int shift : {0, 8, 16}) out |= (Channel(rgb, shift) / 2) << shift;
  return out;
}

std::vector<std::string> WrapWords(SimTypeface& tf, std::int32_t size, const std::string& text, std::int32_t width) {
  std::vector<std::string> lines;
  std::string line;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    const std::size_t blank = std::min(text.find(' ', pos), text.size());
    const std::string word = text.substr(pos, blank - pos);
    const std::string candidate = line.empty() ? word : line + " " + word;
    if (!line.empty() && tf.Measure(candidate, size) > width) {
      lines.push_back(line);
      line = word;
    } else {
      line = candidate;
    }
    pos = blank + 1;
  }
  lines.push_back(line);
  return lines;
}

}  // namespace

PixelBuffer::PixelBuffer(std::int32_t w, std::int32_t h, std::uint32_t argb)
    : width(std::max(w, 0)), height(std::max(h, 0)),
      pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), argb) {}

std::uint32_t PixelBuffer::At(std::int32_t x, std::int32_t y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return 0;
  return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
}

namespace raster {

std::uint32_t Blend(std::uint32_t dst, std::uint32_t src, std::uint32_t coverage) {
  const std::uint32_t sa = Scale(src >> 24, coverage);
  if (sa == 0) return dst;
  if (sa == 255) return src | 0xFF000000u;
  const std::uint32_t da = dst >> 24;
  const std::uint32_t keep = Scale(da, 255 - sa);  // what shows through of the destination
  const std::uint32_t oa = sa + keep;
  if (oa == 0) return 0;
  std::uint32_t out = oa << 24;
  for (int shift : {0, 8, 16}) {
    const std::uint32_t c = (Channel(src, shift) * sa + Channel(dst, shift) * keep + oa / 2) / oa;
    out |= std::min<std::uint32_t>(c, 255) << shift;
  }
  return out;
}

void Fill(PixelBuffer& buffer, const platform::Rect& rect, std::uint32_t argb) {
  const Clipped c = Clip(buffer, rect);
  if (c.Empty()) return;
  for (std::int32_t y = c.top; y < c.bottom; ++y) {
    auto* row = buffer.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(buffer.width);
    std::fill(row + c.left, row + c.right, argb);
  }
}

void Outline(PixelBuffer& buffer, const platform::Rect& r, std::uint32_t argb) {
  Fill(buffer, {r.left, r.top, r.right, r.top + 1}, argb);
  Fill(buffer, {r.left, r.bottom - 1, r.right, r.bottom}, argb);
  Fill(buffer, {r.left, r.top, r.left + 1, r.bottom}, argb);
  Fill(buffer, {r.right - 1, r.top, r.right, r.bottom}, argb);
}

void Text(PixelBuffer& buffer, SimTypeface* typeface, std::int32_t size, const platform::Rect& rect,
          std::uint32_t argb, std::int32_t format, const std::string& text) {
  if (!typeface || text.empty() || (argb >> 24) == 0) return;
  const std::int32_t rectWidth = rect.right - rect.left;
  const std::vector<std::string> lines =
      (format & 16) ? WrapWords(*typeface, size, text, rectWidth) : std::vector<std::string>{text};
  const std::int32_t lineHeight = typeface->LineHeight(size);
  std::int32_t top = rect.top;
  if (format & 4) {
    top += static_cast<std::int32_t>(
        std::floor((rect.bottom - rect.top - lineHeight * static_cast<std::int32_t>(lines.size())) / 2.0));
  }
  for (const std::string& line : lines) {
    std::int32_t left = rect.left;
    if (format & 1) left += static_cast<std::int32_t>(std::floor((rectWidth - typeface->Measure(line, size)) / 2.0));
    const std::int32_t baseline = top + typeface->Ascent(size);
    float pen = static_cast<float>(left);
    for (std::size_t i = 0; i < line.size(); ++i) {
      const auto byte = static_cast<unsigned char>(line[i]);
      const auto next = i + 1 < line.size() ? static_cast<unsigned char>(line[i + 1]) : 0;
      const SimTypeface::Glyph& g = typeface->GlyphFor(byte, size);
      const std::int32_t gx = static_cast<std::int32_t>(std::lround(pen)) + g.xoff;
      const std::int32_t gy = baseline + g.yoff;
      const Clipped c = Clip(buffer, {gx, gy, gx + g.width, gy + g.height});
      for (std::int32_t y = c.top; y < c.bottom; ++y) {
        for (std::int32_t x = c.left; x < c.right; ++x) {
          const std::uint8_t cover = g.coverage[static_cast<std::size_t>(y - gy) * static_cast<std::size_t>(g.width) +
                                                static_cast<std::size_t>(x - gx)];
          if (cover == 0) continue;
          auto& px = buffer.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(buffer.width) +
                                   static_cast<std::size_t>(x)];
          px = Blend(px, argb, cover);
        }
      }
      pen += typeface->Advance(byte, next, size);
    }
    top += lineHeight;
  }
}

void Icon(PixelBuffer& buffer, std::int32_t imageId, const platform::Rect& r) {
  // A fixed integer hash of the id picks the colours and the pattern.
  std::uint32_t h = static_cast<std::uint32_t>(imageId) * 2654435761u;
  h ^= h >> 15;
  h *= 2246822519u;
  h ^= h >> 13;
  const std::uint32_t base = ((64 + (h & 0x7F)) << 16) | ((64 + ((h >> 8) & 0x7F)) << 8) | (64 + ((h >> 16) & 0x7F));
  Fill(buffer, r, 0xFF000000u | base);
  const std::int32_t w = r.right - r.left;
  const std::int32_t hgt = r.bottom - r.top;
  if (w <= 2 || hgt <= 2) return;
  // Four quadrants, each lighter when its bit of the hash is set.
  const std::int32_t midX = r.left + w / 2;
  const std::int32_t midY = r.top + hgt / 2;
  const platform::Rect quads[4] = {{r.left, r.top, midX, midY},
                                   {midX, r.top, r.right, midY},
                                   {r.left, midY, midX, r.bottom},
                                   {midX, midY, r.right, r.bottom}};
  for (int q = 0; q < 4; ++q) {
    if ((h >> (24 + q)) & 1) Fill(buffer, quads[q], 0xFF000000u | Lighter(base, 72));
  }
  // A diagonal from the top-left corner, then a darker frame.
  for (std::int32_t i = 0; i < std::min(w, hgt); ++i) Fill(buffer, {r.left + i, r.top + i, r.left + i + 1, r.top + i + 1}, 0xFFFFFFFFu);
  Outline(buffer, r, 0xFF000000u | Darker(base));
}

void Compose(PixelBuffer& dst, const PixelBuffer& src, std::int32_t left, std::int32_t top) {
  const Clipped c = Clip(dst, {left, top, left + src.width, top + src.height});
  for (std::int32_t y = c.top; y < c.bottom; ++y) {
    for (std::int32_t x = c.left; x < c.right; ++x) {
      auto& px = dst.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(dst.width) + static_cast<std::size_t>(x)];
      px = Blend(px, src.At(x - left, y - top));
    }
  }
}

}  // namespace raster

}  // namespace mellox::sim
