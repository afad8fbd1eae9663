#include "core/APluginCore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>

#include "core/CoreTestSupport.h"
#include "core/Globals.h"

namespace mellox::test {
namespace {

const std::vector<std::string> kCreationOrder = {
    "Filter Handler Init",    "Chat Text Init",       "View Handler Init",         "Control Handler Init",
    "Net Echo Handler Init",  "Spell Filter Handler Init", "KeyboardAC Init",       "Event Queue Init",
    "Corpse Handler Init",    "Statistics Init",      "Timer Handler Init",        "Spell Handler Init",
    "Log Handler Init",       "HUDMain Handler Init", "HUDClock Handler Init",     "HUDItem Handler Init",
    "HUDStatus Handler Init", "HUDTarget Handler Init",
};

const std::vector<std::string> kReleaseOrder = {
    "Timer Handler Terminate",     "Plugin Core Terminate",        "Log Handler Terminate",
    "Spell Handler Terminate",     "Statistics Terminate",         "Corpse Handler Terminate",
    "Event Queue Terminate",       "KeyboardAC Terminate",         "HUDTarget Handler Terminate",
    "HUDStatus Handler Terminate", "HUDItem Handler Terminate",    "HUDClock Handler Terminate",
    "HUDMain Handler Terminate",   "Spell Filter Handler Terminate", "Net Echo Handler Terminate",
    "Control Handler Terminate",   "View Handler Terminate",       "Chat Text Terminate",
    "Filter Handler Terminate",
};

// The debug-file messages that belong to the given set, in file order.
std::vector<std::string> DebugMessages(const std::string& file, const std::vector<std::string>& wanted) {
  const std::set<std::string> keep(wanted.begin(), wanted.end());
  std::vector<std::string> found;
  for (const auto& line : CrLfLines(file)) {
    const auto cut = line.find(") - ");
    if (cut == std::string::npos) continue;
    const std::string message = line.substr(cut + 4);
    if (keep.count(message)) found.push_back(message);
  }
  return found;
}

std::vector<const void*> Instances() {
  return {FilterHandlerInstance, ChatTextHandlerInstance, ViewHandlerInstance, ControlHandlerInstance,
          NetEchoHandlerInstance, SpellFilterHandlerInstance, KeyboardACInstance, EventQueueInstance,
          CorpseHandlerInstance, StatisticsInstance, TimerHandlerInstance, SpellHandlerInstance,
          LogHandlerInstance, HUDMainHandlerInstance, HUDClockHandlerInstance, HUDItemHandlerInstance,
          HUDStatusHandlerInstance, HUDTargetHandlerInstance};
}

class APluginCoreTest : public ::testing::Test, public HostFixture {
 protected:
  void SetUp() override { MakeGameFolder(); }
  void TearDown() override {
    PluginActive = false;
    DebugMode = false;
    DebugSilent = false;
  }
};

TEST_F(APluginCoreTest, InitialiseTerminateAndInitialiseAgainKeepTheHandlerOrders) {
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    std::filesystem::remove(GameFolder() / "Mellox Debug.txt");
    WrappedSite site(host.Site());
    // Initialisation resets DebugMode before registering the plug-in object;
    // switching it on there traces every handler's construction.
    site.onSetPluginObject = [] { DebugMode = true; };
    auto plugin = std::make_unique<APluginCore>();
    plugin->Initialize(site);

    EXPECT_EQ(DebugMessages(DebugFile(), kCreationOrder), kCreationOrder);
    for (const void* instance : Instances()) EXPECT_NE(instance, nullptr);
    EXPECT_EQ(Site, &site);
    EXPECT_EQ(FontNames.size(), 7u);

    plugin->Terminate();
    EXPECT_EQ(DebugMessages(DebugFile(), kReleaseOrder), kReleaseOrder);
    for (const void* instance : Instances()) EXPECT_EQ(instance, nullptr);
    EXPECT_EQ(Site, nullptr);
    EXPECT_EQ(HostCore, nullptr);
    EXPECT_TRUE(FontNames.empty());
    // Nothing was reported as an error on the way.
    EXPECT_FALSE(std::filesystem::exists(GameFolder() / "Mellox Errors.txt"));
  }
}

TEST_F(APluginCoreTest, InitialiseResetsTheGlobalFlagsAndFillsTheTables) {
  PluginActive = true;
  DebugMode = true;
  DebugSilent = true;
  SettingsState = 2;
  HudCreateFailed = true;
  KillMessageText = "someone died";
  host.LoadPlugin(std::make_unique<APluginCore>());

  EXPECT_FALSE(PluginActive);
  EXPECT_FALSE(DebugMode);
  EXPECT_FALSE(DebugSilent);
  EXPECT_EQ(SettingsState, 0);
  EXPECT_FALSE(HudCreateFailed);
  EXPECT_EQ(KillMessageText, "If you are reading this then you should know: I own.");
  EXPECT_EQ(host.Site().PluginObject(), host.Plugin());

  // The number and text forms differ on purpose at these codes.
  const std::set<int> darker = {4, 6, 11, 15, 21, 22, 26};
  for (int code = 0; code < 32; ++code) {
    const std::int32_t v = ChatColors[static_cast<std::size_t>(code)];
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%02X%02X%02X", v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
    EXPECT_EQ(ChatColorHex[static_cast<std::size_t>(code)] != hex, darker.count(code) == 1) << code;
  }
  EXPECT_EQ(ChatColors[6], 0x4E54FF);
  EXPECT_EQ(ChatColorHex[6], "#B0342E");
  EXPECT_EQ(FontNames[1], (std::pair<std::string, std::string>("Courier", "Courier New")));
}

TEST_F(APluginCoreTest, AddChatTextBeforeLoginGoesStraightToTheChatWindowAndAfterTerminationNowhere) {
  host.LoadPlugin(std::make_unique<APluginCore>());
  auto* plugin = dynamic_cast<APluginCore*>(host.Plugin());
  ASSERT_NE(plugin, nullptr);

  std::size_t mark = host.Output().size();
  plugin->AddChatText("  [Other] Hello *there*  ", 5, 3);
  EXPECT_EQ(OutputSince(mark), std::vector<std::string>{"chat 5 3:   [Other] Hello *there*  "});

  plugin->Terminate();
  mark = host.Output().size();
  plugin->AddChatText("late", 5, 3);
  PluginActive = true;  // a logged-in plug-in stays active after termination
  plugin->AddChatText("later", 5, 3);
  EXPECT_TRUE(OutputSince(mark).empty());
}

TEST_F(APluginCoreTest, AFailingStepEndsInitialisationWithAReportAndTerminationStillWorks) {
  WrappedSite site(host.Site());
  site.failHostCore = true;
  auto plugin = std::make_unique<APluginCore>();
  plugin->Initialize(site);
  for (const void* instance : Instances()) EXPECT_EQ(instance, nullptr);
  EXPECT_NE(ErrorsFile().find("Error #91 occured in 'IPlugin_Initialize' of class 'APluginCore'"), std::string::npos);
  plugin->Terminate();
  EXPECT_EQ(Site, nullptr);
}

}  // namespace
}  // namespace mellox::test
