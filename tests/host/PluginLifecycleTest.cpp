#include <gtest/gtest.h>

#include "core/CoreTestSupport.h"
#include "core/Hub.h"
#include "host/HostTestFixture.h"
#include "host/FilterHandler.h"
#include "hud/HUDClockHandler.h"
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

using RecurringErrorTest = HostTest;

// The clock HUD failing on every core tick: the fault is written once, then
// counted; the count is told a minute after the report and at termination,
// in chat and in the errors file.
TEST_F(RecurringErrorTest, AFaultEverySecondIsWrittenOnceAndItsCountToldEachMinuteAndAtTermination) {
  Login();
  host->Advance(5000);
  Hub::InstallErrorSink();  // the plug-in's own reporter, not the fixture's recorder
  const auto errorsFile = host->DocumentsDir() / "Asheron's Call" / "Mellox Errors.txt";
  std::filesystem::remove(errorsFile);
  // A running up timer whose row is gone from the clock list.
  HUDClockHandlerInstance->StartUpTime();
  ControlHandlerInstance->HudClockList->Clear();
  const std::string fault = "<Mellox> Error #9 occured in 'UpdateControl' of class 'HUDClockHandler'";
  const std::size_t mark = Mark();
  host->Advance(1000);
  EXPECT_EQ(CountSince(mark, fault), 1u);
  host->Advance(59'000);
  EXPECT_EQ(CountSince(mark, fault), 1u);
  host->Advance(1000);
  EXPECT_EQ(CountSince(mark, fault + ", repeated 60 times"), 1u);
  host->Advance(30'000);
  EXPECT_EQ(CountSince(mark, fault), 2u);
  // The other handler failing alike is a fault of its own, reported once too.
  EXPECT_EQ(CountSince(mark, "Error #9 occured in 'AddData' of class 'HUDClockHandler'"), 2u);
  host->UnloadPlugin();
  EXPECT_EQ(CountSince(mark, fault + ", repeated 30 times"), 1u);

  const auto lines = CrLfLines(ReadText(errorsFile));
  const auto count = [&](const std::string& line) { return std::count(lines.begin(), lines.end(), line); };
  const std::string message = fault.substr(std::string("<Mellox> ").size());
  EXPECT_EQ(count(message), 1);
  EXPECT_EQ(count(message + ", repeated 60 times"), 1);
  EXPECT_EQ(count(message + ", repeated 30 times"), 1);
  EXPECT_EQ(count("Subscript out of range"), 2);  // the description with each first report only
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
