#include <gtest/gtest.h>

#include <tuple>

#include "core/CoreTestSupport.h"
#include "core/Hub.h"
#include "host/HostTestFixture.h"
#include "host/FilterHandler.h"
#include "hud/HUDClockHandler.h"
#include "hud/HUDStatusHandler.h"
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

// The clock HUD failing on every core tick: the fault is written in full
// three times, then counted; the count is told a minute after the last full
// report and at termination, in chat and in the errors file.
TEST_F(RecurringErrorTest, AFaultEverySecondIsWrittenInFullThriceAndItsCountToldEachMinuteAndAtTermination) {
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
  host->Advance(2000);
  EXPECT_EQ(CountSince(mark, fault), 3u);
  host->Advance(57'000);
  EXPECT_EQ(CountSince(mark, fault), 3u);
  host->Advance(3000);
  EXPECT_EQ(CountSince(mark, fault + ", repeated 60 times"), 1u);
  host->Advance(30'000);
  EXPECT_EQ(CountSince(mark, fault), 4u);
  // The other handler failing alike is a fault of its own, reported alike.
  EXPECT_EQ(CountSince(mark, "Error #9 occured in 'AddData' of class 'HUDClockHandler'"), 4u);
  host->UnloadPlugin();
  EXPECT_EQ(CountSince(mark, fault + ", repeated 30 times"), 1u);

  const auto lines = CrLfLines(ReadText(errorsFile));
  const auto count = [&](const std::string& line) { return std::count(lines.begin(), lines.end(), line); };
  const std::string message = fault.substr(std::string("<Mellox> ").size());
  EXPECT_EQ(count(message), 3);
  EXPECT_EQ(count(message + ", repeated 60 times"), 1);
  EXPECT_EQ(count(message + ", repeated 30 times"), 1);
  EXPECT_EQ(count("Subscript out of range"), 6);  // the description with each full report only
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
  EXPECT_EQ(at(HudId::Items), (std::pair{5, 490}));
  EXPECT_EQ(at(HudId::Main), (std::pair{5, 200}));
  EXPECT_EQ(at(HudId::Status), (std::pair{250, 250}));
  const std::string saved =
      ReadText(host->ProgramDataDir() / "Mellox" / "Settings" / "Mellox_Settings_Alpha_Bob.xml");
  EXPECT_NE(saved.find("x=\"5\" y=\"200\""), std::string::npos);
  EXPECT_TRUE(errors.empty()) << errors.front();
}

// A first login with every HUD on: the shipped places keep the five HUDs
// apart at their largest, every main-HUD line shown (the Corpse line after a
// death), the status HUD at the shipped line count and at its most lines, and
// the clock showing its shipped rows with labels, run on in one row or one a row.
TEST_F(ResetHudsTest, TheShippedPlacesKeepEveryHudApart) {
  for (auto [lines, runOn, name] : {std::tuple{"0", "True", "Bob"}, std::tuple{"9", "False", "Ann"}}) {
    SCOPED_TRACE(std::string("status lines index ") + lines);
    std::string text = ReadText(std::filesystem::path(MELLOX_DATA_DIR) / SettingsFile::kDefaultFileName);
    for (auto [from, to] : {std::pair<std::string, std::string>{"<HUD_All on=\"False\"", "<HUD_All on=\"True\""},
                            {"<HUD_Status on=\"False\" color=\"0\" lines=\"0\"",
                             std::string("<HUD_Status on=\"True\" color=\"0\" lines=\"") + lines + "\""},
                            {"<HUD_Target on=\"False\"", "<HUD_Target on=\"True\""},
                            {"disp=\"False\" datedisp=\"False\" label=\"False\"",
                             std::string("disp=\"") + runOn + "\" datedisp=\"False\" label=\"True\""}}) {
      const auto at = text.find(from);
      ASSERT_NE(at, std::string::npos) << from;
      text.replace(at, from.size(), to);
    }
    for (std::size_t at = 0; (at = text.find("<HUD_LIST ", at)) != std::string::npos; ++at) {
      const std::size_t off = text.find("enabled=\"False\"", at);
      if (off < text.find('>', at)) text.replace(off, 15, "enabled=\"True\"");
    }
    Start(false);
    std::filesystem::create_directories(DefaultsFile().parent_path());
    std::ofstream(DefaultsFile(), std::ios::binary) << text;
    Login(name);
    ControlHandlerInstance->HudClockTime->TextLet("0:30:00");
    HudRoster::ClockStartDnTime();
    HudRoster::ClockStartUpTime();
    for (int i = 0; i < 10; ++i) HUDStatusHandlerInstance->AddMessage("You are too busy to do that now " + std::to_string(i));
    host->Character().RaiseDeath("You have been killed!");
    host->Character().RaisePortal(1);
    host->Advance(1000);
    for (HudId hud : {HudId::Clock, HudId::Items, HudId::Main}) {
      HudWindow* e = HudRoster::Engine(hud);
      EXPECT_EQ((std::pair{e->X(), e->Y()}), (std::pair{HudRoster::ResetPlace(hud)->x, HudRoster::ResetPlace(hud)->y}));
    }
    const HudId huds[] = {HudId::Main, HudId::Clock, HudId::Items, HudId::Status, HudId::Target};
    for (std::size_t a = 0; a < std::size(huds); ++a) {
      const platform::Rect& r = HudRoster::Engine(huds[a])->ScreenRect();
      ASSERT_TRUE(HudRoster::Engine(huds[a])->Enabled());
      ASSERT_GT(r.bottom - r.top, 0);
      for (std::size_t b = a + 1; b < std::size(huds); ++b) {
        const platform::Rect& s = HudRoster::Engine(huds[b])->ScreenRect();
        const bool apart = r.right <= s.left || s.right <= r.left || r.bottom <= s.top || s.bottom <= r.top;
        EXPECT_TRUE(apart) << static_cast<int>(huds[a]) << " meets " << static_cast<int>(huds[b]) << ": " << r.left
                           << "," << r.top << "-" << r.right << "," << r.bottom << " / " << s.left << "," << s.top
                           << "-" << s.right << "," << s.bottom;
      }
    }
    EXPECT_TRUE(errors.empty()) << errors.front();
  }
}

}  // namespace
}  // namespace mellox::test
