#include <gtest/gtest.h>

#include "core/DX8Sound.h"
#include "host/FilterHandler.h"
#include "host/HostTestFixture.h"
#include "settings_view/ControlHandler.h"
#include "sim/SimCheckBox.h"
#include "sim/SimChoice.h"
#include "sim/SimEdit.h"
#include "sim/SimView.h"

namespace mellox::test {
namespace {

using AlarmPageEventsTest = HostTest;

TEST_F(AlarmPageEventsTest, SoundChoiceArmsTheAlarmAndTheBoxDisarmsIt) {
  RouteOwnLinesToMain();
  Login();
  auto& view = *host->View();
  auto& choice = view.Get<sim::SimChoice>("Util_cboVitalHealthSound");
  std::int32_t alarm = -1;
  for (std::int32_t i = 0; i < choice.ChoiceCount(); ++i)
    if (choice.TextGet(i) == "Alarm.wav") alarm = i;
  ASSERT_GE(alarm, 0);
  const auto mark = Mark();
  choice.UserChoose(alarm);
  EXPECT_TRUE(SaidSince(mark, "sound: play Alarm.wav"));  // the preview
  EXPECT_TRUE(FilterHandlerInstance->HealthSound->Loaded());

  view.Get<sim::SimCheckBox>("Util_checkVitalHealthOn").UserCheck(true);
  EXPECT_TRUE(FilterHandlerInstance->HealthSound->Loaded());
  view.Get<sim::SimCheckBox>("Util_checkVitalHealthOn").UserCheck(false);
  EXPECT_FALSE(FilterHandlerInstance->HealthSound->Loaded());

  // The other alarms are untouched.
  EXPECT_FALSE(FilterHandlerInstance->ManaSound->Loaded());
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(AlarmPageEventsTest, APercentageThatIsNotANumberBecomesAHundred) {
  RouteOwnLinesToMain();
  Login();
  auto& edit = host->View()->Get<sim::SimEdit>("Util_txtVitalStaminaPer");
  for (const auto& [typed, kept] : {std::pair{"45%", "45%"}, std::pair{"12.5", "12.5"}, std::pair{"lots", "100%"},
                                    std::pair{"", "100%"}}) {
    edit.UserEdit(typed);
    EXPECT_EQ(edit.TextGet(), kept) << typed;
  }
}

}  // namespace
}  // namespace mellox::test
