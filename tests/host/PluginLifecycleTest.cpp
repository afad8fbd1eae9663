#include <gtest/gtest.h>

#include "host/HostTestFixture.h"
#include "host/FilterHandler.h"
#include "hud/HudRoster.h"
#include "hud/HudWindow.h"
#include "settings_view/ControlHandler.h"

namespace mellox::test {
namespace {

using TerminateSaveTest = HostTest;

// A logged line only marks the data file; termination before the next core
// tick must still write it.
TEST_F(TerminateSaveTest, PendingLogLinesAreWrittenAtTermination) {
  RouteOwnLinesToMain();
  Login();
  ControlHandlerInstance->ChatLogEnable->CheckedLet(true);
  host->Advance(1000);
  host->IncomingChat("Alice tells you, \"remember the ferry\"", 3, 1);
  EXPECT_EQ(ReadText(DataFilePath()).find("remember the ferry"), std::string::npos);
  host->UnloadPlugin();
  EXPECT_NE(ReadText(DataFilePath()).find("remember the ferry"), std::string::npos);
}

}  // namespace
}  // namespace mellox::test

namespace mellox::test {
namespace {

using ResetHudsTest = HostTest;

// The clock, item and main HUDs go back to their default places at once and
// the new places are saved; the status and target HUDs stay where they are.
TEST_F(ResetHudsTest, ThreeHudsGoBackToTheirPlacesAndAreSaved) {
  RouteOwnLinesToMain();
  Login();
  HudRoster::Engine(HudId::Main)->SetPos(300, 300, true);
  HudRoster::Engine(HudId::Status)->SetPos(250, 250, true);
  FilterHandlerInstance->ResetHUDsPos();
  const auto at = [](HudId hud) {
    HudWindow* e = HudRoster::Engine(hud);
    return std::pair{e->X(), e->Y()};
  };
  EXPECT_EQ(at(HudId::Clock), (std::pair{5, 60}));
  EXPECT_EQ(at(HudId::Items), (std::pair{5, 400}));
  EXPECT_EQ(at(HudId::Main), (std::pair{5, 200}));
  EXPECT_EQ(at(HudId::Status), (std::pair{250, 250}));
  const std::string saved =
      ReadText(host->ProgramDataDir() / "Mellox" / "Settings" / "Mellox_Settings_Alpha_Bob.xml");
  EXPECT_NE(saved.find("x=\"5\" y=\"200\""), std::string::npos);
  EXPECT_TRUE(errors.empty()) << errors.front();
}

}  // namespace
}  // namespace mellox::test
