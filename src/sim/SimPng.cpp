#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/SimRaster.h"

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wpedantic"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-function"
#endif
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb_image_write.h>
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#include <stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace mellox::sim {

bool WritePng(const std::string& path, const PixelBuffer& buffer) {
  if (buffer.width <= 0 || buffer.height <= 0) return false;
  std::vector<unsigned char> rgba;
  rgba.reserve(buffer.pixels.size() * 4);
  for (const std::uint32_t px : buffer.pixels) {
    rgba.push_back(static_cast<unsigned char>((px >> 16) & 0xFF));
    rgba.push_back(static_cast<unsigned char>((px >> 8) & 0xFF));
    rgba.push_back(static_cast<unsigned char>(px & 0xFF));
    rgba.push_back(static_cast<unsigned char>(px >> 24));
  }
  return stbi_write_png(path.c_str(), buffer.width, buffer.height, 4, rgba.data(), buffer.width * 4) != 0;
}

std::optional<PixelBuffer> ReadPng(const std::string& bytes) {
  int width = 0;
  int height = 0;
  int channels = 0;
  if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) return std::nullopt;
  std::unique_ptr<stbi_uc, void (*)(void*)> rgba(
      stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()), static_cast<int>(bytes.size()), &width,
                            &height, &channels, 4),
      stbi_image_free);
  if (!rgba) return std::nullopt;
  PixelBuffer buffer(width, height);
  const stbi_uc* px = rgba.get();
  for (std::uint32_t& out : buffer.pixels) {
    out = (std::uint32_t{px[3]} << 24) | (std::uint32_t{px[0]} << 16) | (std::uint32_t{px[1]} << 8) | px[2];
    px += 4;
  }
  return buffer;
}

}  // namespace mellox::sim
