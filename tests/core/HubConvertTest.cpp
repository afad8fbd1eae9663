#include "core/HubConvert.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/VBError.h"

namespace mellox::Hub {
namespace {

struct ConvTimeCase {
  double seconds;
  bool isSigned;
  int style;
  const char* expected;
};

TEST(HubConvertTest, ConvTimeClockAndWords) {
  const ConvTimeCase cases[] = {
      {3725, false, 1, "01:02:05"},
      {3725, false, 0, "1:02:05"},
      {3725, false, 2, "01:02:05"},
      {125, false, 1, "00:02:05"},
      {125, false, 0, "02:05"},
      {5, false, 0, "05"},
      {90061, false, 10, "1 Days, 1 Hours, 1 Minutes, 1 Seconds"},
      {90061, false, 1, "01:01:01"},
      {3600, false, 10, "1 Hours, 0 Minutes, 0 Seconds"},
      {3600, false, 0, "1:00:00"},
      {-65, true, 1, "-00:01:05"},
      {-65, true, 0, "-01:05"},
      {-65, true, 10, "1 Minutes, 5 Seconds"},
      {0, false, 0, ""},
      {0, false, 10, ""},
      {0, false, 1, "00:00:00"},
      {-65, false, 1, "00:00:00"},
      {-65, false, 0, ""},
      {-65, false, 10, ""},
      {90000, false, 1, "01:00:00"},
      {59.9, false, 10, "59 Seconds"},
      {36000 + 600 + 10, false, 0, "10:10:10"},
      {60, false, 0, "01:00"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ConvTime(c.seconds, c.style, c.isSigned), c.expected)
        << c.seconds << " signed " << c.isSigned << " style " << c.style;
}

TEST(HubConvertTest, RoundingAndRemainders) {
  EXPECT_EQ(Ceiling(2.1), 3);
  EXPECT_EQ(Ceiling(-2.1), -2);
  EXPECT_EQ(Ceiling(2), 2);
  EXPECT_EQ(Floor(-2.1), -3);
  EXPECT_EQ(FMod(-7, 3), -1);
  EXPECT_EQ(FMod(7, -3), 1);
  EXPECT_EQ(FMod(-6, 3), 0);
  EXPECT_EQ(FMod(0, 3), 0);
  EXPECT_EQ(FMod(7.5, 2), 1.5);
  EXPECT_EQ(Sign(-0.5), -1);
  EXPECT_EQ(Sign(0), 0);
  EXPECT_EQ(Sign(3), 1);
  try {
    FMod(1, 0);
    FAIL() << "no error";
  } catch (const VBError& e) {
    EXPECT_EQ(e.Number(), 11);
  }
}

TEST(HubConvertTest, FormatCount) {
  EXPECT_EQ(FormatCount(-1, true), "Infinate");
  EXPECT_EQ(FormatCount(-1, false), "-1");
  EXPECT_EQ(FormatCount(0, true), "0");
  EXPECT_EQ(FormatCount(1234567, false), "1,234,567");
  EXPECT_EQ(FormatCount(-1234.5, true), "-1,235");
}

TEST(HubConvertTest, ColoursAndAlphaSteps) {
  EXPECT_EQ(ConvertColor("White", 10), -1);
  EXPECT_EQ(ConvertColor("Red", 0), 16711680);
  EXPECT_EQ(ConvertColor("Black", 5), -2147483648.0);
  EXPECT_EQ(ConvertColor("white", 10), -1);  // unknown names count as white
  EXPECT_EQ(ConvertColor("Black", 42), -16777216);  // steps outside 0..9 are opaque
  EXPECT_EQ(ConvertColor("Light Orange", 3), static_cast<double>(0x4DFFC488));
  EXPECT_EQ(GetHUDOutlineColor("Black"), -1);
  EXPECT_EQ(GetHUDOutlineColor("White"), -16777216);

  EXPECT_EQ(GetColorFromIcon("Peach"), 129);
  EXPECT_EQ(GetColorFromIcon("peach"), 101);
  EXPECT_EQ(GetColorFromHUDIcon(131), "Light Orange");
  EXPECT_EQ(GetColorFromHUDIcon(101), "White");
  EXPECT_EQ(GetColorFromHUDIcon(5), "White");
  for (const auto& c : HudColorTable) EXPECT_EQ(GetColorFromHUDIcon(GetColorFromIcon(c.name)), c.name);

  EXPECT_EQ(GetAlphaStep("0%"), 10);
  EXPECT_EQ(GetAlphaStep("70%"), 3);
  EXPECT_EQ(GetAlphaStep("100%"), 0);
  EXPECT_EQ(GetAlphaStep(""), 0);
  EXPECT_EQ(GetAlphaStep("55%"), 0);
  // The byte is the step times 25.5 with halves rounded up.
  for (int step = 0; step <= 10; ++step)
    EXPECT_EQ(AlphaByte(step), static_cast<int>(std::floor(step * 25.5 + 0.5))) << step;
}

}  // namespace
}  // namespace mellox::Hub
