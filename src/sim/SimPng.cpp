#include <cstdint>
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

}  // namespace mellox::sim
