// The one converter between the game's single-byte text (Windows-1252) and
// the UTF-8 that files for other programs hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace mellox {

class TextEncoding {
 public:
  // The Unicode code point of a game byte. The five bytes Windows-1252 leaves
  // undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the C1 controls of the
  // same value, so every byte survives a trip through UTF-8.
  static char32_t CodePoint(unsigned char byte);
  // The game byte of a code point, or '?' when Windows-1252 cannot hold it
  // (counted in lost, when given).
  static char ByteOf(char32_t codePoint, std::size_t* lost = nullptr);

  // Appends a code point (up to U+10FFFF) as UTF-8.
  static void AppendUtf8(char32_t codePoint, std::string& out);
  // Game text as UTF-8.
  static std::string ToUtf8(std::string_view game);
  // UTF-8 as game text, one '?' for every character the code page lacks
  // (counted in lost, when given). Call only on valid UTF-8 (a malformed
  // sequence gives one '?' per byte).
  static std::string FromUtf8(std::string_view utf8, std::size_t* lost = nullptr);
  // Well-formed UTF-8: no overlong forms, surrogates or values above U+10FFFF.
  static bool IsValidUtf8(std::string_view bytes);
  // True when every byte is below 0x80 (the same text in both encodings).
  static bool IsAscii(std::string_view bytes);
};

}  // namespace mellox
