#include "core/HubConvert.h"

#include <cmath>

#include "core/Trap.h"
#include "core/VB.h"
#include "core/VBError.h"

namespace mellox::Hub {

namespace {

const HudColor* FindColorByName(std::string_view name) {
  for (const auto& c : HudColorTable)
    if (name == c.name) return &c;
  return nullptr;
}

std::uint32_t RgbValue(std::string_view name) {
  const HudColor* c = FindColorByName(name);
  const char* rgb = c ? c->rgb : "FFFFFF";
  std::uint32_t v = 0;
  for (const char* p = rgb; *p; ++p) {
    const char ch = *p;
    const std::uint32_t digit = (ch >= '0' && ch <= '9') ? static_cast<std::uint32_t>(ch - '0')
                                                         : static_cast<std::uint32_t>(ch - 'A' + 10);
    v = v * 16 + digit;
  }
  return v;
}

// An ARGB word read as the signed 32-bit value the displays carry.
double SignedArgb(std::uint8_t alpha, std::uint32_t rgb) {
  const std::uint32_t word = (static_cast<std::uint32_t>(alpha) << 24) | (rgb & 0xFFFFFFu);
  return static_cast<double>(static_cast<std::int32_t>(word));
}

std::string Whole(double x) { return vb::CStr(x); }

std::string TwoDigits(double x) { return x < 10 ? "0" + Whole(x) : Whole(x); }

}  // namespace

double Floor(double x) { return std::floor(x); }

double Ceiling(double x) { return -Floor(-x); }

double FMod(double a, double b) {
  if (b == 0) Raise(11);
  double r = a - Floor(a / b) * b;
  if (r != 0 && ((a < 0) != (b < 0))) r -= b;
  return r;
}

double Sign(double x) {
  if (x < 0) return -1;
  if (x > 0) return 1;
  return 0;
}

std::string FormatCount(double value, bool allowInfinite) {
  if (allowInfinite && value == -1) return "Infinate";
  if (value == 0) return "0";
  return vb::FormatGrouped(value);
}

std::int32_t GetAlphaStep(std::string_view text) {
  for (const auto& a : AlphaSteps)
    if (text == a.text) return a.step;
  return 0;
}

std::uint8_t AlphaByte(std::int32_t alphaStep) {
  for (const auto& a : AlphaSteps)
    if (a.step == alphaStep) return a.alpha;
  return 0xFF;
}

std::string ConvTime(double seconds, std::int32_t style, bool isSigned) {
  std::string result;
  TrapModule("ConvTime", "Hub", [&] {
    const bool negative = seconds < 0;
    if (isSigned && negative) seconds = std::fabs(seconds);
    const double s = FMod(Floor(seconds), 60);
    const double m = FMod(Floor(seconds / 60), 60);
    const double h = FMod(Floor(seconds / 60 / 60), 24);
    const double d = Floor(seconds / 60 / 60 / 24);
    // A unit that is zero or negative counts as absent.
    const bool hasS = s > 0, hasM = m > 0, hasH = h > 0, hasD = d > 0;

    std::string out;
    if (style == 10) {
      if (hasD) out += Whole(d) + " Days, ";
      if (hasH || hasD) out += Whole(h) + " Hours, ";
      if (hasM || hasH || hasD) out += Whole(m) + " Minutes, ";
      if (hasS || hasM || hasH || hasD) out += Whole(s) + " Seconds";
      result = out;
      return;
    }

    if (isSigned && negative) out = "-";
    if (h >= 10) {
      out += Whole(h) + ":";
    } else if (hasH) {
      out += (style == 0 ? Whole(h) : TwoDigits(h)) + ":";
    } else if (style == 1) {
      out += "00:";
    }
    if (m >= 10 || hasM) {
      out += TwoDigits(m) + ":";
    } else if (style == 1 || hasH) {
      out += "00:";
    }
    if (s >= 10 || hasS) {
      out += TwoDigits(s);
    } else if (style == 1 || hasM || hasH) {
      out += "00";
    }
    result = out;
  });
  return result;
}

double ConvertColor(const std::string& colorName, std::int32_t alphaStep) {
  double result = 0;
  TrapModule("ConvertColor", "Hub", [&] { result = SignedArgb(AlphaByte(alphaStep), RgbValue(colorName)); });
  return result;
}

double GetHUDOutlineColor(const std::string& colorName) {
  double result = 0;
  TrapModule("GetHUDOutlineColor", "Hub",
             [&] { result = SignedArgb(0xFF, colorName == "Black" ? 0xFFFFFFu : 0x000000u); });
  return result;
}

std::int32_t GetColorFromIcon(const std::string& colorName) {
  std::int32_t result = 0;
  TrapModule("GetColorFromIcon", "Hub", [&] {
    const HudColor* c = FindColorByName(colorName);
    result = c ? c->icon : 101;
  });
  return result;
}

std::string GetColorFromHUDIcon(std::int32_t iconId) {
  std::string result;
  TrapModule("GetColorFromHUDIcon", "Hub", [&] {
    result = "White";
    for (const auto& c : HudColorTable)
      if (c.icon == iconId) result = c.name;
  });
  return result;
}

}  // namespace mellox::Hub
