#include "sim/SimTypeface.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "core/TextEncoding.h"
#include "core/VB.h"

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wpedantic"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wcast-qual"
#endif
#define STB_TRUETYPE_IMPLEMENTATION
#define STBTT_STATIC
#include <stb_truetype.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace mellox::sim {

namespace {

namespace fs = std::filesystem;

// Sizes outside this range come from bogus input; they are drawn clamped.
constexpr std::int32_t kMinPixels = 1;
constexpr std::int32_t kMaxPixels = 256;

std::int32_t ClampPixels(std::int32_t h) { return std::clamp(h, kMinPixels, kMaxPixels); }

// Where the Debian font packages put the files (the newer package first).
constexpr std::array<const char*, 3> kFontFolders = {
    "/usr/share/fonts/truetype/liberation2/",
    "/usr/share/fonts/truetype/liberation/",
    "/usr/share/fonts/truetype/dejavu/",
};

std::string FileFor(const std::string& face, bool bold) {
  if (vb::TextEqual(face, "Arial")) return bold ? "LiberationSans-Bold.ttf" : "LiberationSans-Regular.ttf";
  if (vb::TextEqual(face, "Times New Roman")) return bold ? "LiberationSerif-Bold.ttf" : "LiberationSerif-Regular.ttf";
  if (vb::TextEqual(face, "Courier New")) return bold ? "LiberationMono-Bold.ttf" : "LiberationMono-Regular.ttf";
  return bold ? "DejaVuSans-Bold.ttf" : "DejaVuSans.ttf";
}

std::vector<unsigned char> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

std::int32_t CodePointOf(unsigned char byte) { return static_cast<std::int32_t>(TextEncoding::CodePoint(byte)); }

struct SimTypeface::Impl {
  std::vector<unsigned char> data;
  stbtt_fontinfo info{};
  int ascent = 0;
  int descent = 0;
  int lineGap = 0;
  std::array<int, 256> glyphIndex{};
  std::array<int, 256> advance{};  // font units
  // Kerning of byte pairs in font units, looked up once each (the font's
  // tables are slow to search).
  std::vector<std::int16_t> kerning = std::vector<std::int16_t>(256 * 256, kUnknownKerning);
  std::unordered_map<std::uint32_t, Glyph> glyphs;  // (pixel height << 8) | byte
  static constexpr std::int16_t kUnknownKerning = INT16_MIN;

  float Scale(std::int32_t pixelHeight) { return stbtt_ScaleForPixelHeight(&info, static_cast<float>(ClampPixels(pixelHeight))); }
};

SimTypeface::SimTypeface(std::string path, std::vector<unsigned char> data)
    : path_(std::move(path)), impl_(std::make_unique<Impl>()) {
  impl_->data = std::move(data);
}

SimTypeface::~SimTypeface() = default;

SimTypeface* SimTypeface::Find(const std::string& face, bool bold) {
  static std::map<std::string, std::unique_ptr<SimTypeface>> loaded;
  const std::string file = FileFor(face, bold);
  const auto known = loaded.find(file);
  if (known != loaded.end()) return known->second.get();

  std::unique_ptr<SimTypeface> typeface;
  for (const char* folder : kFontFolders) {
    const fs::path path = fs::path(folder) / file;
    std::vector<unsigned char> data = ReadFile(path);
    if (data.empty()) continue;
    auto candidate = std::unique_ptr<SimTypeface>(new SimTypeface(path.string(), std::move(data)));
    Impl& d = *candidate->impl_;
    const int offset = stbtt_GetFontOffsetForIndex(d.data.data(), 0);
    if (offset < 0 || !stbtt_InitFont(&d.info, d.data.data(), offset)) continue;
    stbtt_GetFontVMetrics(&d.info, &d.ascent, &d.descent, &d.lineGap);
    for (int b = 0; b < 256; ++b) {
      d.glyphIndex[b] = stbtt_FindGlyphIndex(&d.info, CodePointOf(static_cast<unsigned char>(b)));
      int bearing = 0;
      stbtt_GetGlyphHMetrics(&d.info, d.glyphIndex[b], &d.advance[b], &bearing);
    }
    typeface = std::move(candidate);
    break;
  }
  // A missing file is remembered too, so it is looked for only once.
  SimTypeface* result = typeface.get();
  loaded.emplace(file, std::move(typeface));
  return result;
}

std::int32_t SimTypeface::Ascent(std::int32_t pixelHeight) const {
  return static_cast<std::int32_t>(std::lround(impl_->ascent * impl_->Scale(pixelHeight)));
}

std::int32_t SimTypeface::LineHeight(std::int32_t pixelHeight) const {
  return static_cast<std::int32_t>(
      std::lround((impl_->ascent - impl_->descent + impl_->lineGap) * impl_->Scale(pixelHeight)));
}

float SimTypeface::Advance(unsigned char byte, unsigned char next, std::int32_t pixelHeight) {
  Impl& d = *impl_;
  const float scale = d.Scale(pixelHeight);
  int kern = 0;
  if (next != 0) {
    std::int16_t& known = d.kerning[static_cast<std::size_t>(byte) * 256 + next];
    if (known == Impl::kUnknownKerning) {
      known = static_cast<std::int16_t>(
          std::clamp(stbtt_GetGlyphKernAdvance(&d.info, d.glyphIndex[byte], d.glyphIndex[next]), -32767, 32767));
    }
    kern = known;
  }
  return static_cast<float>(d.advance[byte] + kern) * scale;
}

std::int32_t SimTypeface::Measure(const std::string& text, std::int32_t pixelHeight) {
  float width = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    width += Advance(byte, next, pixelHeight);
  }
  return static_cast<std::int32_t>(std::lround(width));
}

const SimTypeface::Glyph& SimTypeface::GlyphFor(unsigned char byte, std::int32_t pixelHeight) {
  Impl& d = *impl_;
  const std::int32_t height = ClampPixels(pixelHeight);
  const std::uint32_t key = (static_cast<std::uint32_t>(height) << 8) | byte;
  const auto it = d.glyphs.find(key);
  if (it != d.glyphs.end()) return it->second;
  Glyph glyph;
  const float scale = d.Scale(height);
  int x0 = 0;
  int y0 = 0;
  int x1 = 0;
  int y1 = 0;
  stbtt_GetGlyphBitmapBox(&d.info, d.glyphIndex[byte], scale, scale, &x0, &y0, &x1, &y1);
  glyph.width = std::max(0, x1 - x0);
  glyph.height = std::max(0, y1 - y0);
  glyph.xoff = x0;
  glyph.yoff = y0;
  if (glyph.width > 0 && glyph.height > 0) {
    glyph.coverage.assign(static_cast<std::size_t>(glyph.width) * static_cast<std::size_t>(glyph.height), 0);
    stbtt_MakeGlyphBitmap(&d.info, glyph.coverage.data(), glyph.width, glyph.height, glyph.width, scale, scale,
                          d.glyphIndex[byte]);
  }
  return d.glyphs.emplace(key, std::move(glyph)).first->second;
}

}  // namespace mellox::sim
