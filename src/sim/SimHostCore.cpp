#include "sim/SimHostCore.h"

#include "platform/Hotkeys.h"
#include "sim/SimFont.h"
#include "sim/SimHotkeySystem.h"
#include "sim/SimView.h"
#include "sim/SimWindow.h"

namespace mellox::sim {

SimHostCore::SimHostCore(std::shared_ptr<SimHotkeySystem> hotkeys, std::shared_ptr<SimWindow> window)
    : hotkeys_(std::move(hotkeys)), window_(std::move(window)) {
  // Key names as the game's key map gives them; the screenshot key as its virtual-key code.
  commandKeys_ = {{"UseSelected", "R"},        {"ToggleChatEntry", "Tab"}, {"SelectionExamine", "E"},
                  {"CaptureScreenshot", "44"}, {"Jump", "Space"},          {"SelectSelf", "F1"}};
}

std::shared_ptr<platform::HostView> SimHostCore::CreateView(const std::string& description) {
  view_ = SimView::Parse(description);
  return view_;
}

std::shared_ptr<platform::HostFont> SimHostCore::CreateFont(const std::string& face, std::int32_t height,
                                                            std::int32_t flags) {
  return std::make_shared<SimFont>(face, height, flags);
}

std::shared_ptr<void> SimHostCore::GetPluginByClsid(const std::string& clsid) {
  if (clsid == platform::kHotkeySystemClsid && hotkeysInstalled_)
    return std::static_pointer_cast<void>(std::shared_ptr<platform::HotkeySystem>(hotkeys_));
  return nullptr;
}

std::string SimHostCore::GetCommandKey(const std::string& command) {
  auto it = commandKeys_.find(command);
  return it == commandKeys_.end() ? std::string() : it->second;
}

std::shared_ptr<platform::HostWindow> SimHostCore::GetGameWindow() { return window_; }

}  // namespace mellox::sim
