// mellox-sim's mouse, device and snapshot commands.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "ScriptRunner.h"
#include "hud/HudFixture.h"
#include "persistence/SettingsFile.h"

namespace mellox::test {
namespace {

TEST(HudScriptTest, MouseDeviceAndSnapshotCommands) {
  HudFixture f;
  HUDMainHandlerInstance->CreateHUD();
  f.main().SetEnabled(true);
  std::ostringstream err;
  app::ScriptRunner runner(f.host, err);
  const std::int32_t x = f.main().X();
  const std::int32_t y = f.main().Y();
  auto run = [&](const std::string& line) {
    const bool ok = runner.RunLine(line);
    EXPECT_TRUE(ok) << line << ": " << runner.LastError();
  };

  // Drag by the title bar.
  run("mouse move " + std::to_string(x + 20) + " " + std::to_string(y + 5));
  run("mouse down " + std::to_string(x + 20) + " " + std::to_string(y + 5));
  run("mouse move " + std::to_string(x + 60) + " " + std::to_string(y + 45));
  run("mouse up " + std::to_string(x + 60) + " " + std::to_string(y + 45));
  EXPECT_EQ(f.main().X(), x + 40);
  // Ctrl-drag from inside; a release outside the window is never delivered,
  // so the drag ends with the next move.
  run("mouse down " + std::to_string(x + 50) + " " + std::to_string(y + 70) + " ctrl");
  EXPECT_TRUE(f.main().OnCanvas());
  run("mouse up -10 -10");
  EXPECT_TRUE(f.main().OnCanvas());
  run("mouse move 500 500");
  EXPECT_FALSE(f.main().OnCanvas());

  const std::size_t mark = f.Mark();
  run("device-lost");
  EXPECT_TRUE(f.SaidSince(mark, "hud: create"));

  // Without a picture folder a snapshot is skipped; with one it is written.
  run("snapshot none");
  const auto dir = f.home.path() / "pictures";
  runner.SetHudPngDir(dir);
  run("snapshot main");
  EXPECT_TRUE(std::filesystem::exists(dir / "main.png"));

  for (const char* bad : {"mouse jump 1 2", "mouse down 1 2 alt", "mouse move 1", "snapshot ../up", "snapshot",
                          "device-lost now"}) {
    EXPECT_FALSE(runner.RunLine(bad)) << bad;
  }
  EXPECT_TRUE(f.errors.empty());
}

// The five HUDs of a logged-in character, as mellox-sim runs them.
TEST(HudScriptTest, AfterALostDeviceEveryShownHudIsMadeAgain) {
  TempHome home;
  sim::SimHost host({home.path(), MELLOX_DATA_DIR});
  SettingsFile::PlaceDefaults(std::filesystem::path(MELLOX_DATA_DIR) / SettingsFile::kDefaultFileName,
                              host.ProgramDataDir());
  host.LoadPlugin(std::make_unique<APluginCore>());
  std::ostringstream err;
  app::ScriptRunner runner(host, err);
  std::istringstream script(
      "login\n"
      "check HUD_On on\nclick HUD_General 0 3\nclick HUD_General 0 4\ntype /x resethuds\n"
      "edit HUD_Items_Text Healing Kit\npress HUD_Items_Add\n"
      "object 4660 5 Drudge Slinker\nprop 4660 long 25 12\nselect 4660\n"
      "status You're too busy!\nadvance 2s\n");
  ASSERT_TRUE(runner.Run(script, "test.session", false)) << err.str();
  const sim::PixelBuffer before = host.ComposeFrame();
  int drawn = 0;
  for (const auto& s : host.Render().Surfaces()) {
    const auto& px = s->Buffer().pixels;
    drawn +=
        s->EnabledGet() && std::any_of(px.begin(), px.end(), [](std::uint32_t p) { return p != 0; }) ? 1 : 0;
  }
  ASSERT_EQ(drawn, 5);
  ASSERT_TRUE(runner.RunLine("device-lost"));
  // The game window looks as it did: every surface shown was made and drawn again.
  EXPECT_TRUE(host.ComposeFrame().pixels == before.pixels);
  host.UnloadPlugin();
}

}  // namespace
}  // namespace mellox::test
