#include <gtest/gtest.h>

#include <cstring>

#include "sim/SimNetworkMessage.h"

namespace mellox::sim {
namespace {

TEST(SimNetworkMessageTest, PathsBuildNestedStructsAndArrays) {
  SimNetworkMessage msg(0x02CF);
  msg.Set("object", 0x50000001)
      .Set("info.name", "Tester")
      .Set("spells.0.spell", 12)
      .Set("spells.1.spell", 7)
      .Set("spells.count", 2);
  EXPECT_EQ(msg.Type(), 0x02CF);
  EXPECT_EQ(std::get<std::int64_t>(msg.Value("object").value), 0x50000001);
  EXPECT_TRUE(msg.Value("missing").IsEmpty());
  EXPECT_EQ(msg.Struct("missing"), nullptr);
  EXPECT_EQ(std::get<std::string>(msg.Struct("info")->Value("name").value), "Tester");
  auto spells = msg.Struct("spells");
  ASSERT_NE(spells, nullptr);
  EXPECT_EQ(spells->Count(), 2);  // "count" is a field, not an element
  EXPECT_EQ(std::get<std::int64_t>(spells->Element(1)->Value("spell").value), 7);
  EXPECT_EQ(spells->Element(2), nullptr);
}

TEST(SimNetworkMessageTest, RawValuesCarryWholeNumbersAsEightLittleEndianBytes) {
  SimNetworkMessage msg(1);
  const std::int64_t big = 0x0123456789ABCDEFLL;
  msg.Set("xp", big).Set("neg", -2).SetRaw("blob", std::string("\x01\x00\x02", 3));
  const std::string raw = msg.RawValue("xp");
  ASSERT_EQ(raw.size(), 8u);
  std::int64_t back = 0;
  std::memcpy(&back, raw.data(), 8);  // the test machine is little-endian
  EXPECT_EQ(back, big);
  EXPECT_EQ(static_cast<unsigned char>(raw[0]), 0xEF);
  EXPECT_EQ(msg.RawValue("neg"), std::string(1, '\xFE') + std::string(7, '\xFF'));
  EXPECT_EQ(msg.RawValue("blob"), std::string("\x01\x00\x02", 3));
  EXPECT_EQ(std::get<std::string>(msg.Value("blob").value), std::string("\x01\x00\x02", 3));
  EXPECT_EQ(msg.RawValue("missing"), "");
}

TEST(SimNetworkMessageTest, ParseValueTypesText) {
  struct Case {
    const char* text;
    platform::Variant expected;
  };
  const Case cases[] = {
      {"42", std::int64_t{42}},
      {"-7", std::int64_t{-7}},
      {"0x1F", std::int64_t{31}},
      {"0xFFFFFFFFFFFFFFFF", std::int64_t{-1}},
      {"9223372036854775807", std::int64_t{9223372036854775807LL}},
      {"2.5", 2.5},
      {"-1e3", -1000.0},
      {".5", 0.5},
      {"99999999999999999999", 1e20},  // too big for a whole number
      {"inf", "inf"},
      {"1.2.3", "1.2.3"},
      {"0x", "0x"},
      {"", ""},
      {"Arial", "Arial"},
      {"12abc", "12abc"},
  };
  for (const auto& c : cases) EXPECT_EQ(SimNetworkMessage::ParseValue(c.text).value, c.expected.value) << c.text;
}

}  // namespace
}  // namespace mellox::sim
