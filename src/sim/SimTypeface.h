// The font files the simulated host measures and draws text with: the
// Liberation fonts (metric-compatible with Arial, Times New Roman and
// Courier New) and DejaVu Sans for every other face. Text is bytes in the
// game's single-byte code page (Windows-1252).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace mellox::sim {

class SimTypeface {
 public:
  // The typeface for a face name, regular or bold; loaded once and kept for
  // the run. Null when its font file is not installed.
  static SimTypeface* Find(const std::string& face, bool bold);

  ~SimTypeface();
  SimTypeface(const SimTypeface&) = delete;
  SimTypeface& operator=(const SimTypeface&) = delete;

  // Pixel width of a line at a pixel height (the font's ascent to descent).
  std::int32_t Measure(const std::string& text, std::int32_t pixelHeight);
  // Distance from the top of a line to its baseline, and from one line to the next.
  std::int32_t Ascent(std::int32_t pixelHeight) const;
  std::int32_t LineHeight(std::int32_t pixelHeight) const;

  // A glyph's coverage bitmap (0..255, row-major) placed relative to the pen
  // on the baseline.
  struct Glyph {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t xoff = 0;
    std::int32_t yoff = 0;
    std::vector<std::uint8_t> coverage;
  };
  const Glyph& GlyphFor(unsigned char byte, std::int32_t pixelHeight);
  // Advance after the byte, kerning against the next one (0 at the end), in pixels.
  float Advance(unsigned char byte, unsigned char next, std::int32_t pixelHeight);

  const std::string& Path() const { return path_; }

 private:
  struct Impl;
  explicit SimTypeface(std::string path, std::vector<unsigned char> data);
  std::string path_;
  std::unique_ptr<Impl> impl_;
};

// Windows-1252 byte to Unicode code point.
std::int32_t CodePointOf(unsigned char byte);

}  // namespace mellox::sim
