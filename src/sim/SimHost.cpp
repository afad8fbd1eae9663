#include "sim/SimHost.h"

#include <exception>
#include <system_error>

#include "platform/Event.h"
#include "sim/SimCharacter.h"
#include "sim/SimClock.h"
#include "sim/SimEchoFilter.h"
#include "sim/SimGame.h"
#include "sim/SimHooks.h"
#include "sim/SimHostCore.h"
#include "sim/SimHotkeySystem.h"
#include "sim/SimIdentifier.h"
#include "sim/SimRecorder.h"
#include "sim/SimRenderService.h"
#include "sim/SimSite.h"
#include "sim/SimSpells.h"
#include "sim/SimSystem.h"
#include "sim/SimView.h"
#include "sim/SimWindow.h"
#include "sim/SimWorld.h"

namespace mellox::sim {

namespace fs = std::filesystem;

// Declaration order is construction order; the recorder and the clock go last.
struct SimHost::Impl {
  SimOptions options;
  SimRecorder recorder;
  SimClock clock;
  std::vector<std::string> unhandled;
  std::shared_ptr<SimWindow> window = std::make_shared<SimWindow>();
  std::shared_ptr<SimCharacter> character = std::make_shared<SimCharacter>(clock);
  std::shared_ptr<SimWorld> world =
      std::make_shared<SimWorld>([c = character.get()] { return c->Character(); });
  std::shared_ptr<SimEchoFilter> echo = std::make_shared<SimEchoFilter>();
  std::shared_ptr<SimSpells> spells = std::make_shared<SimSpells>();
  std::shared_ptr<SimRenderService> render = std::make_shared<SimRenderService>(recorder);
  std::shared_ptr<SimHotkeySystem> hotkeys = std::make_shared<SimHotkeySystem>(recorder);
  SimGame game{*world, *character};
  SimHooks hooks{recorder, *world, game};
  SimIdentifier identifier{clock, *world, *echo};
  SimHostCore core{hotkeys, window};
  SimSite site{{world, character, echo, spells, render}, hooks, core, window};
  std::unique_ptr<SimSystem> system;
  std::unique_ptr<platform::IPlugin2> plugin;

  explicit Impl(SimOptions o) : options(std::move(o)) {}

  void HandlerError(const std::string& what) {
    unhandled.push_back(what);
    recorder.Emit("host: handler error: " + what);
  }

  // Runs a call into the plug-in; nothing it throws reaches the caller.
  template <class F>
  void Guard(F&& call) {
    try {
      call();
    } catch (const std::exception& e) {
      HandlerError(e.what());
    } catch (...) {
      HandlerError("unknown exception");
    }
  }
};

SimHost::SimHost(SimOptions options) : impl_(std::make_unique<Impl>(std::move(options))) {
  Impl& d = *impl_;
  std::error_code ec;
  // The plug-in's files must not depend on the folder it later runs in.
  if (!d.options.home.empty() && d.options.home.is_relative()) {
    fs::path absolute = fs::absolute(d.options.home, ec);
    if (!ec) d.options.home = std::move(absolute);
  }
  // The game creates its own folder under My Documents; the plug-in writes its error log there.
  fs::create_directories(d.options.home / "Documents" / "Asheron's Call", ec);
  const fs::path plugin = d.options.home / "Plugin";
  if (!fs::exists(plugin, ec)) {
    if (!d.options.dataDir.empty() && fs::is_directory(d.options.dataDir, ec))
      fs::copy(d.options.dataDir, plugin, fs::copy_options::recursive, ec);
    if (ec) Emit("host: could not seed the install folder: " + ec.message());
    fs::create_directories(plugin, ec);
  }
  if (!d.options.dataDir.empty()) d.spells->Load(d.options.dataDir / "Spells.txt");
  d.hooks.SetIdentifyHandler([this](std::int32_t id) { impl_->identifier.Request(id); });
  d.clock.SetErrorSink([this](const std::string& line) { Emit(line); });
  d.system = std::make_unique<SimSystem>(d.options.home, d.clock, d.recorder);
  d.system->SetKeyDownSink([&d](std::int32_t vk) {
    constexpr std::int32_t kShiftKey = 0x10;
    d.hooks.ChatBarKey(vk, d.system->KeyCharacter(vk, d.system->KeyHeld(kShiftKey)));
  });
  platform::SetSystem(d.system.get());
  platform::UnhandledHandlerErrorSink() = [this](const std::string& what) { impl_->HandlerError(what); };
}

SimHost::~SimHost() {
  UnloadPlugin();
  platform::UnhandledHandlerErrorSink() = nullptr;
  if (platform::HasSystem() && &platform::Sys() == impl_->system.get()) platform::SetSystem(nullptr);
}

const fs::path& SimHost::Home() const { return impl_->options.home; }
fs::path SimHost::DocumentsDir() const { return impl_->options.home / "Documents"; }
fs::path SimHost::ProgramDataDir() const { return impl_->options.home / "ProgramData"; }
fs::path SimHost::PluginDir() const { return impl_->options.home / "Plugin"; }

void SimHost::LoadPlugin(std::unique_ptr<platform::IPlugin2> plugin) {
  UnloadPlugin();
  if (!plugin) return;
  impl_->plugin = std::move(plugin);
  impl_->Guard([&] { impl_->plugin->Initialize(impl_->site); });
}

void SimHost::UnloadPlugin() {
  if (!impl_->plugin) return;
  impl_->Guard([&] { impl_->plugin->Terminate(); });
  // The object may have registered itself; the site must not keep a dangling pointer.
  if (impl_->site.PluginObject() == impl_->plugin.get()) impl_->site.SetPluginObject(nullptr);
  impl_->Guard([&] { impl_->plugin.reset(); });
}

platform::IPlugin2* SimHost::Plugin() const { return impl_->plugin.get(); }

void SimHost::SetOutputSink(std::function<void(const std::string&)> sink) { impl_->recorder.SetSink(std::move(sink)); }

const std::vector<std::string>& SimHost::Output() const { return impl_->recorder.Lines(); }

std::string SimHost::OutputText(std::size_t index) const { return impl_->recorder.Text(index); }

void SimHost::Emit(const std::string& line) { impl_->recorder.Emit(line); }

void SimHost::EmitText(const std::string& utf8) { impl_->recorder.EmitText(utf8); }

bool SimHost::Advance(std::int64_t ms) { return impl_->clock.Advance(ms); }

std::int64_t SimHost::ElapsedMs() const { return impl_->clock.NowMs(); }

bool SimHost::IncomingChat(const std::string& text, std::int32_t color, std::int32_t window) {
  bool eat = false;
  impl_->hooks.ChatTextIntercept.Emit(text, color, window, eat);
  if (!eat) Emit("game " + std::to_string(color) + " " + std::to_string(window) + ": " + text);
  return eat;
}

bool SimHost::TypeText(const std::string& text) { return impl_->hooks.SubmitTyped(text); }

bool SimHost::StatusText(const std::string& text) {
  bool eat = false;
  impl_->hooks.StatusTextIntercept.Emit(text, eat);
  if (!eat) Emit("status: " + text);
  return eat;
}

bool SimHost::ClickChatLink(std::int32_t id, const std::string& text) {
  bool eat = false;
  impl_->hooks.ChatClickIntercept.Emit(text, id, eat);
  return eat;
}

void SimHost::WindowMessage(std::int32_t msg, std::int32_t wParam, std::int32_t x, std::int32_t y) {
  platform::IPlugin2* target = impl_->site.PluginObject() ? impl_->site.PluginObject() : impl_->plugin.get();
  auto* sink = dynamic_cast<platform::IWindowsMessageSink*>(target);
  if (!sink) return;
  const auto lParam = static_cast<std::int32_t>((static_cast<std::uint32_t>(y) << 16) |
                                                (static_cast<std::uint32_t>(x) & 0xFFFFu));
  const std::intptr_t hwnd = impl_->window->hWnd();
  bool eat = false;
  impl_->Guard([&] { sink->WindowMessage(hwnd, msg, wParam, lParam, eat); });
  impl_->Guard([&] { sink->WindowMessageEnd(hwnd, msg, wParam, lParam, eat); });
}

void SimHost::SelectCharacter(const std::string& server, const std::string& name) {
  const std::int32_t left = impl_->character->Become(server, name);
  if (left != 0) impl_->world->PutAway(left);
}

SimSystem& SimHost::System() { return *impl_->system; }
SimSite& SimHost::Site() { return impl_->site; }
SimHostCore& SimHost::Core() { return impl_->core; }
SimHooks& SimHost::Hooks() { return impl_->hooks; }
SimWorld& SimHost::World() { return *impl_->world; }
SimCharacter& SimHost::Character() { return *impl_->character; }
SimEchoFilter& SimHost::Echo() { return *impl_->echo; }
SimSpells& SimHost::Spells() { return *impl_->spells; }
SimRenderService& SimHost::Render() { return *impl_->render; }
PixelBuffer SimHost::ComposeFrame() {
  return impl_->render->ComposeFrame(SimWindow::kWidth, SimWindow::kHeight, impl_->hooks.Get3DRegion());
}

bool SimHost::WriteFramePng(const fs::path& path) { return WritePng(path.string(), ComposeFrame()); }

SimHotkeySystem& SimHost::Hotkeys() { return *impl_->hotkeys; }
SimIdentifier& SimHost::Identifier() { return impl_->identifier; }
SimClock& SimHost::Clock() { return impl_->clock; }
SimView* SimHost::View() { return impl_->core.View(); }

const std::vector<std::string>& SimHost::UnhandledErrors() const { return impl_->unhandled; }

}  // namespace mellox::sim
