// The three vital alarms: a looping sound below the threshold, stopped at or
// above it, each alarm independent of the others.
#include <gtest/gtest.h>

#include "host/AutomationFixture.h"

namespace mellox::test {
namespace {

constexpr std::int32_t kHealth = 2;
constexpr std::int32_t kStamina = 4;
constexpr std::int32_t kMana = 6;

class VitalAlarmTest : public AutomationTest {
 protected:
  // Health below 50 %, stamina below 25 % and mana below 30 % ("%" anywhere or nowhere).
  void SetUp() override {
    AutomationTest::SetUp();
    EditDefaults(R"(healthon="False" healthper="0%" healthsound="None" staminaon="False" staminaper="0%")",
                 R"(healthon="True" healthper="50%" healthsound="Alarm.wav" staminaon="True" staminaper="25")");
    EditDefaults(R"(staminasound="None" manaon="False" manaper="0%")",
                 R"(staminasound="Pulse.wav" manaon="True" manaper="3%0")");
    EditDefaults(R"(manasound="None")", R"(manasound="Siren.wav")");
    for (std::int32_t vital : {kHealth, kStamina, kMana}) {
      host->Character().SetMaximum(vital, 100);
      host->Character().RaiseVital(vital, 100);
    }
  }
  Lines Vital(std::int32_t vital, std::int32_t value) {
    const auto mark = Mark();
    host->Character().RaiseVital(vital, value);
    return Actions(mark);
  }
};

TEST_F(VitalAlarmTest, EachAlarmLoopsBelowItsThresholdAndStopsAtIt) {
  EXPECT_TRUE(Vital(kHealth, 40).empty());  // nothing before the login
  Login();
  EXPECT_EQ(Vital(kHealth, 49), Lines{"sound: loop Alarm.wav"});
  EXPECT_TRUE(Vital(kHealth, 20).empty());  // already looping: not restarted
  EXPECT_EQ(Vital(kHealth, 50), Lines{"sound: stop Alarm.wav"});
  // Any vital's change checks all three; the others keep their state.
  host->Character().SetHealth(10);
  EXPECT_EQ(Vital(kMana, 100), Lines{"sound: loop Alarm.wav"});
  EXPECT_EQ(Vital(kMana, 29), Lines{"sound: loop Siren.wav"});
  EXPECT_EQ(Vital(kStamina, 24), Lines{"sound: loop Pulse.wav"});
  EXPECT_EQ(Vital(kStamina, 25), Lines{"sound: stop Pulse.wav"});
  EXPECT_EQ(Vital(kHealth, 100), Lines{"sound: stop Alarm.wav"});
  // Unticked: skipped; no sound loaded: silent.
  ch().AlarmHealthOn->CheckedLet(false);
  fh().ManaSound->UnSetSound();
  EXPECT_TRUE(Vital(kHealth, 1).empty());
  EXPECT_TRUE(Vital(kMana, 1).empty());
  // A logoff silences the alarm that loops, and no change starts one again
  // until the next login.
  EXPECT_EQ(Vital(kStamina, 10), Lines{"sound: loop Pulse.wav"});
  const auto mark = Mark();
  host->Character().RaiseLogoff();
  EXPECT_EQ(Actions(mark), Lines{"sound: stop Pulse.wav"});
  EXPECT_TRUE(Vital(kStamina, 5).empty());
  // The login loads the sounds again: mana, still at 1, loops too.
  Login();
  EXPECT_EQ(Vital(kStamina, 4), (Lines{"sound: loop Pulse.wav", "sound: loop Siren.wav"}));
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(VitalAlarmTest, ABrokenAlarmNeitherSilencesTheOthersNorReportsOnEveryChange) {
  Login();
  host->Character().SetMaximum(kHealth, 0);  // not known yet: skipped quietly
  EXPECT_EQ(Vital(kStamina, 10), Lines{"sound: loop Pulse.wav"});
  host->Character().SetMaximum(kHealth, 100);
  ch().AlarmStaminaPer->TextLet("abc");
  EXPECT_EQ(Vital(kHealth, 10), Lines{"sound: loop Alarm.wav"});
  EXPECT_EQ(Vital(kMana, 10), Lines{"sound: loop Siren.wav"});
  EXPECT_EQ(errors, Lines{"FilterHandler.Char_ChangeVital #13"});
  // Told again once it has been fixed and broken anew.
  ch().AlarmStaminaPer->TextLet("50%");
  Vital(kStamina, 10);
  ch().AlarmStaminaPer->TextLet("");
  Vital(kStamina, 10);
  EXPECT_EQ(errors.size(), 2u);
  // Each login tells its own: the next one finds the same text and says so once.
  host->Character().RaiseLogoff();
  Login();
  ASSERT_EQ(ch().AlarmStaminaPer->TextGet(), "");
  Vital(kStamina, 10);
  Vital(kStamina, 9);
  EXPECT_EQ(errors.size(), 3u);
}

}  // namespace
}  // namespace mellox::test
