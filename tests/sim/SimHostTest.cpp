#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/HostTimer.h"
#include "sim/SimCharacter.h"
#include "sim/SimClock.h"
#include "sim/SimHooks.h"
#include "sim/SimHost.h"
#include "sim/SimHostCore.h"
#include "sim/SimHotkeySystem.h"
#include "sim/SimHudView.h"
#include "sim/SimRenderService.h"
#include "sim/SimSite.h"
#include "sim/SimSpells.h"
#include "sim/SimSystem.h"
#include "sim/SimTestDir.h"
#include "sim/SimWorld.h"

namespace mellox::sim {
namespace {

using testing::TempDir;
using testing::WriteBytes;

// A plug-in that eats chat containing "secret", records window messages and
// lets an exception escape from a timer handler.
class ProbePlugin : public platform::IPlugin2, public platform::IWindowsMessageSink {
 public:
  std::vector<std::string>* log = nullptr;
  platform::PluginSite* site = nullptr;
  platform::Connection chat, typed;
  std::shared_ptr<platform::HostTimer> timer;
  platform::Connection tick;

  void Initialize(platform::PluginSite& s) override {
    site = &s;
    s.SetPluginObject(this);
    chat = s.GetHooks().ChatTextIntercept.Connect([](const std::string& text, std::int32_t, std::int32_t, bool& eat) {
      if (text.find("secret") != std::string::npos) eat = true;
    });
    typed = s.GetHooks().ChatParserIntercept.Connect([](const std::string& text, bool& eat) { eat = text[0] == '/'; });
    timer = platform::Sys().CreateTimer();
    tick = timer->Timeout.Connect([] { throw std::runtime_error("tick failed"); });
    timer->Start(100);
  }
  void Terminate() override { log->push_back("terminate"); }
  void WindowMessage(std::intptr_t hwnd, std::int32_t msg, std::int32_t, std::int32_t lParam, bool&) override {
    log->push_back("msg " + std::to_string(hwnd) + " " + std::to_string(msg) + " " + std::to_string(lParam));
  }
  void WindowMessageEnd(std::intptr_t, std::int32_t msg, std::int32_t, std::int32_t, bool&) override {
    log->push_back("end " + std::to_string(msg));
  }
};

class SimHostTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::vector<std::string> pluginLog;
  std::unique_ptr<SimHost> host;
  ProbePlugin* probe = nullptr;

  void SetUp() override {
    const auto data = dir.path() / "data";
    std::filesystem::create_directories(data / "Sounds");
    WriteBytes(data / "Sounds" / "a.wav", testing::PcmWave(8000, 10));
    WriteBytes(data / "Spells.txt",
               "ID|Name|Duration|Effect\n5|Ember Bolt|0|201\n1|Stoneskin I|1800.5|101\nbroken line\n");
    host = std::make_unique<SimHost>(SimOptions{dir.path() / "home", data});
    auto plugin = std::make_unique<ProbePlugin>();
    plugin->log = &pluginLog;
    probe = plugin.get();
    host->LoadPlugin(std::move(plugin));
  }
};

TEST_F(SimHostTest, SeedsTheInstallFolderAndGivesFoldersOnRequest) {
  EXPECT_TRUE(std::filesystem::exists(host->PluginDir() / "Sounds" / "a.wav"));
  EXPECT_TRUE(std::filesystem::is_directory(host->DocumentsDir()));
  EXPECT_EQ(platform::Sys().AppPath(), host->PluginDir().string());
  std::string path;
  EXPECT_EQ(platform::Sys().SHGetFolderPathA(platform::CSIDL_COMMON_APPDATA, path), 0);
  EXPECT_EQ(path, host->ProgramDataDir().string());
  EXPECT_TRUE(std::filesystem::is_directory(path));
  host->System().FailFolders(true);
  EXPECT_NE(platform::Sys().SHGetFolderPathA(platform::CSIDL_PERSONAL, path), 0);
  EXPECT_EQ(path, "");
}

TEST(SimHostHomeTest, AFreshHomeHoldsTheGameFolderAndARelativeHomeIsMadeAbsolute) {
  TempDir dir;
  const auto before = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  {
    SimHost relative(SimOptions{"rel", {}});
    // Later changes of the current folder must not move the plug-in's files.
    std::filesystem::current_path(before);
    EXPECT_EQ(relative.Home(), dir.path() / "rel");
    EXPECT_EQ(relative.DocumentsDir(), dir.path() / "rel" / "Documents");
    EXPECT_TRUE(std::filesystem::is_directory(relative.DocumentsDir() / "Asheron's Call"));
  }
  std::filesystem::current_path(before);
  // A home that cannot hold the install folder is reported, and the report
  // reaches the sink that is set after the host is made.
  WriteBytes(dir.path() / "file", "not a folder");
  std::filesystem::create_directories(dir.path() / "data");
  SimHost unseeded(SimOptions{dir.path() / "file", dir.path() / "data"});
  std::vector<std::string> sunk;
  unseeded.SetOutputSink([&](const std::string& line) { sunk.push_back(line); });
  ASSERT_EQ(sunk.size(), 1u);
  EXPECT_EQ(sunk[0].rfind("host: could not seed the install folder: ", 0), 0u) << sunk[0];
}

TEST_F(SimHostTest, AThrowingHandlerIsRecordedAndTheHostGoesOn) {
  host->Advance(250);
  EXPECT_EQ(host->UnhandledErrors(), (std::vector<std::string>{"tick failed", "tick failed"}));
  EXPECT_EQ(host->Output().back(), "host: handler error: tick failed");
  EXPECT_EQ(host->ElapsedMs(), 250);
}

TEST_F(SimHostTest, ChatAndTypedTextShowUnlessEaten) {
  std::vector<std::string> sunk;
  host->SetOutputSink([&](const std::string& line) { sunk.push_back(line); });
  EXPECT_FALSE(host->IncomingChat("hello there", 2, 1));
  EXPECT_TRUE(host->IncomingChat("a secret", 2, 1));
  EXPECT_TRUE(host->TypeText("/mx help"));
  EXPECT_FALSE(host->TypeText("hi all"));
  EXPECT_FALSE(host->StatusText("You are too busy"));
  host->Hooks().AddChatLine("plug-in says", 5, 0);
  const std::vector<std::string> expected{"game 2 1: hello there", "typed: hi all", "status: You are too busy",
                                          "chat 5 0: plug-in says"};
  EXPECT_EQ(sunk, expected);
  EXPECT_EQ(host->Output(), expected);
}

TEST_F(SimHostTest, WindowMessagesPackTheClientPointAndUnloadTerminates) {
  host->WindowMessage(513, 1, 30, 40);
  host->WindowMessage(512, 0, -1, 2);  // x keeps its low 16 bits only
  EXPECT_EQ(pluginLog, (std::vector<std::string>{"msg 4660 513 2621470", "end 513", "msg 4660 512 196607", "end 512"}));
  host->UnloadPlugin();
  EXPECT_EQ(pluginLog.back(), "terminate");
  EXPECT_EQ(host->Plugin(), nullptr);
  EXPECT_EQ(host->Site().PluginObject(), nullptr);
}

TEST_F(SimHostTest, ServicesByPathAndOptionalHotkeySystem) {
  platform::PluginSite& site = host->Site();
  auto world = std::static_pointer_cast<platform::World>(site.GetServiceByPath(platform::kWorldServicePath));
  EXPECT_EQ(world.get(), static_cast<platform::World*>(&host->World()));
  auto chr = std::static_pointer_cast<platform::CharacterStats>(
      site.GetServiceByPath(platform::kCharacterStatsServicePath));
  EXPECT_EQ(chr->Character(), 0x50000001);
  auto spells = std::static_pointer_cast<platform::Spells>(site.GetServiceByPath(platform::kSpellsServicePath));
  ASSERT_NE(spells->SpellByName("stoneskin i"), nullptr);
  EXPECT_DOUBLE_EQ(spells->SpellByName("STONESKIN I")->Duration(), 1800.5);
  EXPECT_EQ(spells->SpellById(5)->Effect(), 201);
  EXPECT_EQ(host->Spells().Size(), 2);
  EXPECT_EQ(site.GetServiceByPath("services\\Nothing"), nullptr);

  auto& core = site.GetHostCore();
  auto hk = std::static_pointer_cast<platform::HotkeySystem>(core.GetPluginByClsid(platform::kHotkeySystemClsid));
  ASSERT_NE(hk, nullptr);
  auto entry = platform::Sys().CreateHotkeyEntry();
  entry->NameLet("Mellox:Run");
  hk->AddHotkey("Mellox", entry);
  auto conn = hk->HotkeyEvent.Connect([](const std::string& name, bool& handled) { handled = name == "Mellox:Run"; });
  EXPECT_TRUE(host->Hotkeys().Trigger("Mellox:Run"));
  EXPECT_FALSE(host->Hotkeys().Trigger("Other"));
  host->Core().InstallHotkeySystem(false);
  EXPECT_EQ(core.GetPluginByClsid(platform::kHotkeySystemClsid), nullptr);
  EXPECT_EQ(core.GetCommandKey("UseSelected"), "R");
  EXPECT_EQ(core.GetGameWindow()->hWnd(), 0x1234);
}

TEST_F(SimHostTest, KeyboardMouseAndHudAreRecorded) {
  auto& sys = platform::Sys();
  EXPECT_EQ(sys.VkKeyScanA('a'), 0x41);
  EXPECT_EQ(sys.VkKeyScanA('A'), 0x141);
  EXPECT_EQ(sys.VkKeyScanA('?'), 0x1BF);
  EXPECT_EQ(sys.MapVirtualKeyA(0x41, 0), 0x1Eu);
  sys.keybd_event(13, 0x1C, 0, 0);
  EXPECT_LT(sys.GetKeyState(13), 0);
  sys.keybd_event(13, 0x1C, 2, 0);
  EXPECT_EQ(sys.GetKeyState(13), 0);
  platform::Point p{10, 20};
  sys.ClientToScreen(0x1234, p);
  sys.SetCursorPos(p.x, p.y);
  sys.mouse_event(2 | 4, 0, 0, 0, 0);

  auto& render = host->Render();
  auto hud = render.CreateHUD({0, 0, 100, 50});
  hud->BeginRender(0);
  hud->Fill({0, 0, 10, 10}, 0xFF112233);
  hud->BeginText("Arial", 12, 400, 0);
  hud->WriteText({0, 0, 100, 20}, 0xFFFFFFFF, 0, "hello");
  hud->EndText();
  hud->EndRender();
  auto& sim = *render.Surfaces().front();
  EXPECT_EQ(sim.NestingErrors(), 0);
  ASSERT_EQ(sim.Calls().size(), 6u);
  EXPECT_EQ(sim.Calls()[3].text, "hello");
  // A surface redrawn every few seconds for hours keeps only its current drawing.
  for (int i = 0; i < 1000; ++i) {
    hud->BeginRender(0);
    hud->Clear({0, 0, 100, 25});
    hud->Clear({0, 25, 100, 50});
    hud->BeginText("Arial", 12, 400, 0);
    hud->WriteText({0, 0, 100, 20}, 0xFFFFFFFF, 0, "again " + std::to_string(i));
    hud->EndText();
    hud->EndRender();
  }
  EXPECT_LT(sim.Held(), 300u);
  ASSERT_EQ(sim.Calls().size(), 7u);
  EXPECT_EQ(sim.Calls()[4].text, "again 999");
  hud->WriteText({0, 0, 1, 1}, 0, 0, "outside a pass");
  EXPECT_EQ(sim.NestingErrors(), 1);
  render.RemoveHUD(hud);
  render.RefuseSurfaces(true);
  EXPECT_EQ(render.CreateHUD({0, 0, 1, 1}), nullptr);

  const std::vector<std::string> tail(host->Output().end() - 6, host->Output().end());
  EXPECT_EQ(tail, (std::vector<std::string>{"key: down 13", "key: up 13", "mouse: down 10 20", "mouse: up 10 20",
                                            "hud: create 0 0 100 50", "hud: remove"}));
}

TEST_F(SimHostTest, EnchantmentsCountDownWithTheClock) {
  auto& chr = host->Character();
  std::vector<std::int32_t> changes;
  auto c = chr.ChangeEnchantments.Connect(
      [&](std::int32_t change, const std::shared_ptr<platform::Enchantment>& e) { changes.push_back(change * 1000 + e->SpellId()); });
  chr.AddEnchantment(1, 101, 60);
  host->Advance(15'500);
  EXPECT_EQ(chr.GetEnchantment(0)->TimeRemaining(), 44);
  chr.RemoveEnchantment(1);
  EXPECT_EQ(chr.EnchantmentCount(), 0);
  EXPECT_EQ(changes, (std::vector<std::int32_t>{1001, 2001}));
}

// A spell whose time is up leaves the character, raising its removal; one
// without duration (0 seconds) stays. A wait longer than one timer interval
// (32-bit milliseconds) ends as well.
TEST(SimCharacterTest, ASpellLeavesTheCharacterWhenItsTimeIsUp) {
  SimClock clock;
  SimCharacter chr(clock);
  std::vector<std::int32_t> changes;
  auto c = chr.ChangeEnchantments.Connect(
      [&](std::int32_t change, const std::shared_ptr<platform::Enchantment>& e) { changes.push_back(change * 1000 + e->SpellId()); });
  chr.AddEnchantment(2, 102, 30 * 86400);
  chr.AddEnchantment(3, 103, 0);
  chr.AddEnchantment(4, 104, 10);
  clock.Advance(9'999);
  EXPECT_EQ(chr.EnchantmentCount(), 3);
  clock.Advance(1);
  EXPECT_EQ(changes, (std::vector<std::int32_t>{1002, 1003, 1004, 2004}));
  clock.Advance(30LL * 86400 * 1000);
  EXPECT_EQ(changes.back(), 2002);
  ASSERT_EQ(chr.EnchantmentCount(), 1);
  EXPECT_EQ(chr.GetEnchantment(0)->SpellId(), 3);
}

}  // namespace
}  // namespace mellox::sim
