#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

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

  // Each drink box is saved the moment it is ticked or cleared: a crash before
  // the logoff keeps it.
  for (const auto& [name, attribute] : std::vector<std::pair<std::string, std::string>>{
           {"Beer_Str", "beerstr"}, {"Beer_End", "beerend"}, {"Beer_Coord", "beercoord"},
           {"Beer_Quick", "beerquick"}, {"Beer_Focus", "beerfocus"}, {"Beer_Self", "beerself"},
           {"Beer_Use_Check", "beerusecheck"}, {"Spells_Beers", "beers"}}) {
    auto& box = view.Get<sim::SimCheckBox>(name);
    for (const bool on : {!box.CheckedGet(), box.CheckedGet()}) {
      box.UserCheck(on);
      const std::string saved = " " + attribute + "=\"" + (on ? "True" : "False") + "\"";
      EXPECT_NE(ReadText(SettingsPath(*host)).find(saved), std::string::npos) << name << saved;
    }
  }
  EXPECT_TRUE(errors.empty()) << errors.front();
}

}  // namespace
}  // namespace mellox::test
