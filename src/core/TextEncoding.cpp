#include "core/TextEncoding.h"

#include <array>
#include <cstddef>

namespace mellox {

namespace {

// The 0x80..0x9F row of Windows-1252; the rest matches Latin-1.
constexpr std::array<char32_t, 32> kHighRow = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Length of the sequence a lead byte starts, 0 for a byte that starts none.
std::size_t SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The code point of the well-formed sequence at text[i] and its length, or a length of 0.
std::size_t Decode(std::string_view text, std::size_t i, char32_t& cp) {
  const auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
  const unsigned char lead = at(0);
  const std::size_t n = SequenceLength(lead);
  if (n == 0 || i + n > text.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    if (!IsContinuation(at(k))) return 0;
  }
  switch (n) {
    case 1:
      cp = lead;
      return 1;
    case 2:
      cp = (char32_t{lead} & 0x1F) << 6 | (at(1) & 0x3F);
      return 2;
    case 3:
      cp = (char32_t{lead} & 0x0F) << 12 | char32_t{at(1) & 0x3Fu} << 6 | (at(2) & 0x3F);
      if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
      return 3;
    default:
      cp = (char32_t{lead} & 0x07) << 18 | char32_t{at(1) & 0x3Fu} << 12 | char32_t{at(2) & 0x3Fu} << 6 |
           (at(3) & 0x3F);
      if (cp < 0x10000 || cp > 0x10FFFF) return 0;
      return 4;
  }
}

}  // namespace

void TextEncoding::AppendUtf8(char32_t cp, std::string& out) {
  const auto put = [&](char32_t bits) { out += static_cast<char>(bits); };
  if (cp < 0x80) {
    put(cp);
  } else if (cp < 0x800) {
    put(0xC0 | cp >> 6);
    put(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    put(0xE0 | cp >> 12);
    put(0x80 | (cp >> 6 & 0x3F));
    put(0x80 | (cp & 0x3F));
  } else {
    put(0xF0 | cp >> 18);
    put(0x80 | (cp >> 12 & 0x3F));
    put(0x80 | (cp >> 6 & 0x3F));
    put(0x80 | (cp & 0x3F));
  }
}

char32_t TextEncoding::CodePoint(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 ? kHighRow[byte - 0x80] : char32_t{byte};
}

char TextEncoding::ByteOf(char32_t cp, std::size_t* lost) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
  for (std::size_t i = 0; i < kHighRow.size(); ++i) {
    if (kHighRow[i] == cp) return static_cast<char>(0x80 + i);
  }
  if (lost) ++*lost;
  return '?';
}

bool TextEncoding::IsAscii(std::string_view bytes) {
  for (const char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

std::string TextEncoding::ToUtf8(std::string_view game) {
  if (IsAscii(game)) return std::string(game);
  std::string out;
  out.reserve(game.size() + game.size() / 4);
  for (const char c : game) AppendUtf8(CodePoint(static_cast<unsigned char>(c)), out);
  return out;
}

std::string TextEncoding::FromUtf8(std::string_view utf8, std::size_t* lost) {
  if (IsAscii(utf8)) return std::string(utf8);
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t cp = 0;
    const std::size_t n = Decode(utf8, i, cp);
    if (n == 0) {
      out += '?';
      if (lost) ++*lost;
      ++i;
      continue;
    }
    out += ByteOf(cp, lost);
    i += n;
  }
  return out;
}

bool TextEncoding::IsValidUtf8(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    char32_t cp = 0;
    const std::size_t n = Decode(bytes, i, cp);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

}  // namespace mellox
