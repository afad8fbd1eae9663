#include "FileText.h"

#include <cstddef>

#include "core/TextEncoding.h"

namespace mellox::app {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Text of width-byte units (2: UTF-16, 4: UTF-32) as UTF-8; a cut-off last unit reads as U+FFFD.
std::string FromUnits(std::string_view bytes, std::size_t width, bool bigEndian) {
  const std::size_t units = bytes.size() / width;
  const auto unit = [&](std::size_t k) {
    char32_t u = 0;
    for (std::size_t b = 0; b < width; ++b)
      u = u << 8 | static_cast<unsigned char>(bytes[k * width + (bigEndian ? b : width - 1 - b)]);
    return u;
  };
  const auto surrogate = [](char32_t u, char32_t first) { return u >= first && u < first + 0x400; };
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t k = 0; k < units; ++k) {
    char32_t cp = unit(k);
    if (width == 2 && surrogate(cp, 0xD800) && k + 1 < units && surrogate(unit(k + 1), 0xDC00)) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(++k) - 0xDC00);
    } else if (surrogate(cp, 0xD800) || surrogate(cp, 0xDC00) || cp > 0x10FFFF) {
      cp = kReplacement;
    }
    TextEncoding::AppendUtf8(cp, out);
  }
  if (bytes.size() % width != 0) TextEncoding::AppendUtf8(kReplacement, out);
  return out;
}

}  // namespace

std::string ReadableText(std::string_view bytes) {
  const auto mark = [&](std::string_view m) {
    if (!bytes.starts_with(m)) return false;
    bytes.remove_prefix(m.size());
    return true;
  };
  using namespace std::string_view_literals;
  // UTF-32's little-endian mark begins like UTF-16's: it is looked for first.
  if (mark("\xFF\xFE\0\0"sv)) return FromUnits(bytes, 4, false);
  if (mark("\0\0\xFE\xFF"sv)) return FromUnits(bytes, 4, true);
  if (mark("\xFF\xFE"sv)) return FromUnits(bytes, 2, false);
  if (mark("\xFE\xFF"sv)) return FromUnits(bytes, 2, true);
  // Marked UTF-8 stays UTF-8, a stray byte in it too.
  if (mark("\xEF\xBB\xBF"sv)) return std::string(bytes);
  return TextEncoding::IsValidUtf8(bytes) ? std::string(bytes) : TextEncoding::ToUtf8(bytes);
}

}  // namespace mellox::app
