#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/SimClock.h"
#include "sim/SimEchoFilter.h"
#include "sim/SimIdentifier.h"
#include "sim/SimWorld.h"
#include "sim/SimWorldObject.h"

namespace mellox::sim {
namespace {

std::int64_t Whole(const platform::Variant& v) {
  const auto* n = std::get_if<std::int64_t>(&v.value);
  return n ? *n : -999;
}

class SimIdentifierTest : public ::testing::Test {
 protected:
  SimClock clock;
  SimWorld world{[] { return 0x50000001; }};
  SimEchoFilter echo;
  SimIdentifier identifier{clock, world, echo};
  // One line per answer: "object flags health/max change".
  std::vector<std::string> answers;
  platform::Connection messages = echo.EchoServer.Connect([this](const auto& m) {
    if (m->Type() != SimIdentifier::kGameEvent || Whole(m->Value("event")) != SimIdentifier::kIdentifyEvent)
      return;
    std::string line =
        std::to_string(Whole(m->Value("object"))) + " " + std::to_string(Whole(m->Value("flags")));
    if (Whole(m->Value("flags")) != 0)
      line += " " + std::to_string(Whole(m->Value("health"))) + "/" +
              std::to_string(Whole(m->Value("healthMax")));
    EXPECT_EQ(Whole(m->Value("success")), 1);
    EXPECT_EQ(Whole(m->Value("spellCount")), 0);
    answers.push_back(line);
  });
  platform::Connection changes = world.ChangeObject.Connect([this](const auto& o, std::int32_t change) {
    answers.push_back("change " + std::to_string(o->Id()) + " " + std::to_string(change));
  });
};

TEST_F(SimIdentifierTest, RequestsAreAnsweredAfterTheFixedDelayInOrder) {
  auto& drudge = world.AddObject(7, "Drudge", 5);
  world.AddObject(8, "Mana Stone", 6);
  identifier.Request(7);
  clock.Advance(200);
  identifier.Request(8);
  clock.Advance(SimIdentifier::kAnswerDelayMs - 201);
  EXPECT_TRUE(answers.empty());
  EXPECT_FALSE(drudge.HasIdentifyData());
  clock.Advance(1);
  // A creature reports its health (full until set); other objects none.
  EXPECT_EQ(answers, (std::vector<std::string>{"7 256 100/100", "change 7 2"}));
  EXPECT_TRUE(drudge.HasIdentifyData());
  EXPECT_DOUBLE_EQ(drudge.LastIdentified(), static_cast<double>(clock.UnixNow()));
  clock.Advance(200);
  EXPECT_EQ(answers.size(), 4u);
  EXPECT_EQ(answers[2], "8 0");
  EXPECT_EQ(identifier.Pending(), 0u);
}

TEST_F(SimIdentifierTest, AnAnswerAtOnceReplacesThePendingOneAndGoneObjectsGetNone) {
  world.AddObject(7, "Drudge", 24).SetHealth(40, 80);
  world.AddObject(9, "Apple", 6);
  identifier.Request(7);
  identifier.Request(9);
  EXPECT_TRUE(identifier.Answer(7));
  EXPECT_EQ(answers, (std::vector<std::string>{"7 256 40/80", "change 7 2"}));
  world.RemoveObject(9);
  clock.Advance(5000);
  EXPECT_EQ(answers.size(), 2u);
  EXPECT_FALSE(identifier.Answer(9));
  // A game that never answers.
  identifier.SetAnswering(false);
  identifier.Request(7);
  clock.Advance(5000);
  EXPECT_EQ(answers.size(), 2u);
}

}  // namespace
}  // namespace mellox::sim
