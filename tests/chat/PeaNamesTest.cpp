#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chat/ChatTextHandler.h"

namespace mellox::test {
namespace {

TEST(PeaNames, ComponentToPea) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Pyreal Scarab", "Pyreal Pea"},
      {"Hyssop", "Hyssop Pea"},
      {"Powdered Lapis Lazuli", "Powdered Lapis Lazuli Pea"},
      {"Oak Talisman", "Oak Pea"},
      {"Turquoise Taper", "Turquoise Pea"},
      {"Prismatic Taper", "Prismatic Pea"},
      // Only the listed names, exactly.
      {"hyssop", "Unknown Pea"},
      {"Hyssop ", "Unknown Pea"},
      {"Gold Pea", "Unknown Pea"},
      {"Mana Scarab", "Unknown Pea"},
      {"", "Unknown Pea"},
  };
  for (const auto& [component, pea] : cases) EXPECT_EQ(ChatTextHandler::PeaName(component), pea) << component;
}

}  // namespace
}  // namespace mellox::test
