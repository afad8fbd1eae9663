// The simulated host: implements every platform service in-process,
// deterministically, on one virtual clock. Tests and mellox-sim drive the
// plug-in through it exactly as the framework would.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ACHooks.h"
#include "platform/CharacterStats.h"
#include "platform/EchoFilter.h"
#include "platform/HostView.h"
#include "platform/Hotkeys.h"
#include "platform/Plugin.h"
#include "platform/PluginSite.h"
#include "platform/RenderService.h"
#include "platform/Spells.h"
#include "platform/System.h"
#include "platform/World.h"
#include "sim/SimRaster.h"

namespace mellox::sim {

class SimClock;
class SimSystem;
class SimSite;
class SimHostCore;
class SimHooks;
class SimWorld;
class SimCharacter;
class SimEchoFilter;
class SimSpells;
class SimRenderService;
class SimHotkeySystem;
class SimIdentifier;
class SimView;
class SimNetworkMessage;

struct SimOptions {
  // Stands for My Documents (home/Documents), the common application data
  // folder (home/ProgramData) and the install folder (home/Plugin); a
  // relative path is taken from the current folder at start.
  std::filesystem::path home;
  // Where the shipped data lives (view description, sounds, spell table ...);
  // the install folder is seeded from it when absent.
  std::filesystem::path dataDir;
};

class SimHost {
 public:
  explicit SimHost(SimOptions options);
  ~SimHost();
  SimHost(const SimHost&) = delete;
  SimHost& operator=(const SimHost&) = delete;

  // Folders.
  const std::filesystem::path& Home() const;
  std::filesystem::path DocumentsDir() const;
  std::filesystem::path ProgramDataDir() const;
  std::filesystem::path PluginDir() const;

  // The plug-in object: Initialize on load, Terminate on unload.
  void LoadPlugin(std::unique_ptr<platform::IPlugin2> plugin);
  void UnloadPlugin();
  platform::IPlugin2* Plugin() const;

  // Output: every event the host records becomes one line ("chat C W: TEXT",
  // "game C W: TEXT", "typed: TEXT", "parser: TEXT", "key: ...", ...), in
  // the game's code page. The sink receives each line as UTF-8 text, also the
  // lines recorded before it was set.
  void SetOutputSink(std::function<void(const std::string&)> sink);
  const std::vector<std::string>& Output() const;
  // Output line index as UTF-8 text, as the user reads it.
  std::string OutputText(std::size_t index) const;
  void Emit(const std::string& line);
  // A line of UTF-8 text shown as written, not passed through the game's code page.
  void EmitText(const std::string& utf8);

  // Virtual clock: moves time forward, firing due timers in order; false when
  // a runaway of timer firings stopped it firing them.
  bool Advance(std::int64_t ms);
  std::int64_t ElapsedMs() const;

  // Game and user actions (each raises the framework's event).
  bool IncomingChat(const std::string& text, std::int32_t color, std::int32_t window);  // true: eaten
  bool TypeText(const std::string& text);                                               // true: eaten
  bool StatusText(const std::string& text);
  bool ClickChatLink(std::int32_t id, const std::string& text);
  void WindowMessage(std::int32_t msg, std::int32_t wParam, std::int32_t x, std::int32_t y);

  // The game's character selection: the character of that name on that server
  // is the one the next login brings in (SimCharacter::Become), and what the
  // world still holds of the one named before leaves it with that one
  // (SimWorld::PutAway).
  void SelectCharacter(const std::string& server, const std::string& name);

  // Services.
  SimSystem& System();
  SimSite& Site();
  SimHostCore& Core();
  SimHooks& Hooks();
  SimWorld& World();
  SimCharacter& Character();
  SimEchoFilter& Echo();
  SimSpells& Spells();
  SimRenderService& Render();
  // The game window (1024 x 768) with the 3D view and the shown HUDs.
  PixelBuffer ComposeFrame();
  // That frame as a PNG file; false when it cannot be written.
  bool WriteFramePng(const std::filesystem::path& path);
  SimHotkeySystem& Hotkeys();
  // Answers the plug-in's identify requests on the virtual clock.
  SimIdentifier& Identifier();
  SimClock& Clock();
  // The last view the plug-in had built (null before).
  SimView* View();

  // Errors that escaped an event handler into the host.
  const std::vector<std::string>& UnhandledErrors() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace mellox::sim
