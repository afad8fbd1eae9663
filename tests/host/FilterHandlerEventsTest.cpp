// The login sequence, logoff, the game-hook intercepts and the world and
// selection events, driven through the simulated host.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "chat/ChatTextHandler.h"
#include "chat/LogHandler.h"
#include "core/TimeModule.h"
#include "core/TimerHandler.h"
#include "host/FilterHandler.h"
#include "host/HostPeers.h"
#include "host/HostTestFixture.h"
#include "host/NetEchoHandler.h"
#include "platform/System.h"
#include "settings_view/ControlHandler.h"
#include "sim/SimHooks.h"
#include "sim/SimWorld.h"
#include "sim/SimWorldObject.h"
#include "tracking/Statistics.h"

namespace mellox::test {
namespace {

namespace fs = std::filesystem;

using FilterHandlerEventsTest = HostTest;

void Replace(const fs::path& file, const std::string& from, const std::string& to) {
  std::string text = ReadText(file);
  const auto at = text.find(from);
  ASSERT_NE(at, std::string::npos) << from;
  text.replace(at, from.size(), to);
  std::ofstream(file, std::ios::binary) << text;
}

// --- Login -------------------------------------------------------------------------------

TEST_F(FilterHandlerEventsTest, LoginActivatesThePluginAndTheCoreTickRunsEverySecond) {
  RouteOwnLinesToMain();
  const auto mark = Mark();
  Login();
  EXPECT_TRUE(PluginActive);
  EXPECT_EQ(CountSince(mark, "chat 5 1: <Mellox> Plugin Loaded! Type /x help for commands."), 1u);
  EXPECT_EQ(ControlHandlerInstance->stVersion->TextGet(), "Mellox v1.1.0.1");
  host->Advance(3000);
  EXPECT_EQ(StatisticsInstance->TotalSec(), 3);
  host->Advance(1000);
  EXPECT_EQ(StatisticsInstance->TotalSec(), 4);
  EXPECT_TRUE(errors.empty()) << errors.front();
}

// The item HUD's first refresh comes while the login is still under way; a
// watched item already low when the character comes in is told all the same,
// once.
TEST_F(FilterHandlerEventsTest, AFirstLoginWarnsOfAWatchedItemAlreadyLow) {
  RouteOwnLinesToMain();
  std::string text = ReadText(DefaultsFile());
  const std::string option = "<Chat_Option name=\"Running Low on Item Warning\" enabled=\"False\"/>";
  const auto at = text.find(option);
  ASSERT_NE(at, std::string::npos);
  text.replace(at, option.size(),
               "<Chat_Option name=\"Running Low on Item Warning\" enabled=\"True\"/>"
               "<HUD_Item name=\"Apple\" enabled=\"True\" count=\"2\" icon=\"-1\"/>");
  std::ofstream(DefaultsFile(), std::ios::binary) << text;
  host->World().AddObject(62, "Apple").SetLong(0x0D000006, 1);
  host->World().AddToInventory(62, host->Character().Character());
  const auto mark = Mark();
  Login();
  host->Advance(1000);
  EXPECT_EQ(CountSince(mark, "<Mellox> Warning! You are nearly out of Apple"), 1u);
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(FilterHandlerEventsTest, WithoutTheDefaultsFileTheLoginLeavesThePluginInactive) {
  fs::remove(DefaultsFile());
  const auto mark = Mark();
  Login();
  EXPECT_FALSE(PluginActive);
  EXPECT_EQ(CountSince(mark, "chat 6 1: <Mellox> Unknown settings load failure! Plugin inactive."), 1u);
  EXPECT_FALSE(SaidSince(mark, "Plugin Loaded!"));

  // The game keeps its lines, typed text reaches it, and no timer runs.
  EXPECT_FALSE(host->IncomingChat("Bob says, \"hi\"", 2, 1));
  EXPECT_TRUE(SaidSince(mark, "game 2 1: Bob says, \"hi\""));
  EXPECT_FALSE(host->TypeText("/x help"));
  EXPECT_FALSE(host->StatusText("You are too busy!"));
  host->Advance(5000);
  EXPECT_EQ(StatisticsInstance->TotalSec(), 0);
  EXPECT_EQ(TimerHandlerInstance->MainHUDInterval(), 0);
  // Zone entry lines are hidden even now.
  EXPECT_TRUE(host->IncomingChat("You have entered the Marketplace.", 0, 1));
}

TEST_F(FilterHandlerEventsTest, AViewDescriptionThatDoesNotParseIsNamedOnceAndNoDataFileIsBlamed) {
  Login();
  const std::string data = ReadText(DataFilePath());
  ASSERT_NE(data.find("<Global enabled="), std::string::npos);
  // Noise where the view description should be, as a damaged download leaves it.
  std::string noise;
  for (std::uint32_t i = 0, x = 12345; i < 3000; ++i, x = x * 1103515245u + 12345u)
    noise.push_back(static_cast<char>(x >> 24));
  std::ofstream(host->PluginDir() / "Mellox_View.xml", std::ios::binary) << noise;
  // Two starts: neither may take the good data file for a damaged one.
  for (int start = 0; start < 2; ++start) {
    Start(true);
    Login();
    EXPECT_EQ(CountSince(0, "Mellox_View.xml"), 1u) << start;
    EXPECT_TRUE(Said("Mellox_View.xml could not be read (view description: ")) << start;
    EXPECT_FALSE(Said("held values that could not be used")) << start;
  }
  EXPECT_EQ(ReadText(DataFilePath()), data);
  for (const auto& entry : fs::directory_iterator(DataFilePath().parent_path()))
    EXPECT_EQ(entry.path().filename().string().find(".damaged"), std::string::npos) << entry.path();
}

TEST_F(FilterHandlerEventsTest, AFailingLoginStepLeavesTheLaterStepsRunning) {
  RouteOwnLinesToMain();
  // The statistics are gone: their step fails, everything after it still runs.
  Statistics* stats = StatisticsInstance;
  StatisticsInstance = nullptr;
  Login();
  StatisticsInstance = stats;
  EXPECT_TRUE(Reported("FilterHandler.LoginComplete #91"));
  EXPECT_TRUE(PluginActive);
  EXPECT_TRUE(Said("Plugin Loaded!"));
  host->Advance(2000);
  EXPECT_EQ(StatisticsInstance->TotalSec(), 2);
}

TEST_F(FilterHandlerEventsTest, TheMainHudRefreshGetsADefaultWhenNoIntervalIsChosen) {
  struct Case {
    std::int32_t selected;
    std::int32_t interval;
  };
  std::string stored = "0";
  const fs::path charFile = DefaultsFile().parent_path() / "Mellox_Settings_Alpha_Bob.xml";
  for (const Case& c : {Case{-1, 1000}, Case{3, 5000}, Case{0, 1000}}) {
    // The login's settings load applies the stored choice: the first login
    // reads the defaults, the later ones the character's file (as the
    // logoff before the edit saved it).
    if (PluginActive) host->Character().RaiseLogoff();
    Replace(fs::exists(charFile) ? charFile : DefaultsFile(), "timeout=\"" + stored + "\"",
            "timeout=\"" + std::to_string(c.selected) + "\"");
    stored = std::to_string(c.selected);
    Login();
    EXPECT_EQ(TimerHandlerInstance->MainHUDInterval(), c.interval) << c.selected;
  }
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(FilterHandlerEventsTest, AutomaticLoggingNamesTheLogAfterServerCharacterAndDate) {
  struct Case {
    const char* attributes;
    const char* logfile;
    bool logging;
  };
  const std::string shipped = ReadText(DefaultsFile());
  for (const Case& c : {Case{R"(auto="True" timestamp="False" xml="False" bydate="True")", "Alpha_Bob_2026-12-08", true},
                        Case{R"(auto="True" timestamp="False" xml="False" bydate="False")", "Alpha_Bob", true},
                        Case{R"(auto="False" timestamp="False" xml="False" bydate="True")", "", false}}) {
    Start(true);
    // A first login of Bob on every round, from the defaults as this case has them.
    fs::remove_all(host->ProgramDataDir() / "Mellox" / "Settings" / "Mellox_Settings_Alpha_Bob.xml");
    std::ofstream(DefaultsFile(), std::ios::binary) << shipped;
    Replace(DefaultsFile(), R"(auto="False" timestamp="False" xml="False" bydate="False")", c.attributes);
    Login();
    EXPECT_EQ(LogHandlerInstance->logfile(), c.logfile);
    EXPECT_EQ(LogHandlerInstance->FileLogging(), c.logging);
  }
}

TEST_F(FilterHandlerEventsTest, EachLoginReplacesTheHotkeyHandlerAndTerminationReleasesIt) {
  DebugMode = true;
  const auto mark = Mark();
  Login();
  Login();
  EXPECT_EQ(CountSince(mark, "DHS Handler Init"), 2u);
  EXPECT_EQ(CountSince(mark, "DHS Handler Terminate"), 1u);
  EXPECT_NE(DHSHandlerInstance, nullptr);
  host->UnloadPlugin();
  EXPECT_EQ(DHSHandlerInstance, nullptr);
  EXPECT_EQ(CountSince(mark, "DHS Handler Terminate"), 2u);
}

// --- Logoff ------------------------------------------------------------------------------

TEST_F(FilterHandlerEventsTest, LogoffSavesTheDataFileOnlyAfterALoginOfThisPlugin) {
  Login();
  fs::remove(DataFilePath());
  host->Character().RaiseLogoff();
  EXPECT_TRUE(fs::exists(DataFilePath()));
  // A new plug-in object that never saw a login: its logoff must not write
  // the file the previous one read.
  host->UnloadPlugin();
  host->LoadPlugin(std::make_unique<APluginCore>());
  fs::remove(DataFilePath());
  host->Character().RaiseLogoff();
  EXPECT_FALSE(fs::exists(DataFilePath()));
}

// --- Intercepts --------------------------------------------------------------------------

TEST_F(FilterHandlerEventsTest, AChatLineReachesThePipelineWithoutOneTrailingLineFeed) {
  Login();
  LogHandlerInstance->FileLogging(true);
  struct Case {
    const char* in;
    const char* out;
  };
  for (const Case& c : {Case{"abc\n", "abc"}, Case{"abc\n\n", "abc\n"}, Case{"", ""}, Case{"a\nb", "a\nb"}}) {
    EXPECT_FALSE(host->IncomingChat(c.in, 2, 1));
    ASSERT_FALSE(LogHandlerInstance->FileQueue().empty());
    EXPECT_EQ(LogHandlerInstance->FileQueue().back().message(), c.out);
  }
}

TEST_F(FilterHandlerEventsTest, ChatAndTypedTextFailOpenWhenThePipelineFails) {
  Login();
  ChatTextHandler* chat = ChatTextHandlerInstance;
  ChatTextHandlerInstance = nullptr;
  const bool lineEaten = host->IncomingChat("Bob tells you, \"hi\"", 3, 1);
  const bool tellEaten = host->TypeText("/tell Bob, hi");
  const bool commandEaten = host->TypeText("  /x help ");
  const bool atCommandEaten = host->TypeText("@X loc");
  ChatTextHandlerInstance = chat;
  EXPECT_FALSE(lineEaten);
  EXPECT_FALSE(tellEaten);
  // The plug-in's own commands mean nothing to the game.
  EXPECT_TRUE(commandEaten);
  EXPECT_TRUE(atCommandEaten);
  EXPECT_TRUE(Reported("FilterHandler.ACHooks_ChatTextIntercept #91"));
  EXPECT_TRUE(Reported("FilterHandler.ACHooks_ChatParserIntercept #91"));
  EXPECT_TRUE(host->UnhandledErrors().empty());
}

TEST_F(FilterHandlerEventsTest, StatusTextIsHiddenOnlyWhenTheOptionSaysSo) {
  EXPECT_FALSE(host->StatusText("You are too busy!"));  // before login
  Login();
  ChatTextHandlerInstance->SetTargetList(2, 26, true);
  struct Case {
    bool statusText;
    bool showErrors;
    bool eaten;
    bool inChat;
  };
  for (const Case& c : {Case{false, false, false, false}, Case{false, true, false, false}, Case{true, false, true, false},
                        Case{true, true, true, true}}) {
    ControlHandlerInstance->StatusText->CheckedLet(c.statusText);
    ControlHandlerInstance->ShowErrors->CheckedLet(c.showErrors);
    const auto mark = Mark();
    EXPECT_EQ(host->StatusText("You are too busy!"), c.eaten);
    EXPECT_EQ(SaidSince(mark, "chat 6 3: You are too busy!"), c.inChat);
  }
}

// --- World, selection and 3D view ----------------------------------------------------------

class WorldEventsTest : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    Login();
  }
  std::int64_t NowUnix() { return TimeModule::LocalToUnix(platform::Sys().Now()); }
  void Select(std::int32_t id) {
    host->Hooks().SetCurrentSelection(id);
    host->Hooks().ObjectSelected.Emit(id);
  }
  std::int32_t TargetId() {
    std::shared_ptr<platform::WorldObject> target;
    return HostPeers::TargetGetObject(target) ? target->Id() : 0;
  }
};

TEST_F(WorldEventsTest, SelectionIdentifiesUnlessIdentifiedThisSecond) {
  struct Case {
    double lastIdentifiedAgo;  // seconds; < 0 never
    bool requested;
  };
  for (const Case& c : {Case{0, false}, Case{1, true}, Case{-1, true}}) {
    auto& obj = host->World().AddObject(1000, "Drudge Slinker", 5);
    obj.SetLastIdentified(c.lastIdentifiedAgo < 0 ? 0 : NowUnix() - c.lastIdentifiedAgo);
    const auto mark = Mark();
    Select(1000);
    EXPECT_EQ(SaidSince(mark, "item: identify 1000"), c.requested) << c.lastIdentifiedAgo;
    EXPECT_EQ(TargetId(), 1000);
  }
}

TEST_F(WorldEventsTest, SelectingNothingClearsTheTargetAndItsHealth) {
  host->World().AddObject(1000, "Drudge Slinker", 5);
  Select(1000);
  NetEchoHandlerInstance->IDHealth = 40;
  NetEchoHandlerInstance->IDHealthMax = 80;
  NetEchoHandlerInstance->IDSpells = "Bolt;";
  Select(0);
  EXPECT_EQ(TargetId(), 0);
  EXPECT_EQ(NetEchoHandlerInstance->IDHealth, 0);
  EXPECT_EQ(NetEchoHandlerInstance->IDHealthMax, 0);
  EXPECT_EQ(NetEchoHandlerInstance->IDHealthPer, 1.0);
  EXPECT_EQ(NetEchoHandlerInstance->IDSpells, "");
  // An id the world does not know counts as nothing.
  Select(4242);
  EXPECT_EQ(TargetId(), 0);
}

TEST_F(WorldEventsTest, AWatchedStackLeavingTheWorldIsCountedOutOnTheItemHud) {
  auto& c = *ControlHandlerInstance;
  c.ChatOptions->DataLet(0, c.FindName("Running Low on Item Warning", "ChatOptions"), 0, true);
  const std::int32_t row = c.HudItems->AddRow();
  c.HudItems->DataLet(0, row, 0, true);
  c.HudItems->DataLet(1, row, 0, std::string("Apple"));
  c.HudItems->DataLet(2, row, 0, std::string("2"));
  c.HudItems->DataLet(6, row, 0, -1);
  host->World().AddObject(62, "Apple").SetLong(0x0D000006, 1);
  host->World().AddToInventory(62, host->Character().Character());
  host->Advance(100);
  EXPECT_TRUE(Said("Warning! You are nearly out of Apple"));
  const auto mark = Mark();
  host->World().RemoveObject(62);
  host->Advance(100);
  EXPECT_TRUE(SaidSince(mark, "Warning! You are out of Apple"));
}

}  // namespace
}  // namespace mellox::test
