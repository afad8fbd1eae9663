#include "core/TextEncoding.h"

#include <gtest/gtest.h>

namespace mellox {
namespace {

TEST(TextEncodingTest, EveryGameByteSurvivesUtf8) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::string utf8 = TextEncoding::ToUtf8(all);
  EXPECT_TRUE(TextEncoding::IsValidUtf8(utf8));
  EXPECT_EQ(TextEncoding::FromUtf8(utf8), all);
  EXPECT_EQ(TextEncoding::ToUtf8("caf\xE9"), "caf\xC3\xA9");
  EXPECT_EQ(TextEncoding::ToUtf8("\x80\x9F"), "\xE2\x82\xAC\xC5\xB8");  // euro sign, Y with diaeresis
  // Bytes the code page leaves undefined go out as the C1 control of the same value.
  EXPECT_EQ(TextEncoding::ToUtf8("\x81\x8D\x8F\x90\x9D"), "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
}

TEST(TextEncodingTest, CharactersTheCodePageLacksBecomeOneQuestionMarkEach) {
  EXPECT_EQ(TextEncoding::FromUtf8("\xE6\x97\xA5\xE6\x9C\xAC ok"), "?? ok");  // two CJK characters
  EXPECT_EQ(TextEncoding::FromUtf8("\xF0\x9F\x98\x80!"), "?!");                // outside the BMP
  EXPECT_EQ(TextEncoding::FromUtf8("\xC2\x80\xC2\x81"), "?\x81");              // only the undefined C1 come back
  EXPECT_EQ(TextEncoding::FromUtf8("\xE2\x82\xAC \xE2\x84\xA2"), "\x80 \x99");
}

TEST(TextEncodingTest, OnlyWellFormedUtf8IsValid) {
  EXPECT_TRUE(TextEncoding::IsValidUtf8("plain"));
  EXPECT_TRUE(TextEncoding::IsValidUtf8("caf\xC3\xA9 \xF4\x8F\xBF\xBF"));
  for (const char* bad : {"caf\xE9", "\xC3", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                          "\xA9", "\xC3\x28"}) {
    EXPECT_FALSE(TextEncoding::IsValidUtf8(bad)) << bad;
  }
}

}  // namespace
}  // namespace mellox
