#include <gtest/gtest.h>

#include "host/HostTestFixture.h"
#include "settings_view/ControlHandler.h"
#include "sim/SimCheckBox.h"
#include "sim/SimEdit.h"
#include "sim/SimView.h"

namespace mellox::test {
namespace {

using TrackingPageEventsTest = HostTest;

std::filesystem::path SettingsPath(sim::SimHost& host) {
  return host.ProgramDataDir() / "Mellox" / "Settings" / "Mellox_Settings_Alpha_Bob.xml";
}

// The user's hand on the tracking pages reaches the trackers: the option is
// applied and saved.
TEST_F(TrackingPageEventsTest, PageChangesReachTheTrackersAndAreSaved) {
  RouteOwnLinesToMain();
  Login();
  auto& view = *host->View();
  view.Get<sim::SimCheckBox>("XP_Filter").UserCheck(true);
  EXPECT_NE(ReadText(SettingsPath(*host)).find("filter=\"True\""), std::string::npos);

  view.Get<sim::SimEdit>("Beer_Timer").UserEdit("soon");
  EXPECT_EQ(ControlHandlerInstance->BeerTimer->TextGet(), "120");

  view.Get<sim::SimCheckBox>("Beer_Str").UserCheck(true);
  EXPECT_NE(ReadText(SettingsPath(*host)).find("str=\"True\""), std::string::npos);
  EXPECT_TRUE(errors.empty()) << errors.front();
}

}  // namespace
}  // namespace mellox::test
