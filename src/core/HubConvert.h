// Number, duration and colour conversions of the Hub module: pure functions
// of their arguments.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace mellox::Hub {

struct HudColor {
  const char* name;
  const char* rgb;  // RRGGBB
  std::int32_t icon;
};

// The 18 colours of the on-screen displays, with their swatch icons.
inline constexpr std::array<HudColor, 18> HudColorTable{{
    {"White", "FFFFFF", 101},
    {"Grey", "C0C0C0", 115},
    {"Black", "000000", 116},
    {"Red", "FF0000", 117},
    {"Light Red", "FF9999", 118},
    {"Blue", "4040FF", 119},
    {"Light Blue", "80FFFF", 120},
    {"Turquoise", "00C0C0", 121},
    {"Green", "00AF00", 122},
    {"Light Green", "00FF00", 123},
    {"Yellow", "FFFF00", 124},
    {"Dark Yellow", "C0C000", 125},
    {"Purple", "FF00FF", 126},
    {"Light Purple", "FFA4FF", 127},
    {"Pink", "FFC0C0", 128},
    {"Peach", "FFE5B4", 129},
    {"Orange", "FF8000", 130},
    {"Light Orange", "FFC488", 131},
}};

struct AlphaStep {
  const char* text;  // transparency as offered in the settings
  std::int32_t step;
  std::uint8_t alpha;
};

// Transparency texts, their alpha steps and alpha bytes (step * 25.5, halves up).
inline constexpr std::array<AlphaStep, 11> AlphaSteps{{
    {"0%", 10, 0xFF},
    {"10%", 9, 0xE6},
    {"20%", 8, 0xCC},
    {"30%", 7, 0xB3},
    {"40%", 6, 0x99},
    {"50%", 5, 0x80},
    {"60%", 4, 0x66},
    {"70%", 3, 0x4D},
    {"80%", 2, 0x33},
    {"90%", 1, 0x1A},
    {"100%", 0, 0x00},
}};

// These have no error trap: overflow and division by zero reach the caller.
double Ceiling(double x);
double Floor(double x);
// Remainder of truncating division: the sign of a. b = 0 raises error 11.
double FMod(double a, double b);
double Sign(double x);
// "Infinate" for -1 when allowed, else the value grouped with no decimals.
std::string FormatCount(double value, bool allowInfinite);
std::int32_t GetAlphaStep(std::string_view text);

// These trap and report under the module "!Hub".
// Style 10 words, style 1 full clock, style 0 and others short clock.
std::string ConvTime(double seconds, std::int32_t style, bool isSigned);
// ARGB of a named colour and alpha step, as a signed 32-bit value in a double.
double ConvertColor(const std::string& colorName, std::int32_t alphaStep);
double GetHUDOutlineColor(const std::string& colorName);
std::int32_t GetColorFromIcon(const std::string& colorName);
std::string GetColorFromHUDIcon(std::int32_t iconId);

// The alpha byte of a step ("FF" outside 0..9).
std::uint8_t AlphaByte(std::int32_t alphaStep);

}  // namespace mellox::Hub
